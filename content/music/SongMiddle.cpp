// The picture screen scene with its five camera cuts, and the ring scene with the credits and
// the four long flashes.
#include <algorithm>

#include "content/music/Composer.h"
#include "content/music/Themes.h"

namespace content::music {

using namespace chords;

void WriteScreen(Composer& c) {
    const int d = step::kScreen;
    const Chord prog[15] = {Am, Am, F, F, C, C, G, G, Am, Am, F, F, G, G, E};
    c.BigHit(FrameOfByte(pos::kScreenStart), Am, 1.0f, 0.95f);
    for (int bar = 0; bar < 15; ++bar) {
        const int s = d + bar * 16;
        const Chord& ch = prog[bar];
        const bool build = bar >= 12;
        c.FourOnFloor(s, s + (bar == 14 ? 8 : 16));
        c.OffbeatHats(s, s + 16, 0.9f);
        c.SixteenthHats(s, s + 16, bar < 2 ? 0.6f : 0.9f);
        if (bar < 12) c.Backbeat(kClap, s, s + 16);
        c.PadChord(s, 16, ch, 1800 + (build ? 300 * (bar - 11) : 0), 0.75f, 0.1f, 0.9f);
        c.RollingBass(s, ch, 380 + (build ? 120 * (bar - 11) : 0));
        c.Arp(s, ch, 900 + 60 * bar, 0.8f);
        if (bar >= 2 && bar < 12) {
            // off-beat stabs in a 3-3-4-3-3 push
            static constexpr int kStabSteps[] = {3, 6, 10, 13};
            for (int k : kStabSteps) c.StabChordAt(s + k, ch, 0.32f, 12, 0.55f);
        }
    }
    // camera cuts: the fourth anticipates its bar by a sixteenth, and its chord with it
    const Chord cutChord[5] = {F, C, G, Am, F};
    for (int k = 0; k < 5; ++k) {
        const int64_t f = FrameOfByte(SceneCutPositions()[k]);
        c.BigHit(f, cutChord[k], 0.95f, 0.6f);
    }
    // a call in the lead over bars 4..11, answered by the bell
    static constexpr MelodyNote kCall[] = {
        {0, 3, 79},   {3, 3, 76},   {6, 2, 79},   {8, 8, 84},     // C
        {16, 3, 83},  {19, 3, 79},  {22, 2, 76},  {24, 8, 79},    // C
        {32, 3, 74},  {35, 3, 71},  {38, 2, 74},  {40, 8, 79},    // G
        {48, 3, 81},  {51, 3, 79},  {54, 2, 74},  {56, 8, 83},    // G
        {64, 3, 84},  {67, 3, 81},  {70, 2, 76},  {72, 8, 81},    // Am
        {80, 3, 83},  {83, 3, 81},  {86, 2, 76},  {88, 8, 84},    // Am
        {96, 3, 81},  {99, 3, 77},  {102, 2, 72}, {104, 8, 77},   // F
        {112, 3, 79}, {115, 3, 81}, {118, 2, 84}, {120, 8, 81}};  // F
    c.Melody(d + 64, kCall, 0, 2000, 0.8f);
    c.Melody(d + 64, kCall, 12, 0, 0.3f, kBell);
    // build under the people picture
    c.SnareRoll(d + 192, d + 232, 0.25f, 0.95f);
    c.Riser(d + 200, step::kRing, 1.0f);
    c.Swell(c.F(step::kRing), c.F(step::kRing) - c.F(step::kRing - 10), 0.85f);
}

void WriteRing(Composer& c) {
    const int e = step::kRing;
    const Chord prog[8] = {Am, F, C, G, Am, F, C, E};
    // bar 0: the ring appears out of the people picture
    c.BigHit(c.F(e), Am, 0.9f, 0.9f);
    c.Kick(e, 1.0f);
    c.PadChord(e, 16, Am9, 1200, 0.8f, 0.3f, 1.5f);
    c.Add(kBass, e, 14, 45, 0.7f, 260, 1.5f, 0.2f);
    // bars 1..8: the groove comes back, the bell previews the theme
    for (int bar = 1; bar < 9; ++bar) {
        const int s = e + bar * 16;
        const Chord& ch = prog[(bar - 1) % 8];
        c.FourOnFloor(s, s + 16);
        c.OffbeatHats(s, s + 16, 0.85f);
        if (bar >= 3) c.SixteenthHats(s, s + 16, 0.7f);
        if (bar >= 5 && bar < 8) c.Backbeat(kClap, s, s + 16, 0.85f);
        c.PadChord(s, 16, ch, 1400 + 100 * bar, 0.75f, 0.2f, 1.0f);
        c.OffbeatBass(s, ch, 300 + 15 * bar);
        c.Arp(s, ch, 700 + 90 * bar, 0.75f);
    }
    c.Melody(e + 16, Theme().first(ThemeBarNotes(4)), 12, 0, 0.5f, kBell);
    c.SnareRoll(e + 128, step::kCredits, 0.3f, 0.85f);

    // credits: the theme twice over the full band
    const int cr = step::kCredits;
    for (int bar = 0; bar < 16; ++bar) {
        const int s = cr + bar * 16;
        const Chord& ch = prog[bar % 8];
        c.FourOnFloor(s, s + 16);
        c.OffbeatHats(s, s + 16);
        c.SixteenthHats(s, s + 16, 0.9f);
        c.Backbeat(kClap, s, s + 16);
        c.PadChord(s, 16, ch, 2400 + (bar >= 8 ? 400 : 0), 0.75f, 0.15f, 1.0f);
        c.RollingBass(s, ch, 450 + (bar >= 8 ? 100 : 0));
        c.Arp(s, ch, 1500 + 40 * bar, 0.75f);
    }
    c.BigHit(c.F(cr), Am, 0.85f, 0.5f);
    c.Crash(c.F(cr + 128), 0.85f);
    c.Melody(cr, Theme(), 0, 2500, 1.0f);
    c.Melody(cr + 128, Theme(), 0, 3000, 1.0f);
    c.Melody(cr + 128, Theme(), 12, 0, 0.45f, kBell);
    c.Melody(cr + 128, Theme(), -12, 1200, 0.35f, kLead);

    // build: four bars of rising roll and riser into the long flashes
    const int bl = step::kRingBuild;
    const Chord buildProg[4] = {F, G, E, E};
    static constexpr MelodyNote kBuildLine[] = {
        {0, 16, 77}, {16, 16, 79}, {32, 16, 80}, {48, 16, 83}};
    for (int bar = 0; bar < 4; ++bar) {
        const int s = bl + bar * 16;
        const Chord& ch = buildProg[bar];
        c.FourOnFloor(s, s + (bar == 3 ? 8 : 16));
        c.OffbeatHats(s, s + 16);
        c.PadChord(s, 16, ch, 2000 + 600 * bar, 0.8f, 0.1f, 0.8f);
        c.OffbeatBass(s, ch, 350 + 150 * bar);
        c.Arp(s, ch, 1200 + 500 * bar, 0.8f);
    }
    c.Melody(bl, kBuildLine, 0, 2600, 0.85f);
    c.SnareRoll(bl, step::kLong, 0.25f, 1.0f);
    c.Riser(bl + 16, step::kLong, 1.0f);
    c.Swell(FrameOfByte(LongFlashPositions()[0]), c.F(step::kLong) - c.F(step::kLong - 12), 0.9f);

    // climax: a long flash on every downbeat
    const Chord lp[4] = {Am, F, C, E};
    static constexpr MelodyNote kPeak[] = {{0, 16, 81}, {16, 8, 84}, {24, 8, 81}, {32, 8, 79},
                                           {40, 8, 76}, {48, 8, 80}, {56, 8, 83}};
    for (int k = 0; k < 4; ++k) {
        const int s = step::kLong + 16 * k;
        const Chord& ch = lp[k];
        c.BigHit(FrameOfByte(LongFlashPositions()[k]), ch, 1.0f, 0.8f);
        c.Crash(FrameOfByte(LongFlashPositions()[k]), 0.6f, 3.0f);
        c.FourOnFloor(s, s + 16);
        c.OffbeatHats(s, s + 16);
        c.SixteenthHats(s, s + 16, 0.95f);
        c.Backbeat(kClap, s, s + 16);
        c.PadChord(s, 16, ch, 3400, 0.8f, 0.02f, 1.0f);
        c.RollingBass(s, ch, 600);
        c.Arp(s, ch, 2600, 0.8f);
    }
    c.Melody(step::kLong, kPeak, 0, 3200, 1.0f);
    c.Melody(step::kLong, kPeak, 12, 0, 0.4f, kBell);
    c.Add(kTom, step::kCube - 4, 1, 52, 0.8f, 0.4f);
    c.Add(kTom, step::kCube - 3, 1, 48, 0.8f, 0.0f);
    c.Add(kTom, step::kCube - 2, 1, 45, 0.85f, -0.4f);
    c.Add(kTom, step::kCube - 1, 1, 41, 0.9f, 0.0f);
}

}  // namespace content::music
