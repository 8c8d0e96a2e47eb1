// The pack file: a directory of named entries, each read whole into a fresh memory block.
//
// File format (little-endian): int32 entryCount, then entryCount records of
// { uint32 offset, uint32 size, NUL-terminated name of at most 49 characters },
// then the entry data anywhere after, addressed by absolute offsets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

struct PackEntry {
    uint32_t offset = 0;
    uint32_t size = 0;
    std::string name;  // as stored in the file
};

class PackArchive {
public:
    virtual ~PackArchive() = default;

    // Reads the directory of `path`. A missing, unreadable or damaged file is reported with
    // ShowError naming the file and the fault; the result is then false and the archive empty.
    bool Open(const std::string& path);

    // Looks a name up without regard to ASCII letter case; the first record in directory order
    // wins. On a miss it reports the lower-cased name with ShowError and returns false.
    bool Find(const std::string& name, PackEntry& out) const;

    // A new block holding the whole entry; the caller owns it. lastSize/lastData describe it
    // until the next read. On any failure (reported) the result is null and lastSize is 0.
    uint8_t* Read(const std::string& name);

    // Same as Read but into a vector; false on failure (reported).
    bool ReadInto(const std::string& name, std::vector<uint8_t>& out);

    const std::string& archivePath() const { return archivePath_; }
    int32_t entryCount() const { return static_cast<int32_t>(entries_.size()); }
    const std::vector<PackEntry>& entries() const { return entries_; }

    uint32_t lastSize = 0;
    uint8_t* lastData = nullptr;

private:
    std::string archivePath_;
    std::vector<PackEntry> entries_;
    uint64_t fileSize_ = 0;
};

// The one archive of the process, opened by the load routine.
PackArchive& GlobalPack();

// Read on the global archive; its size is GlobalPack().lastSize right after the call.
uint8_t* ReadPackEntry(const std::string& name);

// Releases a block returned by Read/ReadPackEntry.
void FreePackEntry(uint8_t* block);

}  // namespace assets

using assets::ReadPackEntry;
