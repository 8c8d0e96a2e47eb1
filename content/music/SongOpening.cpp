// Title, water scene with the seven picture cuts, and the breakdown under the backwards scene.
#include <algorithm>
#include <cmath>

#include "content/music/Composer.h"
#include "content/music/Themes.h"

namespace content::music {

using namespace chords;

void WriteIntro(Composer& c) {
    const Chord prog[5] = {Am9, Am9, F, F, G};
    // the pad fades in from the very start, ahead of the first bar line
    for (int p : Am9.pad)
        c.AddFrame(kPad, 0, c.F(32), static_cast<float>(p), 0.8f, 700, 3.5f, 2.5f);
    for (int bar = 2; bar < 5; ++bar)
        c.PadChord(step::kIntro + bar * 16, bar == 2 ? 32 : 16, prog[bar], 900 + 250 * bar, 0.85f,
                   1.2f, 1.5f);
    // the theme's opening, slow and far away on the bell
    c.Melody(step::kIntro + 16, ThemeOpening(), 0, 0, 0.55f, kBell);
    c.Add(kSub, step::kIntro + 32, 32, 29, 0.35f);
    c.Add(kSub, step::kIntro + 64, 16, 31, 0.4f);
    c.Riser(step::kIntro + 40, step::kWater, 0.8f);
    c.Swell(FrameOfByte(pos::kWaterStart), c.F(step::kWater) - c.F(step::kWater - 12), 0.9f);
    // a heartbeat in the last bar
    for (int b = 0; b < 4; ++b) c.Kick(step::kIntro + 64 + 4 * b, 0.35f + 0.1f * b, 0.9f, 0.12f);
}

void WriteWater(Composer& c) {
    const Chord prog[8] = {Am, F, C, G, Am, F, C, E};
    const int w = step::kWater;
    c.BigHit(FrameOfByte(pos::kWaterStart), Am, 1.0f, 0.9f);
    for (int bar = 0; bar < 24; ++bar) {
        const int s = w + bar * 16;
        const Chord& ch = prog[bar % 8];
        c.FourOnFloor(s, s + 16);
        c.OffbeatHats(s, s + 16, bar < 4 ? 0.7f : 1.0f);
        if (bar >= 4) c.SixteenthHats(s, s + 16, bar < 8 ? 0.6f : 0.85f);
        if (bar >= 2 && bar != 23) c.Backbeat(kClap, s, s + 16, 0.9f);
        c.PadChord(s, 16, ch, 1500 + 40 * bar, 0.75f, 0.25f, 0.9f);
        if (bar < 16)
            c.OffbeatBass(s, ch, 260 + 10 * bar);
        else
            c.RollingBass(s, ch, 420);
        c.Arp(s, ch, 450 + 45 * bar, bar < 8 ? 0.7f : 0.85f);
    }
    c.Crash(c.F(w + 128), 0.8f);
    c.Crash(c.F(w + 256), 0.9f);
    c.Melody(w + 128, Theme(), 0, 2300, 0.95f);
    c.Melody(w + 256, Theme(), 0, 2600, 1.0f);
    c.Melody(w + 256, Theme(), 12, 0, 0.45f, kBell);
    // fill into the first cut
    c.SnareRoll(step::kCuts - 16, step::kCuts, 0.3f, 0.9f);
    c.Backbeat(kClap, step::kCuts - 16, step::kCuts - 8, 0.9f);

    // Seven picture cuts, one per bar: the theme again, each bar struck by a stab on the cut.
    const Chord cutProg[7] = {Am, F, C, G, Am, F, C};
    for (int k = 0; k < 7; ++k) {
        const int s = step::kCuts + 16 * k;
        const Chord& ch = cutProg[k];
        c.BigHit(FrameOfByte(CutPositions()[k]), ch, k == 0 ? 1.0f : 0.85f, k == 0 ? 0.9f : 0.55f);
        c.FourOnFloor(s, s + 16);
        c.OffbeatHats(s, s + 16);
        c.SixteenthHats(s, s + 16, 0.85f);
        c.Backbeat(kClap, s, s + 16);
        c.PadChord(s, 16, ch, 2600, 0.8f, 0.05f, 0.8f);
        c.RollingBass(s, ch, 480);
        c.Arp(s, ch, 1700, 0.8f);
    }
    c.Melody(step::kCuts, Theme().first(ThemeBarNotes(7)), 0, 2800, 1.0f);
    c.Melody(step::kCuts, Theme().first(ThemeBarNotes(7)), 12, 0, 0.4f, kBell);
    c.Add(kTom, step::kRitard - 3, 1, 50, 0.7f, 0.4f);
    c.Add(kTom, step::kRitard - 2, 1, 47, 0.75f, 0.0f);
    c.Add(kTom, step::kRitard - 1, 1, 43, 0.8f, -0.4f);

    // The last bar slows into the breakdown: the dominant hangs while the beat stops.
    const int r = step::kRitard;
    c.Kick(r, 1.0f);
    c.Crash(c.F(r), 0.7f, 2.5f);
    c.PadChord(r, 16, E, 2000, 0.85f, 0.02f, 2.0f);
    c.Add(kBass, r, 12, 40, 0.8f, 300, 2.0f, 0.2f);
    c.Melody(r - 112, Theme().subspan(ThemeBarNotes(7)), 0, 2400, 0.9f);
    c.Melody(r - 112, Theme().subspan(ThemeBarNotes(7)), 12, 0, 0.4f, kBell);
    c.Swell(FrameOfByte(pos::kBackwardsStart), c.F(step::kBreak) - c.F(r + 6), 0.8f);
}

void WriteBreakdown(Composer& c) {
    // 13 steps to the bar; the flashes strike steps 0, 2 and 8 of each bar, then three bars of
    // variations and a silent stretch that winds up into the screen scene.
    const int b = step::kBreak;
    const Chord prog[17] = {Fmaj7, Fmaj7, Em7, Em7, Dm9, Dm9, Am9, Am9, Fmaj7,
                            Fmaj7, Em7,   Em7, Dm9, Dm9, E,   E,   E};
    auto chordAtUnit = [&](double u) -> const Chord& {
        return prog[std::clamp(static_cast<int>(u / 13), 0, 16)];
    };
    for (int bar = 0; bar < 16; bar += 2) {
        const int s = b + bar * 13;
        const Chord& ch = prog[bar];
        c.PadChord(s, 26, ch, bar < 8 ? 1300 : 2100, 0.9f, 1.0f, 2.0f);
        c.Add(kSub, s, 25, static_cast<float>(ch.bass - 12), 0.8f);
    }
    c.PadChord(b + 208, 4, E, 2400, 0.8f, 0.3f, 1.5f);

    // bell arpeggio: five chord tones cycling against the 13-step bar
    for (int u = 26; u < 195; ++u) {
        const Chord& ch = chordAtUnit(u);
        const int tones[5] = {ch.pad[0], ch.pad[1], ch.pad[2], ch.pad[3], ch.pad[1] + 12};
        const int inBar = u % 13;
        const float accent = (inBar == 0 || inBar == 2 || inBar == 8) ? 1.0f : 0.6f;
        c.Add(kBell, b + u, 1, static_cast<float>(tones[u % 5] + 12),
              c.Humanise(0.55f * accent, 0.1f), 2.0f, 1.6f);
    }
    // a slow line over the second half
    static constexpr MelodyNote kLine[] = {
        {104, 13, 81}, {117, 8, 79}, {125, 5, 76}, {130, 13, 79}, {143, 8, 83}, {151, 5, 81},
        {156, 13, 81}, {169, 8, 77}, {177, 5, 76}, {182, 8, 76},  {190, 5, 80}, {195, 13, 83}};
    c.Melody(b, kLine, 0, 1500, 0.75f);

    // the flashes
    const int64_t c0 = FrameOfByte(pos::kBackwardsStart);
    static constexpr int kFillTom[9] = {55, 52, 48, 57, 53, 50, 59, 55, 45};
    int fill = 0;
    for (uint32_t p : InsertFlashesC()) {
        const int64_t f = FrameOfByte(p);
        const double u = static_cast<double>(f - c0) / 6400.0;
        const int bar = static_cast<int>(u / 13);
        const int inBar = static_cast<int>(std::lround(u)) - bar * 13;
        const Chord& ch = chordAtUnit(u);
        c.AddFrame(kSnap, f, 400, 60, 0.45f);
        if (bar >= 12) {
            // variation bars: toms walking down with the metal on top
            c.AddFrame(kTom, f, 8000, static_cast<float>(kFillTom[fill % 9]), 0.85f,
                       (fill % 3 - 1) * 0.5f);
            c.AddFrame(kMetal, f, 8000, static_cast<float>(ch.pad[fill % 4] + 12), 0.7f);
            if (fill % 3 == 0) c.KickFrame(f, 0.8f, 0.9f, 0.2f);
            ++fill;
            continue;
        }
        if (inBar == 0) {
            c.KickFrame(f, 0.85f, 0.85f, 0.25f);
            c.AddFrame(kMetal, f, 8000, static_cast<float>(ch.pad[0] + 12), 0.8f);
        } else if (inBar == 2) {
            c.AddFrame(kMetal, f, 8000, static_cast<float>(ch.pad[2] + 12), 0.6f);
            c.AddFrame(kTom, f, 6000, static_cast<float>(ch.bass), 0.5f, 0.3f);
        } else {
            c.AddFrame(kClap, f, 1000, 60, 0.8f);
            c.AddFrame(kMetal, f, 8000, static_cast<float>(ch.pad[1] + 12), 0.7f);
        }
    }
    c.BigHit(c0, Fmaj7, 0.9f, 0.8f);

    // Wind-up: riser, a roll that speeds up, and a reversed cymbal into the screen scene.
    const int64_t dStart = FrameOfByte(pos::kScreenStart);
    c.Riser(b + 182, step::kScreen, 0.9f);
    c.Swell(dStart, c.F(step::kScreen) - c.F(b + 199), 0.85f);
    static constexpr double kRoll[] = {195, 199,    202,   204.5, 206,   207,
                                       208, 208.75, 209.5, 210,   210.5, 211};
    int i = 0;
    for (double u : kRoll) {
        c.Add(kSnare, b + u, 0.5, 60, 0.3f + 0.045f * i, 1.0f + 0.02f * i);
        ++i;
    }
}

}  // namespace content::music
