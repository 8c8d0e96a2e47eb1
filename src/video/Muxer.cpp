#include "video/Muxer.h"

#include <cstdint>
#include <numeric>

namespace video {

namespace {

// Parts of a split capture never come here: PartFileWriter writes them.
const char* FormatName(Container c) { return c == Container::Mkv ? "matroska" : "mp4"; }

}  // namespace

Muxer::~Muxer() { Discard(); }

std::string Muxer::Reason(int code) const {
    if (!file_.error().empty()) return file_.error();
    return AvError(code);
}

bool Muxer::Open(const std::string& path, Container container, std::string* error) {
    Discard();
    container_ = container;
    if (!file_.Open(path, error)) return false;
    if (container == Container::Mp4 && !file_.seekable()) {
        file_.Discard();
        *error = "an MP4 file cannot be written to a pipe or a device";
        return false;
    }
    const int ret =
        avformat_alloc_output_context2(&context_, nullptr, FormatName(container), nullptr);
    if (ret < 0 || !context_) {
        file_.Discard();
        *error = "FFmpeg has no " + std::string(FormatName(container)) + " muxer: " + AvError(ret);
        return false;
    }
    context_->pb = file_.context();
    context_->flags |= AVFMT_FLAG_CUSTOM_IO;
    av_freep(&context_->url);
    context_->url = av_strdup(file_.readUrl().c_str());
    return true;
}

int Muxer::AddStream(const AVCodecContext* encoder, std::string* error) {
    AVStream* stream = avformat_new_stream(context_, nullptr);
    if (!stream) {
        *error = "out of memory";
        return -1;
    }
    const int ret = avcodec_parameters_from_context(stream->codecpar, encoder);
    if (ret < 0) {
        *error = AvError(ret);
        return -1;
    }
    stream->time_base = encoder->time_base;
    if (encoder->codec_type == AVMEDIA_TYPE_VIDEO) stream->avg_frame_rate = encoder->framerate;
    return stream->index;
}

bool Muxer::WriteHeader(std::string* error) {
    AVDictionary* options = nullptr;
    if (container_ == Container::Mp4) {
        // The index goes to the front once the file is complete, so players start at once.
        av_dict_set(&options, "movflags", "+faststart", 0);
        // Edit lists count in the movie's time scale, 1/1000 s unless told: a span of sound
        // that is no whole number of milliseconds would lose up to half of one. A scale every
        // stream's ticks divide keeps frames and samples exact.
        int64_t scale = 1;
        for (unsigned i = 0; i < context_->nb_streams; ++i) {
            const int64_t ticks = context_->streams[i]->time_base.den;
            scale = scale / std::gcd(scale, ticks) * ticks;
        }
        if (scale > 1 && scale <= INT32_MAX) av_dict_set_int(&options, "movie_timescale", scale, 0);
    }
    const int ret = avformat_write_header(context_, &options);
    av_dict_free(&options);
    if (ret < 0) {
        *error = Reason(ret);
        return false;
    }
    headerWritten_ = true;
    return true;
}

bool Muxer::Write(AVPacket* packet, int stream, AVRational timeBase, std::string* error) {
    packet->stream_index = stream;
    av_packet_rescale_ts(packet, timeBase, context_->streams[stream]->time_base);
    const int ret = av_interleaved_write_frame(context_, packet);
    if (ret < 0) {
        *error = Reason(ret);
        return false;
    }
    return true;
}

bool Muxer::Finish(std::string* error) {
    if (!context_ || !headerWritten_) {
        *error = "the file was never started";
        return false;
    }
    const int ret = av_write_trailer(context_);
    headerWritten_ = false;
    if (ret < 0) {
        *error = Reason(ret);
        Discard();
        return false;
    }
    avformat_free_context(context_);
    context_ = nullptr;
    return file_.Commit(error);
}

void Muxer::Discard() {
    if (context_) {
        context_->pb = nullptr;  // the AvioFile owns it
        avformat_free_context(context_);
        context_ = nullptr;
    }
    headerWritten_ = false;
    file_.Discard();
}

}  // namespace video
