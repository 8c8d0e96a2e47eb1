#include "assets/ShaderProgram.h"

#include <gtest/gtest.h>

#include <cstring>

#include "assets/PackArchive.h"
#include "assets/PackWriter.h"
#include "gfx/RecordingDevice.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

namespace {

// ps.1.1: tex t0; mul r0, t0, c0
const std::vector<uint32_t> kPixel = {0xFFFF0101, 0x00000042, 0xB00F0000, 0x00000005,
                                      0x800F0000, 0xB0E40000, 0xA0E40000, 0x0000FFFF};
// vs.1.1: mov oPos, v0
const std::vector<uint32_t> kVertex = {0xFFFE0101, 0x00000001, 0xC00F0000, 0x90E40000, 0x0000FFFF};
const DWORD kDecl[] = {0x20000000, 0x40020000, 0xFFFFFFFF};

std::vector<uint8_t> Bytes(const std::vector<uint32_t>& tokens) {
    std::vector<uint8_t> b(tokens.size() * 4);
    std::memcpy(b.data(), tokens.data(), b.size());
    return b;
}

class ShaderProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        assets::PackWriter w;
        w.Add("!shaders\\logo.pso", Bytes(kPixel));
        w.Add("!shaders\\ShEf.vso", Bytes(kVertex));
        std::vector<uint32_t> bad = kPixel;
        bad[1] = 0x00000063;  // unknown opcode
        w.Add("!shaders\\bad.pso", Bytes(bad));
        w.Add("!shaders\\odd.pso", std::vector<uint8_t>{1, 2, 3});
        std::string error;
        ASSERT_TRUE(w.WriteFile(dir.file("kelvra.dat"), &error)) << error;
        ASSERT_TRUE(assets::GlobalPack().Open(dir.file("kelvra.dat")));
    }
    testsupport::TempDir dir;
    testsupport::ReportCapture reports;
    gfx::RecordingDevice device;
};

TEST_F(ShaderProgramTest, EntryReachesTheDeviceByteForByte) {
    const DWORD ps = assets::CreatePixelProgram(device, "!shaders\\logo.pso");
    ASSERT_NE(ps, 0u);
    EXPECT_EQ(device.pixelShaderObject(ps)->function, kPixel);
    EXPECT_EQ(device.callStrings().back(), "CreatePixelShader(32) -> ps#1");
    const DWORD vs = assets::CreateVertexProgram(device, "!shaders\\ShEf.vso", kDecl);
    ASSERT_NE(vs, 0u);
    EXPECT_EQ(device.vertexShaderObject(vs)->function, kVertex);
    EXPECT_EQ(device.vertexShaderObject(vs)->declaration, std::vector<DWORD>(kDecl, kDecl + 3));
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(ShaderProgramTest, ReadingTwiceGivesTwoEqualIndependentCopies) {
    assets::ShaderProgram a = assets::ReadShaderProgram("!shaders\\logo.pso");
    assets::ShaderProgram b = assets::ReadShaderProgram("!SHADERS\\LOGO.PSO");
    ASSERT_TRUE(a.loaded && b.loaded);
    EXPECT_EQ(a.byteSize, 32u);
    EXPECT_EQ(a.tokens, b.tokens);
    EXPECT_NE(a.function(), b.function());
}

// The device still gets the program and hands out a handle that draws nothing.
TEST_F(ShaderProgramTest, MalformedProgramIsReportedWithItsEntryAndCreatedAsFailed) {
    const DWORD bad = assets::CreatePixelProgram(device, "!shaders\\bad.pso");
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_NE(reports.reports[0].find("!shaders\\bad.pso: token 1: unknown opcode 99"),
              std::string::npos)
        << reports.reports[0];
    ASSERT_NE(bad, 0u);
    ASSERT_NE(device.pixelShaderObject(bad), nullptr);
    EXPECT_TRUE(device.pixelShaderObject(bad)->failed);
    const DWORD odd = assets::CreatePixelProgram(device, "!shaders\\odd.pso");
    EXPECT_NE(reports.reports.back().find("3 bytes"), std::string::npos);
    EXPECT_TRUE(device.pixelShaderObject(odd)->failed);
    // A vertex program where a pixel program belongs is refused too.
    const DWORD wrong = assets::CreatePixelProgram(device, "!shaders\\ShEf.vso");
    EXPECT_TRUE(device.pixelShaderObject(wrong)->failed);
    EXPECT_EQ(reports.reports.size(), 3u);  // each once, by the entry's check
    EXPECT_EQ(device.callsNamed("CreatePixelShader").size(), 3u);
}

TEST_F(ShaderProgramTest, MissingEntryIsReportedByThePackAndCreatesNothing) {
    EXPECT_EQ(assets::CreateVertexProgram(device, "!shaders\\none.vso", kDecl), 0u);
    EXPECT_EQ(reports.fatals.size(), 1u);
    EXPECT_TRUE(device.callsNamed("CreateVertexShader").empty());
}

}  // namespace

namespace {

// The bump-lit scenes create the same programs four times over: a damaged one is one report
// (one box when windowed), while each still gets its failed handle.
TEST_F(ShaderProgramTest, EachProblemOfAnEntryIsReportedOnce) {
    std::vector<DWORD> handles;
    for (int i = 0; i < 4; ++i) {
        handles.push_back(assets::CreatePixelProgram(device, "!shaders\\bad.pso"));
        handles.push_back(assets::CreatePixelProgram(device, "!shaders\\odd.pso"));
    }
    ASSERT_EQ(reports.reports.size(), 2u);
    EXPECT_NE(reports.reports[0].find("!shaders\\bad.pso"), std::string::npos);
    EXPECT_NE(reports.reports[1].find("!shaders\\odd.pso"), std::string::npos);
    for (DWORD h : handles) EXPECT_TRUE(device.pixelShaderObject(h)->failed);
}

}  // namespace
