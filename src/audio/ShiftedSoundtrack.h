// The soundtrack as the timeline reads it: another player's position moved by a signed
// offset, held inside the track. The offset is what the sound system reports as its output
// latency, taken off (the sound handed over is heard that much later), plus the viewer's own
// A/V offset; positive offsets show the pictures earlier than the sound. Pause, seek and stop
// go to the player underneath, in the same shifted units.
#pragma once

#include "audio/SoundtrackPlayer.h"

namespace audio {

class ShiftedSoundtrack final : public SoundtrackPlayer {
  public:
    explicit ShiftedSoundtrack(SoundtrackPlayer& player) : player_(player) {}

    void setOffsetMilliseconds(int milliseconds) { offsetMs_ = milliseconds; }
    int offsetMilliseconds() const { return offsetMs_; }

    // The player's position plus the offset, in whole sample frames, held to [0, length].
    uint64_t Position() override;
    // What Position() returned last: the position of the frame the timeline drew last.
    uint64_t lastPosition() const { return last_; }

    // The player moves to `position` less the offset (not below 0), so Position() reads
    // `position` afterwards wherever the track allows.
    bool Seek(uint64_t position) override;

    StartResult Start(const uint8_t* data, size_t size, uint64_t startPosition,
                      std::string* error) override {
        return player_.Start(data, size, startPosition, error);
    }
    void Stop() override { player_.Stop(); }
    void Pause() override { player_.Pause(); }
    void Resume() override { player_.Resume(); }
    bool paused() const override { return player_.paused(); }
    std::optional<uint64_t> Length() const override { return player_.Length(); }
    TrackFormat Format() const override { return player_.Format(); }
    const char* BackendName() const override { return player_.BackendName(); }

    SoundtrackPlayer& player() const { return player_; }

  private:
    // The offset in bytes of whole sample frames, rounded towards zero.
    int64_t OffsetBytes() const;

    SoundtrackPlayer& player_;
    int offsetMs_ = 0;
    uint64_t last_ = 0;
};

}  // namespace audio
