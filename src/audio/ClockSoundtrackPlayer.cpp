// The silent soundtrack: the track is only measured, and its position runs with the platform
// clock from the moment of Start (or of the last Seek), less the time spent paused. Under a
// virtual clock it moves exactly as far as the clock is stepped, which makes capture and
// tests deterministic; a pause leaves no rounding behind.
#include <algorithm>

#include "audio/SoundtrackPlayer.h"
#include "platform/Clock.h"

namespace audio {

namespace {

class SilentPlayer final : public SoundtrackPlayer {
  public:
    StartResult Start(const uint8_t* data, size_t size, uint64_t startPosition,
                      std::string* error) override {
        Mp3Decoder decoder;
        if (!decoder.Open(data, size, error)) return StartResult::BadTrack;
        format_ = decoder.format();
        lengthFrames_ = decoder.lengthFrames();
        startFrame_ = std::min(startPosition / format_.bytesPerFrame(), lengthFrames_);
        lastFrame_ = startFrame_;
        startTime_ = platform::timeGetTime();
        started_ = true;
        stopped_ = false;
        paused_ = false;
        return StartResult::Started;
    }

    uint64_t Position() override {
        if (!started_) return 0;
        if (!stopped_) {
            // Unsigned difference: a clock wrap while playing still counts forward.
            const uint32_t now = paused_ ? pauseTime_ : platform::timeGetTime();
            const uint64_t ms = static_cast<uint32_t>(now - startTime_);
            uint64_t frame = startFrame_ + ms * static_cast<uint64_t>(format_.rate) / 1000;
            frame = std::min(frame, lengthFrames_);
            lastFrame_ = std::max(lastFrame_, frame);
        }
        return lastFrame_ * format_.bytesPerFrame();
    }

    void Stop() override {
        if (!started_ || stopped_) return;
        Position();
        stopped_ = true;
    }

    void Pause() override {
        if (!started_ || stopped_ || paused_) return;
        pauseTime_ = platform::timeGetTime();
        paused_ = true;
        Position();
    }

    void Resume() override {
        if (!started_ || stopped_ || !paused_) return;
        paused_ = false;
        startTime_ += platform::timeGetTime() - pauseTime_;  // the paused time is not played
    }

    bool paused() const override { return paused_; }

    bool Seek(uint64_t position) override {
        if (!started_ || stopped_) return false;
        startFrame_ = std::min(position / format_.bytesPerFrame(), lengthFrames_);
        lastFrame_ = startFrame_;
        startTime_ = paused_ ? pauseTime_ : platform::timeGetTime();
        return true;
    }

    std::optional<uint64_t> Length() const override {
        if (!started_) return std::nullopt;
        return lengthFrames_ * format_.bytesPerFrame();
    }
    TrackFormat Format() const override { return format_; }
    const char* BackendName() const override { return "none"; }

  private:
    TrackFormat format_;
    uint64_t lengthFrames_ = 0;
    uint64_t startFrame_ = 0;
    uint64_t lastFrame_ = 0;
    uint32_t startTime_ = 0;
    uint32_t pauseTime_ = 0;
    bool started_ = false;
    bool stopped_ = false;
    bool paused_ = false;
};

}  // namespace

std::unique_ptr<SoundtrackPlayer> CreateSilentPlayer() { return std::make_unique<SilentPlayer>(); }

}  // namespace audio
