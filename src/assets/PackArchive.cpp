#include "assets/PackArchive.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/ErrorReport.h"

namespace assets {

namespace {

// The smallest directory record: offset, size and an empty name's NUL.
constexpr uint64_t kMinRecordBytes = 9;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

// Reports start with a capital; the same texts go lower-case into the pack tool's messages.
void Fatal(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 32);
    platform::FatalError(text);
}

// Opens `path` for reading and finds its size; only regular files qualify.
File OpenPackFile(const std::string& path, uint64_t& size, std::string* error) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        *error = "cannot open the pack file " + Quote(path) + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (fstat(fileno(f.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = "cannot read the pack file " + Quote(path) + ": not a regular file";
        return nullptr;
    }
    size = static_cast<uint64_t>(st.st_size);
    return f;
}

bool ReadU32(FILE* f, uint32_t& value) {
    uint8_t b[4];
    if (std::fread(b, 1, 4, f) != 4) return false;
    value = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
            static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    return true;
}

// Folds the way the lookup compares: as NUL-terminated text, so a request is cut at a NUL.
std::string FoldForLookup(const std::string& name) {
    return FoldPackName(std::string(name.c_str()));
}

}  // namespace

std::string FoldPackName(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

bool PackArchive::Open(const std::string& path) {
    std::string error;
    if (TryOpen(path, &error)) return true;
    Fatal(error);
    return false;
}

bool PackArchive::TryOpen(const std::string& path, std::string* error) {
    std::string localError;
    if (!error) error = &localError;
    archivePath_ = path;
    entries_.clear();
    fileSize_ = 0;
    open_ = false;

    uint64_t fileSize = 0;
    File f = OpenPackFile(path, fileSize, error);
    if (!f) return false;
    const std::string damaged = "the pack file " + Quote(path) + " is damaged: ";

    uint32_t rawCount = 0;
    if (!ReadU32(f.get(), rawCount)) {
        *error = damaged + "it is " + std::to_string(fileSize) +
                 " bytes long, too short for its entry count";
        return false;
    }
    const int32_t count = static_cast<int32_t>(rawCount);
    if (count < 0) {
        *error = damaged + "negative entry count " + std::to_string(count);
        return false;
    }
    if (static_cast<uint64_t>(count) > (fileSize - 4) / kMinRecordBytes) {
        *error = damaged + "an entry count of " + std::to_string(count) + " cannot fit in its " +
                 std::to_string(fileSize) + " bytes";
        return false;
    }

    std::vector<PackEntry> entries(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        PackEntry& e = entries[static_cast<size_t>(i)];
        const std::string which = "entry " + std::to_string(i + 1) + " of " + std::to_string(count);
        const std::string pastEnd =
            damaged + "the directory runs past the end of the file at " + which;
        if (!ReadU32(f.get(), e.offset) || !ReadU32(f.get(), e.size)) {
            *error = pastEnd;
            return false;
        }
        char name[kMaxStoredName + 1];
        size_t length = 0;
        for (;;) {
            int c = std::fgetc(f.get());
            if (c == EOF) {
                *error = pastEnd;
                return false;
            }
            if (c == 0) break;
            if (length == kMaxStoredName) {
                *error = damaged + "the name of " + which + " has no end within " +
                         std::to_string(kMaxStoredName + 1) + " bytes (at most " +
                         std::to_string(kMaxStoredName) + " characters are allowed)";
                return false;
            }
            name[length++] = static_cast<char>(c);
        }
        e.name.assign(name, length);
    }
    if (std::ferror(f.get())) {
        *error = "cannot read the pack file " + Quote(path) + ": " + std::strerror(errno);
        return false;
    }
    for (const PackEntry& e : entries) {
        if (static_cast<uint64_t>(e.offset) + e.size > fileSize) {
            *error = damaged + "entry " + Quote(e.name) + " (offset " + std::to_string(e.offset) +
                     ", size " + std::to_string(e.size) + ") lies outside the file (" +
                     std::to_string(fileSize) + " bytes)";
            return false;
        }
    }
    entries_ = std::move(entries);
    fileSize_ = fileSize;
    open_ = true;
    return true;
}

const PackEntry* PackArchive::Lookup(const std::string& name) const {
    if (std::strlen(name.c_str()) > kMaxRequestedName) return nullptr;
    const std::string wanted = FoldForLookup(name);
    for (const PackEntry& e : entries_)
        if (FoldPackName(e.name) == wanted) return &e;
    return nullptr;
}

bool PackArchive::Find(const std::string& name, PackEntry& out) const {
    const std::string folded = FoldForLookup(name);
    if (folded.size() > kMaxRequestedName) {
        Fatal("the requested pack entry name " + Quote(folded.substr(0, 60) + "...") +
              " is longer than " + std::to_string(kMaxRequestedName) + " characters");
        return false;
    }
    if (const PackEntry* e = Lookup(name)) {
        out = *e;
        return true;
    }
    if (!open_)
        Fatal(Quote(folded) + " cannot be read: no pack file is open");
    else
        Fatal(Quote(folded) + " is not in the pack file " + Quote(archivePath_));
    return false;
}

bool PackArchive::ReadBytes(const PackEntry& entry, uint8_t* block, std::string* error) const {
    uint64_t fileSize = 0;
    File f = OpenPackFile(archivePath_, fileSize, error);
    if (!f) return false;
    // The file is reopened for every read, so it may have changed since its directory was read.
    if (static_cast<uint64_t>(entry.offset) + entry.size > fileSize) {
        *error = "the pack file " + Quote(archivePath_) + " is damaged: entry " +
                 Quote(entry.name) + " (offset " + std::to_string(entry.offset) + ", size " +
                 std::to_string(entry.size) + ") lies outside the file (" +
                 std::to_string(fileSize) + " bytes)";
        return false;
    }
    if (fseeko(f.get(), static_cast<off_t>(entry.offset), SEEK_SET) != 0) {
        *error = "PosError: cannot seek to entry " + Quote(entry.name) + " at offset " +
                 std::to_string(entry.offset) + " in the pack file " + Quote(archivePath_);
        return false;
    }
    if (entry.size > 0 && std::fread(block, 1, entry.size, f.get()) != entry.size) {
        *error = "cannot read entry " + Quote(entry.name) + " (" + std::to_string(entry.size) +
                 " bytes at offset " + std::to_string(entry.offset) + ") from the pack file " +
                 Quote(archivePath_);
        return false;
    }
    return true;
}

bool PackArchive::TryReadEntry(const PackEntry& entry, std::vector<uint8_t>& out,
                               std::string* error) const {
    std::string localError;
    if (!error) error = &localError;
    out.assign(entry.size, 0);
    if (ReadBytes(entry, out.data(), error)) return true;
    out.clear();
    return false;
}

uint8_t* PackArchive::Read(const std::string& name) {
    lastSize = 0;
    lastData = nullptr;
    PackEntry entry;
    if (!Find(name, entry)) return nullptr;
    // One byte at least, so an empty entry still gives a block of its own.
    auto* block = static_cast<uint8_t*>(std::malloc(entry.size > 0 ? entry.size : 1));
    if (!block) {
        Fatal("out of memory reading entry " + Quote(entry.name) + " (" +
              std::to_string(entry.size) + " bytes) from the pack file " + Quote(archivePath_));
        return nullptr;
    }
    std::string error;
    if (!ReadBytes(entry, block, &error)) {
        std::free(block);
        Fatal(error);
        return nullptr;
    }
    lastSize = entry.size;
    lastData = block;
    return block;
}

bool PackArchive::ReadInto(const std::string& name, std::vector<uint8_t>& out) {
    uint8_t* block = Read(name);
    if (!block) {
        out.clear();
        return false;
    }
    out.assign(block, block + lastSize);
    FreePackEntry(block);
    lastData = nullptr;
    return true;
}

PackArchive& GlobalPack() {
    static PackArchive archive;
    return archive;
}

uint8_t* ReadPackEntry(const std::string& name) { return GlobalPack().Read(name); }

void FreePackEntry(uint8_t* block) { std::free(block); }

}  // namespace assets
