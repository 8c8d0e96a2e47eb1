// Writes pack files in the format PackArchive reads. Used by the pack tool, the content
// generator and the tests.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace assets {

class PackWriter {
  public:
    // Adds an entry; names keep their case and use backslash as the folder separator.
    // Names must be 1..49 bytes without NUL, and must differ from every name added before
    // other than in case: the reader folds case and would only ever find the first.
    // Throws std::invalid_argument otherwise.
    void Add(std::string name, std::vector<uint8_t> data);
    void Add(std::string name, const void* data, size_t size);

    // The whole pack as bytes: directory first, then the data blocks in insertion order.
    std::vector<uint8_t> Build() const;

    // Builds and writes to `path`, which appears only when written whole; false on failure,
    // with "cannot write PATH: <the system's reason>" in `error`.
    bool WriteFile(const std::string& path, std::string* error = nullptr) const;

    size_t size() const { return entries_.size(); }

  private:
    struct Entry {
        std::string name;
        std::vector<uint8_t> data;
    };
    std::vector<Entry> entries_;
    std::unordered_map<std::string, size_t> folded_;  // folded name -> index in entries_
};

}  // namespace assets
