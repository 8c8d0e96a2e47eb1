#include "content/music/Schedule.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace content::music {
namespace {

constexpr uint32_t kWhite[] = {1792000, 12620800, 18048000};
constexpr uint32_t kCuts[] = {9907200, 10240000, 10572800, 10905600, 11238400, 11571200, 11904000};
constexpr uint32_t kInsertC[] = {
    12620800, 12672000, 12828160, 12953600, 13004800, 13158400, 13286400, 13337600, 13491200,
    13619200, 13670400, 13824000, 13952000, 14003200, 14182400, 14284800, 14336000, 14489600,
    14617600, 14668800, 14822400, 14950400, 15001600, 15155200, 15283200, 15334400, 15488000,
    15616000, 15667200, 15820800, 15948800, 16000000, 16153600, 16281600, 16332800, 16486400,
    16665600, 16716800, 16870400, 16972800, 17049600, 17228800, 17331200, 17408000, 17536000};
constexpr uint32_t kInsertG[] = {36992000, 37324800, 37683200, 38016000,
                                 38348800, 38681600, 39040000, 39372800};
constexpr uint32_t kSceneCuts[] = {18719232, 19394048, 20076800, 20736000, 21435648};
constexpr uint32_t kLong[] = {32946688, 33280000, 33625344, 33952512};

// Scene cuts fall every two bars but for the fourth, which comes a sixteenth early: that keeps
// the tempo between 124 and 126 BPM. The G flashes drift by a sixteenth twice over eight bars.
constexpr int kSceneCutSteps[] = {836, 868, 900, 931, 964};
constexpr int kInsertGSteps[] = {1700, 1716, 1733, 1749, 1765, 1781, 1798, 1814};

constexpr double kEndFramesPerStep = 5292.0;  // 125 BPM for the outro

std::vector<TempoGrid::Anchor> SongAnchors() {
    using T = TempoGrid::Tangent;
    std::vector<TempoGrid::Anchor> a;
    auto pin = [&](double s, uint32_t bytePos, T t = T::Smooth) {
        a.push_back({s, static_cast<double>(FrameOfByte(bytePos)), t});
    };
    pin(step::kWater, pos::kWaterStart);
    for (int i = 0; i < 7; ++i) pin(step::kCuts + 16 * i, kCuts[i]);
    // The bar after the last cut keeps the cut tempo; the next one slows to the breakdown's
    // step of 6400 frames (13 steps per bar of 83200 frames).
    pin(step::kRitard, kCuts[6] + 332800, T::Left);
    pin(step::kBreak, pos::kBackwardsStart, T::Right);
    pin(step::kScreen, pos::kScreenStart, T::Corner);
    for (int i = 0; i < 5; ++i) pin(kSceneCutSteps[i], kSceneCuts[i]);
    for (int i = 0; i < 4; ++i) pin(step::kLong + 16 * i, kLong[i]);
    pin(step::kCube, pos::kCubeStart);
    for (int i = 0; i < 8; ++i) pin(kInsertGSteps[i], kInsertG[i]);
    pin(step::kEnd, pos::kEndSceneStart);
    const double endFrame = static_cast<double>(FrameOfByte(pos::kEndSceneStart));
    const double steadyEnd = endFrame + (step::kFinal - 32 - step::kEnd) * kEndFramesPerStep;
    a.push_back({step::kFinal - 32.0, steadyEnd, T::Left});
    // The last two bars broaden by about an eighth.
    a.push_back({double(step::kFinal), steadyEnd + 32 * kEndFramesPerStep * 1.125, T::Smooth});
    return a;
}

}  // namespace

std::span<const uint32_t> WhiteFlashPositions() { return kWhite; }
std::span<const uint32_t> CutPositions() { return kCuts; }
std::span<const uint32_t> InsertFlashesC() { return kInsertC; }
std::span<const uint32_t> InsertFlashesG() { return kInsertG; }
std::span<const uint32_t> SceneCutPositions() { return kSceneCuts; }
std::span<const uint32_t> LongFlashPositions() { return kLong; }
std::span<const int> SceneCutSteps() { return kSceneCutSteps; }
std::span<const int> InsertGSteps() { return kInsertGSteps; }

const std::vector<Accent>& Accents() {
    static const std::vector<Accent> list = [] {
        std::vector<Accent> v;
        auto add = [&](std::span<const uint32_t> t, AccentKind k) {
            for (size_t i = 0; i < t.size(); ++i) v.push_back({t[i], k, static_cast<int>(i)});
        };
        add(kWhite, AccentKind::WhiteFlash);
        add(kCuts, AccentKind::Cut);
        add(kInsertC, AccentKind::InsertC);
        add(kInsertG, AccentKind::InsertG);
        add(kSceneCuts, AccentKind::SceneCut);
        add(kLong, AccentKind::LongFlash);
        std::stable_sort(v.begin(), v.end(),
                         [](const Accent& x, const Accent& y) { return x.bytePos < y.bytePos; });
        return v;
    }();
    return list;
}

TempoGrid::TempoGrid(std::vector<Anchor> anchors) : a_(std::move(anchors)) {
    const size_t n = a_.size();
    if (n < 2) throw std::invalid_argument("tempo grid needs two anchors");
    std::vector<double> h(n - 1), d(n - 1);
    for (size_t i = 0; i + 1 < n; ++i) {
        h[i] = a_[i + 1].step - a_[i].step;
        if (h[i] <= 0 || a_[i + 1].frame <= a_[i].frame)
            throw std::invalid_argument("tempo grid anchors must increase");
        d[i] = (a_[i + 1].frame - a_[i].frame) / h[i];
    }
    mLeft_.assign(n, 0.0);
    mRight_.assign(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        const bool first = i == 0, last = i + 1 == n;
        const double dl = first ? d[0] : d[i - 1];
        const double dr = last ? d[n - 2] : d[i];
        double m;
        switch (a_[i].tangent) {
            case Tangent::Left:
                m = dl;
                break;
            case Tangent::Right:
                m = dr;
                break;
            case Tangent::Corner:
                mLeft_[i] = dl;
                mRight_[i] = dr;
                continue;
            case Tangent::Smooth:
            default:
                if (first || last) {
                    m = first ? dr : dl;
                } else {
                    // Weighted harmonic mean of the neighbouring slopes keeps the map monotone.
                    const double w1 = 2 * h[i] + h[i - 1], w2 = h[i] + 2 * h[i - 1];
                    m = (w1 + w2) / (w1 / dl + w2 / dr);
                }
                break;
        }
        mLeft_[i] = mRight_[i] = m;
    }
}

double TempoGrid::Frame(double s) const {
    if (s <= a_.front().step) return a_.front().frame + (s - a_.front().step) * mRight_.front();
    if (s >= a_.back().step) return a_.back().frame + (s - a_.back().step) * mLeft_.back();
    auto it = std::upper_bound(a_.begin(), a_.end(), s,
                               [](double v, const Anchor& x) { return v < x.step; });
    const size_t i = static_cast<size_t>(it - a_.begin()) - 1;
    const Anchor& p = a_[i];
    const Anchor& q = a_[i + 1];
    if (s == p.step) return p.frame;
    const double h = q.step - p.step, t = (s - p.step) / h, t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * p.frame + (t3 - 2 * t2 + t) * h * mRight_[i] +
           (-2 * t3 + 3 * t2) * q.frame + (t3 - t2) * h * mLeft_[i + 1];
}

int64_t TempoGrid::FrameAt(double s) const {
    return static_cast<int64_t>(std::floor(Frame(s) + 0.5));
}

double TempoGrid::FramesPerStep(double s) const {
    const double e = 1.0 / 64;
    return (Frame(s + e) - Frame(s - e)) / (2 * e);
}

double TempoGrid::StepAt(double frame) const {
    double lo = a_.front().step - 1000, hi = a_.back().step + 1000;
    for (int i = 0; i < 80; ++i) {
        const double mid = 0.5 * (lo + hi);
        (Frame(mid) < frame ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

const TempoGrid& SongGrid() {
    static const TempoGrid grid(SongAnchors());
    return grid;
}

int64_t TrackFrames() { return SongGrid().FrameAt(step::kFinal) + 9 * kSampleRate; }

}  // namespace content::music
