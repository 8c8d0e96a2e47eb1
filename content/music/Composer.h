// Tools the arrangement is written with: channels, chords, and note placement on the tempo grid
// or at exact frames.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "content/music/Mixer.h"
#include "content/music/Schedule.h"

namespace content::music {

enum Ch {
    kKick,
    kSnare,
    kClap,
    kHat,
    kOpenHat,
    kTom,
    kCrash,
    kImpact,
    kRevCym,
    kRiser,
    kMetal,
    kSnap,
    kBass,
    kSub,
    kPad,
    kLead,
    kArp,
    kStab,
    kBell,
    kChannelCount
};

struct Chord {
    int bass;                // bass note (MIDI), around E2..D3
    std::array<int, 4> pad;  // voicing around the fourth octave
};

namespace chords {
constexpr Chord Am{45, {57, 60, 64, 71}};
constexpr Chord F{41, {57, 60, 65, 67}};
constexpr Chord C{48, {55, 60, 64, 67}};
constexpr Chord G{43, {55, 59, 62, 67}};
constexpr Chord E{40, {56, 59, 64, 68}};
constexpr Chord Esus{40, {57, 59, 64, 69}};
constexpr Chord Em7{40, {55, 59, 62, 64}};
constexpr Chord Fmaj7{41, {53, 57, 60, 64}};
constexpr Chord Dm9{38, {53, 57, 60, 64}};
constexpr Chord Am9{45, {55, 59, 60, 64}};
constexpr Chord Bb{46, {58, 62, 65, 69}};
constexpr Chord Asus{45, {57, 62, 64, 69}};
constexpr Chord A{45, {57, 61, 64, 71}};
}  // namespace chords

struct MelodyNote {
    double step;  // from the phrase start
    double len;
    int pitch;
};

class Composer {
  public:
    Composer();

    const TempoGrid& grid() const { return grid_; }
    int64_t F(double step) const { return grid_.FrameAt(step); }

    // A note on the grid: starts at `step`, gate `len` steps long.
    void Add(Ch ch, double step, double len, float pitch, float vel, float p1 = 0, float p2 = 0,
             float p3 = 0);
    // A note at an exact frame.
    void AddFrame(Ch ch, int64_t frame, int64_t len, float pitch, float vel, float p1 = 0,
                  float p2 = 0, float p3 = 0);
    void Kick(double step, float vel = 1, float tune = 1, float decay = 0);
    void KickFrame(int64_t frame, float vel = 1, float tune = 1, float decay = 0);

    // Common figures.
    void FourOnFloor(int from, int to, float vel = 1);
    void Backbeat(Ch ch, int from, int to, float vel = 1);
    void OffbeatHats(int from, int to, float vel = 1);
    void SixteenthHats(int from, int to, float vel = 1);
    void PadChord(int step, int len, const Chord& c, float cutoff, float vel = 1,
                  float attack = 0.4f, float release = 1.2f);
    void OffbeatBass(int barStep, const Chord& c, float cutoff, float vel = 1);
    void RollingBass(int barStep, const Chord& c, float cutoff, float vel = 1);
    void Arp(int barStep, const Chord& c, float cutoff, float vel = 1, int octave = 12);
    void Melody(int start, std::span<const MelodyNote> notes, int transpose, float cutoff,
                float vel = 1, Ch ch = kLead);
    void StabChord(int64_t frame, const Chord& c, float vel, int octave = 12, float bright = 1);
    void StabChordAt(double step, const Chord& c, float vel, int octave = 12, float bright = 1) {
        StabChord(F(step), c, vel, octave, bright);
    }
    void SnareRoll(int from, int to, float v0, float v1);  // densifying roll
    void Swell(int64_t endFrame, int64_t len, float vel);  // reverse cymbal ending at endFrame
    void Riser(int from, int to, float vel);
    void Crash(int64_t frame, float vel = 1, float decay = 0);
    // The accent of a picture cut or flash: cymbal, click, boom and a chord stab, all starting
    // on the same frame.
    void BigHit(int64_t frame, const Chord& ch, float vel, float impact = 0.7f);

    uint32_t NextSeed() { return seed_ = seed_ * 1664525u + 1013904223u; }
    float Humanise(float vel, float amount = 0.08f);

    Song& song() { return song_; }

  private:
    const TempoGrid& grid_;
    Song song_;
    uint32_t seed_ = 12345;
};

// The sections, in song order.
void WriteIntro(Composer& c);
void WriteWater(Composer& c);
void WriteBreakdown(Composer& c);
void WriteScreen(Composer& c);
void WriteRing(Composer& c);
void WriteCube(Composer& c);
void WriteMesh(Composer& c);
void WriteEnd(Composer& c);

// The whole song, ready to render.
Song ComposeSong();

}  // namespace content::music
