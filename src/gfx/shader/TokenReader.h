// Bounds-checked sequential reading of a token stream; every read knows its token offset, so
// errors can name where a stream went wrong.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gfx::shader {

class TokenReader {
  public:
    TokenReader(const uint32_t* tokens, size_t count)
        : tokens_(tokens), count_(tokens ? count : 0) {}

    bool atEnd() const { return pos_ >= count_; }
    size_t offset() const { return pos_; }
    size_t remaining() const { return count_ - pos_; }
    size_t size() const { return count_; }

    // False at the end of the stream (nothing is consumed).
    bool next(uint32_t& token) {
        if (pos_ >= count_) return false;
        token = tokens_[pos_++];
        return true;
    }
    bool peek(uint32_t& token) const {
        if (pos_ >= count_) return false;
        token = tokens_[pos_];
        return true;
    }
    // Skips n tokens; false (nothing skipped) when fewer remain.
    bool skip(size_t n) {
        if (n > remaining()) return false;
        pos_ += n;
        return true;
    }
    const uint32_t* at(size_t offset) const { return tokens_ + offset; }

  private:
    const uint32_t* tokens_;
    size_t count_;
    size_t pos_ = 0;
};

}  // namespace gfx::shader
