#include "content/music/Mp3Encode.h"

#include <lame/lame.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>

namespace content::music {
namespace {

struct LameDeleter {
    void operator()(lame_global_flags* gf) const { lame_close(gf); }
};

void Check(int rc, const char* what) {
    if (rc < 0)
        throw std::runtime_error(std::string("LAME: ") + what + " failed (" + std::to_string(rc) +
                                 ")");
}

}  // namespace

std::vector<uint8_t> EncodeMp3(std::span<const int16_t> pcm, const Mp3Settings& s) {
    std::unique_ptr<lame_global_flags, LameDeleter> gf(lame_init());
    if (!gf) throw std::runtime_error("LAME: cannot initialise the encoder");
    lame_global_flags* g = gf.get();
    lame_set_in_samplerate(g, s.sampleRate);
    lame_set_out_samplerate(g, s.sampleRate);
    lame_set_num_channels(g, 2);
    lame_set_mode(g, JOINT_STEREO);
    lame_set_VBR(g, vbr_off);
    lame_set_brate(g, s.kbps);
    lame_set_quality(g, s.quality);
    lame_set_bWriteVbrTag(g, 1);  // the "Info" frame carrying delay and padding
    lame_set_write_id3tag_automatic(g, 0);
    Check(lame_init_params(g), "lame_init_params");

    const size_t frames = pcm.size() / 2;
    constexpr size_t kChunk = 1152 * 32;
    std::vector<uint8_t> out;
    out.reserve(frames * s.kbps / 8 * 1000 / s.sampleRate + 16384);
    std::vector<uint8_t> buf(kChunk * 5 / 4 + 7200);
    std::vector<short> chunk(kChunk * 2);
    for (size_t f = 0; f < frames; f += kChunk) {
        const size_t n = std::min(kChunk, frames - f);
        std::copy_n(pcm.data() + f * 2, n * 2, chunk.data());
        const int bytes = lame_encode_buffer_interleaved(g, chunk.data(), static_cast<int>(n),
                                                         buf.data(), static_cast<int>(buf.size()));
        Check(bytes, "lame_encode_buffer_interleaved");
        out.insert(out.end(), buf.begin(), buf.begin() + bytes);
    }
    const int tail = lame_encode_flush(g, buf.data(), static_cast<int>(buf.size()));
    Check(tail, "lame_encode_flush");
    out.insert(out.end(), buf.begin(), buf.begin() + tail);

    // LAME left room for the info frame at the start; fill it in now that the totals are known.
    const size_t tagSize = lame_get_lametag_frame(g, buf.data(), buf.size());
    if (tagSize == 0 || tagSize > out.size())
        throw std::runtime_error("LAME: no info tag frame was produced");
    std::copy_n(buf.data(), tagSize, out.begin());
    return out;
}

}  // namespace content::music
