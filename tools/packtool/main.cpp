// packtool: builds, lists and extracts pack files.
//   packtool build DIR OUT     every file under DIR, named by its relative path with '\'
//   packtool list PACK         name, offset and size of every entry, in directory order
//   packtool extract PACK DIR  every entry into DIR (unsafe names are skipped)
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets/PackArchive.h"
#include "assets/PackFolder.h"
#include "assets/PackWriter.h"

namespace {

const char* const kUsage =
    "usage: packtool build DIR OUT\n"
    "       packtool list PACK\n"
    "       packtool extract PACK DIR\n";

int Usage() {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
}

// Exit statuses: 1 for input that cannot be used, 2 for a usage error, 3 for a failed write.
constexpr int kBadInput = 1;
constexpr int kWriteFailed = 3;

int Fail(const std::string& text, int status = kBadInput) {
    std::fprintf(stderr, "packtool: %s\n", text.c_str());
    return status;
}

int Build(const char* folder, const char* out) {
    assets::PackWriter writer;
    std::vector<std::string> names;
    std::string error;
    try {
        if (!assets::AddFolderToPack(folder, writer, &names, &error)) return Fail(error);
        if (!writer.WriteFile(out, &error)) return Fail(error, kWriteFailed);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    std::printf("packtool: %zu entries written to %s\n", names.size(), out);
    return 0;
}

int List(const char* path) {
    assets::PackArchive pack;
    std::string error;
    if (!pack.TryOpen(path, &error)) return Fail(error);
    for (const assets::PackEntry& e : pack.entries())
        std::printf("%-50s %10" PRIu32 " %10" PRIu32 "\n", e.name.c_str(), e.offset, e.size);
    return 0;
}

int Extract(const char* path, const char* folder) {
    assets::PackArchive pack;
    std::string error;
    if (!pack.TryOpen(path, &error)) return Fail(error);
    assets::ExtractReport report;
    bool ok = assets::ExtractPack(pack, folder, report, &error);
    for (const std::string& s : report.skipped)
        std::fprintf(stderr, "packtool: skipped %s\n", s.c_str());
    if (!ok) return Fail(error, report.unwritten.empty() ? kBadInput : kWriteFailed);
    std::printf("packtool: %zu entries extracted to %s\n", report.written.size(), folder);
    return report.skipped.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("%s", kUsage);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "build") == 0) return Build(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "list") == 0) return List(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "extract") == 0) return Extract(argv[2], argv[3]);
    return Usage();
}
