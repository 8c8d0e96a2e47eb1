#include "app/Capture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/CommandLine.h"
#include "platform/OutputFile.h"
#include "support/ImageCompare.h"
#include "support/SineMp3.h"
#include "support/TempDir.h"

namespace {

using app::FrameGrid;
using testing::HasSubstr;

const audio::TrackFormat kStereo44{44100, 2};

TEST(FrameGridTest, SixtyFramesASecondAdvance2940BytesEach) {
    const FrameGrid grid{kStereo44, 60, 0};
    for (uint64_t k : {0u, 1u, 2u, 609u, 10000u}) EXPECT_EQ(grid.Position(k), 2940 * k);
}

TEST(FrameGridTest, RatesThatDoNotDivideTheSampleRateRoundDownToWholeSampleFrames) {
    // 24 fps: 1837.5 sample frames per frame, rounded down from the exact product, never
    // accumulated, so there is no drift.
    const FrameGrid grid{kStereo44, 24, 1000};
    EXPECT_EQ(grid.Position(1), 1000 + 1837 * 4);
    EXPECT_EQ(grid.Position(2), 1000 + 3675 * 4);
    EXPECT_EQ(grid.Position(24), 1000 + 44100 * 4);
    for (uint64_t k = 0; k < 100; ++k) EXPECT_EQ((grid.Position(k) - 1000) % 4, 0u);
}

TEST(FrameGridTest, FramesBeforeCountsPositionsBelowTheEnd) {
    const FrameGrid grid{kStereo44, 60, 0};
    EXPECT_EQ(grid.FramesBefore(0), 0u);
    EXPECT_EQ(grid.FramesBefore(1), 1u);  // frame 0 at position 0
    EXPECT_EQ(grid.FramesBefore(2940), 1u);
    EXPECT_EQ(grid.FramesBefore(2941), 2u);
    EXPECT_EQ(grid.FramesBefore(1792000), 610u);  // 609 x 2940 = 1790460 < 1792000
    const FrameGrid at24{kStereo44, 24, 176400};
    EXPECT_EQ(at24.FramesBefore(176400 + 176400), 24u);
    for (uint64_t end : {176401u, 190000u, 352800u, 360000u}) {
        const uint64_t n = at24.FramesBefore(end);
        EXPECT_LT(at24.Position(n - 1), end);
        EXPECT_GE(at24.Position(n), end);
    }
}

app::Options CaptureOptions(const std::vector<std::string>& args) {
    const auto c = app::ParseCommandLine(args);
    EXPECT_EQ(c.action, app::CommandLine::Action::Run) << c.message;
    return c.options;
}

TEST(CapturePlanTest, TenSecondsAtSixtyFramesAreSixHundredFramesAndTenSecondsOfSound) {
    const app::CapturePlan plan = app::PlanCapture(
        CaptureOptions({"--capture", "out", "--from", "0:00", "--to", "0:10", "--fps", "60"}),
        kStereo44, 50'000'000);
    EXPECT_EQ(plan.frames, 600u);
    EXPECT_EQ(plan.spanBytes(), 1764000u);
    EXPECT_LT(plan.grid.Position(599), plan.to);
    EXPECT_EQ(plan.grid.Position(600), plan.to);  // the first frame of the next ten seconds

    // The WAV written for that span holds exactly ten seconds, silence where the samples end.
    testsupport::TempDir dir;
    std::string error;
    const std::vector<int16_t> samples(4000, 7);
    ASSERT_TRUE(app::WriteWav(dir.file("s.wav"), kStereo44, samples, plan.from(), plan.to, &error))
        << error;
    EXPECT_EQ(std::filesystem::file_size(dir.file("s.wav")), 44u + 1764000u);
}

TEST(CapturePlanTest, SpansAreWholeSampleFramesAndDefaultToTheWholeTrackAtSixty) {
    // An odd byte offset rounds down to its sample frame; without --to the span ends with the
    // track, without --fps the rate is 60.
    const app::CapturePlan plan = app::PlanCapture(
        CaptureOptions({"--capture", "out", "--from", "176402"}), kStereo44, 2 * 176400 + 3);
    EXPECT_EQ(plan.from(), 176400u);
    EXPECT_EQ(plan.to, 2u * 176400);
    EXPECT_EQ(plan.grid.fps, 60);
    EXPECT_EQ(plan.frames, 60u);
    EXPECT_EQ(plan.spanBytes(), 176400u);
    // 24 frames a second do not divide 44100 samples: still exactly 240 in ten seconds.
    const app::CapturePlan at24 = app::PlanCapture(
        CaptureOptions({"--capture", "out", "--from", "1:00", "--to", "1:10", "--fps", "24"}),
        kStereo44, 50'000'000);
    EXPECT_EQ(at24.frames, 240u);
    EXPECT_EQ(at24.spanBytes(), 1764000u);
}

TEST(ClockAtTest, IsTheSoundtrackTimeInWholeMilliseconds) {
    EXPECT_EQ(app::ClockAt(1000, 0, kStereo44), 1000u);
    EXPECT_EQ(app::ClockAt(1000, 2940, kStereo44), 1016u);  // 16.67 ms
    EXPECT_EQ(app::ClockAt(1000, 5880, kStereo44), 1033u);
    EXPECT_EQ(app::ClockAt(1000, 176400, kStereo44), 2000u);
    // Wraps like the platform clock.
    EXPECT_EQ(app::ClockAt(0xFFFFFF00u, 176400, kStereo44), 0xFFFFFF00u + 1000u);
}

TEST(SteppedPlayerTest, HoldsThePositionSetInWholeSampleFramesUpToTheEnd) {
    testsupport::SineTrack track;
    track.frames = 22050;
    const std::vector<uint8_t> mp3 = testsupport::EncodeSineMp3(track);
    app::SteppedSoundtrackPlayer player;
    std::string error;
    ASSERT_EQ(player.Start(mp3.data(), mp3.size(), 0, &error), audio::StartResult::Started)
        << error;
    EXPECT_EQ(player.Format().rate, 44100);
    ASSERT_TRUE(player.Length());
    EXPECT_EQ(*player.Length(), 22050u * 4);
    player.SetPosition(2941);
    EXPECT_EQ(player.Position(), 2940u);
    player.SetPosition(10'000'000);
    EXPECT_EQ(player.Position(), 22050u * 4);
    EXPECT_EQ(player.Start(mp3.data(), 10, 0, &error), audio::StartResult::BadTrack);
}

TEST(WavTest, HoldsExactlyTheSpanWithSilencePastTheEnd) {
    testsupport::TempDir dir;
    std::vector<int16_t> samples(1000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i + 1);
    std::string error;
    const std::string path = dir.file("a.wav");
    ASSERT_TRUE(app::WriteWav(path, kStereo44, samples, 1600, 2400, &error)) << error;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), 44u + 800u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    auto u32 = [&](size_t at) {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
    };
    EXPECT_EQ(u32(4), 36u + 800u);
    EXPECT_EQ(u32(24), 44100u);
    EXPECT_EQ(u32(28), 44100u * 4);
    EXPECT_EQ(u32(40), 800u);
    // Sample 800 (byte 1600) first; the 1000 samples end at byte 2000, zeros after.
    EXPECT_EQ(bytes[44] | bytes[45] << 8, 801);
    EXPECT_EQ(bytes[44 + 398] | bytes[44 + 399] << 8, 1000);
    for (size_t i = 44 + 400; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST(PngTest, WritesTheFrameUpright) {
    testsupport::TempDir dir;
    std::vector<uint32_t> argb = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                  0xFF102030, 0xFFFFFFFF, 0xFF000000};
    std::string error;
    ASSERT_TRUE(app::WritePng(dir.file("p.png"), 3, 2, argb, &error)) << error;
    testsupport::RgbImage image;
    ASSERT_TRUE(testsupport::LoadPng(dir.file("p.png"), image, &error)) << error;
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.rgb[0], 255);  // top-left red
    EXPECT_EQ(image.rgb[4], 255);  // then green
    EXPECT_EQ(image.rgb[9], 0x10);
    EXPECT_FALSE(app::WritePng(dir.file("q.png"), 4, 2, argb, &error));
    EXPECT_FALSE(app::WritePng(dir.file("missing/q.png"), 3, 2, argb, &error));
}

// Absurd positions and rates give results held at the top, never wrapped to small ones.
TEST(FrameGridTest, HugePositionsDoNotWrap) {
    const FrameGrid grid{kStereo44, 1000, 0};
    EXPECT_EQ(grid.FramesBefore(UINT64_MAX), 104573379102661858u);  // exact, not wrapped
    EXPECT_EQ(grid.Position(UINT64_MAX), UINT64_MAX);
    const FrameGrid late{kStereo44, 60, UINT64_MAX - 100};
    EXPECT_EQ(late.Position(1000), UINT64_MAX);
    EXPECT_EQ(late.FramesBefore(UINT64_MAX), 1u);
}

class WriteFailureTest : public testing::Test {
  protected:
    void TearDown() override { platform::SetWriteLimitForTesting(std::nullopt); }
    size_t Entries() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir.path()),
                                                 std::filesystem::directory_iterator()));
    }
    testsupport::TempDir dir;
    const std::vector<uint32_t> argb = std::vector<uint32_t>(64 * 64, 0xFF336699);
};

TEST_F(WriteFailureTest, AFullDeviceIsNoSuccessAndGivesTheSystemsReason) {
    std::string error;
    EXPECT_FALSE(app::WritePng("/dev/full", 64, 64, argb, &error));
    EXPECT_EQ(error, "No space left on device");
    error.clear();
    EXPECT_FALSE(app::WriteWav("/dev/full", kStereo44, std::vector<int16_t>(100), 0, 200, &error));
    EXPECT_EQ(error, "No space left on device");
    EXPECT_FALSE(app::WritePng(dir.file("no/folder/p.png"), 64, 64, argb, &error));
    EXPECT_EQ(error, "No such file or directory");
}

// A disk that fills part-way: the file that did not fit is not left behind, cut off, and an
// older file of the same name stays as it was.
TEST_F(WriteFailureTest, AFileThatDoesNotFitLeavesNothingBehind) {
    std::string error;
    ASSERT_TRUE(app::WritePng(dir.file("old.png"), 64, 64, argb, &error)) << error;
    const auto oldSize = std::filesystem::file_size(dir.file("old.png"));
    platform::SetWriteLimitForTesting(40);
    EXPECT_FALSE(app::WritePng(dir.file("old.png"), 64, 64, argb, &error));
    EXPECT_EQ(error, "No space left on device");
    EXPECT_FALSE(app::WritePng(dir.file("new.png"), 64, 64, argb, &error));
    platform::SetWriteLimitForTesting(100000);
    EXPECT_FALSE(app::WriteWav(dir.file("s.wav"), kStereo44, std::vector<int16_t>(1000), 0, 1000000,
                               &error));
    EXPECT_EQ(error, "No space left on device");
    EXPECT_EQ(Entries(), 1u);
    EXPECT_EQ(std::filesystem::file_size(dir.file("old.png")), oldSize);
}

TEST(FfmpegLineTest, FolderNamesAreQuotedForAPosixShell) {
    EXPECT_EQ(app::ShellQuote("plain"), "'plain'");
    EXPECT_EQ(app::ShellQuote("it's here"), "'it'\\''s here'");
    EXPECT_EQ(app::FfmpegCommand("out/it's", 30),
              "ffmpeg -framerate 30 -i 'out/it'\\''s/frame_%06d.png' -i "
              "'out/it'\\''s/soundtrack.wav' -c:v libx264 -pix_fmt yuv420p -c:a aac video.mp4");
    // ffmpeg reads a '%' in the frame name as a pattern; a literal one is doubled there only.
    EXPECT_EQ(app::FfmpegCommand("100%", 60),
              "ffmpeg -framerate 60 -i '100%%/frame_%06d.png' -i '100%/soundtrack.wav' -c:v "
              "libx264 -pix_fmt yuv420p -c:a aac video.mp4");
    // The line runs in a shell as the text it was made from.
    testsupport::TempDir dir;
    const std::string folder = (dir.path() / "a 'b' $c `d` \\e").string();
    const std::string command = "test \"$(printf '%s' " + app::ShellQuote(folder) + ")\" = '" +
                                dir.path().string() + "/a '\\''b'\\'' $c `d` \\e'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(CaptureFolderTest, AFolderHoldingAnEarlierCaptureIsRefusedUnlessOverwriting) {
    testsupport::TempDir dir;
    const std::string folder = dir.file("cap");
    std::string error;
    ASSERT_TRUE(app::PrepareCaptureFolder(folder, false, &error)) << error;  // made
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    for (const char* name : {"frame_000000.png", "frame_000001.png", "soundtrack.wav", "notes.txt",
                             "frame_list.txt", "myframe_000000.png"})
        std::ofstream(std::filesystem::path(folder) / name) << "x";
    EXPECT_THAT(app::EarlierCaptureFiles(folder),
                testing::ElementsAre("frame_000000.png", "frame_000001.png", "soundtrack.wav"));
    EXPECT_FALSE(app::PrepareCaptureFolder(folder, false, &error));
    EXPECT_THAT(error, HasSubstr("holds 3 files of an earlier capture (frame_000000.png, ...)"));
    EXPECT_THAT(error, HasSubstr("--overwrite"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "frame_000001.png"));
    ASSERT_TRUE(app::PrepareCaptureFolder(folder, true, &error)) << error;
    EXPECT_TRUE(app::EarlierCaptureFiles(folder).empty());
    // Files a capture does not write are the user's.
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "notes.txt"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "frame_list.txt"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "myframe_000000.png"));
    // A folder that cannot be made.
    std::ofstream(dir.file("file")) << "x";
    EXPECT_FALSE(app::PrepareCaptureFolder(dir.file("file/cap"), false, &error));
    EXPECT_THAT(error, HasSubstr("cannot be made"));
}

TEST(RenderOptionsTest, CaptureAndStillOptions) {
    auto c = app::ParseCommandLine(std::vector<std::string>{"--capture", "out", "--from", "1:00",
                                                            "--to", "1:02.5", "--fps", "30",
                                                            "--size", "320x240"});
    ASSERT_EQ(c.action, app::CommandLine::Action::Run) << c.message;
    EXPECT_EQ(*c.options.captureDir, "out");
    EXPECT_EQ(c.options.captureFrom->value, 60000u);
    EXPECT_EQ(c.options.captureTo->value, 62500u);
    EXPECT_EQ(*c.options.captureFps, 30);
    EXPECT_EQ(c.options.width, 320);
    EXPECT_TRUE(c.options.render());
    EXPECT_FALSE(c.options.windowRequested);

    c = app::ParseCommandLine(std::vector<std::string>{"--still", "1792000", "--out", "a.png"});
    ASSERT_EQ(c.action, app::CommandLine::Action::Run) << c.message;
    EXPECT_EQ(c.options.still->value, 1792000u);
    EXPECT_TRUE(c.options.render());
}

TEST(RenderOptionsTest, RefusesCombinationsThatMeanNothing) {
    const std::vector<std::vector<std::string>> bad = {
        {"--still", "100"},
        {"--out", "a.png"},
        {"--fps", "30"},
        {"--capture", "d", "--still", "1", "--out", "a.png"},
        {"--capture", "d", "--fps", "0"},
        {"--capture", "d", "--fps", "29.97"},
        {"--capture", "d", "--from", "2000", "--to", "1000"},
        {"--capture", "d", "--start", "1:00"},
        {"--still", "abc", "--out", "a.png"},
    };
    for (const auto& args : bad) {
        const auto c = app::ParseCommandLine(args);
        EXPECT_EQ(c.action, app::CommandLine::Action::Exit) << args[0] << " " << args[1];
        EXPECT_EQ(c.exitStatus, app::kUsageExitStatus);
    }
    EXPECT_THAT(app::Usage(), HasSubstr("--capture DIR"));
    EXPECT_THAT(app::Usage(), HasSubstr("--still POSITION"));
}

}  // namespace
