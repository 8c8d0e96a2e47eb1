#include "platform/StatusLine.h"

#include <cstdio>
#include <mutex>

namespace platform {

namespace {

struct State {
    std::mutex mutex;
    bool open = false;
};

State& Status() {
    static State state;
    return state;
}

}  // namespace

void WriteStatusLine(const std::string& text) {
    State& s = Status();
    std::lock_guard lock(s.mutex);
    std::fprintf(stderr, "\r%s", text.c_str());
    std::fflush(stderr);
    s.open = true;
}

void EndStatusLine() {
    State& s = Status();
    std::lock_guard lock(s.mutex);
    if (!s.open) return;
    std::fputc('\n', stderr);
    s.open = false;
}

void WriteErrorLine(const std::string& line) {
    State& s = Status();
    std::lock_guard lock(s.mutex);
    if (s.open) std::fputc('\n', stderr);
    s.open = false;
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace platform
