// Pack images laid out byte by byte, for directories the pack writer refuses to make (names
// that differ only in case, which the reader must still resolve to the first).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Count, (offset, size, name NUL) records, then the data in record order.
inline std::vector<uint8_t> RawPack(
    const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries) {
    auto put = [](std::vector<uint8_t>& out, size_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    size_t offset = 4;
    for (const auto& e : entries) offset += 8 + e.first.size() + 1;
    std::vector<uint8_t> out;
    put(out, entries.size());
    for (const auto& e : entries) {
        put(out, offset);
        put(out, e.second.size());
        out.insert(out.end(), e.first.begin(), e.first.end());
        out.push_back(0);
        offset += e.second.size();
    }
    for (const auto& e : entries) out.insert(out.end(), e.second.begin(), e.second.end());
    return out;
}

}  // namespace testsupport
