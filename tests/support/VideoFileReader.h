// Video files read back through libavformat and libavcodec, as a player reads them: what the
// container says about each stream, every packet decoded, the first frames kept as RGB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/ImageCompare.h"

namespace testsupport {

struct VideoFileStream {
    bool present = false;
    std::string codec;    // "h264", "aac", "flac"
    double start = 0;     // first time stamp, seconds
    double duration = 0;  // as the container gives it, seconds
    int64_t decoded = 0;  // frames (video) or sample frames (sound) out of the decoder
    int64_t packets = 0;
};

// A picture in 8-bit YUV 4:2:0 (limited range), as H.264 carries it.
struct YuvImage {
    int width = 0, height = 0;
    std::vector<uint8_t> y, u, v;  // rows from the top, no padding; u, v half size each way
};

struct VideoFileInfo {
    std::string format;  // libavformat's name, e.g. "mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm"
    VideoFileStream video, sound;
    int width = 0, height = 0;
    int frameRateNum = 0, frameRateDen = 1;
    std::string pixelFormat;                                                        // "yuv420p"
    int colourPrimaries = 0, colourTransfer = 0, colourSpace = 0, colourRange = 0;  // AVCOL_*
    int sampleRate = 0, channels = 0;
    std::vector<RgbImage> frames;  // the first decoded frames, converted to RGB
    std::vector<YuvImage> planes;  // the same frames as decoded
    std::vector<float> samples;    // the decoded sound of the first channel, when asked for
    bool faststart = false;        // an MP4 index before its data
};

// Reads `path`; keeps the first `keepFrames` frames as RGB and, with `keepSound`, the decoded
// sound. False with the reason when the file cannot be opened or decoded.
bool ReadVideoFile(const std::string& path, int keepFrames, bool keepSound, VideoFileInfo& info,
                   std::string* error);

// Peak signal-to-noise ratio of `b` against `a` over all channels, in dB (infinity when equal).
double Psnr(const RgbImage& a, const RgbImage& b);
// The same over every sample of the three planes: what a codec changed, without the colour
// conversion's own loss.
double Psnr(const YuvImage& a, const YuvImage& b);

// `image` converted as the video writer converts frames (BT.709, limited range, 4:2:0 with
// 2 x 2 chroma filtering), to compare decoded frames with pictures in the YUV domain.
YuvImage ToYuv420(const RgbImage& image);

}  // namespace testsupport
