// SDL2 output of the soundtrack. The audio callback decodes straight into SDL's buffer; the
// position is reconstructed from what the callback handed over and when.
//
// Model of the output: when the callback is asked for buffer k, buffer k-1 starts to sound
// (SDL and the system mixer hold about one buffer). So between two callbacks the audible
// frame runs from the start of buffer k-1 towards its end at the track's rate, never beyond
// what has been handed over. Buffers are about 11 ms, which keeps the error of the model
// well inside a frame of video.
//
// Pause stops the callbacks (SDL plays silence) and freezes the position; Resume and Seek
// move the decoder to the frame wanted with the callback locked out, and the model starts
// over there as at Start. What the system still holds of the sound before (one buffer)
// plays out first.
#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>

#include "audio/SoundtrackPlayer.h"

namespace audio {

namespace {

using SteadyClock = std::chrono::steady_clock;

// A power of two near 11 ms of frames: short enough for a tight position estimate, long
// enough that decoding in the callback never starves the output.
Uint16 BufferFramesFor(int rate) {
    int frames = 256;
    while (frames * 2 <= rate / 80 && frames < 4096) frames *= 2;
    return static_cast<Uint16>(frames);
}

// ALSA's library prints its own diagnostics (a dozen lines on a machine without a sound card)
// while SDL probes it; our one line says what happened. SDL loads the library at run time,
// so it is loaded here first, shared, and its report handler silenced.
extern "C" void IgnoreAlsaReport(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
    static bool done = false;
    if (done) return;
    done = true;
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_GLOBAL);
    if (!alsa) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(&IgnoreAlsaReport);
}

class SdlPlayer final : public SoundtrackPlayer {
  public:
    ~SdlPlayer() override { Stop(); }

    StartResult Start(const uint8_t* data, size_t size, uint64_t startPosition,
                      std::string* error) override {
        std::string localError;
        if (!error) error = &localError;
        Stop();
        started_ = false;
        stopped_ = false;
        paused_ = false;
        if (!decoder_.Open(data, size, error)) return StartResult::BadTrack;
        format_ = decoder_.format();
        const uint64_t frameBytes = format_.bytesPerFrame();
        if (!decoder_.SeekFrame(startPosition / frameBytes, error)) return StartResult::BadTrack;
        startFrame_ = decoder_.frame();
        lastReported_ = startFrame_;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            playStart_ = playEnd_ = nextStart_ = startFrame_;
            stamp_ = SteadyClock::now();
            endFrame_ = decoder_.lengthFrames();
            callbacks_ = 0;
        }

        QuietAlsa();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            *error = std::string("no audio output: ") + SDL_GetError();
            return StartResult::NoOutput;
        }
        SDL_AudioSpec want{};
        want.freq = format_.rate;
        want.format = AUDIO_S16SYS;
        want.channels = static_cast<Uint8>(format_.channels);
        want.samples = BufferFramesFor(format_.rate);
        want.callback = &SdlPlayer::Callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        // No changes allowed: SDL converts to the device's own rate and layout, so positions
        // stay in the track's units whatever the hardware runs at.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            *error = std::string("no audio output: ") + SDL_GetError();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return StartResult::NoOutput;
        }
        started_ = true;
        SDL_PauseAudioDevice(device_, 0);
        return StartResult::Started;
    }

    uint64_t Position() override {
        if (!started_) return 0;
        if (stopped_ || paused_) return lastReported_ * format_.bytesPerFrame();
        uint64_t playStart, playEnd, endFrame;
        SteadyClock::time_point stamp;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            playStart = playStart_;
            playEnd = playEnd_;
            endFrame = endFrame_;
            stamp = stamp_;
        }
        const double seconds = std::chrono::duration<double>(SteadyClock::now() - stamp).count();
        const double advanced = std::max(0.0, seconds) * format_.rate;
        uint64_t frame = playStart + static_cast<uint64_t>(advanced);
        frame = std::min({frame, playEnd, endFrame});
        lastReported_ = std::max(lastReported_, frame);
        return lastReported_ * format_.bytesPerFrame();
    }

    void Stop() override {
        if (!started_ || stopped_) return;
        Position();  // freeze at what was heard last
        stopped_ = true;
        SDL_CloseAudioDevice(device_);  // waits for the callback to finish
        device_ = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    void Pause() override {
        if (!started_ || stopped_ || paused_) return;
        Position();  // freeze at what was heard last
        paused_ = true;
        SDL_PauseAudioDevice(device_, 1);
    }

    void Resume() override {
        if (!started_ || stopped_ || !paused_) return;
        // Whatever was decoded ahead of the pause is decoded again: the sound goes on from
        // the frame the position stopped at.
        Reposition(lastReported_);
        paused_ = false;
        SDL_PauseAudioDevice(device_, 0);
    }

    bool paused() const override { return paused_; }

    bool Seek(uint64_t position) override {
        if (!started_ || stopped_) return false;
        return Reposition(position / format_.bytesPerFrame());
    }

    std::optional<uint64_t> Length() const override {
        if (format_.rate == 0) return std::nullopt;
        return decoder_.lengthBytes();
    }
    TrackFormat Format() const override { return format_; }
    const char* BackendName() const override { return "sdl"; }

  private:
    bool Reposition(uint64_t frame) {
        SDL_LockAudioDevice(device_);  // the decoder is the callback's until unlocked
        std::string error;
        const bool moved = decoder_.SeekFrame(frame, &error);
        const uint64_t now = decoder_.frame();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            playStart_ = playEnd_ = nextStart_ = now;
            stamp_ = SteadyClock::now();
            endFrame_ = decoder_.lengthFrames();
            callbacks_ = 0;
        }
        SDL_UnlockAudioDevice(device_);
        lastReported_ = now;
        return moved;
    }

    static void SDLCALL Callback(void* self, Uint8* stream, int length) {
        static_cast<SdlPlayer*>(self)->Fill(stream, static_cast<size_t>(length));
    }

    // Runs on SDL's audio thread; the decoder belongs to it between Start and Stop.
    void Fill(Uint8* stream, size_t length) {
        const uint64_t bufferStart = decoder_.frame();
        size_t filled = decoder_.Read(stream, length);
        std::memset(stream + filled, 0, length - filled);  // silence after the end
        std::lock_guard<std::mutex> lock(mutex_);
        // The buffer handed over last time starts to sound now; this one waits behind it.
        // Before the first callback's buffer sounds, nothing has been heard yet.
        playStart_ = callbacks_ > 0 ? nextStart_ : bufferStart;
        playEnd_ = bufferStart;
        nextStart_ = bufferStart;
        stamp_ = SteadyClock::now();
        if (decoder_.atEnd()) endFrame_ = std::min(endFrame_, decoder_.frame());
        ++callbacks_;
    }

    Mp3Decoder decoder_;
    TrackFormat format_;
    SDL_AudioDeviceID device_ = 0;
    bool started_ = false;
    bool stopped_ = false;
    bool paused_ = false;
    uint64_t startFrame_ = 0;
    uint64_t lastReported_ = 0;  // main thread only

    std::mutex mutex_;  // guards the fields below, shared with the audio thread
    uint64_t playStart_ = 0;
    uint64_t playEnd_ = 0;
    uint64_t nextStart_ = 0;
    uint64_t endFrame_ = 0;
    uint64_t callbacks_ = 0;
    SteadyClock::time_point stamp_;
};

}  // namespace

std::unique_ptr<SoundtrackPlayer> CreateSdlPlayer() { return std::make_unique<SdlPlayer>(); }

}  // namespace audio
