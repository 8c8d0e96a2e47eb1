// Captures into video files by the program itself (headless, on the virtual clock), read back
// with libavformat and libavcodec: what the container holds, the frames against the stills
// of the same positions, the sound against the soundtrack, and the failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/Capture.h"
#include "assets/PackArchive.h"
#include "audio/Mp3Decoder.h"
#include "support/ProgramRun.h"
#include "support/ShowPack.h"
#include "support/TempDir.h"
#include "support/VideoFileReader.h"

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

const std::string kProgram = RUNEPLAY_PLAY_DIR "/runeplay";

// 0:30 lies in the water scene, whose camera and waves move every frame.
constexpr uint64_t kFrom = 30 * 176400;

class VideoCaptureRunsTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        testsupport::SuiteShowPack::Write(RUNEPLAY_PLAY_DIR "/kelvra.dat", "videoruns");
    }
    static void TearDownTestSuite() { testsupport::SuiteShowPack::Remove(); }
    static const std::string& pack() { return testsupport::SuiteShowPack::Path(); }

    testsupport::ProgramResult Run(const std::string& arguments, const std::string& env = "") {
        return testsupport::RunProgramIn(
            dir.path(),
            env + " '" + kProgram + "' --headless --pack '" + pack() + "' " + arguments);
    }

    testsupport::VideoFileInfo Read(const std::string& name, int keepFrames, bool keepSound) {
        testsupport::VideoFileInfo info;
        std::string error;
        EXPECT_TRUE(testsupport::ReadVideoFile(dir.file(name), keepFrames, keepSound, info, &error))
            << error;
        return info;
    }

    // The soundtrack's first channel over PCM bytes [from, to).
    static std::vector<float> Soundtrack(uint64_t from, uint64_t to) {
        assets::PackArchive archive;
        std::string error;
        EXPECT_TRUE(archive.TryOpen(pack(), &error)) << error;
        std::vector<uint8_t> mp3;
        EXPECT_TRUE(archive.TryReadEntry(*archive.Lookup("morvek.mp3"), mp3, &error)) << error;
        audio::DecodedTrack track;
        EXPECT_TRUE(audio::DecodeWholeTrack(mp3.data(), mp3.size(), track, &error)) << error;
        std::vector<float> left;
        for (uint64_t i = from / 2; i < to / 2; i += 2) left.push_back(track.samples[i] / 32768.0f);
        return left;
    }

    size_t FilesBesideTheLog() const {
        size_t n = 0;
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            if (!e.is_directory() && e.path().filename() != "engine.log") ++n;
        return n;
    }

    testsupport::TempDir dir;
};

TEST_F(VideoCaptureRunsTest, Mp4HoldsTheFramesOfTheStillsAndTheSpansSound) {
    // 1.5 s at 60 fps (the stills' rate: the show counts some timers in frames) from just
    // before the first white flash.
    const uint64_t from = 1790000, to = from + 176400 * 3 / 2;
    const testsupport::ProgramResult r =
        Run("--capture show.mp4 --from " + std::to_string(from) + " --to " + std::to_string(to) +
            " --fps 60 --size 160x120");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_THAT(r.output, HasSubstr("capture: 90/90 frames"));
    EXPECT_THAT(r.output, HasSubstr("wrote 90 frames at 60 fps and 0:01.500 (264600 bytes) of "
                                    "sound to show.mp4"));
    EXPECT_EQ(FilesBesideTheLog(), 1u);

    const testsupport::VideoFileInfo info = Read("show.mp4", 3, false);
    EXPECT_EQ(info.video.codec, "h264");
    EXPECT_EQ(info.pixelFormat, "yuv420p");
    EXPECT_EQ(info.width, 160);
    EXPECT_EQ(info.height, 120);
    EXPECT_EQ(info.frameRateNum, 60);
    EXPECT_EQ(info.frameRateDen, 1);
    EXPECT_EQ(info.video.decoded, 90);
    EXPECT_EQ(info.sound.codec, "aac");
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sound.decoded, 66150);
    EXPECT_EQ(info.video.start, 0.0);
    EXPECT_EQ(info.sound.start, 0.0);
    EXPECT_NEAR(info.video.duration, 1.5, 1e-6);
    EXPECT_NEAR(info.sound.duration, 1.5, 1e-6);
    EXPECT_TRUE(info.faststart);

    // Frame k is the still at from + k / 60 s, within what H.264 at CRF 18 changes: compared
    // as YUV 4:2:0, so the conversion's own loss (sharp colour edges at this small size) does
    // not count.
    ASSERT_EQ(info.planes.size(), 3u);
    std::vector<testsupport::YuvImage> stills;
    for (int k = 0; k < 3; ++k) {
        const std::string still = "still" + std::to_string(k) + ".png";
        const testsupport::ProgramResult s = Run("--still " + std::to_string(from + 2940 * k) +
                                                 " --out " + still + " --size 160x120");
        ASSERT_EQ(s.status, 0) << s.output;
        testsupport::RgbImage image;
        std::string error;
        ASSERT_TRUE(testsupport::LoadPng(dir.file(still), image, &error)) << error;
        stills.push_back(testsupport::ToYuv420(image));
        EXPECT_GT(testsupport::Psnr(stills[k], info.planes[k]), 35.0) << "frame " << k;
    }
    // In order: frame 0 is the dark one before the flash, frame 1 its first white one.
    EXPECT_LT(testsupport::Psnr(stills[1], info.planes[0]), 20.0);
    EXPECT_LT(testsupport::Psnr(stills[0], info.planes[1]), 20.0);
}

TEST_F(VideoCaptureRunsTest, MkvCarriesTheSpansSoundLosslessly) {
    // 1.03 s at 24 fps: 24.72 frames, so 25, and exactly 45423 samples of sound.
    const uint64_t to = kFrom + 45423 * 4;
    const testsupport::ProgramResult r =
        Run("--capture clip.mkv --from " + std::to_string(kFrom) + " --to " + std::to_string(to) +
            " --fps 24 --size 96x64");
    ASSERT_EQ(r.status, 0) << r.output;
    const testsupport::VideoFileInfo info = Read("clip.mkv", 0, true);
    EXPECT_EQ(info.video.decoded, 25);
    EXPECT_EQ(info.frameRateNum, 24);
    EXPECT_EQ(info.sound.codec, "flac");
    EXPECT_EQ(info.sound.decoded, 45423);
    EXPECT_EQ(info.video.start, 0.0);
    EXPECT_EQ(info.sound.start, 0.0);
    EXPECT_LT(std::abs(info.video.duration - info.sound.duration), 0.5 / 24 + 1e-6);
    EXPECT_EQ(info.samples, Soundtrack(kFrom, to));
}

// Two processes each render a part, joined without re-encoding: with lossless settings the
// decoded frames are those of one process to the bit, and the sound is the same.
TEST_F(VideoCaptureRunsTest, TwoProcessesGiveTheFramesOfOne) {
    const std::string span = "--from " + std::to_string(kFrom) + " --to " +
                             std::to_string(kFrom + 176400) + " --fps 24 --size 96x64 --crf 0";
    testsupport::ProgramResult r = Run("--capture one.mkv " + span);
    ASSERT_EQ(r.status, 0) << r.output;
    r = Run("--capture two.mkv --jobs 2 " + span);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_THAT(r.output, HasSubstr("capture: 24/24 frames"));
    EXPECT_THAT(r.output, HasSubstr("2 processes rendered them"));
    EXPECT_EQ(FilesBesideTheLog(), 2u);  // no part left behind

    const testsupport::VideoFileInfo one = Read("one.mkv", 24, true);
    const testsupport::VideoFileInfo two = Read("two.mkv", 24, true);
    EXPECT_EQ(two.video.decoded, 24);
    EXPECT_EQ(two.sound.decoded, 44100);
    ASSERT_EQ(one.frames.size(), 24u);
    ASSERT_EQ(two.frames.size(), 24u);
    for (int k = 0; k < 24; ++k) EXPECT_EQ(one.frames[k].rgb, two.frames[k].rgb) << "frame " << k;
    EXPECT_EQ(one.samples, two.samples);
}

TEST_F(VideoCaptureRunsTest, FailuresNameTheFileEndWithStatusThreeAndLeaveNoFile) {
    const std::string span = " --from " + std::to_string(kFrom) + " --to " +
                             std::to_string(kFrom + 176400) + " --fps 30 --size 160x120";
    struct Case {
        std::string capture, env, message;
    };
    std::ofstream(dir.file("plain.txt")) << "a file, not a folder";
    const std::vector<Case> cases = {
        {"show.avi", "", "\"show.avi\" cannot be written: \".avi\" is no video format"},
        {"plain.txt/show.mp4", "",
         "The video \"plain.txt/show.mp4\" cannot be written: its "
         "folder \"plain.txt\" cannot be made"},
        {"show.mp4", "RUNEPLAY_MISSING_ENCODERS=libx264",
         "The video \"show.mp4\" cannot be written: the installed FFmpeg has no libx264 encoder"},
        {"show.mkv", "RUNEPLAY_MISSING_ENCODERS=flac",
         "The video \"show.mkv\" cannot be written: the installed FFmpeg has no flac encoder"},
        {"show.mp4 --jobs 2", "RUNEPLAY_MISSING_ENCODERS=aac",
         "The video \"show.mp4\" cannot be written: the installed FFmpeg has no aac encoder"},
    };
    for (const Case& c : cases) {
        const testsupport::ProgramResult r = Run("--capture " + c.capture + span, c.env);
        EXPECT_EQ(r.status, 3) << r.output;
        EXPECT_THAT(r.output, HasSubstr(c.message));
        EXPECT_EQ(FilesBesideTheLog(), 1u) << c.capture;  // plain.txt alone
    }

    // A disk that fills while the frames are written, by one process or by two.
    const uint64_t logBytes =
        fs::exists(dir.file("engine.log")) ? fs::file_size(dir.file("engine.log")) : 0;
    for (const std::string jobs : {"", " --jobs 2"}) {
        const testsupport::ProgramResult r =
            Run("--capture full.mp4" + jobs + span,
                "RUNEPLAY_WRITE_LIMIT=" + std::to_string(logBytes + 4000));
        EXPECT_EQ(r.status, 3) << r.output;
        EXPECT_THAT(r.output, HasSubstr("\"full.mp4\" cannot be written: "));
        EXPECT_THAT(r.output, HasSubstr("No space left on device"));
        EXPECT_EQ(FilesBesideTheLog(), 1u) << jobs;
    }
}

TEST_F(VideoCaptureRunsTest, AnExistingVideoIsReplacedOnlyWithOverwrite) {
    std::ofstream(dir.file("show.mkv")) << "an earlier video";
    const std::string capture = "--capture show.mkv --from 0 --to 11760 --size 64x48";
    testsupport::ProgramResult r = Run(capture);
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_THAT(r.output, HasSubstr("\"show.mkv\" exists: give --overwrite"));
    EXPECT_EQ(fs::file_size(dir.file("show.mkv")), 16u);
    r = Run(capture + " --overwrite");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(Read("show.mkv", 0, false).video.decoded, 4);

    r = Run("--capture frames --crf 20 --from 0 --to 11760");
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_THAT(r.output, HasSubstr("--crf and --jobs belong to captures into a video file"));
}

}  // namespace
