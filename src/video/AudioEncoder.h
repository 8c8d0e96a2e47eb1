// The soundtrack's 16-bit PCM into AAC (stereo, 44.1 kHz, 192 kb/s) or FLAC (the track's own
// rate and channels). Samples are counted from 0 at the start of the span, so the stream
// begins at time 0; AAC's priming (the encoder's first 1024 samples) gets negative times,
// which the MP4 muxer turns into an edit list that players skip.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "video/AvSupport.h"
#include "video/VideoFormat.h"

namespace video {

class AudioEncoder {
  public:
    // `container` picks the codec (AAC for .mp4, FLAC otherwise). False with the reason.
    bool Open(Container container, int sampleRate, int channels, std::string* error);
    AVCodecContext* context() const { return encoder_.get(); }

    // `frames` sample frames of interleaved PCM; whole encoder frames go to `sink`.
    template <typename Sink>
    bool Add(const int16_t* samples, size_t frames, Sink&& sink, std::string* error) {
        if (!Queue(samples, frames, error)) return false;
        return Drain(false, sink, error);
    }
    // The last, shorter frame and what the encoder still holds.
    template <typename Sink>
    bool Finish(Sink&& sink, std::string* error) {
        if (!Queue(nullptr, 0, error) || !Drain(true, sink, error)) return false;
        return EncodeAndDrain(encoder_.get(), nullptr, packet_.get(), sink, error);
    }
    // Sample frames (at the encoder's rate) handed to the encoder so far.
    int64_t samplesSent() const { return sent_; }

  private:
    // Converts and resamples into the queue; null flushes the resampler.
    bool Queue(const int16_t* samples, size_t frames, std::string* error);
    // Sends whole frames from the queue (with `all`, the rest too).
    template <typename Sink>
    bool Drain(bool all, Sink&& sink, std::string* error) {
        const int size = encoder_->frame_size;
        while (av_audio_fifo_size(fifo_.get()) >= size ||
               (all && av_audio_fifo_size(fifo_.get()) > 0)) {
            if (!NextFrame(error) ||
                !EncodeAndDrain(encoder_.get(), frame_.get(), packet_.get(), sink, error))
                return false;
        }
        return true;
    }
    // Fills frame_ from the queue, at most one encoder frame.
    bool NextFrame(std::string* error);

    CodecContextPtr encoder_;
    SwrPtr resampler_;
    FifoPtr fifo_;
    FramePtr frame_;
    PacketPtr packet_;
    int inputRate_ = 0;
    int inputChannels_ = 0;
    int64_t sent_ = 0;
};

// The sound of a whole span (interleaved 16-bit PCM), handed to an encoder piece by piece.
class SoundSpan {
  public:
    SoundSpan() = default;
    SoundSpan(std::vector<int16_t> pcm, int channels)
        : pcm_(std::move(pcm)), channels_(static_cast<size_t>(channels > 0 ? channels : 1)) {}
    size_t frames() const { return pcm_.size() / channels_; }
    size_t sent() const { return sent_; }

    // Sample frames up to `end` (at most the span's) that were not sent yet.
    template <typename Sink>
    bool SendUpTo(AudioEncoder& encoder, size_t end, Sink&& sink, std::string* error) {
        end = std::min(end, frames());
        if (end <= sent_) return true;
        const size_t from = sent_;
        sent_ = end;
        return encoder.Add(pcm_.data() + from * channels_, end - from, sink, error);
    }

  private:
    std::vector<int16_t> pcm_;
    size_t channels_ = 1;
    size_t sent_ = 0;
};

}  // namespace video
