#include "content/music/Effects.h"

#include <algorithm>
#include <cmath>

namespace content::music {

Reverb::Reverb(float roomSize, float damping, int preDelayFrames)
    : pre_(static_cast<size_t>(std::max(preDelayFrames, 1)), 0.0f),
      feedback_(roomSize),
      damp_(damping) {
    static constexpr int kComb[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static constexpr int kAllpass[4] = {556, 441, 341, 225};
    constexpr int kSpread = 23;
    for (int i = 0; i < 8; ++i) {
        combL_[i].buf.assign(kComb[i], 0.0f);
        combR_[i].buf.assign(kComb[i] + kSpread, 0.0f);
    }
    for (int i = 0; i < 4; ++i) {
        apL_[i].buf.assign(kAllpass[i], 0.0f);
        apR_[i].buf.assign(kAllpass[i] + kSpread, 0.0f);
    }
    hp_.SetHz(220);
    lp_.SetHz(7000);
}

void Reverb::Process(const float* inL, const float* inR, float* outL, float* outR, int n) {
    for (int i = 0; i < n; ++i) {
        // mono input after a pre-delay, without the lows that would only make mud
        float x = pre_[prePos_];
        pre_[prePos_] = (inL[i] + inR[i]) * 0.5f;
        if (++prePos_ == pre_.size()) prePos_ = 0;
        x = lp_.Low(hp_.High(x)) * 0.03f;
        float yl = 0, yr = 0;
        for (int k = 0; k < 8; ++k) {
            Comb& cl = combL_[k];
            float o = cl.buf[cl.pos];
            cl.store = o * (1 - damp_) + cl.store * damp_;
            cl.buf[cl.pos] = x + cl.store * feedback_;
            if (++cl.pos == cl.buf.size()) cl.pos = 0;
            yl += o;
            Comb& cr = combR_[k];
            o = cr.buf[cr.pos];
            cr.store = o * (1 - damp_) + cr.store * damp_;
            cr.buf[cr.pos] = x + cr.store * feedback_;
            if (++cr.pos == cr.buf.size()) cr.pos = 0;
            yr += o;
        }
        for (int k = 0; k < 4; ++k) {
            Allpass& al = apL_[k];
            float b = al.buf[al.pos];
            al.buf[al.pos] = yl + b * 0.5f;
            if (++al.pos == al.buf.size()) al.pos = 0;
            yl = b - yl;
            Allpass& ar = apR_[k];
            b = ar.buf[ar.pos];
            ar.buf[ar.pos] = yr + b * 0.5f;
            if (++ar.pos == ar.buf.size()) ar.pos = 0;
            yr = b - yr;
        }
        outL[i] += yl;
        outR[i] += yr;
    }
}

PingPongDelay::PingPongDelay(int delayFrames, float feedback, float toneHz)
    : bufL_(static_cast<size_t>(delayFrames), 0.0f),
      bufR_(static_cast<size_t>(delayFrames), 0.0f),
      feedback_(feedback) {
    lpL_.SetHz(toneHz);
    lpR_.SetHz(toneHz);
    hp_.SetHz(250);
}

void PingPongDelay::Process(const float* inL, const float* inR, float* outL, float* outR, int n) {
    for (int i = 0; i < n; ++i) {
        const float dl = bufL_[pos_], dr = bufR_[pos_];
        const float in = hp_.High((inL[i] + inR[i]) * 0.5f);
        // the input enters on the left, each repeat crosses over
        bufL_[pos_] = in + lpR_.Low(dr) * feedback_;
        bufR_[pos_] = lpL_.Low(dl) * feedback_;
        if (++pos_ == bufL_.size()) pos_ = 0;
        outL[i] += dl;
        outR[i] += dr;
    }
}

Limiter::Limiter(float ceiling) : ceiling_(ceiling) {
    attack_ = 1.0f - dm::DecayCoef(kLook / 6.0 / kSampleRate);
    release_ = 1.0f - dm::DecayCoef(0.12);
}

// Linear up to 85 % of the ceiling, then bent so that nothing the smoothed gain lets through
// can pass the ceiling.
float Limiter::Knee(float x) const {
    const float a = std::fabs(x), k = 0.85f * ceiling_;
    if (a <= k) return x;
    const float s = k + (ceiling_ - k) * dm::SoftClip((a - k) / (ceiling_ - k));
    return x < 0 ? -s : s;
}

void Limiter::Process(float* l, float* r, int n) {
    for (int i = 0; i < n; ++i) {
        const float peak = std::max(std::fabs(l[i]), std::fabs(r[i]));
        const float need = peak > ceiling_ ? ceiling_ / peak : 1.0f;
        if (need <= target_) {
            target_ = need;
            hold_ = kLook;
        } else if (hold_ > 0) {
            --hold_;
        } else {
            target_ = need;
        }
        gain_ += (target_ - gain_) * (target_ < gain_ ? attack_ : release_);
        const float ol = dl_[pos_], orr = dr_[pos_];
        dl_[pos_] = l[i];
        dr_[pos_] = r[i];
        if (++pos_ == kLook) pos_ = 0;
        l[i] = Knee(ol * gain_);
        r[i] = Knee(orr * gain_);
    }
}

}  // namespace content::music
