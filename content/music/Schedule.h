// Where the picture expects the music: every position the presentation keys an accent or a section
// change to (byte offsets into the decoded 16-bit stereo stream), and the tempo grid that puts the
// song's bars and beats on them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace content::music {

constexpr int kSampleRate = 44100;
constexpr int kChannels = 2;
constexpr int kBytesPerFrame = 4;  // 16-bit stereo

constexpr int64_t FrameOfByte(uint32_t bytePos) { return bytePos / kBytesPerFrame; }

// Section windows of the picture, in bytes.
namespace pos {
constexpr uint32_t kWaterStart = 1792000;       // title ends, water scene begins
constexpr uint32_t kBackwardsStart = 12620800;  // water scene reversed with the metal object
constexpr uint32_t kScreenStart = 18048000;     // picture screen scene (drawn from 18022400)
constexpr uint32_t kPeopleFadeIn = 22609920;    // people picture fades in over the screen scene
constexpr uint32_t kRingStart = 23080704;       // ring scene and credits
constexpr uint32_t kCubeStart = 34291456;       // cube grid
constexpr uint32_t kMeshStart = 36992000;       // rotating mesh
constexpr uint32_t kGlowRamp = 39421696;        // glow strength starts rising
constexpr uint32_t kEndSceneStart = 39677696;   // end mesh scene
constexpr uint32_t kEndScreen = 42756096;       // end picture fades in
}  // namespace pos

// The accent positions, in bytes, as the picture's flash and cut tables list them.
std::span<const uint32_t> WhiteFlashPositions();  // 3: flash numbers 0, 8, 24
std::span<const uint32_t> CutPositions();         // 7 picture cuts
std::span<const uint32_t> InsertFlashesC();       // 45
std::span<const uint32_t> InsertFlashesG();       // 8
std::span<const uint32_t> SceneCutPositions();    // 5
std::span<const uint32_t> LongFlashPositions();   // 4

enum class AccentKind { WhiteFlash, Cut, InsertC, InsertG, SceneCut, LongFlash };

struct Accent {
    uint32_t bytePos;
    AccentKind kind;
    int index;  // within its table
};

// Every accent, sorted by position; a position shared by two tables appears once per table.
const std::vector<Accent>& Accents();

// Grid steps (sixteenth notes; thirteenths of a bar in the breakdown) where sections begin.
namespace step {
constexpr int kIntro = 0;
constexpr int kWater = 80;      // = pos::kWaterStart
constexpr int kCuts = 464;      // first picture cut, one cut per bar
constexpr int kRitard = 576;    // bar that slows into the breakdown
constexpr int kBreak = 592;     // = pos::kBackwardsStart; 13 steps per bar from here
constexpr int kBreakBars = 16;  // full 13-step bars, then a 4-step bar
constexpr int kScreen = 804;    // = pos::kScreenStart; back to sixteenths
constexpr int kRing = 1044;     // ring scene music
constexpr int kCredits = 1188;  // eight credits, one every two bars
constexpr int kRingBuild = 1444;
constexpr int kLong = 1508;  // = first long flash
constexpr int kCube = 1572;  // = pos::kCubeStart
constexpr int kMesh = 1700;  // = pos::kMeshStart
constexpr int kEnd = 1828;   // = pos::kEndSceneStart
constexpr int kEndBars = 28;
constexpr int kFinal = kEnd + kEndBars * 16;  // last chord
}  // namespace step

// Grid steps of the accents that the grid is pinned to (cuts, scene cuts, long and G flashes).
std::span<const int> SceneCutSteps();
std::span<const int> InsertGSteps();

// Maps grid steps to sample frames. Anchors pin chosen steps to exact frames; between them the
// mapping is a monotone cubic, so the tempo bends smoothly instead of jumping.
class TempoGrid {
  public:
    enum class Tangent { Smooth, Left, Right, Corner };
    struct Anchor {
        double step;
        double frame;
        Tangent tangent;
    };
    explicit TempoGrid(std::vector<Anchor> anchors);

    double Frame(double step) const;
    int64_t FrameAt(double step) const;  // rounded to a whole frame
    double StepAt(double frame) const;   // inverse, by bisection
    double FramesPerStep(double step) const;

  private:
    std::vector<Anchor> a_;
    std::vector<double> mLeft_, mRight_;  // slopes (frames per step) on each side of an anchor
};

const TempoGrid& SongGrid();

// Total length of the rendered track in frames (music plus its tail).
int64_t TrackFrames();

}  // namespace content::music
