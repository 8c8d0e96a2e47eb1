// Little-endian writer for 3D Studio chunk files: a chunk is a 16-bit id and a 32-bit length
// that covers its 6-byte header, its data and every chunk nested in it. Begin/End nest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace content::scenes {

class ChunkWriter {
  public:
    void Begin(uint16_t id);
    void End();  // patches the length of the innermost open chunk

    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void F32(float v);
    void Str(std::string_view s);  // zero-terminated; at most 10 characters (the format's names)
    void Name(std::string_view s, size_t maxLength);

    // Whole leaf chunks.
    void Empty(uint16_t id);
    void ChunkU16(uint16_t id, uint16_t v);
    void ChunkU32(uint16_t id, uint32_t v);
    void ChunkF32(uint16_t id, float v);

    size_t depth() const { return open_.size(); }
    // The finished file; every chunk must be closed.
    std::vector<uint8_t> Take();

  private:
    std::vector<uint8_t> bytes_;
    std::vector<size_t> open_;
};

}  // namespace content::scenes
