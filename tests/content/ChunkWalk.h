// A minimal, independent reader of 3D Studio chunks and of the pack directory for the content
// tests: it only follows lengths and ids, so it checks the files without sharing code with
// the writer.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace content_test {

using Bytes = std::vector<uint8_t>;

inline uint16_t U16(const Bytes& b, size_t at) { return uint16_t(b.at(at) | b.at(at + 1) << 8); }
inline uint32_t U32(const Bytes& b, size_t at) {
    return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 |
           uint32_t(b.at(at + 3)) << 24;
}
inline float F32(const Bytes& b, size_t at) {
    uint32_t u = U32(b, at);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
inline std::string CStr(const Bytes& b, size_t at) {
    std::string s;
    while (b.at(at) != 0) s.push_back(static_cast<char>(b[at++]));
    return s;
}

struct Chunk {
    uint16_t id = 0;
    size_t start = 0;   // header position
    size_t length = 0;  // including the header
    size_t end() const { return start + length; }
};

// The chunks lying one after another in [begin, end). `ok` turns false when a length is too
// short or runs past `end`, or the chunks do not fill the range exactly.
inline std::vector<Chunk> Children(const Bytes& b, size_t begin, size_t end, bool* ok) {
    std::vector<Chunk> out;
    size_t at = begin;
    while (at + 6 <= end) {
        Chunk c{U16(b, at), at, U32(b, at + 2)};
        if (c.length < 6 || c.end() > end) {
            *ok = false;
            return out;
        }
        out.push_back(c);
        at = c.end();
    }
    if (at != end) *ok = false;
    return out;
}

// The pack directory: count, then (offset, size, name) per entry.
inline std::map<std::string, Bytes> ReadPack(const Bytes& pack) {
    std::map<std::string, Bytes> entries;
    uint32_t count = U32(pack, 0);
    size_t at = 4;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t offset = U32(pack, at), size = U32(pack, at + 4);
        std::string name = CStr(pack, at + 8);
        at += 8 + name.size() + 1;
        entries[name] = Bytes(pack.begin() + offset, pack.begin() + offset + size);
    }
    return entries;
}

}  // namespace content_test
