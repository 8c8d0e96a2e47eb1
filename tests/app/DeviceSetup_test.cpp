#include "app/DeviceSetup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/GlobalDevice.h"
#include "gfx/RecordingDevice.h"
#include "gfx/gl/GlRenderDevice.h"
#include "support/ReportCapture.h"

namespace {

app::DisplaySettings Mode(int w, int h, int backBuffers = 1) {
    app::DisplaySettings s;
    s.width = w;
    s.height = h;
    s.refreshRate = 60;
    s.format = D3DFMT_X8R8G8B8;
    s.backBufferCount = backBuffers;
    s.hardwareVertexProcessing = 1;
    return s;
}

TEST(DeviceSetup, PresentParametersOfAMode) {
    const D3DPRESENT_PARAMETERS p = app::MakePresentParameters(Mode(1024, 768));
    EXPECT_EQ(p.BackBufferWidth, 1024u);
    EXPECT_EQ(p.BackBufferHeight, 768u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(p.BackBufferCount, 1u);
    EXPECT_EQ(p.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(p.hDeviceWindow, nullptr);
    EXPECT_EQ(p.Windowed, FALSE);
    EXPECT_EQ(p.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(p.Flags, 0u);
    EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(p.FullScreen_PresentationInterval, D3DPRESENT_INTERVAL_DEFAULT);
    const gfx::DeviceParams params = app::MakeDeviceParams(p, app::BehaviourFlags(Mode(1024, 768)));
    EXPECT_EQ(params.width, 1024u);
    EXPECT_EQ(params.height, 768u);
    EXPECT_TRUE(params.hardwareVertexProcessing);
}

TEST(DeviceSetup, TripleBufferingWindowedAndVertexProcessing) {
    app::DisplaySettings s = Mode(800, 600, 2);
    EXPECT_EQ(app::MakePresentParameters(s).BackBufferCount, 2u);
    EXPECT_EQ(app::SwapIntervalFor(s), -1);
    EXPECT_EQ(app::SwapIntervalFor(Mode(800, 600, 1)), 1);
    s.windowed = 1;
    EXPECT_EQ(app::MakePresentParameters(s).Windowed, TRUE);
    EXPECT_EQ(app::BehaviourFlags(s), D3DCREATE_HARDWARE_VERTEXPROCESSING);
    s.hardwareVertexProcessing = 0;
    EXPECT_EQ(app::BehaviourFlags(s), D3DCREATE_SOFTWARE_VERTEXPROCESSING);
}

TEST(DeviceSetup, DefaultStateInItsOrder) {
    gfx::RecordingDevice dev;
    app::SetDefaultState(dev);
    std::vector<std::string> expected;
    for (int stage = 0; stage < 4; ++stage)
        for (const char* f : {"D3DTSS_MAGFILTER", "D3DTSS_MINFILTER", "D3DTSS_MIPFILTER"})
            expected.push_back("SetTextureStageState(" + std::to_string(stage) + ", " + f + ", 2)");
    for (const char* rs :
         {"D3DRS_CULLMODE, 2", "D3DRS_ZENABLE, 1", "D3DRS_LIGHTING, 1", "D3DRS_AMBIENT, 0xFF303030",
          "D3DRS_ALPHABLENDENABLE, 0", "D3DRS_SRCBLEND, 2", "D3DRS_DESTBLEND, 2",
          "D3DRS_BLENDOP, 1", "D3DRS_SPECULARENABLE, 1", "D3DRS_NORMALIZENORMALS, 1",
          "D3DRS_EDGEANTIALIAS, 1"})
        expected.push_back(std::string("SetRenderState(") + rs + ")");
    EXPECT_EQ(dev.callStrings(), expected);
}

TEST(DeviceSetup, HeadlessDeviceInTheDefaultState) {
    std::vector<std::string> reports;
    auto device = app::CreateRenderDevice(Mode(320, 240, 2), nullptr,
                                          [&](const std::string& t) { reports.push_back(t); });
    ASSERT_NE(device, nullptr) << (reports.empty() ? "" : reports[0]);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(RenderDevice, device.get());
    gfx::Surface* back = nullptr;
    device->GetBackBuffer(0, &back);
    EXPECT_EQ(back->width(), 320u);
    EXPECT_EQ(back->height(), 240u);
    EXPECT_EQ(device->params().backBufferCount, 2u);
    DWORD v = 0;
    device->GetRenderState(D3DRS_AMBIENT, &v);
    EXPECT_EQ(v, 0xFF303030u);
    device->GetTextureStageState(3, D3DTSS_MIPFILTER, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_LINEAR));
    device->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_CW));
    RenderDevice = nullptr;
}

TEST(DeviceSetup, UnusableSettingsAreReportedAndGiveNoDevice) {
    std::vector<std::string> reports;
    auto report = [&](const std::string& t) { reports.push_back(t); };
    EXPECT_EQ(app::CreateRenderDevice(Mode(0, 0), nullptr, report), nullptr);
    app::DisplaySettings odd = Mode(640, 480);
    odd.format = D3DFMT_P8;
    EXPECT_EQ(app::CreateRenderDevice(odd, nullptr, report), nullptr);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0],
              "The rendering device could not be created: the display mode 0 x 0 is not usable");
    EXPECT_NE(reports[1].find("D3DFMT_"), std::string::npos);
}

TEST(DeviceSetup, FailureGoesToTheErrorReportByDefault) {
    testsupport::ReportCapture capture;
    EXPECT_EQ(app::CreateRenderDevice(Mode(-1, 480), nullptr), nullptr);
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_EQ(capture.reports[0],
              "Error!!!: The rendering device could not be created: the display mode -1 x 480 "
              "is not usable");
    EXPECT_TRUE(capture.fatals.empty());  // ending the run is the caller's decision
}

}  // namespace
