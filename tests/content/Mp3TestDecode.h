// Test helpers: decode an MP3 held in memory with libmpg123 the way the engine's player does
// (gapless on, its default), and pull an entry out of a pack file.
#pragma once

#include <mpg123.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace musictest {

struct Decoded {
    long rate = 0;
    int channels = 0;
    std::vector<int16_t> pcm;  // interleaved
    std::string error;
};

inline Decoded DecodeMp3(const std::vector<uint8_t>& mp3) {
    Decoded d;
    mpg123_init();
    int err = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h) {
        d.error = "mpg123_new failed";
        return d;
    }
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(h);
    mpg123_format(h, 44100, MPG123_STEREO | MPG123_MONO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(h) != MPG123_OK || mpg123_feed(h, mp3.data(), mp3.size()) != MPG123_OK) {
        d.error = mpg123_strerror(h);
        mpg123_delete(h);
        return d;
    }
    std::vector<unsigned char> buf(1 << 16);
    for (;;) {
        size_t got = 0;
        const int rc = mpg123_read(h, buf.data(), buf.size(), &got);
        if (got > 0) {
            const size_t old = d.pcm.size();
            d.pcm.resize(old + got / 2);
            std::memcpy(d.pcm.data() + old, buf.data(), got);
        }
        if (rc == MPG123_NEW_FORMAT) {
            int enc = 0;
            mpg123_getformat(h, &d.rate, &d.channels, &enc);
            continue;
        }
        if (rc == MPG123_OK) continue;
        if (rc == MPG123_NEED_MORE || rc == MPG123_DONE) break;
        d.error = mpg123_strerror(h);
        break;
    }
    mpg123_delete(h);
    return d;
}

// Finds `name` in a pack file: int32 count, then {uint32 offset, uint32 size, NUL-ended name}.
inline bool ReadPackEntry(const std::string& path, const std::string& name,
                          std::vector<uint8_t>& out) {
    std::ifstream f(path, std::ios::binary);
    const std::vector<uint8_t> all((std::istreambuf_iterator<char>(f)),
                                   std::istreambuf_iterator<char>());
    size_t p = 0;
    auto u32 = [&](uint32_t& v) {
        if (p + 4 > all.size()) return false;
        v = all[p] | all[p + 1] << 8 | all[p + 2] << 16 | uint32_t(all[p + 3]) << 24;
        p += 4;
        return true;
    };
    uint32_t count = 0;
    if (!u32(count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t off = 0, size = 0;
        if (!u32(off) || !u32(size)) return false;
        std::string n;
        while (p < all.size() && all[p] != 0) n.push_back(static_cast<char>(all[p++]));
        if (p++ >= all.size()) return false;
        if (n == name) {
            if (uint64_t(off) + size > all.size()) return false;
            out.assign(all.begin() + off, all.begin() + off + size);
            return true;
        }
    }
    return false;
}

}  // namespace musictest
