#include "assets/PackWriter.h"

#include <stdexcept>

#include "assets/PackArchive.h"
#include "platform/OutputFile.h"

namespace assets {

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

void PackWriter::Add(std::string name, std::vector<uint8_t> data) {
    if (name.empty() || name.size() > 49 || name.find('\0') != std::string::npos)
        throw std::invalid_argument("pack entry name must be 1..49 bytes: " + name);
    auto [at, added] = folded_.emplace(FoldPackName(name), entries_.size());
    if (!added)
        throw std::invalid_argument("pack entry \"" + name + "\" has the name of entry \"" +
                                    entries_[at->second].name +
                                    "\" (the reader ignores case, so only one could be read)");
    entries_.push_back({std::move(name), std::move(data)});
}

void PackWriter::Add(std::string name, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    Add(std::move(name), std::vector<uint8_t>(p, p + size));
}

std::vector<uint8_t> PackWriter::Build() const {
    size_t dirSize = 4;
    for (const Entry& e : entries_) dirSize += 8 + e.name.size() + 1;
    std::vector<uint8_t> out;
    PutU32(out, static_cast<uint32_t>(entries_.size()));
    size_t offset = dirSize;
    for (const Entry& e : entries_) {
        // Offsets and sizes are 32-bit in the format: a bigger pack cannot be addressed.
        if (offset + e.data.size() > UINT32_MAX)
            throw std::length_error("pack larger than 4 GiB at entry " + e.name);
        PutU32(out, static_cast<uint32_t>(offset));
        PutU32(out, static_cast<uint32_t>(e.data.size()));
        out.insert(out.end(), e.name.begin(), e.name.end());
        out.push_back(0);
        offset += e.data.size();
    }
    for (const Entry& e : entries_) out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

bool PackWriter::WriteFile(const std::string& path, std::string* error) const {
    const std::vector<uint8_t> bytes = Build();
    std::string reason;
    if (platform::WriteWholeFile(path, bytes.data(), bytes.size(), &reason)) return true;
    if (error) *error = "cannot write " + path + ": " + reason;
    return false;
}

}  // namespace assets
