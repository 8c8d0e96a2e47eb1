// Fuzzes the pack reader on whole pack files: the input is written to a scratch file, opened
// with and without reports, and every entry of the directory is looked up, found, read (all
// three ways) and given an extraction path. What is read must be the very bytes of the input
// the record points at; a damaged pack must be refused with a report and leave nothing open.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/PackArchive.h"
#include "assets/PackFolder.h"
#include "platform/ErrorReport.h"

namespace {

std::string g_path;
int g_fatals = 0;
int g_reports = 0;

void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "pack_fuzzer: %s %s\n", what, detail.c_str());
    std::abort();
}

bool WriteInput(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(g_path.c_str(), "wb");
    if (!f) return false;
    const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// Names the directory cannot hold (more than 49 characters) are never found.
const std::string kTooLongForThePack(50, 'q');

void CheckExtractPath(const std::string& name) {
    std::string why;
    const std::filesystem::path p = assets::SafeExtractPath(name, &why);
    if (p.empty()) {
        if (why.empty()) Fail("unsafe name without a reason", name);
        return;
    }
    if (p.is_absolute() || p.has_root_path()) Fail("absolute extraction path", name);
    for (const auto& part : p)
        if (part.empty() || part == "." || part == "..") Fail("escaping extraction path", name);
}

void CheckEntries(assets::PackArchive& pack, const uint8_t* data, size_t size) {
    const auto& entries = pack.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const assets::PackEntry& e = entries[i];
        if (e.name.size() > assets::PackArchive::kMaxStoredName ||
            e.name.find('\0') != std::string::npos)
            Fail("stored name breaks the directory rules", e.name);
        if (uint64_t{e.offset} + e.size > size) Fail("entry outside the file", e.name);

        // The first record with the same folded name wins, never a later one.
        const assets::PackEntry* found = pack.Lookup(e.name);
        if (!found) Fail("stored name not found", e.name);
        const size_t at = static_cast<size_t>(found - entries.data());
        if (at > i || assets::FoldPackName(found->name) != assets::FoldPackName(e.name))
            Fail("lookup found the wrong record", e.name);
        assets::PackEntry out;
        if (!pack.Find(e.name, out) || out.offset != found->offset || out.size != found->size)
            Fail("Find disagrees with Lookup", e.name);

        const int fatalsBefore = g_fatals;
        uint8_t* block = pack.Read(e.name);
        if (!block || g_fatals != fatalsBefore) Fail("entry of an opened pack not read", e.name);
        if (pack.lastSize != found->size || pack.lastData != block)
            Fail("lastSize/lastData do not describe the read", e.name);
        if (found->size && std::memcmp(block, data + found->offset, found->size) != 0)
            Fail("read bytes differ from the file", e.name);
        assets::FreePackEntry(block);
        pack.lastData = nullptr;

        std::vector<uint8_t> bytes;
        std::string error;
        if (!pack.TryReadEntry(e, bytes, &error) || bytes.size() != e.size ||
            (e.size && std::memcmp(bytes.data(), data + e.offset, e.size) != 0))
            Fail("TryReadEntry", e.name + " " + error);
        if (!pack.ReadInto(e.name, bytes) || bytes.size() != found->size) Fail("ReadInto", e.name);

        CheckExtractPath(e.name);
    }

    // Misses are reported and leave the output alone.
    for (const std::string& name : {kTooLongForThePack, std::string(255, 'a')}) {
        const int fatalsBefore = g_fatals;
        assets::PackEntry out;
        out.offset = 77;
        if (pack.Find(name, out) || out.offset != 77 || g_fatals != fatalsBefore + 1)
            Fail("a miss was not reported", name.substr(0, 8));
        if (pack.Read(name) || pack.lastSize != 0 || pack.lastData)
            Fail("a miss gave a block", name.substr(0, 8));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* dir = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    g_path = std::string(dir) + "/runeplay-pack-fuzz-" + std::to_string(getpid()) + ".dat";
    platform::SetReportHandler([](const std::string&, const std::string&) { ++g_reports; });
    platform::SetFatalHandler([](const std::string& text) {
        if (text.empty()) Fail("fatal error without a text");
        ++g_fatals;
    });
    std::atexit([] { std::remove(g_path.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!WriteInput(data, size)) Fail("cannot write the scratch pack", g_path);

    assets::PackArchive quiet;
    std::string error;
    const bool tried = quiet.TryOpen(g_path, &error);

    assets::PackArchive pack;
    const int fatalsBefore = g_fatals;
    const bool opened = pack.Open(g_path);
    if (opened != tried) Fail("Open and TryOpen disagree");
    if (!opened) {
        if (error.empty() || error.find(g_path) == std::string::npos)
            Fail("refusal does not name the file", error);
        if (g_fatals != fatalsBefore + 1) Fail("refusal not reported once");
        if (pack.isOpen() || pack.entryCount() != 0 || quiet.entryCount() != 0)
            Fail("a refused pack kept entries");
        // Reads from a pack that failed to open are refused, not served from stale state.
        if (pack.Read("a") || pack.lastSize != 0) Fail("read from a refused pack");
        return 0;
    }
    if (g_fatals != fatalsBefore || quiet.entryCount() != pack.entryCount())
        Fail("a good pack was reported");
    CheckEntries(pack, data, size);
    return 0;
}
