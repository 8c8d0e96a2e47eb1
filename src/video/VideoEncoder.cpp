#include "video/VideoEncoder.h"

namespace video {

bool VideoEncoder::Open(const VideoSettings& s, std::string* error) {
    if (s.width <= 0 || s.height <= 0 || s.width % 2 || s.height % 2) {
        *error = "H.264 in 4:2:0 needs an even width and height, not " + std::to_string(s.width) +
                 "x" + std::to_string(s.height);
        return false;
    }
    const AVCodec* codec = FindEncoder("libx264");
    if (!codec) {
        *error = "the installed FFmpeg has no libx264 encoder";
        return false;
    }
    encoder_.reset(avcodec_alloc_context3(codec));
    picture_ = NewFrame();
    packet_ = NewPacket();
    if (!encoder_ || !picture_ || !packet_) {
        *error = "out of memory";
        return false;
    }
    AVCodecContext* c = encoder_.get();
    c->width = s.width;
    c->height = s.height;
    c->time_base = AVRational{1, s.fps};
    c->framerate = AVRational{s.fps, 1};
    c->sample_aspect_ratio = AVRational{1, 1};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    c->colorspace = AVCOL_SPC_BT709;
    c->color_range = AVCOL_RANGE_MPEG;
    // Every container here stores the parameter sets once, outside the frames, which also
    // lets the parts of a split capture be compared and joined.
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    c->thread_count = 0;  // as many as x264 finds useful
    av_opt_set(c->priv_data, "preset", kX264Preset, 0);
    av_opt_set_double(c->priv_data, "crf", s.crf, 0);
    int ret = avcodec_open2(c, codec, nullptr);
    if (ret < 0) {
        *error = "libx264 refuses the settings: " + AvError(ret);
        return false;
    }

    picture_->format = AV_PIX_FMT_YUV420P;
    picture_->width = s.width;
    picture_->height = s.height;
    picture_->color_primaries = c->color_primaries;
    picture_->color_trc = c->color_trc;
    picture_->colorspace = c->colorspace;
    picture_->color_range = c->color_range;
    ret = av_frame_get_buffer(picture_.get(), 0);
    if (ret < 0) {
        *error = AvError(ret);
        return false;
    }
    // Full-range RGB in, limited-range BT.709 YCbCr out; same size, so only the chroma is
    // filtered (2 x 2 down to one).
    scaler_.reset(sws_getContext(s.width, s.height, AV_PIX_FMT_BGRA, s.width, s.height,
                                 AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler_) {
        *error = "libswscale cannot convert BGRA to YUV 4:2:0";
        return false;
    }
    sws_setColorspaceDetails(scaler_.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    return true;
}

bool VideoEncoder::Convert(const uint8_t* bgra, size_t stride, int64_t index, std::string* error) {
    // The encoder may still hold the last picture; then this one gets fresh planes.
    int ret = av_frame_make_writable(picture_.get());
    if (ret < 0) {
        *error = AvError(ret);
        return false;
    }
    const uint8_t* source[1] = {bgra};
    const int sourceStride[1] = {static_cast<int>(stride)};
    sws_scale(scaler_.get(), source, sourceStride, 0, encoder_->height, picture_->data,
              picture_->linesize);
    picture_->pts = index;
    return true;
}

}  // namespace video
