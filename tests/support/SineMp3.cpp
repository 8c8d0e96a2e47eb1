#include "support/SineMp3.h"

#include <lame/lame.h>

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace testsupport {

std::vector<uint8_t> EncodeSineMp3(const SineTrack& track) {
    lame_global_flags* lame = lame_init();
    if (!lame) throw std::runtime_error("lame_init failed");
    lame_set_in_samplerate(lame, track.rate);
    lame_set_out_samplerate(lame, track.rate);
    lame_set_num_channels(lame, track.channels);
    lame_set_mode(lame, track.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, track.kilobitsPerSecond);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        throw std::runtime_error("lame_init_params failed");
    }
    std::vector<int16_t> pcm(static_cast<size_t>(track.frames) * track.channels);
    const double step = 2.0 * 3.14159265358979323846 * track.frequency / track.rate;
    for (int i = 0; i < track.frames; ++i)
        for (int c = 0; c < track.channels; ++c)
            pcm[static_cast<size_t>(i) * track.channels + c] =
                static_cast<int16_t>(std::lround(12000.0 * std::sin(step * i)));

    std::vector<uint8_t> out(static_cast<size_t>(1.25 * track.frames) + 7200 + 16384);
    int written = 0;
    if (track.channels == 1)
        written = lame_encode_buffer(lame, pcm.data(), pcm.data(), track.frames, out.data(),
                                     static_cast<int>(out.size()));
    else
        written = lame_encode_buffer_interleaved(lame, pcm.data(), track.frames, out.data(),
                                                 static_cast<int>(out.size()));
    if (written < 0) {
        lame_close(lame);
        throw std::runtime_error("lame_encode_buffer failed");
    }
    int flushed =
        lame_encode_flush(lame, out.data() + written, static_cast<int>(out.size()) - written);
    if (flushed < 0) {
        lame_close(lame);
        throw std::runtime_error("lame_encode_flush failed");
    }
    out.resize(static_cast<size_t>(written + flushed));
    // The first frame was reserved for the tag that tells decoders the delay and padding.
    uint8_t tag[2880];
    size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= out.size()) std::memcpy(out.data(), tag, tagSize);
    lame_close(lame);
    return out;
}

}  // namespace testsupport
