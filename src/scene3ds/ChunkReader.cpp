#include "scene3ds/ChunkReader.h"

#include <cstring>

namespace scene3ds {

uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

float LoadF32(const uint8_t* p) {
    const uint32_t bits = LoadU32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

HeaderStatus ReadChunkHeader(const uint8_t* data, size_t offset, size_t limit, Chunk& out) {
    if (offset > limit || limit - offset < kChunkHeaderSize) return HeaderStatus::Truncated;
    out.id = LoadU16(data + offset);
    out.length = LoadU32(data + offset + 2);
    out.offset = offset;
    if (out.length < kChunkHeaderSize) {
        out.end = offset + kChunkHeaderSize;
        return HeaderStatus::TooShort;
    }
    if (out.length > limit - offset) {
        out.end = limit;
        return HeaderStatus::PastEnd;
    }
    out.end = offset + out.length;
    return HeaderStatus::Ok;
}

bool ByteCursor::skip(size_t count) {
    if (!has(count)) return false;
    offset_ += count;
    return true;
}

bool ByteCursor::u16(uint16_t& out) {
    if (!has(2)) return false;
    out = LoadU16(data_ + offset_);
    offset_ += 2;
    return true;
}

bool ByteCursor::u32(uint32_t& out) {
    if (!has(4)) return false;
    out = LoadU32(data_ + offset_);
    offset_ += 4;
    return true;
}

bool ByteCursor::i32(int32_t& out) {
    uint32_t bits;
    if (!u32(bits)) return false;
    out = static_cast<int32_t>(bits);
    return true;
}

bool ByteCursor::f32(float& out) {
    if (!has(4)) return false;
    out = LoadF32(data_ + offset_);
    offset_ += 4;
    return true;
}

bool ByteCursor::floats(float* out, size_t count) {
    if (count > remaining() / 4) return false;
    for (size_t i = 0; i < count; ++i) out[i] = LoadF32(data_ + offset_ + 4 * i);
    offset_ += 4 * count;
    return true;
}

bool ByteCursor::cString(std::string_view& out) {
    if (remaining() == 0) return false;
    const void* nul = std::memchr(data_ + offset_, 0, remaining());
    if (!nul) return false;
    const size_t length = static_cast<const uint8_t*>(nul) - (data_ + offset_);
    out = std::string_view(reinterpret_cast<const char*>(data_ + offset_), length);
    offset_ += length + 1;
    return true;
}

}  // namespace scene3ds
