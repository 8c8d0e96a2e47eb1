// FFmpeg's headers and the small helpers every file of this library uses with them. Only
// files inside video/ include this header.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace video {

// FFmpeg's own messages above errors (x264's statistics, muxer notes) kept off standard
// error; failures are reported by the caller with their reason.
void QuietFfmpegLog();

// FFmpeg's text for an error code ("No space left on device", "Invalid argument").
std::string AvError(int code);

// Owners of FFmpeg objects, freed through FFmpeg's own functions.
struct FreeCodecContext {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FreeFrame {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct FreePacket {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FreeSws {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct FreeSwr {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct FreeFifo {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct CloseInput {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, FreeCodecContext>;
using FramePtr = std::unique_ptr<AVFrame, FreeFrame>;
using PacketPtr = std::unique_ptr<AVPacket, FreePacket>;
using SwsPtr = std::unique_ptr<SwsContext, FreeSws>;
using SwrPtr = std::unique_ptr<SwrContext, FreeSwr>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FreeFifo>;
using InputPtr = std::unique_ptr<AVFormatContext, CloseInput>;

inline PacketPtr NewPacket() { return PacketPtr(av_packet_alloc()); }
inline FramePtr NewFrame() { return FramePtr(av_frame_alloc()); }

// The encoder of that name unless the installed FFmpeg lacks it (or the test variable in
// VideoFormat.h says so); null then.
const AVCodec* FindEncoder(const char* name);

}  // namespace video

namespace video {

// Gives `frame` to the encoder (null: the end of the stream) and every packet it has ready to
// `sink`, which takes the packet's data. False with the reason when the encoder or the sink
// failed (the sink sets `error` itself).
template <typename Sink>
bool EncodeAndDrain(AVCodecContext* encoder, const AVFrame* frame, AVPacket* packet, Sink&& sink,
                    std::string* error) {
    int ret = avcodec_send_frame(encoder, frame);
    if (ret < 0) {
        *error = "the " + std::string(encoder->codec->name) + " encoder failed: " + AvError(ret);
        return false;
    }
    for (;;) {
        ret = avcodec_receive_packet(encoder, packet);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return true;
        if (ret < 0) {
            *error =
                "the " + std::string(encoder->codec->name) + " encoder failed: " + AvError(ret);
            return false;
        }
        const bool ok = sink(packet);
        av_packet_unref(packet);
        if (!ok) return false;
    }
}

}  // namespace video
