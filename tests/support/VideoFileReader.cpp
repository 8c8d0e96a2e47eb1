#include "support/VideoFileReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <utility>

namespace testsupport {

namespace {

std::string AvText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct Decoder {
    AVCodecContext* context = nullptr;
    int stream = -1;
    ~Decoder() { avcodec_free_context(&context); }
};

bool OpenDecoder(AVFormatContext* format, AVMediaType type, Decoder& decoder, std::string* error) {
    const int index = av_find_best_stream(format, type, -1, -1, nullptr, 0);
    if (index < 0) return true;  // no such stream
    const AVCodecParameters* par = format->streams[index]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) {
        *error = std::string("no decoder for ") + avcodec_get_name(par->codec_id);
        return false;
    }
    decoder.context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder.context, par);
    decoder.context->pkt_timebase = format->streams[index]->time_base;
    const int ret = avcodec_open2(decoder.context, codec, nullptr);
    if (ret < 0) {
        *error = "the decoder cannot open: " + AvText(ret);
        return false;
    }
    decoder.stream = index;
    return true;
}

RgbImage ToRgb(const AVFrame* frame) {
    RgbImage image;
    image.width = frame->width;
    image.height = frame->height;
    image.rgb.resize(static_cast<size_t>(frame->width) * frame->height * 3);
    SwsContext* sws = sws_getContext(
        frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
        frame->height, AV_PIX_FMT_RGB24, SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
        nullptr, nullptr, nullptr);
    // Read with the matrix and range the stream is tagged with, every pixel computed from its
    // own interpolated chroma (the quick path is off by up to 3 levels).
    const int space = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    sws_setColorspaceDetails(sws, sws_getCoefficients(space),
                             frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    uint8_t* out[1] = {image.rgb.data()};
    const int outStride[1] = {frame->width * 3};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, out, outStride);
    sws_freeContext(sws);
    return image;
}

YuvImage Planes(const AVFrame* frame) {
    YuvImage image;
    image.width = frame->width;
    image.height = frame->height;
    const int cw = (frame->width + 1) / 2, ch = (frame->height + 1) / 2;
    auto copy = [](const AVFrame* f, int plane, int w, int h, std::vector<uint8_t>& out) {
        out.resize(static_cast<size_t>(w) * h);
        for (int row = 0; row < h; ++row)
            std::memcpy(&out[static_cast<size_t>(row) * w],
                        f->data[plane] + static_cast<ptrdiff_t>(row) * f->linesize[plane],
                        static_cast<size_t>(w));
    };
    if (frame->format != AV_PIX_FMT_YUV420P) return image;
    copy(frame, 0, frame->width, frame->height, image.y);
    copy(frame, 1, cw, ch, image.u);
    copy(frame, 2, cw, ch, image.v);
    return image;
}

double Seconds(int64_t value, AVRational base) {
    if (value == AV_NOPTS_VALUE) return 0;
    return static_cast<double>(value) * av_q2d(base);
}

// The stream's length: from the container's index (MP4: the edit list), or Matroska's
// "DURATION" tag (hh:mm:ss.nnnnnnnnn).
double StreamDuration(const AVStream* s) {
    if (s->duration != AV_NOPTS_VALUE) return Seconds(s->duration, s->time_base);
    const AVDictionaryEntry* tag = av_dict_get(s->metadata, "DURATION", nullptr, 0);
    int h = 0, m = 0;
    double sec = 0;
    if (tag && std::sscanf(tag->value, "%d:%d:%lf", &h, &m, &sec) == 3)
        return h * 3600.0 + m * 60.0 + sec;
    return 0;
}

}  // namespace

bool ReadVideoFile(const std::string& path, int keepFrames, bool keepSound, VideoFileInfo& info,
                   std::string* error) {
    info = VideoFileInfo{};
    AVFormatContext* format = nullptr;
    int ret = avformat_open_input(&format, ("file:" + path).c_str(), nullptr, nullptr);
    if (ret < 0) {
        *error = "cannot open: " + AvText(ret);
        return false;
    }
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> owner(
        format, [](AVFormatContext* f) { avformat_close_input(&f); });
    if ((ret = avformat_find_stream_info(format, nullptr)) < 0) {
        *error = "no stream information: " + AvText(ret);
        return false;
    }
    info.format = format->iformat->name;
    Decoder video, sound;
    if (!OpenDecoder(format, AVMEDIA_TYPE_VIDEO, video, error) ||
        !OpenDecoder(format, AVMEDIA_TYPE_AUDIO, sound, error))
        return false;
    if (video.stream >= 0) {
        const AVStream* s = format->streams[video.stream];
        const AVCodecParameters* p = s->codecpar;
        info.video.present = true;
        info.video.codec = avcodec_get_name(p->codec_id);
        info.video.start = Seconds(s->start_time, s->time_base);
        info.video.duration = StreamDuration(s);
        info.width = p->width;
        info.height = p->height;
        info.frameRateNum = s->avg_frame_rate.num;
        info.frameRateDen = s->avg_frame_rate.den;
        const char* pixel = av_get_pix_fmt_name(static_cast<AVPixelFormat>(p->format));
        info.pixelFormat = pixel ? pixel : "";
        info.colourPrimaries = p->color_primaries;
        info.colourTransfer = p->color_trc;
        info.colourSpace = p->color_space;
        info.colourRange = p->color_range;
    }
    if (sound.stream >= 0) {
        const AVStream* s = format->streams[sound.stream];
        info.sound.present = true;
        info.sound.codec = avcodec_get_name(s->codecpar->codec_id);
        info.sound.start = Seconds(s->start_time, s->time_base);
        info.sound.duration = StreamDuration(s);
        info.sampleRate = s->codecpar->sample_rate;
        info.channels = s->codecpar->ch_layout.nb_channels;
    }

    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](Decoder& d, VideoFileStream& stream) -> bool {
        for (;;) {
            const int r = avcodec_receive_frame(d.context, frame);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) {
                *error = "decoding failed: " + AvText(r);
                return false;
            }
            if (&d == &video) {
                if (static_cast<int>(info.frames.size()) < keepFrames) {
                    info.frames.push_back(ToRgb(frame));
                    info.planes.push_back(Planes(frame));
                }
                ++stream.decoded;
            } else {
                // A player stops where the stream ends: the padding of the last frame (an AAC
                // frame is 1024 samples) lies past it.
                const int64_t first =
                    av_rescale_q(frame->best_effort_timestamp, d.context->pkt_timebase,
                                 AVRational{1, frame->sample_rate});
                const int64_t end = std::llround(info.sound.duration * frame->sample_rate);
                const int n = static_cast<int>(std::clamp<int64_t>(
                    end > 0 ? end - first : frame->nb_samples, 0, frame->nb_samples));
                stream.decoded += n;
                if (keepSound) {
                    for (int i = 0; i < n; ++i) {
                        float v = 0;
                        if (frame->format == AV_SAMPLE_FMT_FLTP)
                            v = reinterpret_cast<const float*>(frame->data[0])[i];
                        else if (frame->format == AV_SAMPLE_FMT_S16)
                            v = reinterpret_cast<const int16_t*>(
                                    frame->data[0])[i * frame->ch_layout.nb_channels] /
                                32768.0f;
                        else if (frame->format == AV_SAMPLE_FMT_S32)
                            v = static_cast<float>(
                                reinterpret_cast<const int32_t*>(
                                    frame->data[0])[i * frame->ch_layout.nb_channels] /
                                2147483648.0);
                        info.samples.push_back(v);
                    }
                }
            }
            av_frame_unref(frame);
        }
    };
    bool ok = true;
    while (ok && (ret = av_read_frame(format, packet)) >= 0) {
        Decoder* d = packet->stream_index == video.stream   ? &video
                     : packet->stream_index == sound.stream ? &sound
                                                            : nullptr;
        if (d) {
            VideoFileStream& stream = d == &video ? info.video : info.sound;
            ++stream.packets;
            ret = avcodec_send_packet(d->context, packet);
            if (ret < 0) {
                *error = "a packet cannot be decoded: " + AvText(ret);
                ok = false;
            } else {
                ok = drain(*d, stream);
            }
        }
        av_packet_unref(packet);
    }
    if (ok && ret != AVERROR_EOF) {
        *error = "reading failed: " + AvText(ret);
        ok = false;
    }
    for (Decoder* d : {&video, &sound}) {
        if (!ok || !d->context) continue;
        avcodec_send_packet(d->context, nullptr);
        ok = drain(*d, d == &video ? info.video : info.sound);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);

    if (ok && info.format.find("mp4") != std::string::npos) {
        // Top-level boxes in order: with fast start "moov" comes before "mdat".
        std::ifstream in(path, std::ios::binary);
        uint8_t header[8];
        while (in.read(reinterpret_cast<char*>(header), 8)) {
            const uint64_t size =
                (uint64_t{header[0]} << 24) | (header[1] << 16) | (header[2] << 8) | header[3];
            const std::string type(reinterpret_cast<char*>(header) + 4, 4);
            if (type == "moov") info.faststart = true;
            if (type == "mdat" || size < 8) break;
            in.seekg(static_cast<std::streamoff>(size - 8), std::ios::cur);
        }
    }
    return ok;
}

double Psnr(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty())
        return 0;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = static_cast<double>(a.rgb[i]) - b.rgb[i];
        sum += d * d;
    }
    if (sum == 0) return std::numeric_limits<double>::infinity();
    const double mse = sum / static_cast<double>(a.rgb.size());
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

double Psnr(const YuvImage& a, const YuvImage& b) {
    if (a.width != b.width || a.height != b.height || a.y.empty() || a.y.size() != b.y.size() ||
        a.u.size() != b.u.size() || a.v.size() != b.v.size())
        return 0;
    double sum = 0;
    size_t n = 0;
    for (const auto& [pa, pb] :
         {std::pair(&a.y, &b.y), std::pair(&a.u, &b.u), std::pair(&a.v, &b.v)}) {
        for (size_t i = 0; i < pa->size(); ++i) {
            const double d = static_cast<double>((*pa)[i]) - (*pb)[i];
            sum += d * d;
        }
        n += pa->size();
    }
    if (sum == 0) return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(n) / sum);
}

YuvImage ToYuv420(const RgbImage& image) {
    YuvImage out;
    out.width = image.width;
    out.height = image.height;
    const int cw = (image.width + 1) / 2, ch = (image.height + 1) / 2;
    out.y.resize(static_cast<size_t>(image.width) * image.height);
    out.u.resize(static_cast<size_t>(cw) * ch);
    out.v.resize(out.u.size());
    SwsContext* sws =
        sws_getContext(image.width, image.height, AV_PIX_FMT_RGB24, image.width, image.height,
                       AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    sws_setColorspaceDetails(sws, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    const uint8_t* in[1] = {image.rgb.data()};
    const int inStride[1] = {image.width * 3};
    uint8_t* planes[3] = {out.y.data(), out.u.data(), out.v.data()};
    const int strides[3] = {image.width, cw, cw};
    sws_scale(sws, in, inStride, 0, image.height, planes, strides);
    sws_freeContext(sws);
    return out;
}

}  // namespace testsupport
