// Send effects and the master stage: a plate-like reverb, a ping-pong delay and a peak limiter.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "content/music/Dsp.h"

namespace content::music {

// Schroeder-Moorer reverb: eight damped combs in parallel and four allpasses in series per side,
// the right side's delays a little longer for width.
class Reverb {
  public:
    Reverb(float roomSize, float damping, int preDelayFrames);
    // Adds the wet signal of inL/inR into outL/outR.
    void Process(const float* inL, const float* inR, float* outL, float* outR, int n);

  private:
    struct Comb {
        std::vector<float> buf;
        size_t pos = 0;
        float store = 0;
    };
    struct Allpass {
        std::vector<float> buf;
        size_t pos = 0;
    };
    std::array<Comb, 8> combL_, combR_;
    std::array<Allpass, 4> apL_, apR_;
    std::vector<float> pre_;
    size_t prePos_ = 0;
    OnePole hp_, lp_;
    float feedback_, damp_;
};

// Stereo ping-pong delay with a darkening feedback path.
class PingPongDelay {
  public:
    PingPongDelay(int delayFrames, float feedback, float toneHz);
    void Process(const float* inL, const float* inR, float* outL, float* outR, int n);

  private:
    std::vector<float> bufL_, bufR_;
    size_t pos_ = 0;
    float feedback_;
    OnePole lpL_, lpR_, hp_;
};

// Look-ahead peak limiter: the signal is delayed by the look-ahead so the gain is already down
// when a peak arrives.
class Limiter {
  public:
    static constexpr int kLatency = 96;  // frames the output lags the input

    explicit Limiter(float ceiling);
    void Process(float* l, float* r, int n);

  private:
    float Knee(float x) const;
    static constexpr int kLook = kLatency;
    std::array<float, kLook> dl_{}, dr_{};
    int pos_ = 0, hold_ = 0;
    float ceiling_, target_ = 1, gain_ = 1, attack_, release_;
};

}  // namespace content::music
