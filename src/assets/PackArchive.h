// The pack file: a directory of named entries, each read whole into a fresh memory block.
//
// File format (little-endian): int32 entryCount, then entryCount records of
// { uint32 offset, uint32 size, NUL-terminated name of at most 49 characters },
// then the entry data anywhere after, addressed by absolute offsets.
//
// Names are looked up without regard to the case of the ASCII letters A-Z (no other byte is
// folded); the first record in directory order wins. The directory is checked when it is read:
// a short file, an impossible entry count, a name without its NUL within 50 bytes or an entry
// reaching past the end of the file is a damaged pack, reported with the file and entry named.
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
    static constexpr size_t kMaxStoredName = 49;      // characters before the NUL
    static constexpr size_t kMaxRequestedName = 254;  // longest name accepted for lookup

    virtual ~PackArchive() = default;

    // Reads the directory of `path`. A missing, unreadable or damaged file is a fatal error
    // (platform::FatalError naming the file and the fault); if the fatal handler returns, the
    // result is false and the archive is empty.
    bool Open(const std::string& path);

    // Open without any report: false with the reason in `error` (the pack tool uses this).
    bool TryOpen(const std::string& path, std::string* error);

    // Looks a name up without regard to ASCII letter case; the first record in directory order
    // wins. A miss (or a request longer than 254 characters) is a fatal error naming the
    // lower-cased request and the pack; then the result is false and `out` is untouched.
    bool Find(const std::string& name, PackEntry& out) const;

    // The same lookup without a report: null when absent or when the name is too long.
    const PackEntry* Lookup(const std::string& name) const;

    // A new block holding the whole entry; the caller owns it (FreePackEntry). lastSize and
    // lastData describe it until the next read. An entry of size 0 gives a valid empty block.
    // Every read opens the pack file afresh. Any failure is a fatal error; then the result is
    // null, lastSize 0 and lastData null.
    uint8_t* Read(const std::string& name);

    // Same as Read but into a vector; false on failure (reported as by Read).
    bool ReadInto(const std::string& name, std::vector<uint8_t>& out);

    // Reads one directory entry without any report: false with the reason in `error`.
    bool TryReadEntry(const PackEntry& entry, std::vector<uint8_t>& out, std::string* error) const;

    const std::string& archivePath() const { return archivePath_; }
    int32_t entryCount() const { return static_cast<int32_t>(entries_.size()); }
    const std::vector<PackEntry>& entries() const { return entries_; }
    bool isOpen() const { return open_; }

    uint32_t lastSize = 0;
    uint8_t* lastData = nullptr;

  private:
    // Reads the entry's bytes into `block` (which holds entry.size bytes).
    bool ReadBytes(const PackEntry& entry, uint8_t* block, std::string* error) const;

    std::string archivePath_;
    std::vector<PackEntry> entries_;
    uint64_t fileSize_ = 0;
    bool open_ = false;
};

// ASCII A-Z to a-z; every other byte unchanged.
std::string FoldPackName(const std::string& name);

// The one archive of the process, opened by the load routine.
PackArchive& GlobalPack();

// Read on the global archive; its size is GlobalPack().lastSize right after the call.
uint8_t* ReadPackEntry(const std::string& name);

// Releases a block returned by Read/ReadPackEntry; null is ignored.
void FreePackEntry(uint8_t* block);

}  // namespace assets

using assets::ReadPackEntry;
