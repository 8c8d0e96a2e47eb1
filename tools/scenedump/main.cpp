// scenedump: lists what the engine reads from a .3ds scene, given as a file or as a pack
// entry (PACK:ENTRY, e.g. kelvra.dat:Objs\szk.3ds).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "SceneDump.h"
#include "assets/PackArchive.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"

namespace {

void Usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: scenedump [--log FILE] FILE.3ds\n"
                 "       scenedump [--log FILE] PACK:ENTRY\n"
                 "Lists the objects, materials, cameras, lights, node tree and track key counts\n"
                 "the engine reads. --log keeps the loader's account (engine.log) in FILE.\n");
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool IsFile(const std::string& path) { return std::ifstream(path, std::ios::binary).good(); }

// PACK:ENTRY when the text before the first ':' names a file and the whole does not.
bool SplitPackEntry(const std::string& arg, std::string& pack, std::string& entry) {
    const size_t colon = arg.find(':');
    if (colon == std::string::npos || IsFile(arg)) return false;
    pack = arg.substr(0, colon);
    entry = arg.substr(colon + 1);
    return IsFile(pack) && !entry.empty();
}

}  // namespace

int main(int argc, char** argv) {
    std::string source;
    std::string logPath = "/dev/null";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
            logPath = argv[++i];
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            Usage(stdout);
            return 0;
        } else if (source.empty()) {
            source = argv[i];
        } else {
            Usage(stderr);
            return 2;
        }
    }
    if (source.empty()) {
        Usage(stderr);
        return 2;
    }
    scene3ds::SceneLogPath = logPath;
    // Standard output is the listing; faults go to standard error, and a fatal one still lets
    // the listing show what was read before it.
    scene3ds::SceneFatalStream = stderr;
    scene3ds::SceneExitHook = [](int) {};

    std::vector<uint8_t> data;
    std::string entryName = source;
    std::string packPath;
    if (SplitPackEntry(source, packPath, entryName)) {
        assets::PackArchive pack;
        std::string error;
        const assets::PackEntry* entry =
            pack.TryOpen(packPath, &error) ? pack.Lookup(entryName) : nullptr;
        if (entry == nullptr && error.empty()) error = "the pack holds no such entry";
        if (!entry || !pack.TryReadEntry(*entry, data, &error)) {
            std::fprintf(stderr, "scenedump: cannot read entry %s of pack %s: %s\n",
                         entryName.c_str(), packPath.c_str(), error.c_str());
            return 1;
        }
    } else if (!ReadFile(source, data)) {
        std::fprintf(stderr, "scenedump: cannot read %s: %s\n", source.c_str(),
                     std::strerror(errno));
        return 1;
    }

    Scene scene;
    Load3dsSceneFromMemory(entryName, data.data(), data.size(), scene);
    DumpScene(scene, source, std::cout);
    std::cout.flush();
    if (!std::cout) {
        std::fprintf(stderr, "scenedump: cannot write the listing: %s\n", std::strerror(errno));
        return 3;
    }
    if (scene3ds::SceneLogWriteFailed()) return 3;  // said by the log
    // A file read with faults is not a clean dump, whatever the listing shows.
    return scene3ds::SceneFaultsReported() > 0 ? 1 : 0;
}
