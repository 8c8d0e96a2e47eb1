// MP3 decoding from a memory block with libmpg123: 16-bit signed PCM, interleaved, at the
// track's own rate and channel count. Gapless decoding is on, so the encoder's delay and
// padding are removed and byte positions count only the track's own samples.
#pragma once

#include <sys/types.h>
#include <cstddef>

#include <cstdint>
#include <string>
#include <vector>

struct mpg123_handle_struct;

namespace audio {

struct TrackFormat {
    int rate = 0;      // sample frames per second
    int channels = 0;  // 1 or 2

    uint64_t bytesPerFrame() const { return static_cast<uint64_t>(channels) * 2; }
    // Whole sample frames in `milliseconds`, as a byte position.
    uint64_t BytesFromMilliseconds(uint64_t milliseconds) const {
        return milliseconds * static_cast<uint64_t>(rate) / 1000 * bytesPerFrame();
    }
    double SecondsFromBytes(uint64_t bytes) const {
        return rate > 0 ? static_cast<double>(bytes) / static_cast<double>(bytesPerFrame()) / rate
                        : 0.0;
    }
};

class Mp3Decoder {
  public:
    Mp3Decoder() = default;
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // Reads the stream's format and scans it for its exact length. `data` must outlive the
    // decoder. False with a reason when the block holds no decodable MPEG audio.
    bool Open(const uint8_t* data, size_t size, std::string* error);

    const TrackFormat& format() const { return format_; }
    uint64_t lengthFrames() const { return lengthFrames_; }
    uint64_t lengthBytes() const { return lengthFrames_ * format_.bytesPerFrame(); }
    // The sample frame the next Read starts at.
    uint64_t frame() const { return frame_; }

    // Moves to `frame` (clamped to the end).
    bool SeekFrame(uint64_t frame, std::string* error);

    // Decodes up to `bytes` bytes (whole sample frames) into `out`; fewer only at the end of
    // the track (or on a decoding error, after which atEnd() holds and error() says why).
    size_t Read(uint8_t* out, size_t bytes);
    bool atEnd() const { return atEnd_; }
    const std::string& error() const { return error_; }

  private:
    struct Memory {
        const uint8_t* data = nullptr;
        size_t size = 0;
        size_t pos = 0;
    };
    static ssize_t ReadCallback(void* handle, void* buffer, size_t bytes);
    static off_t SeekCallback(void* handle, off_t offset, int whence);
    void Close();

    Memory memory_;
    ::mpg123_handle_struct* handle_ = nullptr;
    TrackFormat format_;
    uint64_t lengthFrames_ = 0;
    uint64_t frame_ = 0;
    bool atEnd_ = false;
    std::string error_;
};

// The whole track decoded at once (capture writes it beside the frames; tests compare it).
struct DecodedTrack {
    TrackFormat format;
    std::vector<int16_t> samples;  // interleaved
    uint64_t bytes() const { return samples.size() * 2; }
};

bool DecodeWholeTrack(const uint8_t* data, size_t size, DecodedTrack& out, std::string* error);

}  // namespace audio
