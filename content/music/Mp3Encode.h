// MP3 encoding of the rendered track with LAME: constant bit rate plus the LAME info tag that
// tells decoders the encoder delay and padding, so gapless decoding returns exactly our frames.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace content::music {

struct Mp3Settings {
    int sampleRate = 44100;
    int kbps = 192;
    int quality = 5;  // LAME's algorithm quality, 0 best .. 9 fastest
};

// Encodes interleaved 16-bit stereo; throws std::runtime_error when LAME refuses.
std::vector<uint8_t> EncodeMp3(std::span<const int16_t> interleavedStereo,
                               const Mp3Settings& settings = {});

}  // namespace content::music
