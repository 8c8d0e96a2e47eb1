#include "content/scenes/ChunkWriter.h"

#include <cstring>
#include <stdexcept>

namespace content::scenes {

void ChunkWriter::Begin(uint16_t id) {
    open_.push_back(bytes_.size());
    U16(id);
    U32(0);
}

void ChunkWriter::End() {
    if (open_.empty()) throw std::logic_error("3ds writer: End without Begin");
    size_t start = open_.back();
    open_.pop_back();
    uint64_t length = bytes_.size() - start;
    if (length > 0xFFFFFFFFu) throw std::length_error("3ds writer: chunk over 4 GiB");
    for (int i = 0; i < 4; ++i) bytes_[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
}

void ChunkWriter::U16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
}

void ChunkWriter::U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ChunkWriter::F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    U32(bits);
}

void ChunkWriter::Str(std::string_view s) { Name(s, 10); }

void ChunkWriter::Name(std::string_view s, size_t maxLength) {
    if (s.empty() || s.size() > maxLength || s.find('\0') != std::string_view::npos)
        throw std::invalid_argument("3ds writer: bad name '" + std::string(s) + "'");
    bytes_.insert(bytes_.end(), s.begin(), s.end());
    bytes_.push_back(0);
}

void ChunkWriter::Empty(uint16_t id) {
    Begin(id);
    End();
}

void ChunkWriter::ChunkU16(uint16_t id, uint16_t v) {
    Begin(id);
    U16(v);
    End();
}

void ChunkWriter::ChunkU32(uint16_t id, uint32_t v) {
    Begin(id);
    U32(v);
    End();
}

void ChunkWriter::ChunkF32(uint16_t id, float v) {
    Begin(id);
    F32(v);
    End();
}

std::vector<uint8_t> ChunkWriter::Take() {
    if (!open_.empty()) throw std::logic_error("3ds writer: unclosed chunk");
    return std::move(bytes_);
}

}  // namespace content::scenes
