#include "content/music/Composer.h"

#include <algorithm>

#include "content/music/DMath.h"

namespace content::music {
namespace {

Channel Make(Instrument inst, float gain, float pan, float reverb, float delay, float duck,
             float highpass = 0) {
    Channel ch;
    ch.inst = inst;
    ch.gain = gain;
    ch.pan = pan;
    ch.reverb = reverb;
    ch.delay = delay;
    ch.duck = duck;
    ch.highpass = highpass;
    return ch;
}

}  // namespace

Composer::Composer() : grid_(SongGrid()) {
    song_.tracks.resize(kChannelCount);
    auto set = [&](Ch ch, Channel c) { song_.tracks[ch].channel = c; };
    set(kKick, Make(Instrument::Kick, 0.52f, 0, 0.02f, 0, 0));
    set(kSnare, Make(Instrument::Snare, 0.9f, 0.05f, 0.22f, 0, 0));
    set(kClap, Make(Instrument::Clap, 2.0f, -0.05f, 0.3f, 0.05f, 0));
    set(kHat, Make(Instrument::HatClosed, 2.0f, 0.2f, 0.04f, 0, 0.1f));
    set(kOpenHat, Make(Instrument::HatOpen, 1.6f, -0.15f, 0.08f, 0, 0.35f));
    set(kTom, Make(Instrument::Tom, 0.6f, 0, 0.25f, 0.05f, 0));
    set(kCrash, Make(Instrument::Crash, 1.5f, 0, 0.2f, 0, 0));
    set(kImpact, Make(Instrument::Impact, 0.5f, 0, 0.12f, 0, 0));
    set(kRevCym, Make(Instrument::ReverseCymbal, 1.6f, 0, 0.2f, 0, 0));
    set(kRiser, Make(Instrument::Riser, 1.35f, 0, 0.35f, 0.1f, 0.2f));
    set(kMetal, Make(Instrument::MetalHit, 0.8f, 0, 0.4f, 0.25f, 0));
    set(kSnap, Make(Instrument::Snap, 0.8f, 0, 0.08f, 0, 0));
    set(kBass, Make(Instrument::Bass, 0.65f, 0, 0, 0, 0.65f, 30));
    set(kSub, Make(Instrument::Sub, 0.6f, 0, 0, 0, 0.5f));
    set(kPad, Make(Instrument::Pad, 0.51f, 0, 0.35f, 0.04f, 0.5f, 160));
    set(kLead, Make(Instrument::Lead, 1.4f, 0, 0.22f, 0.28f, 0.15f, 140));
    set(kArp, Make(Instrument::Pluck, 1.05f, 0.1f, 0.18f, 0.35f, 0.45f, 220));
    set(kStab, Make(Instrument::Stab, 1.35f, 0, 0.28f, 0.18f, 0.1f, 120));
    set(kBell, Make(Instrument::Bell, 1.1f, 0, 0.45f, 0.35f, 0.2f, 150));
    song_.delayFrames = 15750;  // a dotted eighth near 126 BPM
}

float Composer::Humanise(float vel, float amount) {
    dm::Rng r(NextSeed());
    return std::clamp(vel * (1.0f + amount * r.Bipolar()), 0.0f, 1.2f);
}

void Composer::AddFrame(Ch ch, int64_t frame, int64_t len, float pitch, float vel, float p1,
                        float p2, float p3) {
    Note n;
    n.start = frame;
    n.length = static_cast<int32_t>(std::max<int64_t>(len, 1));
    n.pitch = pitch;
    n.velocity = vel;
    n.p1 = p1;
    n.p2 = p2;
    n.p3 = p3;
    n.seed = NextSeed();
    song_.tracks[ch].notes.push_back(n);
}

void Composer::Add(Ch ch, double step, double len, float pitch, float vel, float p1, float p2,
                   float p3) {
    const int64_t a = F(step);
    AddFrame(ch, a, F(step + len) - a, pitch, vel, p1, p2, p3);
}

void Composer::KickFrame(int64_t frame, float vel, float tune, float decay) {
    AddFrame(kKick, frame, 4000, 36, vel, tune, decay);
    if (vel > 0.5f) song_.duckTriggers.push_back(frame);
}

void Composer::Kick(double step, float vel, float tune, float decay) {
    KickFrame(F(step), vel, tune, decay);
}

void Composer::FourOnFloor(int from, int to, float vel) {
    for (int s = from; s < to; s += 4) Kick(s, vel);
}

void Composer::Backbeat(Ch ch, int from, int to, float vel) {
    for (int s = from + 4; s < to; s += 8) Add(ch, s, 1, 60, Humanise(vel, 0.04f));
}

void Composer::OffbeatHats(int from, int to, float vel) {
    for (int s = from + 2; s < to; s += 4) Add(kOpenHat, s, 1, 60, Humanise(vel, 0.05f), 0.07f);
}

void Composer::SixteenthHats(int from, int to, float vel) {
    static constexpr float kAccent[4] = {0.55f, 0.35f, 0.8f, 0.4f};
    for (int s = from; s < to; ++s) Add(kHat, s, 1, 60, Humanise(vel * kAccent[s & 3], 0.15f));
}

void Composer::PadChord(int step, int len, const Chord& c, float cutoff, float vel, float attack,
                        float release) {
    for (int p : c.pad) Add(kPad, step, len, static_cast<float>(p), vel, cutoff, attack, release);
}

void Composer::OffbeatBass(int barStep, const Chord& c, float cutoff, float vel) {
    // eighth-note offbeats, the last one jumping an octave
    for (int k = 0; k < 4; ++k) {
        const int s = barStep + 4 * k + 2;
        const float p = static_cast<float>(c.bass + (k == 3 ? 12 : 0));
        Add(kBass, s, 1.6, p, Humanise(vel, 0.05f), cutoff, 3.0f, 0.3f);
    }
}

void Composer::RollingBass(int barStep, const Chord& c, float cutoff, float vel) {
    // three sixteenths after every kick, the middle one up an octave
    static constexpr int kOct[3] = {0, 12, 0};
    static constexpr float kVel[3] = {0.85f, 1.0f, 0.8f};
    for (int b = 0; b < 4; ++b) {
        for (int k = 0; k < 3; ++k) {
            const int s = barStep + 4 * b + 1 + k;
            Add(kBass, s, 0.8, static_cast<float>(c.bass + kOct[k]), Humanise(vel * kVel[k], 0.05f),
                cutoff, 3.5f, 0.35f);
        }
    }
}

void Composer::Arp(int barStep, const Chord& c, float cutoff, float vel, int octave) {
    // up-and-over figure across the chord and its octave
    static constexpr int kIdx[16] = {0, 1, 2, 3, 4, 3, 2, 1, 0, 2, 1, 3, 2, 4, 3, 5};
    const int tones[6] = {c.pad[0], c.pad[1], c.pad[2], c.pad[3], c.pad[1] + 12, c.pad[2] + 12};
    for (int k = 0; k < 16; ++k) {
        const float v = (k % 4 == 0 ? 1.0f : (k % 2 == 0 ? 0.8f : 0.62f)) * vel;
        Add(kArp, barStep + k, 0.7, static_cast<float>(tones[kIdx[k]] + octave), Humanise(v, 0.06f),
            cutoff, 0.2f);
    }
}

void Composer::Melody(int start, std::span<const MelodyNote> notes, int transpose, float cutoff,
                      float vel, Ch ch) {
    double prevEnd = -1e9;
    float prevPitch = 0;
    for (const MelodyNote& m : notes) {
        const float p = static_cast<float>(m.pitch + transpose);
        const bool legato = start + m.step <= prevEnd + 0.01;
        const double len = m.len * 0.92;
        Add(ch, start + m.step, len, p, Humanise(vel, 0.05f), legato ? prevPitch : 0.0f, cutoff);
        prevEnd = start + m.step + m.len;
        prevPitch = p;
    }
}

void Composer::StabChord(int64_t frame, const Chord& c, float vel, int octave, float bright) {
    for (int p : c.pad) AddFrame(kStab, frame, 6000, static_cast<float>(p + octave), vel, bright);
    AddFrame(kStab, frame, 6000, static_cast<float>(c.bass + 12), vel * 0.8f, bright);
}

void Composer::SnareRoll(int from, int to, float v0, float v1) {
    // quarters, then eighths, then sixteenths over the last quarter of the span
    const int n = to - from;
    for (int s = from; s < to; ++s) {
        const int rel = s - from;
        const int div = rel < n / 2 ? 4 : (rel < n * 3 / 4 ? 2 : 1);
        if (rel % div) continue;
        const float x = static_cast<float>(rel) / n;
        Add(kSnare, s, 1, 60, v0 + (v1 - v0) * x, 1.0f + 0.15f * x);
        if (div == 1 && rel >= n - 4)
            Add(kSnare, s + 0.5, 0.5, 60, (v0 + (v1 - v0) * x) * 0.8f, 1.2f);
    }
}

void Composer::Swell(int64_t endFrame, int64_t len, float vel) {
    // it cuts off a hair (10 ms) before the hit it leads into, which makes the hit land harder
    const int64_t gap = kSampleRate / 100;
    AddFrame(kRevCym, endFrame - len, len - gap, 60, vel);
}

void Composer::Riser(int from, int to, float vel) {
    const int64_t a = F(from);
    AddFrame(kRiser, a, F(to) - a - kSampleRate / 100, 60, vel);  // same breath as Swell
}

void Composer::Crash(int64_t frame, float vel, float decay) {
    AddFrame(kCrash, frame, 1000, 60, vel, decay);
}

void Composer::BigHit(int64_t frame, const Chord& ch, float vel, float impact) {
    Crash(frame, vel, 2.2f);
    AddFrame(kSnap, frame, 400, 60, vel);
    if (impact > 0) AddFrame(kImpact, frame, 4000, 36, 0.8f * impact);
    StabChord(frame, ch, 0.6f * vel, 12, 1.2f);
}

Song ComposeSong() {
    Composer c;
    WriteIntro(c);
    WriteWater(c);
    WriteBreakdown(c);
    WriteScreen(c);
    WriteRing(c);
    WriteCube(c);
    WriteMesh(c);
    WriteEnd(c);
    Song song = std::move(c.song());
    song.frames = TrackFrames();
    song.masterGain = 0.85f;  // about -11 LUFS in the full sections, the limiter only on peaks
    return song;
}

}  // namespace content::music
