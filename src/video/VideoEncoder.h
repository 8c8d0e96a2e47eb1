// H.264 through libx264: 4:2:0, BT.709 tagged, limited range, constant rate factor; frames
// come as BGRA rows (top first) and are converted with libswscale.
#pragma once

#include <cstdint>
#include <string>

#include "video/AvSupport.h"
#include "video/VideoFormat.h"

namespace video {

// x264's speed preset. On a two-core machine "veryfast" keeps the encoder behind the
// software renderer at 720p; slower presets save a fifth of the size at CRF 18.
constexpr const char* kX264Preset = "veryfast";

class VideoEncoder {
  public:
    // False with the reason: an odd size, libx264 missing or refusing the settings.
    bool Open(const VideoSettings& settings, std::string* error);
    AVCodecContext* context() const { return encoder_.get(); }

    // Converts one frame (width x height BGRA, `stride` bytes a row) into the encoder's
    // picture for frame `index`; then Encode sends it.
    bool Convert(const uint8_t* bgra, size_t stride, int64_t index, std::string* error);
    template <typename Sink>
    bool Encode(Sink&& sink, std::string* error) {
        return EncodeAndDrain(encoder_.get(), picture_.get(), packet_.get(), sink, error);
    }
    // No more frames: the encoder's delayed packets to `sink`.
    template <typename Sink>
    bool Flush(Sink&& sink, std::string* error) {
        return EncodeAndDrain(encoder_.get(), nullptr, packet_.get(), sink, error);
    }

  private:
    CodecContextPtr encoder_;
    SwsPtr scaler_;
    FramePtr picture_;
    PacketPtr packet_;
};

}  // namespace video
