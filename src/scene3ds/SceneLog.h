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

// Where a fatal fault's line goes: standard output (null here) as the engine has always
// written it; a tool that keeps standard output for its own listing sends it to standard error.
extern std::FILE* SceneFatalStream;

// Faults reported so far by every load of this process (error lines and fatal faults), so a
// tool can tell that a file was not read cleanly.
size_t SceneFaultsReported();
void CountSceneFault();
// Whether a log of this process could not be written (said on standard error then).
bool SceneLogWriteFailed();

class SceneLog {
  public:
    // The account of one load, kept in memory and written to `path` whole (replacing what
    // the previous load wrote) when the load ends or a fatal fault flushes it. A file that
    // cannot be written is reported on standard error with the system's reason, once for
    // each path in the process; the account is then dropped.
    explicit SceneLog(const std::string& path);
    ~SceneLog();
    SceneLog(const SceneLog&) = delete;
    SceneLog& operator=(const SceneLog&) = delete;

    // One printf-style piece of the account, exactly as formatted.
    void write(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Writes the account so far to the file.
    void flush();

  private:
    std::string path_;
    std::string text_;
};

// A fault in a scene file: one line in the log and the same line on standard error, naming
// the entry and the byte offset where the fault lies.
void ReportSceneError(SceneLog& log, const std::string& entryName, size_t offset,
                      const std::string& what);

// A fault that is not tied to a place in the file (a missing entry).
void ReportSceneError(SceneLog& log, const std::string& entryName, const std::string& what);

}  // namespace scene3ds
