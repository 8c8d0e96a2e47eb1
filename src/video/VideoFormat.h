// What a video file holds, chosen by its name: .mp4 is H.264 with AAC sound, .mkv H.264 with
// FLAC sound. Parts of a capture split over several processes are H.264 alone in NUT files,
// which keep every time stamp exactly until the parts are joined.
#pragma once

#include <optional>
#include <string>

namespace video {

enum class Container { Mp4, Mkv, Part };

// The container a file name asks for (the extension, in any case); nullopt for any other.
std::optional<Container> ContainerForPath(const std::string& path);

// The extension of the last part of `path` with its dot (".avi"), empty when it has none.
// A leading dot (".hidden") is not an extension.
std::string ExtensionOf(const std::string& path);

struct VideoSettings {
    Container container = Container::Mp4;
    int width = 0, height = 0;
    int fps = 60;
    // x264's constant rate factor: 0 is lossless, 18 looks the same as the source to most eyes.
    int crf = 18;
    // The soundtrack's PCM (16-bit, interleaved); no sound stream when channels is 0.
    int sampleRate = 44100;
    int channels = 2;
};

// The bit rate of the AAC sound of .mp4 files.
constexpr int kAacBitRate = 192000;
// AAC sound is stereo at this rate whatever the soundtrack's own format.
constexpr int kAacSampleRate = 44100;

// Whether the installed FFmpeg offers the encoder of that name ("libx264", "aac", "flac").
// The variable RUNEPLAY_MISSING_ENCODERS (names separated by commas) makes the named ones look
// absent, so tests can see how a build of FFmpeg without them is reported.
bool EncoderAvailable(const char* name);

}  // namespace video
