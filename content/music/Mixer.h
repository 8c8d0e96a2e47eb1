// The song as tracks of notes, and the mixer that renders it to 16-bit stereo: voices per track,
// kick-keyed ducking, reverb and delay sends, master limiter.
#pragma once

#include <cstdint>
#include <vector>

#include "content/music/Voices.h"

namespace content::music {

struct Channel {
    Instrument inst = Instrument::Pad;
    float gain = 1;    // linear
    float pan = 0;     // -1..1
    float reverb = 0;  // send levels
    float delay = 0;
    float duck = 0;      // 0..1: how far a kick pushes the channel down
    float highpass = 0;  // Hz, 0 = off
};

struct Track {
    Channel channel;
    std::vector<Note> notes;  // any order; the mixer sorts by start
};

struct Song {
    std::vector<Track> tracks;
    std::vector<int64_t> duckTriggers;  // frames where the ducking envelope restarts
    int64_t frames = 0;
    int delayFrames = 15750;
    float masterGain = 1;
};

// Interleaved stereo 16-bit PCM of the whole song.
std::vector<int16_t> RenderSong(const Song& song);

}  // namespace content::music
