// The loader's running account, written to a text file that every load rewrites.
#pragma once

#include <cstdio>
#include <string>

namespace scene3ds {

// Where the account goes: "engine.log" in the current directory unless changed (tests).
extern std::string SceneLogPath;

// How a fatal scene error ends the process; std::exit unless replaced (tests). When the
// hook returns, the load stops where it was and the scene keeps what was read.
using SceneExitFunction = void (*)(int status);
extern SceneExitFunction SceneExitHook;

class SceneLog {
  public:
    // Opens `path` for writing, truncating it. A file that cannot be opened is reported on
    // standard error once; the account is then dropped.
    explicit SceneLog(const std::string& path);
    ~SceneLog();
    SceneLog(const SceneLog&) = delete;
    SceneLog& operator=(const SceneLog&) = delete;

    bool isOpen() const { return file_ != nullptr; }

    // One printf-style piece of the account, exactly as formatted.
    void write(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void flush();

  private:
    std::FILE* file_ = nullptr;
};

// A fault in a scene file: one line in the log and the same line on standard error, naming
// the entry and the byte offset where the fault lies.
void ReportSceneError(SceneLog& log, const std::string& entryName, size_t offset,
                      const std::string& what);

// A fault that is not tied to a place in the file (a missing entry).
void ReportSceneError(SceneLog& log, const std::string& entryName, const std::string& what);

}  // namespace scene3ds
