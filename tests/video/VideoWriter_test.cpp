#include "video/VideoWriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "platform/OutputFile.h"
#include "support/TempDir.h"
#include "support/VideoFileReader.h"
#include "video/PartJoiner.h"

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testsupport::RgbImage;

// Frame k of a test sequence: smooth colour gradients with a light grey 8 x 8 block that moves
// two pixels a frame, so frames in the wrong order or repeated are told apart. (Sharp edges of
// strong colour lose more to 4:2:0 than any encoder setting.)
std::vector<uint8_t> TestFrame(int width, int height, int k) {
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    const int bx = (2 * k) % (width - 8), by = height / 2 - 4;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
            const bool block = x >= bx && x < bx + 8 && y >= by && y < by + 8;
            p[0] = static_cast<uint8_t>(block ? 230 : 100 + x + y);  // blue
            p[1] = static_cast<uint8_t>(block ? 230 : 30 + y * 2);   // green
            p[2] = static_cast<uint8_t>(block ? 230 : 30 + x * 2);   // red
            p[3] = 255;
        }
    return bgra;
}

RgbImage ToRgb(const std::vector<uint8_t>& bgra, int width, int height) {
    RgbImage image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    for (size_t i = 0; i < image.rgb.size() / 3; ++i) {
        image.rgb[3 * i] = bgra[4 * i + 2];
        image.rgb[3 * i + 1] = bgra[4 * i + 1];
        image.rgb[3 * i + 2] = bgra[4 * i];
    }
    return image;
}

// `frames` sample frames of a stereo 441 Hz tone at 44.1 kHz, the right channel half as loud.
std::vector<int16_t> Tone(size_t frames) {
    std::vector<int16_t> pcm(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double v = 12000.0 * std::sin(2 * M_PI * 441.0 * static_cast<double>(i) / 44100.0);
        pcm[2 * i] = static_cast<int16_t>(v);
        pcm[2 * i + 1] = static_cast<int16_t>(v / 2);
    }
    return pcm;
}

video::VideoSettings Settings(video::Container container, int width = 96, int height = 64,
                              int fps = 30) {
    video::VideoSettings s;
    s.container = container;
    s.width = width;
    s.height = height;
    s.fps = fps;
    return s;
}

// Writes frames [first, first + count) of the test sequence.
bool WriteFrames(const std::string& path, const video::VideoSettings& s, int first, int count,
                 std::vector<int16_t> pcm, std::string* error) {
    auto writer = video::VideoWriter::Open(path, s, std::move(pcm), error);
    if (!writer) return false;
    for (int k = first; k < first + count; ++k) {
        uint8_t* buffer = writer->NextFrame();
        if (!buffer) break;
        const std::vector<uint8_t> frame = TestFrame(s.width, s.height, k);
        std::copy(frame.begin(), frame.end(), buffer);
        writer->QueueFrame();
    }
    return writer->Finish(error);
}

size_t Entries(const fs::path& dir) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
}

class VideoWriterTest : public ::testing::Test {
  protected:
    void TearDown() override {
        platform::SetWriteLimitForTesting(std::nullopt);
        unsetenv("RUNEPLAY_MISSING_ENCODERS");
    }
    testsupport::TempDir dir_;
};

TEST_F(VideoWriterTest, Mp4HoldsEveryFrameAndTheExactSoundFromTimeZero) {
    // 1.37 s at 30 fps: 41 frames (1.3667 s) and 60417 sample frames of sound.
    const std::string path = dir_.file("show.mp4");
    std::string error;
    ASSERT_TRUE(WriteFrames(path, Settings(video::Container::Mp4), 0, 41, Tone(60417), &error))
        << error;
    EXPECT_EQ(Entries(dir_.path()), 1u);  // the temporary file became the target

    testsupport::VideoFileInfo info;
    ASSERT_TRUE(testsupport::ReadVideoFile(path, 41, true, info, &error)) << error;
    EXPECT_THAT(info.format, HasSubstr("mp4"));
    EXPECT_TRUE(info.faststart);
    EXPECT_EQ(info.video.codec, "h264");
    EXPECT_EQ(info.pixelFormat, "yuv420p");
    EXPECT_EQ(info.width, 96);
    EXPECT_EQ(info.height, 64);
    EXPECT_EQ(info.frameRateNum, 30);
    EXPECT_EQ(info.frameRateDen, 1);
    EXPECT_EQ(info.colourPrimaries, 1);  // BT.709
    EXPECT_EQ(info.colourTransfer, 1);
    EXPECT_EQ(info.colourSpace, 1);
    EXPECT_EQ(info.colourRange, 1);  // limited
    EXPECT_EQ(info.video.decoded, 41);
    EXPECT_EQ(info.video.packets, 41);
    EXPECT_EQ(info.sound.codec, "aac");
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sound.decoded, 60417);  // the priming and the padding of the last frame cut
    EXPECT_EQ(info.video.start, 0.0);
    EXPECT_EQ(info.sound.start, 0.0);
    EXPECT_NEAR(info.video.duration, 41.0 / 30, 1e-6);
    EXPECT_NEAR(info.sound.duration, 60417.0 / 44100, 1e-6);
    EXPECT_LT(std::abs(info.video.duration - info.sound.duration), 1024.0 / 44100);

    ASSERT_EQ(info.frames.size(), 41u);
    for (int k = 0; k < 41; ++k)
        EXPECT_GT(testsupport::Psnr(ToRgb(TestFrame(96, 64, k), 96, 64), info.frames[k]), 35.0)
            << "frame " << k;
    ASSERT_EQ(info.samples.size(), 60417u);
    // The tone comes back where it was put, to the sample: no priming in front, and shifting
    // it by one sample either way matches worse. (The first and last frames are left out,
    // where the encoder's transients sit.)
    const std::vector<int16_t> tone = Tone(60417);
    auto rms = [&](int lag) {
        double sum = 0;
        for (size_t i = 2048; i < 58000; ++i) {
            const double d = info.samples[i + lag] - tone[2 * i] / 32768.0;
            sum += d * d;
        }
        return std::sqrt(sum / (58000 - 2048));
    };
    EXPECT_LT(rms(0), 0.015);
    EXPECT_LT(rms(0), 0.7 * rms(-1));
    EXPECT_LT(rms(0), 0.7 * rms(1));
}

TEST_F(VideoWriterTest, MkvCarriesTheSoundLosslessly) {
    const std::string path = dir_.file("show.mkv");
    std::string error;
    ASSERT_TRUE(
        WriteFrames(path, Settings(video::Container::Mkv, 64, 48, 24), 0, 24, Tone(44100), &error))
        << error;
    testsupport::VideoFileInfo info;
    ASSERT_TRUE(testsupport::ReadVideoFile(path, 2, true, info, &error)) << error;
    EXPECT_THAT(info.format, HasSubstr("matroska"));
    EXPECT_EQ(info.video.codec, "h264");
    EXPECT_EQ(info.video.decoded, 24);
    EXPECT_EQ(info.frameRateNum, 24);
    EXPECT_EQ(info.sound.codec, "flac");
    EXPECT_EQ(info.video.start, 0.0);
    EXPECT_EQ(info.sound.start, 0.0);
    const std::vector<int16_t> tone = Tone(44100);
    ASSERT_EQ(info.samples.size(), 44100u);
    for (size_t i = 0; i < 44100; ++i) ASSERT_EQ(info.samples[i], tone[2 * i] / 32768.0f) << i;
    EXPECT_GT(testsupport::Psnr(ToRgb(TestFrame(64, 48, 1), 64, 48), info.frames[1]), 35.0);
}

TEST_F(VideoWriterTest, FailuresNameTheirCauseAndLeaveNoFile) {
    std::string error;
    // A folder that does not exist.
    EXPECT_FALSE(WriteFrames(dir_.file("missing/show.mp4"), Settings(video::Container::Mp4), 0, 2,
                             Tone(100), &error));
    EXPECT_THAT(error, HasSubstr("No such file or directory"));

    // An FFmpeg without the encoder a container needs.
    for (const char* name : {"libx264", "aac"}) {
        setenv("RUNEPLAY_MISSING_ENCODERS", name, 1);
        EXPECT_FALSE(WriteFrames(dir_.file("show.mp4"), Settings(video::Container::Mp4), 0, 2,
                                 Tone(100), &error));
        EXPECT_THAT(error, HasSubstr(std::string("has no ") + name + " encoder"));
    }
    setenv("RUNEPLAY_MISSING_ENCODERS", "flac", 1);
    EXPECT_FALSE(WriteFrames(dir_.file("show.mkv"), Settings(video::Container::Mkv), 0, 2,
                             Tone(100), &error));
    EXPECT_THAT(error, HasSubstr("has no flac encoder"));
    unsetenv("RUNEPLAY_MISSING_ENCODERS");

    // An odd size cannot be 4:2:0.
    EXPECT_FALSE(WriteFrames(dir_.file("odd.mp4"), Settings(video::Container::Mp4, 95, 64), 0, 2,
                             Tone(100), &error));
    EXPECT_THAT(error, HasSubstr("even width and height"));

    // The disk fills while frames are written, and while fast start rewrites the file.
    for (uint64_t limit : {2000u, 30000u}) {
        platform::SetWriteLimitForTesting(limit);
        EXPECT_FALSE(WriteFrames(dir_.file("full.mp4"), Settings(video::Container::Mp4), 0, 60,
                                 Tone(88200), &error))
            << limit;
        EXPECT_EQ(error, "No space left on device");
    }
    platform::SetWriteLimitForTesting(std::nullopt);
    EXPECT_EQ(Entries(dir_.path()), 0u);

    // A writer dropped before Finish (an interrupted capture) takes its file with it.
    {
        auto writer = video::VideoWriter::Open(dir_.file("cut.mkv"),
                                               Settings(video::Container::Mkv), Tone(100), &error);
        ASSERT_TRUE(writer) << error;
        std::fill_n(writer->NextFrame(), 96 * 64 * 4, 0);
        writer->QueueFrame();
        EXPECT_EQ(Entries(dir_.path()), 1u);
    }
    EXPECT_EQ(Entries(dir_.path()), 0u);
}

// Parts rendered by separate processes, joined: the same frames as one writer makes, and with
// lossless settings the same pictures to the bit.
TEST_F(VideoWriterTest, JoinedPartsHoldTheFramesOfOneWholeRun) {
    video::VideoSettings part = Settings(video::Container::Part);
    part.crf = 0;
    part.channels = 0;
    const std::vector<video::PartFile> parts = {
        {dir_.file("p0.part"), 10}, {dir_.file("p1.part"), 7}, {dir_.file("p2.part"), 13}};
    std::string error;
    int first = 0;
    for (const video::PartFile& p : parts) {
        ASSERT_TRUE(WriteFrames(p.path, part, first, static_cast<int>(p.frames), {}, &error))
            << error;
        first += static_cast<int>(p.frames);
    }
    for (video::Container container : {video::Container::Mp4, video::Container::Mkv}) {
        video::VideoSettings whole = Settings(container);
        whole.crf = 0;
        const std::string ext = container == video::Container::Mp4 ? ".mp4" : ".mkv";
        ASSERT_TRUE(WriteFrames(dir_.file("one" + ext), whole, 0, 30, Tone(44100), &error))
            << error;
        auto joiner = video::PartJoiner::Open(dir_.file("joined" + ext), whole, &error);
        ASSERT_TRUE(joiner) << error;
        ASSERT_TRUE(joiner->Join(parts, Tone(44100), &error)) << error;

        testsupport::VideoFileInfo one, joined;
        ASSERT_TRUE(testsupport::ReadVideoFile(dir_.file("one" + ext), 30, true, one, &error))
            << error;
        ASSERT_TRUE(testsupport::ReadVideoFile(dir_.file("joined" + ext), 30, true, joined, &error))
            << error;
        EXPECT_EQ(joined.video.decoded, 30);
        EXPECT_EQ(joined.video.packets, 30);
        EXPECT_EQ(joined.sound.decoded, 44100);
        EXPECT_EQ(joined.video.start, 0.0);
        EXPECT_EQ(joined.sound.start, 0.0);
        EXPECT_NEAR(joined.video.duration, 1.0, 1e-6);
        ASSERT_EQ(joined.frames.size(), 30u);
        for (int k = 0; k < 30; ++k)
            EXPECT_EQ(joined.frames[k].rgb, one.frames[k].rgb) << ext << " frame " << k;
        EXPECT_EQ(joined.samples, one.samples);
    }
}

// At the usual settings x264 reorders frames (B-frames): each part's decode times start
// before its first frame, and the joined parts' times must still run on without a step back.
TEST_F(VideoWriterTest, JoinedPartsWithReorderedFramesPlayInOrder) {
    video::VideoSettings part = Settings(video::Container::Part);
    part.channels = 0;
    const std::vector<video::PartFile> parts = {{dir_.file("p0.part"), 16},
                                                {dir_.file("p1.part"), 16}};
    std::string error;
    ASSERT_TRUE(WriteFrames(parts[0].path, part, 0, 16, {}, &error)) << error;
    ASSERT_TRUE(WriteFrames(parts[1].path, part, 16, 16, {}, &error)) << error;
    auto joiner =
        video::PartJoiner::Open(dir_.file("joined.mp4"), Settings(video::Container::Mp4), &error);
    ASSERT_TRUE(joiner) << error;
    ASSERT_TRUE(joiner->Join(parts, Tone(47040), &error)) << error;
    testsupport::VideoFileInfo info;
    ASSERT_TRUE(testsupport::ReadVideoFile(dir_.file("joined.mp4"), 32, false, info, &error))
        << error;
    EXPECT_EQ(info.video.decoded, 32);
    EXPECT_EQ(info.sound.decoded, 47040);
    EXPECT_EQ(info.video.start, 0.0);
    EXPECT_EQ(info.sound.start, 0.0);
    EXPECT_NEAR(info.video.duration, 32.0 / 30, 1e-6);
    ASSERT_EQ(info.frames.size(), 32u);
    for (int k = 0; k < 32; ++k)
        EXPECT_GT(testsupport::Psnr(ToRgb(TestFrame(96, 64, k), 96, 64), info.frames[k]), 35.0)
            << "frame " << k;
}

TEST_F(VideoWriterTest, PartsThatDoNotFitAreRefused) {
    video::VideoSettings part = Settings(video::Container::Part);
    part.channels = 0;
    std::string error;
    ASSERT_TRUE(WriteFrames(dir_.file("a.part"), part, 0, 5, {}, &error)) << error;
    video::VideoSettings other = part;
    other.width = 64;
    ASSERT_TRUE(WriteFrames(dir_.file("b.part"), other, 5, 5, {}, &error)) << error;

    const video::VideoSettings whole = Settings(video::Container::Mkv);
    struct Case {
        std::vector<video::PartFile> parts;
        const char* reason;
    } cases[] = {
        {{{dir_.file("a.part"), 6}}, "holds 5 frames, not 6"},
        {{{dir_.file("a.part"), 5}, {dir_.file("b.part"), 5}}, "encoded with other settings"},
        {{{dir_.file("a.part"), 5}, {dir_.file("gone.part"), 5}}, "cannot be read: No such file"},
    };
    for (const Case& c : cases) {
        auto joiner = video::PartJoiner::Open(dir_.file("joined.mkv"), whole, &error);
        ASSERT_TRUE(joiner) << error;
        EXPECT_FALSE(joiner->Join(c.parts, Tone(100), &error));
        EXPECT_THAT(error, HasSubstr(c.reason));
        joiner.reset();
        EXPECT_FALSE(fs::exists(dir_.file("joined.mkv")));
    }
    EXPECT_EQ(Entries(dir_.path()), 2u);  // the two parts, nothing else
}

TEST(VideoFormatTest, ContainersByExtension) {
    EXPECT_EQ(video::ContainerForPath("a/show.mp4"), video::Container::Mp4);
    EXPECT_EQ(video::ContainerForPath("SHOW.MKV"), video::Container::Mkv);
    EXPECT_EQ(video::ContainerForPath("show.avi"), std::nullopt);
    EXPECT_EQ(video::ContainerForPath("frames"), std::nullopt);
    EXPECT_EQ(video::ExtensionOf("out.d/frames"), "");
    EXPECT_EQ(video::ExtensionOf("out/.hidden"), "");
    EXPECT_EQ(video::ExtensionOf("out/show.webm"), ".webm");
}

}  // namespace
