// Exact seeking. A seek restores the nearest snapshot at or before its target and plays the
// show on from there, unseen, on the virtual clock at 60 fps, exactly as a still plays from
// the start of the soundtrack: the kept render targets are put back to what creation left
// and the last two frames before the target draw into them (where they do; nothing else of
// theirs is drawn), so the frame drawn next at the target shows what the still there shows.
//
// Snapshots come only from such unseen runs, never from the live one (whose timers follow the
// real frame times): one every two seconds of show, each the show's state and the device's
// state just before that frame of the 60 fps grid, starting from the state loading left.
// They are made as seeks pass the last one made, or ahead of time (MakeSnapshots, or one at a
// time by MakeNextSnapshot), leaving the live run as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/ShowControl.h"
#include "audio/Mp3Decoder.h"
#include "gfx/RenderDevice.h"
#include "timeline/ShowState.h"

namespace audio {
class SoundtrackPlayer;
}

namespace app {

// What the seeker needs of the presentation it moves.
class SeekableShow {
  public:
    virtual ~SeekableShow() = default;
    // One timeline frame of `show` at `position` with the clock already set, its draws,
    // clears and present discarded (states and buffers still change); with `draw`, those into
    // the kept targets are made.
    virtual void PlayFrame(timeline::ShowState& show, uint32_t position, bool draw) = 0;
    // The render targets that keep their picture from frame to frame (the others are drawn
    // over whole, or cleared, before anything reads them).
    virtual std::vector<gfx::Surface*> KeptTargets() = 0;
    // Every kept target back to what creation left there (drawn, never discarded).
    virtual void ResetKeptTargets() = 0;
    // Whether the frame at `position` draws into the kept targets. Only such frames need
    // drawing before a seek's target: whatever else a frame draws, the next one draws over
    // before reading it.
    virtual bool DrawsIntoKeptTargets(uint32_t position) = 0;
};

// Render-target textures that hold copies of the kept targets for snapshots of the live run,
// lent while such a snapshot lives and taken back after.
struct TargetCopies {
    std::vector<gfx::Texture*> spare;
};

// One moment of a run: the show's state, the device's state and the clock's reading. The
// unseen run's lie just before frame `frame` of its 60 fps grid.
struct ShowSnapshot {
    ShowSnapshot() = default;
    ~ShowSnapshot();
    ShowSnapshot(const ShowSnapshot&) = delete;
    ShowSnapshot& operator=(const ShowSnapshot&) = delete;

    uint64_t frame = 0;
    timeline::ShowState show;
    gfx::RenderDevice* device = nullptr;
    DWORD deviceState = 0;  // a state block of `device`, deleted with the snapshot
    uint32_t clock = 0;
    // A live run's: what the kept targets held, in KeptTargets' order (given back to
    // `copies` with the snapshot).
    std::vector<gfx::Texture*> targets;
    std::shared_ptr<TargetCopies> copies;
};

class ShowSeeker final : public ShowControl {
  public:
    // Snapshots lie this many 60 fps frames apart.
    static constexpr uint64_t kSnapshotSpacing = 120;
    // Frames drawn before the target, after the kept targets are reset.
    static constexpr uint64_t kDrawnFrames = 2;

    // `live` is the presentation's state, as loading left it with the soundtrack started: the
    // unseen run starts from a copy of it and of the device's state, with the frame clock
    // started at the soundtrack's start. Positions are held to the length of the process-wide
    // soundtrack as it is at each seek.
    ShowSeeker(SeekableShow& show, timeline::ShowState& live);
    ~ShowSeeker() override;
    ShowSeeker(const ShowSeeker&) = delete;
    ShowSeeker& operator=(const ShowSeeker&) = delete;

    // Replaces the live state (and the device's state) by the unseen run's just before its
    // frame at `position`; the clock is left reading the returned value (virtual or real as
    // it was).
    uint32_t SeekTo(uint64_t position) override;

    // Plays the unseen run on to `position` with every draw discarded, making the snapshots up
    // to there, and puts the live state, the device's state and the clock back as they were.
    void MakeSnapshots(uint64_t position);
    // The same for the one snapshot after the last one made (a live run makes them a few
    // milliseconds a frame this way); false once every snapshot of the track is made.
    bool MakeNextSnapshot();

    // The live run as it stands, and back to such a moment: the show's state, the device's
    // state, what the kept render targets hold and the clock (which keeps its kind, real or
    // virtual, and reads what it read then).
    std::unique_ptr<ShowSnapshot> Snapshot();
    void Restore(const ShowSnapshot& snapshot);

    size_t snapshotCount() const { return snapshots_.size(); }
    const ShowSnapshot& snapshot(size_t i) const { return *snapshots_[i]; }
    // Frames the unseen runs have played so far (for the figures).
    uint64_t framesPlayed() const { return framesPlayed_; }

  private:
    void UseTrack();
    uint64_t Whole(uint64_t bytes) const;
    // Restores the snapshot nearest at or before frame `from` and plays frames up to `end`
    // (exclusive), drawing those from `from` on after resetting the kept targets.
    void Play(uint64_t from, uint64_t end, bool draw);
    void Take(uint64_t frame);
    // The show's and the device's state and the clock reading, not the targets.
    std::unique_ptr<ShowSnapshot> StateSnapshot() const;
    // The show's and the device's state, not the clock.
    void RestoreState(const ShowSnapshot& snapshot);
    gfx::Texture* LendCopy(const gfx::Surface& like);

    SeekableShow& show_;
    timeline::ShowState& live_;
    std::vector<std::unique_ptr<ShowSnapshot>> snapshots_;
    std::shared_ptr<TargetCopies> copies_ = std::make_shared<TargetCopies>();
    audio::TrackFormat format_{44100, 2};
    uint64_t length_ = UINT64_MAX;
    uint64_t framesPlayed_ = 0;
};

}  // namespace app
