// Drum and effect voices, all synthesised: sine kicks and toms with pitch sweeps, noise snares,
// claps and cymbals over clusters of square waves, and the swells and booms around accents.
#include <algorithm>
#include <array>

#include "content/music/Dsp.h"
#include "content/music/Voices.h"

namespace content::music {
namespace {

class KickVoice final : public Voice {
  public:
    explicit KickVoice(const Note& n) : rng_(n.seed), vel_(n.velocity * 0.95f) {
        const float scale = n.p1 > 0 ? n.p1 : 1.0f;
        base_ = 47.0f * scale;
        sweep_ = 150.0f * scale;
        pitchCoef_ = dm::DecayCoef(0.032);
        ampCoef_ = dm::DecayCoef(n.p2 > 0 ? n.p2 : 0.1);
        clickCoef_ = dm::DecayCoef(0.0015);
        osc_.phase = 0.2f;  // starts off zero for a defined attack
        hp_.SetHz(1200);
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            osc_.inc = (base_ + sweep_ * pitch_) * kInvRate;
            pitch_ *= pitchCoef_;
            const float body = osc_.Next() * (hold_ > 0 ? 1.0f : amp_);
            if (hold_ > 0)
                --hold_;
            else
                amp_ *= ampCoef_;
            click_ *= clickCoef_;
            const float click = hp_.High(rng_.Bipolar()) * click_ * 0.45f;
            const float y = dm::SoftClip(1.5f * body + click) * vel_;
            l[i] += y;
            r[i] += y;
        }
        return amp_ > 1e-3f;
    }

  private:
    SineOsc osc_;
    OnePole hp_;
    dm::Rng rng_;
    float vel_, base_, sweep_, pitch_ = 1, pitchCoef_, amp_ = 1, ampCoef_, click_ = 1, clickCoef_;
    int hold_ = 350;
};

class SnareVoice final : public Voice {
  public:
    explicit SnareVoice(const Note& n) : rng_(n.seed), vel_(n.velocity * 0.5f) {
        const float t = n.p1 > 0 ? n.p1 : 1.0f;
        a_.SetHz(182 * t);
        b_.SetHz(331 * t);
        toneCoef_ = dm::DecayCoef(0.055);
        noiseCoef_ = dm::DecayCoef(0.15);
        hp_.Set(1400, 0.1f);
        bp_.Set(3800, 0.35f);
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            tone_ *= toneCoef_;
            noise_ *= noiseCoef_;
            const float tone = (0.6f * a_.Next() + 0.4f * b_.Next()) * tone_;
            const float w1 = rng_.Bipolar(), w2 = rng_.Bipolar();
            const float nz = hp_.High(w1) * 0.7f + bp_.Band(w2) * 0.8f;
            const float y = (tone + nz * noise_) * vel_;
            l[i] += y + 0.12f * w2 * noise_ * vel_;
            r[i] += y - 0.12f * w2 * noise_ * vel_;
        }
        return noise_ > 1e-3f;
    }

  private:
    SineOsc a_, b_;
    Svf hp_, bp_;
    dm::Rng rng_;
    float vel_, tone_ = 1, toneCoef_, noise_ = 1, noiseCoef_;
};

class ClapVoice final : public Voice {
  public:
    explicit ClapVoice(const Note& n) : rng_(n.seed), vel_(n.velocity * 0.75f) {
        bpl_.Set(1150, 0.55f);
        bpr_.Set(1250, 0.55f);
        burstCoef_ = dm::DecayCoef(0.0045);
        tailCoef_ = dm::DecayCoef(0.13);
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            // three quick bursts 9 ms apart, then the tail
            if (t_ == 397 || t_ == 794 || t_ == 1191) burst_ = 1.0f;
            float env = burst_;
            if (t_ >= 1191) {
                env = std::max(env, tail_);
                tail_ *= tailCoef_;
            }
            burst_ *= burstCoef_;
            ++t_;
            const float w = rng_.Bipolar();
            l[i] += bpl_.Band(w) * env * vel_;
            r[i] += bpr_.Band(w) * env * vel_;
        }
        return t_ < 1191 || tail_ > 1e-3f;
    }

  private:
    Svf bpl_, bpr_;
    dm::Rng rng_;
    float vel_, burst_ = 1, burstCoef_, tail_ = 0.8f, tailCoef_;
    int t_ = 0;
};

// Six detuned square waves: the metallic core of hats and cymbals. They are left naive: the
// partials are inharmonic and highpassed into noise anyway, so their aliases only add more of
// the same, and the cluster is the hot loop of every cymbal.
struct MetalCluster {
    std::array<float, 6> phase{}, inc{};
    void Setup(float scale, dm::Rng& rng) {
        static constexpr float kHz[6] = {263.5f, 400.1f, 421.3f, 474.8f, 587.2f, 845.6f};
        for (int i = 0; i < 6; ++i) {
            inc[i] = kHz[i] * scale * kInvRate;
            phase[i] = rng.Unit();
        }
    }
    float Next() {
        float s = 0;
        for (int i = 0; i < 6; ++i) {
            phase[i] += inc[i];
            if (phase[i] >= 1.0f) phase[i] -= 1.0f;
            s += phase[i] < 0.5f ? 1.0f : -1.0f;
        }
        return s * (1.0f / 6);
    }
};

class HatVoice final : public Voice {
  public:
    HatVoice(const Note& n, bool open) : rng_(n.seed), vel_(n.velocity * (open ? 0.2f : 0.24f)) {
        metal_.Setup(2.3f, rng_);
        coef_ = dm::DecayCoef(open ? (n.p1 > 0 ? n.p1 : 0.2) : 0.032);
        hp_.Set(7200, 0.2f);
        pan_ = open ? 0.15f : -0.2f;
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            const float s = hp_.High(0.6f * metal_.Next() + 0.55f * rng_.Bipolar()) * amp_ * vel_;
            amp_ *= coef_;
            l[i] += s * (1 - pan_);
            r[i] += s * (1 + pan_);
        }
        return amp_ > 1e-3f;
    }

  private:
    MetalCluster metal_;
    Svf hp_;
    dm::Rng rng_;
    float vel_, coef_, amp_ = 1, pan_;
};

class TomVoice final : public Voice {
  public:
    explicit TomVoice(const Note& n) : rng_(n.seed), vel_(n.velocity * 0.6f) {
        hz_ = static_cast<float>(dm::NoteHz(n.pitch));
        pitchCoef_ = dm::DecayCoef(0.08);
        ampCoef_ = dm::DecayCoef(0.32);
        osc_.phase = 0.15f;
        PanGains(n.p1, &gl_, &gr_);
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            osc_.inc = hz_ * (1.0f + 0.9f * pitch_) * kInvRate;
            pitch_ *= pitchCoef_;
            amp_ *= ampCoef_;
            noise_ *= 0.992f;
            const float y =
                dm::SoftClip(1.3f * osc_.Next() * amp_ + 0.3f * rng_.Bipolar() * noise_);
            l[i] += y * vel_ * gl_;
            r[i] += y * vel_ * gr_;
        }
        return amp_ > 1e-3f;
    }

  private:
    SineOsc osc_;
    dm::Rng rng_;
    float vel_, hz_, pitch_ = 1, pitchCoef_, amp_ = 1, ampCoef_, noise_ = 1, gl_ = 0.7f, gr_ = 0.7f;
};

class CrashVoice final : public Voice {
  public:
    explicit CrashVoice(const Note& n)
        : rngL_(n.seed), rngR_(n.seed * 7919u + 1), vel_(n.velocity * 0.32f) {
        metalL_.Setup(4.1f, rngL_);
        metalR_.Setup(4.37f, rngR_);
        hpl_.Set(4200, 0.15f);
        hpr_.Set(4400, 0.15f);
        fastCoef_ = dm::DecayCoef(0.12);
        slowCoef_ = dm::DecayCoef(0.4 * (n.p1 > 0 ? n.p1 : 1.7));
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            fast_ *= fastCoef_;
            slow_ *= slowCoef_;
            const float env = (0.55f * fast_ + 0.45f * slow_) * vel_;
            l[i] += hpl_.High(0.5f * metalL_.Next() + 0.7f * rngL_.Bipolar()) * env;
            r[i] += hpr_.High(0.5f * metalR_.Next() + 0.7f * rngR_.Bipolar()) * env;
        }
        return slow_ > 1e-3f;
    }

  private:
    MetalCluster metalL_, metalR_;
    Svf hpl_, hpr_;
    dm::Rng rngL_, rngR_;
    float vel_, fast_ = 1, fastCoef_, slow_ = 1, slowCoef_;
};

class ImpactVoice final : public Voice {
  public:
    explicit ImpactVoice(const Note& n) : rng_(n.seed), vel_(n.velocity * 0.9f) {
        pitchCoef_ = dm::DecayCoef(0.18);
        ampCoef_ = dm::DecayCoef(0.6);
        rumbleCoef_ = dm::DecayCoef(0.5);
        lp_.Set(180, 0.3f);
        osc_.phase = 0.2f;
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            osc_.inc = (31.0f + 70.0f * pitch_) * kInvRate;
            pitch_ *= pitchCoef_;
            amp_ *= ampCoef_;
            rumble_ *= rumbleCoef_;
            const float y =
                dm::SoftClip(1.6f * osc_.Next() * amp_ + 1.5f * lp_.Low(rng_.Bipolar()) * rumble_) *
                vel_;
            l[i] += y;
            r[i] += y;
        }
        return amp_ > 1e-3f;
    }

  private:
    SineOsc osc_;
    Svf lp_;
    dm::Rng rng_;
    float vel_, pitch_ = 1, pitchCoef_, amp_ = 1, ampCoef_, rumble_ = 1, rumbleCoef_;
};

// Rises over its whole length and stops at the end (with a 2 ms fade against clicks), so
// whatever starts there hits out of the swell.
class ReverseCymbalVoice final : public Voice {
  public:
    explicit ReverseCymbalVoice(const Note& n)
        : vel_(n.velocity * 0.3f),
          len_(std::max(n.length, 200)),
          rngL_(n.seed),
          rngR_(n.seed + 17) {
        metal_.Setup(4.1f, rngL_);
        hpl_.Set(3500, 0.2f);
        hpr_.Set(3700, 0.2f);
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n && t_ < len_; ++i, ++t_) {
            const float x = static_cast<float>(t_) / len_;
            float env = x * x * x * x;
            const int left = len_ - t_;
            if (left < 88) env *= left / 88.0f;
            const float m = 0.4f * metal_.Next();
            l[i] += hpl_.High(m + 0.7f * rngL_.Bipolar()) * env * vel_;
            r[i] += hpr_.High(m + 0.7f * rngR_.Bipolar()) * env * vel_;
        }
        return t_ < len_;
    }

  private:
    MetalCluster metal_;
    Svf hpl_, hpr_;
    float vel_;
    int len_, t_ = 0;
    dm::Rng rngL_, rngR_;
};

class RiserVoice final : public Voice {
  public:
    explicit RiserVoice(const Note& n)
        : vel_(n.velocity * 0.25f),
          len_(std::max(n.length, 1000)),
          rngL_(n.seed),
          rngR_(n.seed + 3) {}
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n && t_ < len_; ++i, ++t_) {
            const float x = static_cast<float>(t_) / len_;
            if ((t_ & 31) == 0) {
                const float hz = static_cast<float>(250.0 * dm::Pow2(5.2 * x));
                bl_.Set(hz, 0.55f);
                br_.Set(hz * 1.06f, 0.55f);
                tone_.SetHz(static_cast<float>(dm::NoteHz(45 + 24 * x)));
            }
            float env = 0.05f + 0.95f * x * x;
            const int left = len_ - t_;
            if (left < 220) env *= left / 220.0f;
            const float t = 0.25f * tone_.Next() * x;
            l[i] += (bl_.Band(rngL_.Bipolar()) + t) * env * vel_;
            r[i] += (br_.Band(rngR_.Bipolar()) + t) * env * vel_;
        }
        return t_ < len_;
    }

  private:
    Svf bl_, br_;
    SawOsc tone_;
    float vel_;
    int len_, t_ = 0;
    dm::Rng rngL_, rngR_;
};

// Inharmonic partials with a noise strike: a struck metal bar.
class MetalHitVoice final : public Voice {
  public:
    explicit MetalHitVoice(const Note& n) : rng_(n.seed), vel_(n.velocity * 0.28f) {
        static constexpr float kRatio[kParts] = {1.0f, 2.41f, 3.87f, 5.55f, 7.13f};
        static constexpr float kDecay[kParts] = {0.6f, 0.4f, 0.25f, 0.15f, 0.1f};
        static constexpr float kPan[kParts] = {0.0f, -0.6f, 0.6f, -0.3f, 0.3f};
        const double hz = dm::NoteHz(n.pitch);
        for (int i = 0; i < kParts; ++i) {
            part_[i].SetHz(static_cast<float>(hz * kRatio[i]));
            coef_[i] = dm::DecayCoef(kDecay[i]);
            amp_[i] = 1.0f / (1 + i * 0.6f);
            PanGains(kPan[i], &gl_[i], &gr_[i]);
        }
        hp_.Set(2500, 0.1f);
        strikeCoef_ = dm::DecayCoef(0.006);
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            float sl = 0, sr = 0;
            for (int k = 0; k < kParts; ++k) {
                const float s = part_[k].Next() * amp_[k];
                amp_[k] *= coef_[k];
                sl += s * gl_[k];
                sr += s * gr_[k];
            }
            strike_ *= strikeCoef_;
            const float nz = hp_.High(rng_.Bipolar()) * strike_ * 1.2f;
            l[i] += (sl + nz) * vel_;
            r[i] += (sr + nz) * vel_;
        }
        return amp_[0] > 1e-3f;
    }

  private:
    static constexpr int kParts = 5;
    std::array<SineOsc, kParts> part_;
    std::array<float, kParts> coef_{}, amp_{}, gl_{}, gr_{};
    Svf hp_;
    dm::Rng rng_;
    float vel_, strike_ = 1, strikeCoef_;
};

class SnapVoice final : public Voice {
  public:
    explicit SnapVoice(const Note& n) : rng_(n.seed), vel_(n.velocity * 0.5f) {
        hp_.Set(2200, 0.2f);
        coef_ = dm::DecayCoef(0.005);
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            const float w = rng_.Bipolar();
            const float y = hp_.High(w) * amp_ * vel_;
            amp_ *= coef_;
            l[i] += y;
            r[i] += y;
        }
        return amp_ > 1e-3f;
    }

  private:
    Svf hp_;
    dm::Rng rng_;
    float vel_, amp_ = 1, coef_;
};

}  // namespace

std::unique_ptr<Voice> MakeDrumVoice(Instrument inst, const Note& n) {
    switch (inst) {
        case Instrument::Kick:
            return std::make_unique<KickVoice>(n);
        case Instrument::Snare:
            return std::make_unique<SnareVoice>(n);
        case Instrument::Clap:
            return std::make_unique<ClapVoice>(n);
        case Instrument::HatClosed:
            return std::make_unique<HatVoice>(n, false);
        case Instrument::HatOpen:
            return std::make_unique<HatVoice>(n, true);
        case Instrument::Tom:
            return std::make_unique<TomVoice>(n);
        case Instrument::Crash:
            return std::make_unique<CrashVoice>(n);
        case Instrument::Impact:
            return std::make_unique<ImpactVoice>(n);
        case Instrument::ReverseCymbal:
            return std::make_unique<ReverseCymbalVoice>(n);
        case Instrument::Riser:
            return std::make_unique<RiserVoice>(n);
        case Instrument::MetalHit:
            return std::make_unique<MetalHitVoice>(n);
        case Instrument::Snap:
            return std::make_unique<SnapVoice>(n);
        default:
            return nullptr;
    }
}

}  // namespace content::music
