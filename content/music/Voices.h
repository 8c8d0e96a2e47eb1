// Notes and the voices that sound them: tonal instruments (Voices.cpp) and drums (Drums.cpp).
#pragma once

#include <cstdint>
#include <memory>

namespace content::music {

enum class Instrument {
    // tonal
    Pad,   // detuned saw ensemble with slow filter: p1 cutoff Hz, p2 attack s, p3 release s
    Lead,  // three saws and a sub: p1 glide-from note (0 = none), p2 cutoff Hz
    Bass,  // saw and sub pulse through a resonant lowpass: p1 cutoff Hz, p2 envelope amount, p3 res
    Pluck,  // arpeggio pluck: p1 cutoff Hz, p2 decay s
    Stab,   // chord stab: p1 brightness (1 = normal)
    Bell,   // two-operator FM bell: p1 ratio, p2 index
    Sub,    // sine sub bass: p1 glide-from note
    // drums and effects
    Kick,   // p1 pitch scale (1 = normal), p2 decay s
    Snare,  // p1 tone scale
    Clap,
    HatClosed,
    HatOpen,
    Tom,            // pitch = note
    Crash,          // p1 decay s
    Impact,         // low boom for big accents
    ReverseCymbal,  // swells over its length and stops dead at the end
    Riser,          // noise sweep rising over its length
    MetalHit,       // clangy accent, pitch = note
    Snap,           // short bright click layered on accents for a sharp onset
};

struct Note {
    int64_t start = 0;   // frame
    int32_t length = 0;  // gate length in frames
    float pitch = 60;    // MIDI note number
    float velocity = 1;  // 0..1
    float p1 = 0, p2 = 0, p3 = 0;
    uint32_t seed = 1;  // for the voice's noise and phases
};

class Voice {
  public:
    virtual ~Voice() = default;
    // Adds the next n frames into l and r; false once the voice has fallen silent.
    virtual bool Render(float* l, float* r, int n) = 0;
};

std::unique_ptr<Voice> MakeTonalVoice(Instrument inst, const Note& note);
std::unique_ptr<Voice> MakeDrumVoice(Instrument inst, const Note& note);
std::unique_ptr<Voice> MakeVoice(Instrument inst, const Note& note);

}  // namespace content::music
