// Bounded access to a .3ds file held in memory: chunk headers checked against the chunk
// that encloses them, and a cursor that never reads past the end it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace scene3ds {

constexpr size_t kChunkHeaderSize = 6;

// One chunk as found in the buffer. Offsets are absolute byte offsets into the file.
struct Chunk {
    uint16_t id = 0;
    uint32_t length = 0;  // as stored: header, data and nested chunks
    size_t offset = 0;    // where the header starts
    size_t end = 0;       // offset + length, cut back to the enclosing chunk when damaged

    size_t dataOffset() const { return offset + kChunkHeaderSize; }
};

enum class HeaderStatus {
    Ok,
    Truncated,  // fewer than 6 bytes left before the enclosing end
    TooShort,   // stored length below the 6-byte header
    PastEnd,    // stored length runs past the enclosing end; `end` is cut back to it
};

// Reads the header at `offset` of a chunk nested in [.., limit). With PastEnd the chunk is
// still described, its end cut back to `limit`.
HeaderStatus ReadChunkHeader(const uint8_t* data, size_t offset, size_t limit, Chunk& out);

uint16_t LoadU16(const uint8_t* p);
uint32_t LoadU32(const uint8_t* p);
float LoadF32(const uint8_t* p);

// Sequential little-endian reads within [offset, end). A read that does not fit leaves the
// cursor where it was and returns false.
class ByteCursor {
  public:
    ByteCursor(const uint8_t* data, size_t offset, size_t end)
        : data_(data), offset_(offset), end_(end < offset ? offset : end) {}

    size_t offset() const { return offset_; }
    size_t end() const { return end_; }
    size_t remaining() const { return end_ - offset_; }
    bool has(size_t count) const { return count <= remaining(); }

    bool skip(size_t count);
    bool u16(uint16_t& out);
    bool u32(uint32_t& out);
    bool i32(int32_t& out);
    bool f32(float& out);
    bool floats(float* out, size_t count);
    // A zero-terminated string; false (cursor unmoved) when no terminator lies before end.
    bool cString(std::string_view& out);

  private:
    const uint8_t* data_;
    size_t offset_;
    size_t end_;
};

}  // namespace scene3ds
