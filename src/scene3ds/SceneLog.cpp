#include "scene3ds/SceneLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/OutputFile.h"

namespace scene3ds {

std::string SceneLogPath = "engine.log";
SceneExitFunction SceneExitHook = &std::exit;
std::FILE* SceneFatalStream = nullptr;

namespace {
size_t faultsReported = 0;
bool logWriteFailed = false;
}  // namespace

size_t SceneFaultsReported() { return faultsReported; }
void CountSceneFault() { ++faultsReported; }
bool SceneLogWriteFailed() { return logWriteFailed; }

SceneLog::SceneLog(const std::string& path) : path_(path) {}

SceneLog::~SceneLog() { flush(); }

void SceneLog::write(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length > 0) {
        const size_t at = text_.size();
        text_.resize(at + static_cast<size_t>(length) + 1);
        std::vsnprintf(text_.data() + at, static_cast<size_t>(length) + 1, format, again);
        text_.resize(at + static_cast<size_t>(length));
    }
    va_end(again);
}

void SceneLog::flush() {
    std::string error;
    if (platform::WriteWholeFile(path_, text_.data(), text_.size(), &error)) return;
    logWriteFailed = true;
    // Every scene load writes the log afresh: a folder that cannot take it is said once.
    static std::set<std::string> reported;
    if (reported.insert(path_).second)
        std::fprintf(stderr, "Cannot write the scene log %s: %s\n", path_.c_str(), error.c_str());
}

namespace {

void EmitErrorLine(SceneLog& log, const std::string& line) {
    CountSceneFault();
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
