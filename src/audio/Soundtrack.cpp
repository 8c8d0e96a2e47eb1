#include <cstdio>

#include "audio/SoundtrackPlayer.h"

namespace audio {

namespace {

SoundtrackPlayer* g_soundtrack = nullptr;

}  // namespace

std::unique_ptr<SoundtrackPlayer> StartSoundtrack(AudioBackend backend, const uint8_t* data,
                                                  size_t size, uint64_t startPosition,
                                                  std::string* error) {
    std::string localError;
    if (!error) error = &localError;
    if (backend == AudioBackend::Sdl) {
        std::unique_ptr<SoundtrackPlayer> player = CreateSdlPlayer();
        switch (player->Start(data, size, startPosition, error)) {
            case StartResult::Started:
                return player;
            case StartResult::BadTrack:
                return nullptr;
            case StartResult::NoOutput:
                std::printf("runeplay: %s; playing without sound\n", error->c_str());
                std::fflush(stdout);
                error->clear();
                break;
        }
    } else {
        std::printf("runeplay: --audio none: playing without sound\n");
        std::fflush(stdout);
    }
    std::unique_ptr<SoundtrackPlayer> player = CreateSilentPlayer();
    if (player->Start(data, size, startPosition, error) != StartResult::Started) return nullptr;
    return player;
}

SoundtrackPlayer* Soundtrack() { return g_soundtrack; }

void SetSoundtrack(SoundtrackPlayer* player) { g_soundtrack = player; }

uint64_t SoundtrackPosition() { return g_soundtrack ? g_soundtrack->Position() : 0; }

}  // namespace audio
