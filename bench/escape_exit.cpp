// Escape to process exit: how long the player takes to end after a tap of Escape.
//
//   xvfb-run -a -s '-screen 0 1024x768x24' bench_escape_exit RUNEPLAY PACK [options]
//     --runs N     runs (default 10)
//     --start POS  where the show starts (default 3:30, the cube grid in fog: the slowest
//                  segment on software GL)
//     --tap MS     how long the key is held (default 40: a quick tap); 0 presses and releases
//                  at once
//     --busy N     processes spinning on the CPU meanwhile, to play under load (default 0)
//     --wait MS    time from the start of the show to the tap (default 1000)
//     --log FILE   the program's standard error goes to FILE, with a line "T down MICROS"
//                  (the steady clock, as std::chrono::steady_clock counts it) per tap
//
// Each run starts RUNEPLAY windowed and silent, waits until the show has been playing for
// --wait (its line about the sound marks the start, after loading), gives its window
// "Engine" the keyboard focus and presses Escape through the X server's test extension, as a
// keyboard would. The time from the key going down to the process's exit is
// the figure, and the time to the window's going beside it; a run still alive after 5 s
// counts as missed (the tap was lost) and is killed. Printed: every run, then median and
// worst of the runs that ended, and the misses.
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct XTest {
    using KeyFn = int (*)(Display*, unsigned, Bool, unsigned long);
    using MotionFn = int (*)(Display*, int, int, int, unsigned long);
    KeyFn key = nullptr;
    MotionFn motion = nullptr;

    bool Load() {
        void* lib = dlopen("libXtst.so.6", RTLD_NOW);
        if (!lib) return false;
        key = reinterpret_cast<KeyFn>(dlsym(lib, "XTestFakeKeyEvent"));
        motion = reinterpret_cast<MotionFn>(dlsym(lib, "XTestFakeMotionEvent"));
        return key && motion;
    }
};

Window FindWindow(Display* display, Window root, const char* title) {
    Window parent = 0, rootReturn = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            if (std::strcmp(name, title) == 0) found = children[i];
            XFree(name);
        }
        if (!found) found = FindWindow(display, children[i], title);
    }
    if (children) XFree(children);
    return found;
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

std::string g_log;  // --log

// Starts the program with its standard output on a pipe (`out`, read end).
pid_t Spawn(const std::vector<std::string>& args, int& out) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid != 0) {
        close(fds[1]);
        out = fds[0];
        return pid;
    }
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    dup2(fds[1], 1);
    close(fds[0]);
    if (FILE* err = std::fopen(g_log.empty() ? "/dev/null" : g_log.c_str(), "a"))
        dup2(fileno(err), 2);
    execv(argv[0], argv.data());
    _exit(127);
}

// Reads the program's output until its line about the sound, which it prints as the show
// starts (after loading and any catch-up). False when the output ends first.
bool WaitUntilPlaying(int out) {
    std::string text;
    char buffer[256];
    while (text.find("playing") == std::string::npos) {
        const ssize_t n = read(out, buffer, sizeof buffer);
        if (n <= 0) return false;
        text.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

std::vector<pid_t> SpinOn(int processes) {
    std::vector<pid_t> pids;
    for (int i = 0; i < processes; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            volatile uint64_t n = 0;
            for (;;) n = n + 1;
        }
        pids.push_back(pid);
    }
    return pids;
}

struct Timing {
    double exitMs = -1.0;  // to the process's exit; -1 missed, -2 no window
    double goneMs = -1.0;  // to the window's going (unmapped or destroyed)
};

// Milliseconds from the key going down to the window's going and to the process's exit.
Timing OneRun(Display* display, const XTest& xtest, const std::vector<std::string>& args, int tapMs,
              int waitMs) {
    int out = -1;
    const pid_t pid = Spawn(args, out);
    Timing timing;
    timing.exitMs = -2.0;
    if (pid < 0) return timing;
    const bool playing = WaitUntilPlaying(out);
    const Window root = DefaultRootWindow(display);
    Window window = 0;
    const auto giveUp = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < giveUp) {
        window = FindWindow(display, root, "Engine");
        if (window && Viewable(display, window)) break;
        window = 0;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            close(out);
            return timing;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!window || !playing) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        close(out);
        return timing;
    }
    XSelectInput(display, window, StructureNotifyMask);
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, root, attributes.width / 2, attributes.height / 2, &x,
                          &y, &child);
    xtest.motion(display, -1, x, y, CurrentTime);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    // Window ids come round again with every new client: what is queued may be the last
    // run's window going.
    XSync(display, True);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    const unsigned escape = XKeysymToKeycode(display, XK_Escape);
    const auto down = Clock::now();
    xtest.key(display, escape, True, CurrentTime);
    XFlush(display);
    if (!g_log.empty())
        if (FILE* log = std::fopen(g_log.c_str(), "a")) {
            const auto us =
                std::chrono::duration_cast<std::chrono::microseconds>(down.time_since_epoch());
            std::fprintf(log, "T down %lld\n", static_cast<long long>(us.count()));
            std::fclose(log);
        }
    // The key goes up after the tap's length, or at once when the program ends sooner.
    const auto up = down + std::chrono::milliseconds(tapMs);
    bool released = false;
    const auto deadline = down + std::chrono::seconds(5);
    timing.exitMs = -1.0;
    for (;;) {
        XEvent event;
        while (timing.goneMs < 0 &&
               XCheckWindowEvent(display, window, StructureNotifyMask, &event)) {
            if (event.type == UnmapNotify || event.type == DestroyNotify)
                timing.goneMs = Ms(Clock::now() - down);
        }
        if (!released && Clock::now() >= up) {
            xtest.key(display, escape, False, CurrentTime);
            XFlush(display);
            released = true;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            timing.exitMs = Ms(Clock::now() - down);
            break;
        }
        if (Clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    if (!released) {
        xtest.key(display, escape, False, CurrentTime);
        XFlush(display);
    }
    close(out);
    if (timing.exitMs >= 0) return timing;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return timing;
}

void Summary(const char* what, std::vector<double> ms) {
    if (ms.empty()) return;
    std::sort(ms.begin(), ms.end());
    std::printf("%s: median %.1f ms, worst %.1f ms over %zu runs\n", what, ms[ms.size() / 2],
                ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: bench_escape_exit RUNEPLAY PACK [--runs N] [--start POS] [--tap MS] "
                     "[--busy N] [--wait MS] [--log FILE]\n");
        return 2;
    }
    const std::string program = argv[1], pack = argv[2];
    int runs = 10, tapMs = 40, busy = 0, waitMs = 1000;
    std::string start = "3:30";
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--runs")
            runs = std::atoi(value.c_str());
        else if (name == "--start")
            start = value;
        else if (name == "--tap")
            tapMs = std::atoi(value.c_str());
        else if (name == "--busy")
            busy = std::atoi(value.c_str());
        else if (name == "--wait")
            waitMs = std::atoi(value.c_str());
        else if (name == "--log")
            g_log = value;
        else {
            std::fprintf(stderr, "bench_escape_exit: unknown option %s\n", name.c_str());
            return 2;
        }
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_escape_exit: no X display (run it under xvfb-run)\n");
        return 1;
    }
    XTest xtest;
    if (!xtest.Load()) {
        std::fprintf(stderr, "bench_escape_exit: libXtst.so.6 is not installed\n");
        return 1;
    }
    const std::vector<std::string> args = {program,  "--no-dialog", "--windowed", "--audio", "none",
                                           "--pack", pack,          "--start",    start};
    const std::vector<pid_t> spinners = SpinOn(busy);
    std::printf("escape to exit: %s, start %s, tap %d ms, %d busy processes, %d runs\n",
                program.c_str(), start.c_str(), tapMs, busy, runs);
    std::vector<double> ended, gone;
    int missed = 0;
    for (int r = 0; r < runs; ++r) {
        const Timing t = OneRun(display, xtest, args, tapMs, waitMs);
        if (t.exitMs == -2.0) {
            std::printf("  run %2d: the window never appeared\n", r + 1);
            ++missed;
        } else if (t.exitMs < 0) {
            std::printf("  run %2d: still running 5 s after the tap (missed)\n", r + 1);
            ++missed;
        } else {
            std::printf("  run %2d: window gone %7.1f ms, exit %7.1f ms\n", r + 1, t.goneMs,
                        t.exitMs);
            ended.push_back(t.exitMs);
            if (t.goneMs >= 0) gone.push_back(t.goneMs);
        }
        std::fflush(stdout);
    }
    for (pid_t pid : spinners) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    XCloseDisplay(display);
    Summary("window gone", gone);
    Summary("exit", ended);
    std::printf("%d of %d runs missed\n", missed, runs);
    return 0;
}
