#include "content/music/Mixer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "content/music/Dsp.h"
#include "content/music/Effects.h"

namespace content::music {
namespace {

constexpr int kBlock = 512;

// Shape of the ducking dip: down within 4 ms, back up over about 200 ms.
std::vector<float> DuckShape() {
    const int n = kSampleRate / 2;
    std::vector<float> s(static_cast<size_t>(n));
    const int attack = kSampleRate * 4 / 1000;
    for (int i = 0; i < n; ++i) {
        if (i < attack) {
            s[i] = static_cast<float>(i) / attack;
        } else {
            const double x = double(i - attack) / kSampleRate;
            s[i] = static_cast<float>(dm::Exp(-x / 0.085));
        }
    }
    return s;
}

struct ChannelState {
    const Track* track;
    std::vector<const Note*> order;
    size_t next = 0;
    std::vector<std::unique_ptr<Voice>> active;
    float gl = 1, gr = 1;
    OnePole hpL, hpR;
};

}  // namespace

std::vector<int16_t> RenderSong(const Song& song) {
    const int64_t total = song.frames;
    std::vector<int16_t> out(static_cast<size_t>(total) * 2);
    const std::vector<float> shape = DuckShape();

    std::vector<ChannelState> chans(song.tracks.size());
    for (size_t c = 0; c < song.tracks.size(); ++c) {
        ChannelState& st = chans[c];
        st.track = &song.tracks[c];
        for (const Note& n : st.track->notes) st.order.push_back(&n);
        std::stable_sort(st.order.begin(), st.order.end(),
                         [](const Note* a, const Note* b) { return a->start < b->start; });
        PanGains(st.track->channel.pan, &st.gl, &st.gr);
        st.gl *= 1.41421356f * st.track->channel.gain;
        st.gr *= 1.41421356f * st.track->channel.gain;
        if (st.track->channel.highpass > 0) {
            st.hpL.SetHz(st.track->channel.highpass);
            st.hpR.SetHz(st.track->channel.highpass);
        }
    }
    std::vector<int64_t> triggers = song.duckTriggers;
    std::sort(triggers.begin(), triggers.end());
    size_t trig = 0;
    int64_t lastTrigger = -(1 << 30);

    Reverb reverb(0.86f, 0.3f, kSampleRate * 22 / 1000);
    PingPongDelay delay(song.delayFrames, 0.42f, 3200);
    Limiter limiter(0.89f);  // about -1 dBFS, room for the encoder's overshoot

    float cl[kBlock], cr[kBlock], dryL[kBlock], dryR[kBlock], verbL[kBlock], verbR[kBlock];
    float dlyL[kBlock], dlyR[kBlock], duck[kBlock];
    std::vector<double> chanEnergy(chans.size(), 0.0);
    double prePeak = 0, preEnergy = 0;
    std::vector<double> secPeak;

    // The limiter delays its output, so the mix runs that far ahead of what is written.
    const int64_t latency = Limiter::kLatency;
    for (int64_t b0 = 0; b0 < total + latency; b0 += kBlock) {
        const int n = static_cast<int>(std::min<int64_t>(kBlock, total + latency - b0));
        for (int i = 0; i < n; ++i) {
            const int64_t f = b0 + i;
            while (trig < triggers.size() && triggers[trig] <= f) lastTrigger = triggers[trig++];
            const int64_t since = f - lastTrigger;
            duck[i] = since < static_cast<int64_t>(shape.size()) ? 1.0f - shape[since] : 1.0f;
        }
        std::fill_n(dryL, n, 0.0f);
        std::fill_n(dryR, n, 0.0f);
        std::fill_n(verbL, n, 0.0f);
        std::fill_n(verbR, n, 0.0f);
        std::fill_n(dlyL, n, 0.0f);
        std::fill_n(dlyR, n, 0.0f);

        for (ChannelState& st : chans) {
            const Channel& ch = st.track->channel;
            std::fill_n(cl, n, 0.0f);
            std::fill_n(cr, n, 0.0f);
            bool any = false;
            // voices already sounding
            for (auto& v : st.active) {
                if (!v->Render(cl, cr, n)) v.reset();
                any = true;
            }
            st.active.erase(std::remove(st.active.begin(), st.active.end(), nullptr),
                            st.active.end());
            // voices starting inside this block
            while (st.next < st.order.size() && st.order[st.next]->start < b0 + n) {
                const Note& note = *st.order[st.next++];
                const int64_t off = std::max<int64_t>(note.start - b0, 0);
                auto v = MakeVoice(ch.inst, note);
                if (!v) continue;
                any = true;
                if (v->Render(cl + off, cr + off, n - static_cast<int>(off)))
                    st.active.push_back(std::move(v));
            }
            if (!any) continue;
            if (ch.highpass > 0) {
                for (int i = 0; i < n; ++i) {
                    cl[i] = st.hpL.High(cl[i]);
                    cr[i] = st.hpR.High(cr[i]);
                }
            }
            if (ch.duck > 0) {
                for (int i = 0; i < n; ++i) {
                    const float g = 1.0f - ch.duck * (1.0f - duck[i]);
                    cl[i] *= g;
                    cr[i] *= g;
                }
            }
            double& en = chanEnergy[static_cast<size_t>(&st - chans.data())];
            for (int i = 0; i < n; ++i) {
                const float l = cl[i] * st.gl, r = cr[i] * st.gr;
                en += double(l) * l + double(r) * r;
                dryL[i] += l;
                dryR[i] += r;
                verbL[i] += l * ch.reverb;
                verbR[i] += r * ch.reverb;
                dlyL[i] += l * ch.delay;
                dlyR[i] += r * ch.delay;
            }
        }
        // the delay's echoes go to the mix and a little into the reverb
        float echoL[kBlock], echoR[kBlock];
        std::fill_n(echoL, n, 0.0f);
        std::fill_n(echoR, n, 0.0f);
        delay.Process(dlyL, dlyR, echoL, echoR, n);
        for (int i = 0; i < n; ++i) {
            dryL[i] += echoL[i] * 0.6f;
            dryR[i] += echoR[i] * 0.6f;
            verbL[i] += echoL[i] * 0.25f;
            verbR[i] += echoR[i] * 0.25f;
        }
        reverb.Process(verbL, verbR, dryL, dryR, n);
        for (int i = 0; i < n; ++i) {
            dryL[i] *= song.masterGain;
            dryR[i] *= song.masterGain;
        }
        for (int i = 0; i < n; ++i) {
            const double pk = std::max(std::fabs(dryL[i]), std::fabs(dryR[i]));
            prePeak = std::max(prePeak, pk);
            const size_t sec = static_cast<size_t>((b0 + i) / kSampleRate);
            if (secPeak.size() <= sec) secPeak.resize(sec + 1, 0.0);
            secPeak[sec] = std::max(secPeak[sec], pk);
            preEnergy += double(dryL[i]) * dryL[i] + double(dryR[i]) * dryR[i];
        }
        limiter.Process(dryL, dryR, n);
        for (int i = 0; i < n; ++i) {
            const int64_t f = b0 + i - latency;
            if (f < 0) continue;
            int16_t* o = out.data() + f * 2;
            const float l = std::clamp(dryL[i], -1.0f, 1.0f) * 32767.0f;
            const float r = std::clamp(dryR[i], -1.0f, 1.0f) * 32767.0f;
            o[0] = static_cast<int16_t>(std::floor(l + 0.5f));
            o[1] = static_cast<int16_t>(std::floor(r + 0.5f));
        }
    }
    if (std::getenv("KELVRA_MIXSTATS")) {
        auto db = [&](double e) { return 10 * std::log10(e / (2.0 * total) + 1e-20); };
        std::printf("mix: pre-limiter peak %.2f dBFS, rms %.2f dBFS\n", 20 * std::log10(prePeak),
                    db(preEnergy));
        for (size_t i = 0; i < secPeak.size(); ++i)
            if (secPeak[i] > 1.12)
                std::printf("  second %zu pre-limiter peak %.2f dBFS\n", i,
                            20 * std::log10(secPeak[i]));
        for (size_t c = 0; c < chans.size(); ++c)
            std::printf("  channel %2zu rms %.2f dBFS\n", c, db(chanEnergy[c]));
    }
    return out;
}

}  // namespace content::music
