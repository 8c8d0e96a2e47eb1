// The schedule: which segment is drawn at which soundtrack position, and the tables the
// segments read. Positions are byte offsets into the decoded 16-bit PCM of the soundtrack;
// every window is open at both ends.
#pragma once

#include <cstdint>
#include <limits>

#include "effects/overlays/Credits.h"

namespace timeline {

struct SegmentWindow {
    int64_t after;   // drawn when position > after ...
    int64_t before;  // ... and position < before
    constexpr bool contains(uint32_t position) const {
        return static_cast<int64_t>(position) > after && static_cast<int64_t>(position) < before;
    }
};

inline constexpr int64_t kNoBound = std::numeric_limits<int64_t>::max();

inline constexpr SegmentWindow kSegmentA{-1, 1792000};         // title sprite
inline constexpr SegmentWindow kSegmentB{1792000, 12620800};   // water scene, shots
inline constexpr SegmentWindow kSegmentC{12620800, 18048000};  // water backwards, metal
inline constexpr SegmentWindow kSegmentD{18022400, 23080704};  // picture screen scene
inline constexpr SegmentWindow kSegmentE{23080704, 34291456};  // ring scene, credits
inline constexpr SegmentWindow kSegmentF{34291456, 36992000};  // cube grid in fog
inline constexpr SegmentWindow kSegmentG{36992000, 39677696};  // rotating mesh
inline constexpr SegmentWindow kSegmentH{39677696, 93956096};  // end mesh, fade
inline constexpr SegmentWindow kSegmentI{22609920, 23080704};  // people fading in
inline constexpr SegmentWindow kSegmentJ{42756096, kNoBound};  // end screen

// Picture cuts: cut i begins after position i and shows picture i + 1.
constexpr int kCutCount = 7;
inline constexpr uint32_t kCutPositions[kCutCount] = {9907200,  10240000, 10572800, 10905600,
                                                      11238400, 11571200, 11904000};
// Ticks a cut stays on screen before segment B moves to its next shot.
constexpr float kCutHold = 30.0f;

// Segment B's shots, by the number of cuts completed.
constexpr int kShotCount = 8;
inline constexpr uint32_t kShotCamera[kShotCount] = {4, 1, 2, 3, 8, 5, 6, 7};
inline constexpr float kShotStart[kShotCount] = {0, 400, 200, 600, 100, 0, 0, 0};

// Segment D: camera cuts (the picture screen scene applies them); a scene-cut flash fires at
// each.
inline constexpr uint32_t kScreenSceneThresholds[5] = {18719232, 19394048, 20076800, 20736000,
                                                       21435648};
inline constexpr uint32_t kScreenSceneCamera[6] = {1, 6, 3, 4, 5, 2};

// Segment D's shot at a position: how many thresholds it is above (0..5).
constexpr uint32_t ScreenSceneShotAt(uint32_t position) {
    uint32_t shot = 0;
    for (uint32_t threshold : kScreenSceneThresholds)
        if (position > threshold) ++shot;
    return shot;
}

// Segment G: the glow starts to rise after this position.
constexpr uint32_t kGlowRiseAfter = 39421696;

constexpr uint32_t Bound(int64_t limit) { return static_cast<uint32_t>(limit); }

// White flashes: the number the timeline draws them by and the position each fires after, the
// limits of the water segments.
struct WhiteFlashCue {
    int number;
    uint32_t after;
};
inline constexpr WhiteFlashCue kWhiteFlashes[3] = {
    {0, Bound(kSegmentB.after)}, {8, Bound(kSegmentC.after)}, {24, Bound(kSegmentC.before)}};

// Insert flashes of segment C (the first as the segment begins) and of segment G (likewise).
inline constexpr uint32_t kInsertFlashesC[45] = {Bound(kSegmentC.after),
                                                 12672000,
                                                 12828160,
                                                 12953600,
                                                 13004800,
                                                 13158400,
                                                 13286400,
                                                 13337600,
                                                 13491200,
                                                 13619200,
                                                 13670400,
                                                 13824000,
                                                 13952000,
                                                 14003200,
                                                 14182400,
                                                 14284800,
                                                 14336000,
                                                 14489600,
                                                 14617600,
                                                 14668800,
                                                 14822400,
                                                 14950400,
                                                 15001600,
                                                 15155200,
                                                 15283200,
                                                 15334400,
                                                 15488000,
                                                 15616000,
                                                 15667200,
                                                 15820800,
                                                 15948800,
                                                 16000000,
                                                 16153600,
                                                 16281600,
                                                 16332800,
                                                 16486400,
                                                 16665600,
                                                 16716800,
                                                 16870400,
                                                 16972800,
                                                 17049600,
                                                 17228800,
                                                 17331200,
                                                 17408000,
                                                 17536000};
inline constexpr uint32_t kInsertFlashesG[8] = {
    Bound(kSegmentG.after), 37324800, 37683200, 38016000, 38348800, 38681600, 39040000, 39372800};

// Segment E: the four long flashes and the eight credits.
inline constexpr uint32_t kLongFlashes[4] = {32946688, 33280000, 33625344, 33952512};
inline constexpr effects::CreditPlace kCreditPlaces[effects::kCreditCount] = {
    {26163200, 100, 100}, {26828800, 200, 200}, {27528960, 400, 300}, {28204544, 300, 400},
    {28851200, 260, 360}, {29562112, 260, 360}, {30238464, 360, 260}, {30909184, 160, 260}};

// Glow strengths (the screen effect quad's pixel constant) set by the segments.
constexpr float kStrengthA = 0.255f;
constexpr float kStrengthBC = 0.265f;
constexpr float kStrengthD = 0.258f;
constexpr float kStrengthEF = 0.259f;
constexpr float kStrengthG = 0.26f;
constexpr float kStrengthH = 0.265f;

}  // namespace timeline
