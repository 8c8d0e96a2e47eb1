#include "video/AudioEncoder.h"

#include <algorithm>
#include <vector>

namespace video {

namespace {

// FLAC's encoder chooses its block size; codecs that take any frame size get this one.
constexpr int kDefaultFrameSize = 4096;

}  // namespace

bool AudioEncoder::Open(Container container, int sampleRate, int channels, std::string* error) {
    const bool aac = container == Container::Mp4;
    const char* name = aac ? "aac" : "flac";
    if (sampleRate <= 0 || channels <= 0 || channels > 8) {
        *error = "the soundtrack's format (" + std::to_string(sampleRate) + " Hz, " +
                 std::to_string(channels) + " channels) cannot be encoded";
        return false;
    }
    const AVCodec* codec = FindEncoder(name);
    if (!codec) {
        *error = std::string("the installed FFmpeg has no ") + name + " encoder";
        return false;
    }
    encoder_.reset(avcodec_alloc_context3(codec));
    frame_ = NewFrame();
    packet_ = NewPacket();
    if (!encoder_ || !frame_ || !packet_) {
        *error = "out of memory";
        return false;
    }
    AVCodecContext* c = encoder_.get();
    inputRate_ = sampleRate;
    inputChannels_ = channels;
    c->sample_rate = aac ? kAacSampleRate : sampleRate;
    av_channel_layout_default(&c->ch_layout, aac ? 2 : channels);
    c->sample_fmt = aac ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_S16;
    if (aac) c->bit_rate = kAacBitRate;
    c->time_base = AVRational{1, c->sample_rate};
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int ret = avcodec_open2(c, codec, nullptr);
    if (ret < 0) {
        *error = std::string("the ") + name + " encoder refuses the settings: " + AvError(ret);
        return false;
    }
    if (c->frame_size <= 0) c->frame_size = kDefaultFrameSize;

    AVChannelLayout inputLayout;
    av_channel_layout_default(&inputLayout, channels);
    SwrContext* swr = nullptr;
    ret = swr_alloc_set_opts2(&swr, &c->ch_layout, c->sample_fmt, c->sample_rate, &inputLayout,
                              AV_SAMPLE_FMT_S16, sampleRate, 0, nullptr);
    av_channel_layout_uninit(&inputLayout);
    resampler_.reset(swr);
    if (ret < 0 || (ret = swr_init(swr)) < 0) {
        *error = "libswresample cannot convert the soundtrack: " + AvError(ret);
        return false;
    }
    fifo_.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, c->frame_size));
    if (!fifo_) {
        *error = "out of memory";
        return false;
    }
    sent_ = 0;
    return true;
}

bool AudioEncoder::Queue(const int16_t* samples, size_t frames, std::string* error) {
    // Large spans go through in pieces the resampler's int counts hold with room to spare.
    constexpr size_t kPiece = 1 << 20;
    for (; frames > kPiece;
         frames -= kPiece, samples += kPiece * static_cast<size_t>(inputChannels_))
        if (!Queue(samples, kPiece, error)) return false;
    const AVCodecContext* c = encoder_.get();
    int ret = swr_get_out_samples(resampler_.get(), static_cast<int>(frames));
    const int room = ret + 1;
    uint8_t** out = nullptr;
    if (ret >= 0)
        ret = av_samples_alloc_array_and_samples(&out, nullptr, c->ch_layout.nb_channels, room,
                                                 c->sample_fmt, 0);
    if (ret < 0) {
        *error = "libswresample failed: " + AvError(ret);
        return false;
    }
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(samples)};
    ret =
        swr_convert(resampler_.get(), out, room, samples ? in : nullptr, static_cast<int>(frames));
    if (ret > 0) ret = av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(out), ret);
    av_freep(&out[0]);
    av_freep(&out);
    if (ret < 0) {
        *error = "libswresample failed: " + AvError(ret);
        return false;
    }
    return true;
}

bool AudioEncoder::NextFrame(std::string* error) {
    const AVCodecContext* c = encoder_.get();
    const int n = std::min(c->frame_size, av_audio_fifo_size(fifo_.get()));
    av_frame_unref(frame_.get());
    frame_->nb_samples = n;
    frame_->format = c->sample_fmt;
    frame_->sample_rate = c->sample_rate;
    int ret = av_channel_layout_copy(&frame_->ch_layout, &c->ch_layout);
    if (ret >= 0) ret = av_frame_get_buffer(frame_.get(), 0);
    if (ret >= 0) ret = av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame_->data), n);
    if (ret < 0) {
        *error = AvError(ret);
        return false;
    }
    frame_->pts = sent_;
    sent_ += n;
    return true;
}

}  // namespace video
