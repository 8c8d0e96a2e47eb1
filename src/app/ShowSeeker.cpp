#include "app/ShowSeeker.h"

#include <algorithm>

#include "app/Capture.h"
#include "audio/SoundtrackPlayer.h"
#include "gfx/GlobalDevice.h"
#include "platform/Clock.h"

namespace app {

ShowSnapshot::~ShowSnapshot() {
    if (device && deviceState) device->DeleteStateBlock(deviceState);
    if (copies) copies->spare.insert(copies->spare.end(), targets.begin(), targets.end());
}

ShowSeeker::ShowSeeker(SeekableShow& show, timeline::ShowState& live) : show_(show), live_(live) {
    auto start = StateSnapshot();
    // As FrameClock::Start leaves it when the soundtrack starts on the virtual clock.
    start->show.frameClock.startTime = kRenderClockStart;
    start->clock = kRenderClockStart;
    snapshots_.push_back(std::move(start));
}

ShowSeeker::~ShowSeeker() = default;

std::unique_ptr<ShowSnapshot> ShowSeeker::StateSnapshot() const {
    auto s = std::make_unique<ShowSnapshot>();
    s->show = live_;
    s->clock = platform::timeGetTime();
    s->device = RenderDevice;
    if (s->device && FAILED(s->device->CreateStateBlock(D3DSBT_ALL, &s->deviceState)))
        s->deviceState = 0;
    return s;
}

gfx::Texture* ShowSeeker::LendCopy(const gfx::Surface& like) {
    auto& spare = copies_->spare;
    for (auto it = spare.begin(); it != spare.end(); ++it) {
        gfx::Surface* level = (*it)->level(0);
        if (level->width() == like.width() && level->height() == like.height() &&
            level->format() == like.format()) {
            gfx::Texture* copy = *it;
            spare.erase(it);
            return copy;
        }
    }
    gfx::Texture* copy = nullptr;
    if (FAILED(RenderDevice->CreateTexture(like.width(), like.height(), 1, D3DUSAGE_RENDERTARGET,
                                           like.format(), D3DPOOL_DEFAULT, &copy)))
        return nullptr;
    return copy;
}

std::unique_ptr<ShowSnapshot> ShowSeeker::Snapshot() {
    auto s = StateSnapshot();
    if (!s->device) return s;
    s->copies = copies_;
    for (gfx::Surface* target : show_.KeptTargets()) {
        gfx::Texture* copy = LendCopy(*target);
        if (copy) s->device->CopyRects(target, nullptr, 0, copy->level(0), nullptr);
        s->targets.push_back(copy);
    }
    return s;
}

void ShowSeeker::Restore(const ShowSnapshot& snapshot) {
    RestoreState(snapshot);
    const std::vector<gfx::Surface*> kept = show_.KeptTargets();
    for (size_t i = 0; i < kept.size() && i < snapshot.targets.size(); ++i)
        if (snapshot.targets[i])
            snapshot.device->CopyRects(snapshot.targets[i]->level(0), nullptr, 0, kept[i], nullptr);
    if (platform::IsVirtualClock())
        platform::VirtualClockSet(snapshot.clock);
    else
        platform::UseRealClockFrom(snapshot.clock);
}

void ShowSeeker::UseTrack() {
    audio::SoundtrackPlayer* track = audio::Soundtrack();
    if (!track) return;
    const audio::TrackFormat format = track->Format();
    if (format.rate > 0 && format.bytesPerFrame() > 0) format_ = format;
    length_ = track->Length().value_or(UINT64_MAX);
}

uint64_t ShowSeeker::Whole(uint64_t bytes) const {
    const uint64_t bpf = format_.bytesPerFrame();
    return bytes / bpf * bpf;
}

uint32_t ShowSeeker::SeekTo(uint64_t position) {
    UseTrack();
    const uint64_t target = Whole(std::min(position, length_));
    const FrameGrid grid{format_, kStillFramesPerSecond, 0};
    const uint64_t frames = grid.FramesBefore(target);
    const platform::ClockSource clock = platform::CurrentClockSource();
    Play(frames - std::min(frames, kDrawnFrames), frames, true);
    const uint32_t reading = ClockAt(kRenderClockStart, target, format_);
    if (clock.isVirtual)
        platform::VirtualClockSet(reading);
    else
        platform::UseRealClockFrom(reading);
    return reading;
}

bool ShowSeeker::MakeNextSnapshot() {
    UseTrack();
    if (length_ == UINT64_MAX) return false;  // no track: no end to make them up to
    const FrameGrid grid{format_, kStillFramesPerSecond, 0};
    const uint64_t next = snapshots_.back()->frame + kSnapshotSpacing;
    if (next >= grid.FramesBefore(length_)) return false;
    // Just past the frame's position, so that frame lies below it.
    const size_t made = snapshots_.size();
    MakeSnapshots(grid.Position(next) + format_.bytesPerFrame());
    return snapshots_.size() > made;
}

void ShowSeeker::MakeSnapshots(uint64_t position) {
    UseTrack();
    const uint64_t target = Whole(std::min(position, length_));
    const uint64_t frames = FrameGrid{format_, kStillFramesPerSecond, 0}.FramesBefore(target);
    // The run stops where the last snapshot below the position is made.
    const uint64_t last = frames == 0 ? 0 : (frames - 1) / kSnapshotSpacing * kSnapshotSpacing;
    if (last <= snapshots_.back()->frame) return;
    // Discarded frames leave the render targets alone.
    const std::unique_ptr<ShowSnapshot> saved = StateSnapshot();
    const platform::ClockSource clock = platform::CurrentClockSource();
    Play(last, last, false);
    RestoreState(*saved);
    platform::RestoreClockSource(clock);
}

void ShowSeeker::Play(uint64_t from, uint64_t end, bool draw) {
    const size_t nearest = std::min<size_t>(from / kSnapshotSpacing, snapshots_.size() - 1);
    RestoreState(*snapshots_[nearest]);
    const FrameGrid grid{format_, kStillFramesPerSecond, 0};
    bool reset = false;
    platform::UseVirtualClock(kRenderClockStart);
    const auto takeDue = [this](uint64_t k) {
        if (k % kSnapshotSpacing == 0 && k / kSnapshotSpacing == snapshots_.size()) Take(k);
    };
    for (uint64_t k = snapshots_[nearest]->frame; k < end; ++k) {
        takeDue(k);
        const uint64_t position = grid.Position(k);
        const uint32_t at = static_cast<uint32_t>(std::min<uint64_t>(position, UINT32_MAX));
        const bool drawn = draw && k >= from && show_.DrawsIntoKeptTargets(at);
        if (drawn && !reset) {
            show_.ResetKeptTargets();
            reset = true;
        }
        platform::VirtualClockSet(ClockAt(kRenderClockStart, position, format_));
        show_.PlayFrame(live_, at, drawn);
        ++framesPlayed_;
    }
    takeDue(end);
    // Nothing drawn into them: reset, they hold what a still there finds.
    if (draw && !reset) show_.ResetKeptTargets();
}

void ShowSeeker::Take(uint64_t frame) {
    auto s = StateSnapshot();
    s->frame = frame;
    s->clock = ClockAt(kRenderClockStart,
                       FrameGrid{format_, kStillFramesPerSecond, 0}.Position(frame), format_);
    snapshots_.push_back(std::move(s));
}

void ShowSeeker::RestoreState(const ShowSnapshot& snapshot) {
    live_ = snapshot.show;
    if (snapshot.device && snapshot.deviceState)
        snapshot.device->ApplyStateBlock(snapshot.deviceState);
}

}  // namespace app
