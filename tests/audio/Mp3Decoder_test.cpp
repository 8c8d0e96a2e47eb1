#include "audio/Mp3Decoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "support/SineMp3.h"

namespace {

using audio::DecodedTrack;
using audio::Mp3Decoder;
using testsupport::EncodeSineMp3;
using testsupport::SineTrack;

// Bit rates are high enough for LAME's tag frame, which carries the delay and padding
// (at 22050 Hz, 48 kbit/s frames are too small to hold it).
TEST(Mp3DecoderTest, DecodedByteCountIsSamplesTimesChannelsTimesTwo) {
    for (const SineTrack& t :
         {SineTrack{44100, 2, 44100, 440.0, 128}, SineTrack{22050, 1, 30000, 300.0, 64},
          SineTrack{48000, 2, 1000, 1000.0, 128}}) {
        SCOPED_TRACE(testing::Message() << t.rate << " Hz, " << t.channels << " channels");
        const std::vector<uint8_t> mp3 = EncodeSineMp3(t);
        DecodedTrack track;
        std::string error;
        ASSERT_TRUE(audio::DecodeWholeTrack(mp3.data(), mp3.size(), track, &error)) << error;
        EXPECT_EQ(track.format.rate, t.rate);
        EXPECT_EQ(track.format.channels, t.channels);
        // Gapless decoding: exactly the encoded samples, no encoder delay or padding.
        EXPECT_EQ(track.bytes(), static_cast<uint64_t>(t.frames) * t.channels * 2);

        Mp3Decoder decoder;
        ASSERT_TRUE(decoder.Open(mp3.data(), mp3.size(), &error)) << error;
        EXPECT_EQ(decoder.lengthBytes(), track.bytes());
    }
}

TEST(Mp3DecoderTest, DecodesTheSineNotSilence) {
    const std::vector<uint8_t> mp3 = EncodeSineMp3({44100, 1, 22050, 441.0, 128});
    DecodedTrack track;
    ASSERT_TRUE(audio::DecodeWholeTrack(mp3.data(), mp3.size(), track, nullptr));
    // 441 Hz at 44100 Hz: a period of 100 samples. The encoded delay is trimmed, so the first
    // samples follow sin() from phase 0.
    int peak = 0;
    for (size_t i = 1000; i < 2000; ++i) peak = std::max(peak, std::abs(int{track.samples[i]}));
    EXPECT_GT(peak, 9000);
    EXPECT_NEAR(track.samples[1025], 12000, 2000);  // a quarter period after a multiple of 100
    EXPECT_NEAR(track.samples[1075], -12000, 2000);
}

TEST(Mp3DecoderTest, SeekLandsOnTheSameSamplesAsDecodingFromTheStart) {
    const std::vector<uint8_t> mp3 = EncodeSineMp3({44100, 2, 44100, 440.0, 128});
    DecodedTrack whole;
    ASSERT_TRUE(audio::DecodeWholeTrack(mp3.data(), mp3.size(), whole, nullptr));
    for (uint64_t frame : {0ull, 1ull, 1151ull, 10000ull, 44099ull}) {
        SCOPED_TRACE(frame);
        Mp3Decoder decoder;
        ASSERT_TRUE(decoder.Open(mp3.data(), mp3.size(), nullptr));
        ASSERT_TRUE(decoder.SeekFrame(frame, nullptr));
        EXPECT_EQ(decoder.frame(), frame);
        std::vector<int16_t> part(200);
        size_t got = decoder.Read(reinterpret_cast<uint8_t*>(part.data()), part.size() * 2);
        const size_t expected = std::min<size_t>(part.size(), (44100 - frame) * 2);
        ASSERT_EQ(got, expected * 2);
        for (size_t i = 0; i < expected; ++i)
            ASSERT_NEAR(part[i], whole.samples[frame * 2 + i], 2) << i;
    }
    Mp3Decoder decoder;
    ASSERT_TRUE(decoder.Open(mp3.data(), mp3.size(), nullptr));
    ASSERT_TRUE(decoder.SeekFrame(1u << 30, nullptr));  // beyond the end: at the end
    EXPECT_EQ(decoder.frame(), 44100u);
    EXPECT_TRUE(decoder.atEnd());
    uint8_t buffer[64];
    EXPECT_EQ(decoder.Read(buffer, sizeof buffer), 0u);
}

TEST(Mp3DecoderTest, RefusesDataWithoutMpegAudio) {
    std::string error;
    Mp3Decoder decoder;
    EXPECT_FALSE(decoder.Open(nullptr, 0, &error));
    EXPECT_THAT(error, testing::HasSubstr("empty"));
    std::vector<uint8_t> text(4000);
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>("not an mp3 "[i % 11]);
    EXPECT_FALSE(decoder.Open(text.data(), text.size(), &error));
    EXPECT_FALSE(error.empty());
    DecodedTrack track;
    EXPECT_FALSE(audio::DecodeWholeTrack(text.data(), text.size(), track, &error));
}

TEST(Mp3DecoderTest, TruncatedTrackDecodesWhatIsThere) {
    std::vector<uint8_t> mp3 = EncodeSineMp3({44100, 2, 44100, 440.0, 128});
    mp3.resize(mp3.size() / 2 + 7);  // cut inside a frame
    Mp3Decoder decoder;
    std::string error;
    ASSERT_TRUE(decoder.Open(mp3.data(), mp3.size(), &error)) << error;
    std::vector<uint8_t> out(1 << 20);
    size_t total = 0;
    while (!decoder.atEnd()) {
        size_t n = decoder.Read(out.data(), 4096);
        total += n;
        if (n == 0) break;
    }
    EXPECT_GT(total, 44100u);
    EXPECT_LT(total, 44100u * 4);
    EXPECT_EQ(total % 4, 0u);
}

TEST(TrackFormatTest, MillisecondsBecomeWholeFrames) {
    audio::TrackFormat f{44100, 2};
    EXPECT_EQ(f.BytesFromMilliseconds(1000), 176400u);
    EXPECT_EQ(f.BytesFromMilliseconds(1), 44u * 4);  // 44.1 frames: whole frames only
    EXPECT_DOUBLE_EQ(f.SecondsFromBytes(176400), 1.0);
}

}  // namespace
