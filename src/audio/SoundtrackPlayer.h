// The soundtrack: an MP3 played from a memory block, with its playback position as the byte
// offset into the decoded 16-bit PCM stream (at the track's own rate and channel count) of
// the sound being heard now. The timeline keys every frame to that position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio/Mp3Decoder.h"

namespace audio {

enum class StartResult {
    Started,
    BadTrack,  // the block holds no playable MP3
    NoOutput,  // the track is fine but no sound output could be opened
};

class SoundtrackPlayer {
  public:
    virtual ~SoundtrackPlayer() = default;

    // Starts playback of the MP3 in data[0, size) at byte position `startPosition` (rounded
    // down to a whole sample frame, clamped to the end). The block must stay alive as long as
    // the player. On failure the reason is in `error`.
    virtual StartResult Start(const uint8_t* data, size_t size, uint64_t startPosition,
                              std::string* error) = 0;

    // Bytes of decoded PCM before the sample heard now. Never decreases but by Seek; stays at
    // the end of the track once it has been played (nothing loops); frozen by Pause and Stop.
    // 0 before Start.
    virtual uint64_t Position() = 0;

    // Ends the sound output. Safe to call more than once.
    virtual void Stop() = 0;

    // Sound and position stop where they are and go on from there; each is safe to repeat.
    // Players that cannot pause ignore them.
    virtual void Pause() {}
    virtual void Resume() {}
    virtual bool paused() const { return false; }

    // Plays on from byte `position` (rounded down to a whole sample frame, held to the end),
    // paused or not as before; Position() reads `position` until the sound moves on. False
    // where the player cannot seek (or has not started, or has stopped).
    virtual bool Seek(uint64_t position) {
        (void)position;
        return false;
    }

    // The whole track's decoded byte count, once Start has read it.
    virtual std::optional<uint64_t> Length() const = 0;
    virtual TrackFormat Format() const = 0;

    // "sdl" or "none", for messages.
    virtual const char* BackendName() const = 0;
};

// Sound through SDL2's audio output, decoded by libmpg123 while it plays.
std::unique_ptr<SoundtrackPlayer> CreateSdlPlayer();

// No sound: the position follows the platform clock (platform::timeGetTime), so a virtual
// clock drives it frame by frame during capture and in tests.
std::unique_ptr<SoundtrackPlayer> CreateSilentPlayer();

enum class AudioBackend { Sdl, None };

// Starts the soundtrack on `backend`. When SDL finds no output, or none was asked for, one
// line saying so goes to standard output and the silent player takes over. Null (with the reason in
// `error`) only when the track itself cannot be played.
std::unique_ptr<SoundtrackPlayer> StartSoundtrack(AudioBackend backend, const uint8_t* data,
                                                  size_t size, uint64_t startPosition,
                                                  std::string* error);

// The process-wide soundtrack (the stream the timeline reads), set by the load routine.
SoundtrackPlayer* Soundtrack();
void SetSoundtrack(SoundtrackPlayer* player);
// Soundtrack()->Position(), or 0 before there is one.
uint64_t SoundtrackPosition();

}  // namespace audio
