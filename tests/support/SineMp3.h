// Short MP3 tracks made on the spot with LAME, for the audio and app tests.
#pragma once

#include <cstdint>
#include <vector>

namespace testsupport {

struct SineTrack {
    int rate = 44100;
    int channels = 2;
    int frames = 44100;        // sample frames before encoding
    double frequency = 440.0;  // Hz
    int kilobitsPerSecond = 96;
};

// A constant-bit-rate MP3 with a LAME tag (so decoders can trim delay and padding).
std::vector<uint8_t> EncodeSineMp3(const SineTrack& track);

}  // namespace testsupport
