#include "scene3ds/SceneLog.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace scene3ds {

std::string SceneLogPath = "engine.log";
SceneExitFunction SceneExitHook = &std::exit;

SceneLog::SceneLog(const std::string& path) {
    file_ = std::fopen(path.c_str(), "wt");
    if (!file_) {
        std::fprintf(stderr, "Cannot write the scene log %s: %s\n", path.c_str(),
                     std::strerror(errno));
    }
}

SceneLog::~SceneLog() {
    if (file_) std::fclose(file_);
}

void SceneLog::write(const char* format, ...) {
    if (!file_) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file_, format, args);
    va_end(args);
}

void SceneLog::flush() {
    if (file_) std::fflush(file_);
}

namespace {

void EmitErrorLine(SceneLog& log, const std::string& line) {
    log.write("%s", line.c_str());
    std::fputs(line.c_str(), stderr);
}

}  // namespace

void ReportSceneError(SceneLog& log, const std::string& entryName, size_t offset,
                      const std::string& what) {
    EmitErrorLine(log, "Error in 3ds file " + entryName + " at byte " + std::to_string(offset) +
                           ": " + what + "\n");
}

void ReportSceneError(SceneLog& log, const std::string& entryName, const std::string& what) {
    EmitErrorLine(log, "Error in 3ds file " + entryName + ": " + what + "\n");
}

}  // namespace scene3ds
