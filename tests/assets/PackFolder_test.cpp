#include "assets/PackFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/RawPack.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testsupport::TempDir;
namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(PackFolderTest, BuildNamesEntriesByRelativePathWithBackslashesSorted) {
    TempDir dir;
    const fs::path src = dir.path() / "src";
    testsupport::WriteBytes((src / "morvek.mp3").string(), Bytes("music"));
    testsupport::WriteBytes((src / "Objs" / "szk.3ds").string(), Bytes("scene"));
    testsupport::WriteBytes((src / "!textures" / "some.jpg").string(), Bytes("pic"));
    testsupport::WriteBytes((src / "Objs" / "deep" / "x.nrm").string(), Bytes(""));
    fs::create_directories(src / "emptyfolder");

    assets::PackWriter writer;
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(assets::AddFolderToPack(src, writer, &names, &error)) << error;
    EXPECT_THAT(names, ElementsAre("!textures\\some.jpg", "Objs\\deep\\x.nrm", "Objs\\szk.3ds",
                                   "morvek.mp3"));
    const std::string packPath = dir.file("out.dat");
    ASSERT_TRUE(writer.WriteFile(packPath, &error));

    // Same folder, same bytes.
    assets::PackWriter again;
    ASSERT_TRUE(assets::AddFolderToPack(src, again, nullptr, &error));
    EXPECT_EQ(again.Build(), writer.Build());

    testsupport::ReportCapture reports;
    assets::PackArchive pack;
    ASSERT_TRUE(pack.Open(packPath));
    std::vector<uint8_t> data;
    ASSERT_TRUE(pack.ReadInto("objs\\SZK.3ds", data));
    EXPECT_EQ(data, Bytes("scene"));
}

TEST(PackFolderTest, BuildRefusesTooLongNamesAndMissingFolders) {
    TempDir dir;
    testsupport::WriteBytes((dir.path() / "f" / std::string(48, 'a')).string(), Bytes("x"));
    assets::PackWriter writer;
    std::string error;
    EXPECT_FALSE(assets::AddFolderToPack(dir.path(), writer, nullptr, &error));
    EXPECT_THAT(error, HasSubstr("longer than 49"));
    EXPECT_FALSE(assets::AddFolderToPack(dir.path() / "none", writer, nullptr, &error));
    EXPECT_THAT(error, HasSubstr("is not a folder"));
}

TEST(PackFolderTest, SafeExtractPathRejectsEscapes) {
    EXPECT_EQ(assets::SafeExtractPath("Objs\\szk.3ds", nullptr), fs::path("Objs") / "szk.3ds");
    EXPECT_EQ(assets::SafeExtractPath("a/b\\c", nullptr), fs::path("a") / "b" / "c");
    EXPECT_EQ(assets::SafeExtractPath("..x", nullptr), fs::path("..x"));
    for (const char* bad : {"..\\evil", "a\\..\\..\\evil", "\\abs", "/abs", "C:\\win", "c:rel",
                            "a\\\\b", "a\\", ".", ""}) {
        std::string why;
        EXPECT_TRUE(assets::SafeExtractPath(bad, &why).empty()) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
}

TEST(PackFolderTest, BuildRefusesFilesWhoseNamesDifferOnlyInCase) {
    TempDir dir;
    testsupport::WriteBytes((dir.path() / "Objs" / "szk.3ds").string(), Bytes("a"));
    testsupport::WriteBytes((dir.path() / "objs" / "SZK.3ds").string(), Bytes("b"));
    assets::PackWriter writer;
    std::string error;
    EXPECT_FALSE(assets::AddFolderToPack(dir.path(), writer, nullptr, &error));
    EXPECT_THAT(error, HasSubstr("SZK.3ds"));
    EXPECT_THAT(error, HasSubstr("\"Objs\\szk.3ds\""));
}

TEST(PackFolderTest, ExtractWritesSafeEntriesAndSkipsTheRest) {
    TempDir dir;
    const std::string packPath = dir.file("p.dat");
    testsupport::WriteBytes(packPath, testsupport::RawPack({{"!textures\\some.jpg", Bytes("pic")},
                                                            {"..\\escape.txt", Bytes("no")},
                                                            {"/etc/passwd", Bytes("no")},
                                                            {"SOME.txt", Bytes("first")},
                                                            {"some.TXT", Bytes("hidden")}}));
    assets::PackArchive pack;
    std::string error;
    ASSERT_TRUE(pack.TryOpen(packPath, &error)) << error;
    const fs::path out = dir.path() / "out";
    assets::ExtractReport report;
    ASSERT_TRUE(assets::ExtractPack(pack, out, report, &error)) << error;
    EXPECT_THAT(report.written, ElementsAre("!textures\\some.jpg", "SOME.txt"));
    EXPECT_EQ(report.skipped.size(), 3u);
    EXPECT_EQ(testsupport::ReadBytes((out / "!textures" / "some.jpg").string()), Bytes("pic"));
    EXPECT_EQ(testsupport::ReadBytes((out / "SOME.txt").string()), Bytes("first"));
    EXPECT_FALSE(fs::exists(dir.path() / "escape.txt"));
    EXPECT_FALSE(fs::exists(out / "some.TXT"));
}

}  // namespace
