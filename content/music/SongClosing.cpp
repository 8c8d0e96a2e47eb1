// The cube grid (dark, Phrygian, acid bass), the rotating mesh build with its eight flashes,
// and the warm outro that ends on A major.
#include <algorithm>

#include "content/music/Composer.h"
#include "content/music/Themes.h"

namespace content::music {

using namespace chords;

void WriteCube(Composer& c) {
    const int f = step::kCube;
    const Chord prog[8] = {Am, Am, Bb, Bb, Am, Am, Bb, E};
    c.BigHit(FrameOfByte(pos::kCubeStart), Am, 0.8f, 1.0f);
    // acid line: octave jumps and the flat second
    static constexpr int kLine[16] = {0, 0, 12, 0, 3, 0, 12, 1, 0, 0, 12, 0, 7, 0, 13, 12};
    static constexpr float kAcc[16] = {1, .6f, .9f, .6f, .8f, .6f, 1, .7f,
                                       1, .6f, .9f, .6f, .8f, .6f, 1, .8f};
    for (int bar = 0; bar < 8; ++bar) {
        const int s = f + bar * 16;
        const Chord& ch = prog[bar];
        c.FourOnFloor(s, s + 16, 1.0f);
        c.SixteenthHats(s, s + 16, 1.0f);
        c.Backbeat(kClap, s, s + 16, 1.0f);
        if (bar % 2 == 1) c.Backbeat(kSnare, s, s + 16, 0.5f);
        c.PadChord(s, 16, ch, 650 + 40 * bar, 0.6f, 0.3f, 0.8f);
        for (int k = 0; k < 16; ++k) {
            const int root = ch.bass;
            c.Add(kBass, s + k, 0.85, static_cast<float>(root + kLine[k]), kAcc[k],
                  220 + 55.0f * bar, 5.5f * kAcc[k], 0.82f);
        }
        // clanks on the off-beat eighths, alternating sides
        for (int k = 2; k < 16; k += 4) {
            c.Add(kMetal, s + k, 1, static_cast<float>(57 + (k == 6 ? 1 : 0) + (bar % 2) * 3),
                  c.Humanise(0.45f, 0.15f));
        }
        if (bar % 4 == 3) {
            c.Add(kTom, s + 12, 1, 50, 0.7f, 0.4f);
            c.Add(kTom, s + 13, 1, 47, 0.75f, 0.0f);
            c.Add(kTom, s + 14, 1, 43, 0.8f, -0.4f);
            c.Add(kTom, s + 15, 1, 40, 0.85f, 0.0f);
        }
    }
    c.Crash(c.F(f + 64), 0.7f);
    c.Swell(FrameOfByte(pos::kMeshStart), c.F(step::kMesh) - c.F(step::kMesh - 8), 0.8f);
}

void WriteMesh(Composer& c) {
    const int g = step::kMesh;
    const Chord prog[8] = {F, G, Am, Am, F, G, Esus, E};
    for (int bar = 0; bar < 8; ++bar) {
        const int s = g + bar * 16;
        const Chord& ch = prog[bar];
        c.FourOnFloor(s, s + 16);
        if (bar >= 6)
            for (int k = 2; k < 16; k += 4) c.Kick(s + k, 0.55f, 1.1f, 0.06f);
        c.OffbeatHats(s, s + 16, 0.9f);
        if (bar >= 2) c.SixteenthHats(s, s + 16, 0.6f + 0.05f * bar);
        c.PadChord(s, 16, ch, 800 + 420 * bar, 0.8f, 0.2f, 0.8f);
        c.OffbeatBass(s, ch, 300 + 60 * bar);
        c.Arp(s, ch, 600 + 300 * bar, 0.7f + 0.03f * bar);
    }
    // the eight flashes: stab, cymbal and a tom, wherever in the bar they fall
    const auto gSteps = InsertGSteps();
    for (int k = 0; k < 8; ++k) {
        const int64_t fr = FrameOfByte(InsertFlashesG()[k]);
        const Chord& ch = prog[(gSteps[k] - g) / 16];
        c.BigHit(fr, ch, 0.8f + 0.025f * k, k == 0 ? 0.9f : 0.4f);
        c.AddFrame(kTom, fr, 6000, static_cast<float>(ch.bass + 5), 0.6f);
    }
    // a line climbing a step a bar
    static constexpr MelodyNote kClimb[] = {{0, 16, 72},  {16, 16, 74}, {32, 16, 76},
                                            {48, 16, 76}, {64, 16, 77}, {80, 16, 79},
                                            {96, 16, 81}, {112, 16, 83}};
    c.Melody(g, kClimb, 0, 1800, 0.8f);
    c.Melody(g + 64, std::span<const MelodyNote>(kClimb).subspan(4), 12, 0, 0.35f, kBell);
    c.SnareRoll(g, step::kEnd, 0.15f, 1.0f);
    c.Riser(g + 64, step::kEnd, 1.1f);
    // the glow starts rising here: a second, brighter swell up to the end scene
    const int64_t ramp = FrameOfByte(pos::kGlowRamp);
    const int64_t end = FrameOfByte(pos::kEndSceneStart);
    c.Swell(end, end - ramp, 1.0f);
}

void WriteEnd(Composer& c) {
    const int h = step::kEnd;
    const Chord theme[8] = {Am, F, C, G, Am, F, C, E};
    c.BigHit(FrameOfByte(pos::kEndSceneStart), Am, 1.0f, 1.0f);
    // bars 0..7: the theme one last time, everything in
    for (int bar = 0; bar < 8; ++bar) {
        const int s = h + bar * 16;
        const Chord& ch = theme[bar];
        c.FourOnFloor(s, s + 16);
        c.OffbeatHats(s, s + 16);
        c.SixteenthHats(s, s + 16, 0.9f);
        c.Backbeat(kClap, s, s + 16);
        c.PadChord(s, 16, ch, 2800, 0.8f, 0.1f, 1.0f);
        c.RollingBass(s, ch, 480);
        c.Arp(s, ch, 2000, 0.75f);
    }
    c.Melody(h, Theme(), 0, 2800, 1.0f);
    c.Melody(h, Theme(), 12, 0, 0.45f, kBell);
    // bars 8..15: the band thins out under the end picture, the bell carries the theme
    for (int bar = 8; bar < 16; ++bar) {
        const int s = h + bar * 16;
        const Chord& ch = theme[bar % 8];
        c.FourOnFloor(s, s + 16, 0.9f);
        c.OffbeatHats(s, s + 16, 0.8f);
        if (bar < 12) c.Backbeat(kClap, s, s + 16, 0.75f);
        c.PadChord(s, 16, ch, 2200, 0.8f, 0.3f, 1.5f);
        c.OffbeatBass(s, ch, 320);
        c.Arp(s, ch, 1300 - 40 * (bar - 8), 0.6f);
    }
    c.Crash(c.F(h + 128), 0.7f);
    c.Melody(h + 128, Theme(), 12, 0, 0.6f, kBell);
    c.Melody(h + 128, Theme(), 0, 1400, 0.45f);
    // bars 16..23: winding down over a descending progression
    const Chord wind[8] = {F, G, Em7, Am, F, G, Esus, E};
    for (int bar = 16; bar < 24; ++bar) {
        const int s = h + bar * 16;
        const Chord& ch = wind[bar - 16];
        if (bar < 20) c.FourOnFloor(s, s + 16, 0.8f - 0.1f * (bar - 16));
        c.PadChord(s, 16, ch, 1800, 0.85f, 0.6f, 2.0f);
        c.Add(kBass, s, 15, static_cast<float>(ch.bass), 0.5f, 220, 1.0f, 0.1f);
        c.Arp(s, ch, 900, 0.45f - 0.03f * (bar - 16));
    }
    c.Melody(h + 256, ThemeOpening(), 12, 0, 0.5f, kBell);
    static constexpr MelodyNote kFar[] = {{64, 16, 76}, {80, 16, 74}, {96, 16, 76}, {112, 16, 80}};
    c.Melody(h + 256, kFar, 0, 1200, 0.5f);
    // bars 24..27: F G F G, broadening, then A major
    const Chord cad[4] = {F, G, F, G};
    static constexpr MelodyNote kCadence[] = {{0, 12, 72}, {12, 4, 74}, {16, 16, 74},
                                              {32, 8, 81}, {40, 8, 79}, {48, 16, 83}};
    for (int bar = 24; bar < 28; ++bar) {
        const int s = h + bar * 16;
        const Chord& ch = cad[bar - 24];
        c.PadChord(s, 16, ch, 2000, 0.9f, 0.3f, 1.5f);
        c.Add(kBass, s, 15, static_cast<float>(ch.bass), 0.55f, 240, 1.0f, 0.1f);
        c.Add(kSub, s, 15, static_cast<float>(ch.bass - 12), 0.45f);
        c.Kick(s, 0.6f, 0.9f, 0.22f);
    }
    c.Melody(h + 384, kCadence, 0, 1800, 0.8f);
    c.Melody(h + 384, kCadence, 12, 0, 0.35f, kBell);
    c.Swell(c.F(step::kFinal), c.F(step::kFinal) - c.F(step::kFinal - 8), 0.7f);

    // the last chord, left to ring
    const int fin = step::kFinal;
    const int64_t ff = c.F(fin);
    const int64_t hold = 3 * kSampleRate;
    c.Crash(ff, 0.8f, 3.5f);
    c.AddFrame(kImpact, ff, 4000, 36, 0.7f);
    c.KickFrame(ff, 0.9f, 0.9f, 0.3f);
    for (int p : A.pad) c.AddFrame(kPad, ff, hold, static_cast<float>(p), 0.95f, 2600, 0.01f, 3.5f);
    c.AddFrame(kPad, ff, hold, 69, 0.6f, 2600, 0.01f, 3.5f);
    c.AddFrame(kBass, ff, hold, 45, 0.6f, 250, 1.5f, 0.1f);
    c.AddFrame(kSub, ff, hold, 33, 0.6f);
    c.AddFrame(kLead, ff, hold, 81, 0.8f, 83, 2200);
    c.AddFrame(kBell, ff, hold, 81, 0.7f, 2.0f, 1.5f);
    c.AddFrame(kBell, ff, hold, 88, 0.5f, 2.0f, 1.5f);
    c.AddFrame(kBell, ff, hold, 85, 0.45f, 2.0f, 1.5f);
}

}  // namespace content::music
