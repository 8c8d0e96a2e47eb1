// The soundtrack producer: composes, renders and encodes "morvek.mp3".
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace content::music {

// The whole track as interleaved 16-bit stereo at 44 100 Hz.
std::vector<int16_t> RenderTrack();

// A canonical 44-byte-header WAV file of interleaved 16-bit stereo PCM.
std::vector<uint8_t> WavFile(std::span<const int16_t> pcm, int sampleRate = 44100);

}  // namespace content::music
