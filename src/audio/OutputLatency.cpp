#include "audio/OutputLatency.h"

#include <SDL.h>
#include <dlfcn.h>

#if __has_include(<pulse/simple.h>)
#include <pulse/error.h>
#include <pulse/simple.h>
#define RUNEPLAY_HAVE_PULSE_HEADERS 1
#endif

namespace audio {

namespace {

#ifdef RUNEPLAY_HAVE_PULSE_HEADERS
// A playback stream in the track's usual format on the default sink, opened only to read its
// latency while empty: what the server and the device add (a Bluetooth headset's lag
// included, where the server knows it).
OutputLatency AskPulse(const std::string& server) {
    OutputLatency result;
    // Loaded for good: libpulse's threads and handlers are not meant to be unloaded.
    void* library = dlopen("libpulse-simple.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        result.description = server +
                             " is in use, but libpulse-simple.so.0 is not installed to ask "
                             "it for its latency";
        return result;
    }
    using NewFn = decltype(&pa_simple_new);
    using LatencyFn = decltype(&pa_simple_get_latency);
    using FreeFn = decltype(&pa_simple_free);
    using ErrorFn = decltype(&pa_strerror);
    auto create = reinterpret_cast<NewFn>(dlsym(library, "pa_simple_new"));
    auto latency = reinterpret_cast<LatencyFn>(dlsym(library, "pa_simple_get_latency"));
    auto release = reinterpret_cast<FreeFn>(dlsym(library, "pa_simple_free"));
    auto describe = reinterpret_cast<ErrorFn>(dlsym(library, "pa_strerror"));
    if (!create || !latency || !release || !describe) {
        result.description = "libpulse-simple.so.0 lacks the calls to ask " + server;
        return result;
    }
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = 44100;
    spec.channels = 2;
    int error = 0;
    pa_simple* stream = create(nullptr, "runeplay", PA_STREAM_PLAYBACK, nullptr, "latency probe",
                               &spec, nullptr, nullptr, &error);
    if (!stream) {
        result.description = server + " cannot be asked for its latency: " + describe(error);
        return result;
    }
    const pa_usec_t microseconds = latency(stream, &error);
    release(stream);
    if (microseconds == static_cast<pa_usec_t>(-1)) {
        result.description = server + " reports no latency: " + describe(error);
    } else {
        result.milliseconds = static_cast<uint32_t>((microseconds + 500) / 1000);
        result.description = server + " reports " + std::to_string(*result.milliseconds) +
                             " ms of output latency on the default output";
    }
    return result;
}
#endif

}  // namespace

OutputLatency ProbeOutputLatency() {
    const char* driver = SDL_GetCurrentAudioDriver();
    return ProbeOutputLatency(driver ? driver : "");
}

OutputLatency ProbeOutputLatency(const std::string& sdlDriver) {
    OutputLatency result;
    const bool pulse = sdlDriver == "pulseaudio" || sdlDriver == "pulse";
    const bool pipewire = sdlDriver == "pipewire";
    if (!pulse && !pipewire) {
        result.description = sdlDriver.empty()
                                 ? "no sound driver is open, so no output latency is known"
                                 : "SDL's \"" + sdlDriver + "\" output reports no latency";
        return result;
    }
#ifdef RUNEPLAY_HAVE_PULSE_HEADERS
    return AskPulse(pipewire ? "PipeWire" : "PulseAudio");
#else
    result.description = "this build cannot ask " +
                         std::string(pipewire ? "PipeWire" : "PulseAudio") + " for its latency";
    return result;
#endif
}

}  // namespace audio
