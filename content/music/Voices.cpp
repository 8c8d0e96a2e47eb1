// Tonal voices. Filters and pitch modulation are updated every kControl frames, which keeps the
// per-sample work to oscillators, one filter step and the envelope.
#include "content/music/Voices.h"

#include <algorithm>
#include <array>

#include "content/music/Dsp.h"

namespace content::music {
namespace {

constexpr int kControl = 32;

class PadVoice final : public Voice {
  public:
    explicit PadVoice(const Note& n) : vel_(n.velocity * 0.16f), cutoff_(n.p1 > 0 ? n.p1 : 2400) {
        dm::Rng rng(n.seed);
        static constexpr float kCents[kSaws] = {-19, -9, 0, 8, 18};
        static constexpr float kPan[kSaws] = {-0.9f, 0.5f, 0.0f, -0.5f, 0.9f};
        const double hz = dm::NoteHz(n.pitch);
        for (int i = 0; i < kSaws; ++i) {
            saw_[i].SetHz(static_cast<float>(hz * dm::Pow2(kCents[i] / 1200.0)));
            saw_[i].phase = rng.Unit();
            PanGains(kPan[i], &gl_[i], &gr_[i]);
        }
        env_.Setup(n.p2 > 0 ? n.p2 : 0.6f, 1.5f, 0.8f, n.p3 > 0 ? n.p3 : 1.2f, n.length);
        lfoPhase_ = rng.Unit();
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            if (ctl_-- == 0) {
                ctl_ = kControl - 1;
                lfoPhase_ += 0.25f * kControl * kInvRate;
                const float mod = 1.0f + 0.18f * dm::SinCycle(lfoPhase_);
                const float c = cutoff_ * mod * (0.55f + 0.45f * env_.value);
                fl_.Set(c, 0.12f);
                fr_.Set(c * 1.03f, 0.12f);
            }
            float sl = 0, sr = 0;
            for (int k = 0; k < kSaws; ++k) {
                const float s = saw_[k].Next();
                sl += s * gl_[k];
                sr += s * gr_[k];
            }
            const float e = env_.Next() * vel_;
            l[i] += fl_.Low(sl) * e;
            r[i] += fr_.Low(sr) * e;
        }
        return !env_.Finished();
    }

  private:
    static constexpr int kSaws = 5;
    std::array<SawOsc, kSaws> saw_;
    std::array<float, kSaws> gl_{}, gr_{};
    Svf fl_, fr_;
    Adsr env_;
    float vel_, cutoff_, lfoPhase_ = 0;
    int ctl_ = 0;
};

class LeadVoice final : public Voice {
  public:
    explicit LeadVoice(const Note& n)
        : vel_(n.velocity * 0.2f),
          pitch_(n.pitch),
          cur_(n.p1 > 0 ? n.p1 : n.pitch),
          cutoff_(n.p2 > 0 ? n.p2 : 2200) {
        dm::Rng rng(n.seed);
        for (auto& s : saw_) s.phase = rng.Unit();
        sub_.width = 0.5f;
        env_.Setup(0.004f, 0.5f, 0.7f, 0.5f, n.length);
        fenvCoef_ = dm::DecayCoef(0.25);
        glideCoef_ = dm::DecayCoef(0.045, kSampleRate / double(kControl));
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            if (ctl_-- == 0) {
                ctl_ = kControl - 1;
                Control();
            }
            const float a = saw_[0].Next(), b = saw_[1].Next(), c = saw_[2].Next();
            const float s = 0.4f * (a + b + c) + 0.35f * sub_.Next();
            fenv_ *= fenvCoef_;
            const float e = env_.Next() * vel_;
            const float yl = fl_.Low(s + 0.25f * (a - c));
            const float yr = fr_.Low(s - 0.25f * (a - c));
            l[i] += yl * e;
            r[i] += yr * e;
        }
        return !env_.Finished();
    }

  private:
    void Control() {
        age_ += kControl;
        cur_ = pitch_ + (cur_ - pitch_) * glideCoef_;
        const float vibDepth = std::clamp((age_ - 11000) / 22000.0f, 0.0f, 1.0f) * 0.22f;
        vibPhase_ += 5.3f * kControl * kInvRate;
        const float p = cur_ + vibDepth * dm::SinCycle(vibPhase_);
        const double hz = dm::NoteHz(p);
        saw_[0].SetHz(static_cast<float>(hz * 0.99537));
        saw_[1].SetHz(static_cast<float>(hz));
        saw_[2].SetHz(static_cast<float>(hz * 1.00463));
        sub_.SetHz(static_cast<float>(hz * 0.5));
        const float c = cutoff_ * (1.0f + 2.2f * fenv_);
        fl_.Set(c, 0.28f);
        fr_.Set(c, 0.28f);
    }
    std::array<SawOsc, 3> saw_;
    PulseOsc sub_;
    Svf fl_, fr_;
    Adsr env_;
    float vel_, pitch_, cur_, cutoff_;
    float fenv_ = 1, fenvCoef_, glideCoef_, vibPhase_ = 0;
    int ctl_ = 0, age_ = 0;
};

class BassVoice final : public Voice {
  public:
    explicit BassVoice(const Note& n)
        : vel_(n.velocity * 0.42f),
          cutoff_(n.p1 > 0 ? n.p1 : 300),
          amount_(n.p2 > 0 ? n.p2 : 3),
          res_(n.p3) {
        const double hz = dm::NoteHz(n.pitch);
        saw_.SetHz(static_cast<float>(hz));
        sub_.SetHz(static_cast<float>(hz * 0.5));
        sub_.width = 0.5f;
        env_.Setup(0.002f, 0.25f, 0.75f, 0.12f, n.length);
        fenvCoef_ = dm::DecayCoef(0.11);
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            if (ctl_-- == 0) {
                ctl_ = kControl - 1;
                f_.Set(cutoff_ * (1.0f + amount_ * fenv_), res_);
            }
            fenv_ *= fenvCoef_;
            const float s = 0.6f * saw_.Next() + 0.5f * sub_.Next();
            const float y = dm::SoftClip(1.4f * f_.Low(s)) * env_.Next() * vel_;
            l[i] += y;
            r[i] += y;
        }
        return !env_.Finished();
    }

  private:
    SawOsc saw_;
    PulseOsc sub_;
    Svf f_;
    Adsr env_;
    float vel_, cutoff_, amount_, res_, fenv_ = 1, fenvCoef_;
    int ctl_ = 0;
};

class PluckVoice final : public Voice {
  public:
    explicit PluckVoice(const Note& n) : vel_(n.velocity * 0.22f), cutoff_(n.p1 > 0 ? n.p1 : 900) {
        dm::Rng rng(n.seed);
        const double hz = dm::NoteHz(n.pitch);
        a_.SetHz(static_cast<float>(hz * 0.9971));
        b_.SetHz(static_cast<float>(hz * 1.0029));
        b_.width = 0.3f;
        a_.phase = rng.Unit();
        b_.phase = rng.Unit();
        env_.Setup(0.001f, n.p2 > 0 ? n.p2 : 0.22f, 0.0f, 0.35f, n.length);
        fenvCoef_ = dm::DecayCoef(0.09);
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            if (ctl_-- == 0) {
                ctl_ = kControl - 1;
                f_.Set(cutoff_ * (1.0f + 7.0f * fenv_), 0.2f);
            }
            fenv_ *= fenvCoef_;
            const float sa = a_.Next(), sb = b_.Next();
            const float y = f_.Low(0.6f * (sa + sb)) * env_.Next() * vel_;
            l[i] += y + 0.15f * (sa - sb) * env_.value * vel_ * fenv_;
            r[i] += y - 0.15f * (sa - sb) * env_.value * vel_ * fenv_;
        }
        return !env_.Finished() && env_.value > 1e-3f;
    }

  private:
    SawOsc a_;
    PulseOsc b_;
    Svf f_;
    Adsr env_;
    float vel_, cutoff_, fenv_ = 1, fenvCoef_;
    int ctl_ = 0;
};

class StabVoice final : public Voice {
  public:
    explicit StabVoice(const Note& n) : vel_(n.velocity * 0.2f), bright_(n.p1 > 0 ? n.p1 : 1) {
        dm::Rng rng(n.seed);
        const double hz = dm::NoteHz(n.pitch);
        static constexpr float kCents[3] = {-13, 0, 12};
        for (int i = 0; i < 3; ++i) {
            saw_[i].SetHz(static_cast<float>(hz * dm::Pow2(kCents[i] / 1200.0)));
            saw_[i].phase = rng.Unit();
        }
        env_.Setup(0.001f, 0.32f, 0.0f, 0.4f, n.length);
        fenvCoef_ = dm::DecayCoef(0.16);
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            if (ctl_-- == 0) {
                ctl_ = kControl - 1;
                const float c = bright_ * (500.0f + 7000.0f * fenv_);
                fl_.Set(c, 0.3f);
                fr_.Set(c * 1.05f, 0.3f);
            }
            fenv_ *= fenvCoef_;
            const float a = saw_[0].Next(), b = saw_[1].Next(), c = saw_[2].Next();
            const float e = env_.Next() * vel_;
            l[i] += fl_.Low(a + 0.7f * b) * e;
            r[i] += fr_.Low(c + 0.7f * b) * e;
        }
        return !env_.Finished() && env_.value > 1e-3f;
    }

  private:
    std::array<SawOsc, 3> saw_;
    Svf fl_, fr_;
    Adsr env_;
    float vel_, bright_, fenv_ = 1, fenvCoef_;
    int ctl_ = 0;
};

// Two-operator FM; the left and right carriers are detuned a little for width.
class BellVoice final : public Voice {
  public:
    explicit BellVoice(const Note& n) : vel_(n.velocity * 0.16f), index_(n.p2 > 0 ? n.p2 : 2.5f) {
        const double hz = dm::NoteHz(n.pitch);
        const double ratio = n.p1 > 0 ? n.p1 : 3.5;
        cl_.SetHz(static_cast<float>(hz * 0.9983));
        cr_.SetHz(static_cast<float>(hz * 1.0017));
        m_.SetHz(static_cast<float>(hz * ratio));
        env_.Setup(0.002f, 1.1f, 0.0f, 1.6f, n.length);
        idxCoef_ = dm::DecayCoef(0.35);
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            idx_ *= idxCoef_;
            const float mod = (0.15f + idx_) * index_ * 0.159f * m_.Next();
            const float e = env_.Next() * vel_;
            l[i] += dm::SinCycle(cl_.phase + mod) * e;
            r[i] += dm::SinCycle(cr_.phase + mod) * e;
            cl_.Next();
            cr_.Next();
        }
        return !env_.Finished() && env_.value > 1e-3f;
    }

  private:
    SineOsc cl_, cr_, m_;
    Adsr env_;
    float vel_, index_, idx_ = 1, idxCoef_;
};

class SubVoice final : public Voice {
  public:
    explicit SubVoice(const Note& n)
        : vel_(n.velocity * 0.5f), pitch_(n.pitch), cur_(n.p1 > 0 ? n.p1 : n.pitch) {
        env_.Setup(0.006f, 0.6f, 0.85f, 0.4f, n.length);
        glideCoef_ = dm::DecayCoef(0.06, kSampleRate / double(kControl));
    }
    bool Render(float* l, float* r, int n) override {
        for (int i = 0; i < n; ++i) {
            if (ctl_-- == 0) {
                ctl_ = kControl - 1;
                cur_ = pitch_ + (cur_ - pitch_) * glideCoef_;
                osc_.SetHz(static_cast<float>(dm::NoteHz(cur_)));
            }
            const float y = dm::SoftClip(1.6f * osc_.Next()) * env_.Next() * vel_;
            l[i] += y;
            r[i] += y;
        }
        return !env_.Finished();
    }

  private:
    SineOsc osc_;
    Adsr env_;
    float vel_, pitch_, cur_, glideCoef_;
    int ctl_ = 0;
};

}  // namespace

std::unique_ptr<Voice> MakeTonalVoice(Instrument inst, const Note& n) {
    switch (inst) {
        case Instrument::Pad:
            return std::make_unique<PadVoice>(n);
        case Instrument::Lead:
            return std::make_unique<LeadVoice>(n);
        case Instrument::Bass:
            return std::make_unique<BassVoice>(n);
        case Instrument::Pluck:
            return std::make_unique<PluckVoice>(n);
        case Instrument::Stab:
            return std::make_unique<StabVoice>(n);
        case Instrument::Bell:
            return std::make_unique<BellVoice>(n);
        case Instrument::Sub:
            return std::make_unique<SubVoice>(n);
        default:
            return nullptr;
    }
}

std::unique_ptr<Voice> MakeVoice(Instrument inst, const Note& n) {
    if (auto v = MakeTonalVoice(inst, n)) return v;
    return MakeDrumVoice(inst, n);
}

}  // namespace content::music
