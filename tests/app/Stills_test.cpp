// The presentation rendered by the program itself (headless, on the virtual clock) at chosen
// soundtrack positions, compared with reference pictures in tests/data/stills/.
//
// The pack is the show pack (support/ShowPack.h): the generated pack's programs, scenes and
// soundtrack with synthetic pictures, so the references do not move when the pack's own
// pictures are redrawn. They do move when what a segment draws changes: after such an
// intended change, write new references with
//     RUNEPLAY_UPDATE_REFERENCES=1 build/tests/test_app --gtest_filter='Stills*'
// and look at them before committing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/ImageCompare.h"
#include "support/ShowPack.h"
#include "support/TempDir.h"

namespace {

const char* const kProgram = RUNEPLAY_PLAY_DIR "/runeplay";

class StillsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        testsupport::SuiteShowPack::Write(RUNEPLAY_PLAY_DIR "/kelvra.dat", "stills");
    }
    static void TearDownTestSuite() { testsupport::SuiteShowPack::Remove(); }
    static const std::string& pack() { return testsupport::SuiteShowPack::Path(); }

    // Runs the program with `arguments` in the test's folder; returns its exit status and
    // keeps what it wrote to standard output and error in `output`.
    // `launcher` runs the program (a virtual X server, say); without one it runs headless.
    int Run(const std::string& arguments, const std::string& launcher = "") {
        const std::string log = dir_.file("run.log");
        const std::string command = "cd '" + dir_.path().string() + "' && " + launcher + " '" +
                                    kProgram + "' " + (launcher.empty() ? "--headless " : "") +
                                    "--pack '" + pack() + "' " + arguments + " > '" + log +
                                    "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream in(log);
        output_.assign(std::istreambuf_iterator<char>(in), {});
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void Still(const std::string& name, const std::string& position) {
        const std::string out = dir_.file(name + ".png");
        ASSERT_EQ(Run("--still " + position + " --out '" + out + "' --size 320x240"), 0) << output_;
        EXPECT_TRUE(
            testsupport::MatchesReferenceFile(out, RUNEPLAY_TEST_DATA "/stills/" + name + ".png"));
    }

    testsupport::TempDir dir_;
    std::string output_;
};

TEST_F(StillsTest, TitleFadingIn) { Still("title", "1000000"); }

// The first white flash four frames in, over the start of the water scene.
TEST_F(StillsTest, WhiteFlash) { Still("white_flash", "1805160"); }

// The third picture cut replaces the whole frame.
TEST_F(StillsTest, PictureCut) { Still("picture_cut", "10600000"); }

// The metal object over the water running backwards, an insert flash fading over both.
TEST_F(StillsTest, MetalOverBackwardsWaterWithAnInsert) { Still("metal_water_insert", "15030000"); }

// The picture screen scene with one of the five pictures of the loop on its screen.
TEST_F(StillsTest, ScreenLoop) { Still("screen_loop", "20000000"); }

// The people picture half faded in over the picture screen scene.
TEST_F(StillsTest, PeopleFadingIn) { Still("people_fading_in", "22700000"); }

TEST_F(StillsTest, Credits) { Still("credits", "2:30.000"); }

// The cube grid in fog over the background picture.
TEST_F(StillsTest, CubeGridInFog) { Still("cube_grid_fog", "35500000"); }

// The rotating mesh over the stagi picture, an insert flash fading over both.
TEST_F(StillsTest, RotatingMeshWithAnInsert) { Still("rotating_mesh_insert", "38045000"); }

// The end mesh under the p3 picture, with the white fade about halfway out.
TEST_F(StillsTest, EndMeshFading) { Still("end_mesh_fade", "39800000"); }

TEST_F(StillsTest, EndScreen) { Still("end_screen", "44000000"); }

TEST_F(StillsTest, TheSameCommandGivesTheSamePicture) {
    const std::string a = dir_.file("a.png"), b = dir_.file("b.png");
    ASSERT_EQ(Run("--still 9950000 --out '" + a + "' --size 160x120"), 0) << output_;
    ASSERT_EQ(Run("--still 9950000 --out '" + b + "' --size 160x120"), 0) << output_;
    testsupport::RgbImage ia, ib;
    std::string error;
    ASSERT_TRUE(testsupport::LoadPng(a, ia, &error)) << error;
    ASSERT_TRUE(testsupport::LoadPng(b, ib, &error)) << error;
    EXPECT_EQ(testsupport::CompareImages(ia, ib, 0).maxDifference, 0);
}

TEST_F(StillsTest, AWindowShowsTheSamePictureAsHeadless) {
    if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run is not installed";
    const std::string headless = dir_.file("headless.png"), windowed = dir_.file("windowed.png");
    ASSERT_EQ(Run("--still 26500000 --out '" + headless + "' --size 320x240"), 0) << output_;
    ASSERT_EQ(Run("--windowed --still 26500000 --out '" + windowed + "' --size 320x240",
                  "SDL_AUDIODRIVER=dummy xvfb-run -a -s '-screen 0 640x480x24'"),
              0)
        << output_;
    testsupport::RgbImage a, b;
    std::string error;
    ASSERT_TRUE(testsupport::LoadPng(headless, a, &error)) << error;
    ASSERT_TRUE(testsupport::LoadPng(windowed, b, &error)) << error;
    const auto d = testsupport::CompareImages(a, b, 0);
    EXPECT_TRUE(d.sameSize);
    EXPECT_LE(d.maxDifference, 1) << d.str();
}

TEST_F(StillsTest, CaptureWritesEveryFrameAndTheExactSoundtrackSpan) {
    // Three frames at 30 fps from just before the first white flash.
    const uint64_t from = 1790000, to = from + 3 * 5880;
    const std::string out = dir_.file("capture");
    ASSERT_EQ(Run("--capture '" + out + "' --from " + std::to_string(from) + " --to " +
                  std::to_string(to) + " --fps 30 --size 160x120"),
              0)
        << output_;
    EXPECT_NE(output_.find("capture: 3/3 frames"), std::string::npos) << output_;
    for (int k = 0; k < 3; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", k);
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(out) / name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(out) / "frame_000003.png"));
    EXPECT_EQ(std::filesystem::file_size(std::filesystem::path(out) / "soundtrack.wav"),
              44 + (to - from));
    // Frame 0 lies before the flash, frame 1 is its first (white) frame.
    testsupport::RgbImage f0, f1;
    std::string error;
    ASSERT_TRUE(testsupport::LoadPng(out + "/frame_000000.png", f0, &error)) << error;
    ASSERT_TRUE(testsupport::LoadPng(out + "/frame_000001.png", f1, &error)) << error;
    EXPECT_LT(f0.rgb[3 * (60 * 160 + 10)], 128);
    EXPECT_EQ(f1.rgb[3 * (60 * 160 + 10)], 255);
}

// A vertex program whose creation failed changes the picture (the glow's draws are skipped):
// the report of it stands on a line of its own, not at the end of the pre-roll's progress.
TEST_F(StillsTest, ADamagedVertexProgramIsReportedOnALineOfItsOwn) {
    std::string error;
    const std::string damaged = dir_.file("damaged.dat");
    ASSERT_TRUE(testsupport::CopyPackEditing(
        pack(), damaged,
        [](const std::string& name, std::vector<uint8_t>& data) {
            if (name == "!shaders\\ShEf1.vso") data.at(4) = 0x63;  // an unknown opcode
        },
        &error))
        << error;
    const std::string command = "cd '" + dir_.path().string() + "' && '" + kProgram +
                                "' --headless --pack '" + damaged +
                                "' --still 0:01 --out s.png --size 64x48 > run.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(dir_.file("run.log"));
    const std::string output(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(output.find("Error!!!: !shaders\\ShEf1.vso: token 1: unknown opcode 99"),
              std::string::npos)
        << output;
    EXPECT_THAT(output, testing::ContainsRegex(
                            "\ngfx: draw skipped: vertex shader [0-9]+ failed at its creation\n"))
        << output;
}

TEST_F(StillsTest, AMissingPackIsReportedNotCrashed) {
    const std::string out = dir_.file("x.png");
    const std::string command = "cd '" + dir_.path().string() + "' && '" + kProgram +
                                "' --headless --pack nothing.dat --still 100 --out x.png > '" +
                                dir_.file("run.log") + "' 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
