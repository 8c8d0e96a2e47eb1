// The output latency of the sound system behind SDL: the time between sound handed to SDL's
// device and that sound coming out, beyond the buffer SDL's own output holds (the SDL player
// counts that one). SDL does not report it, so the sound server is asked directly: PulseAudio,
// or PipeWire through its PulseAudio service, for the latency of a playback stream on the
// default output. Other drivers (ALSA, dummy, none) report nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace audio {

struct OutputLatency {
    std::optional<uint32_t> milliseconds;  // nothing when the system reports none
    std::string description;               // what was asked and what it said, for a message
};

// Asks the server behind SDL's current audio driver (call it while SDL's audio is open).
// libpulse-simple is loaded at run time, so a machine without it plays on without a figure.
OutputLatency ProbeOutputLatency();

// The same for a driver named here ("pulseaudio", "pipewire", "alsa", ...): the driver name
// decides whether a server is asked at all.
OutputLatency ProbeOutputLatency(const std::string& sdlDriver);

}  // namespace audio
