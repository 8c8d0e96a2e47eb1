// A name as scene records keep it: a 15-byte zero-filled buffer, so at most 14 characters,
// or no name at all (a map or material name the file never gave).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace scene3ds {

class SceneName {
  public:
    static constexpr size_t kBufferSize = 15;
    static constexpr size_t kMaxLength = kBufferSize - 1;

    SceneName() = default;
    // Keeps the first kMaxLength characters of `text` (up to its first NUL).
    explicit SceneName(std::string_view text);

    // True when `text` (up to its first NUL) would lose characters in a SceneName.
    static bool WouldTruncate(std::string_view text);

    bool isSet() const { return set_; }
    explicit operator bool() const { return set_; }

    // The characters; "" when no name is set.
    const char* c_str() const { return bytes_.data(); }
    std::string_view view() const { return std::string_view(bytes_.data(), length_); }
    std::string str() const { return std::string(view()); }
    size_t size() const { return length_; }
    const std::array<char, kBufferSize>& bytes() const { return bytes_; }

    bool startsWith(std::string_view prefix) const {
        return view().substr(0, prefix.size()) == prefix;
    }

    // A set name equals text with the same characters; an unset name equals nothing.
    bool operator==(std::string_view text) const { return set_ && view() == text; }
    bool operator==(const SceneName& other) const {
        return set_ && other.set_ && view() == other.view();
    }

  private:
    std::array<char, kBufferSize> bytes_{};
    size_t length_ = 0;
    bool set_ = false;
};

}  // namespace scene3ds
