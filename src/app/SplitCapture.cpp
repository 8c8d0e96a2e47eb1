#include "app/SplitCapture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/Capture.h"
#include "app/Preflight.h"
#include "platform/ErrorReport.h"
#include "video/PartJoiner.h"

extern char** environ;

namespace app {

namespace {

namespace fs = std::filesystem;

int Fail(const std::string& text) {
    platform::ShowError(text);
    return platform::kFatalExitStatus;
}

// Set by SIGINT or SIGTERM: the processes are stopped and the parts removed.
std::atomic<bool> stopRequested{false};

void RequestStop(int) { stopRequested = true; }

struct Process {
    Options::Part part;
    std::string partPath;
    pid_t pid = -1;
    int output = -1;    // the read end of its standard error
    std::string line;   // text read since the last line break
    uint64_t done = 0;  // frames its progress line reported
    int status = -1;    // exit status once ended; 128 + signal when killed
};

// The files of this run's parts beside the target: the parts and the temporary files their
// processes write them through.
struct PartFiles {
    fs::path folder;
    std::string prefix;  // ".show.mp4.part-1234-"

    std::string path(size_t index) const {
        return (folder / (prefix + std::to_string(index))).string();
    }
    void RemoveAll() const {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.rfind(prefix, 0) == 0 || name.rfind("." + prefix, 0) == 0)
                fs::remove(it->path(), ec);
        }
    }
};

std::string ProgramPath() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("/proc/self/exe") : self.string();
}

// Starts the program with `args`, its standard error into a pipe; false with the reason.
bool Spawn(const std::string& program, const std::vector<std::string>& args, Process& process,
           std::string* error) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int ret =
        posix_spawn(&process.pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (ret != 0) {
        close(fds[0]);
        *error = std::strerror(ret);
        return false;
    }
    process.output = fds[0];
    return true;
}

// Handles one line of a process's standard error: progress is counted, anything else (a
// warning, the report of a failure) passed on, marked with the frames it renders.
void Line(Process& p, const std::string& line, bool& progressShown) {
    if (const std::optional<uint64_t> frames = FramesInProgressLine(line)) {
        p.done = *frames;
        return;
    }
    if (line.empty() || line.rfind("pre-roll: ", 0) == 0) return;
    if (progressShown) std::fputc('\n', stderr);
    progressShown = false;
    std::fprintf(stderr, "runeplay: (frames %llu to %llu) %s\n",
                 static_cast<unsigned long long>(p.part.first),
                 static_cast<unsigned long long>(p.part.first + p.part.count - 1), line.c_str());
}

// Reads what `p` wrote; false once its output has ended.
bool ReadOutput(Process& p, bool& progressShown) {
    char buffer[4096];
    const ssize_t n = read(p.output, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (n <= 0) {
        if (!p.line.empty()) Line(p, p.line, progressShown);
        p.line.clear();
        close(p.output);
        p.output = -1;
        return false;
    }
    for (ssize_t i = 0; i < n; ++i) {
        if (buffer[i] == '\r' || buffer[i] == '\n') {
            Line(p, p.line, progressShown);
            p.line.clear();
        } else {
            p.line += buffer[i];
        }
    }
    return true;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return 128;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 128;
}

// Runs the processes to their end; the first that failed, or null.
const Process* RunAll(std::vector<Process>& processes, uint64_t total) {
    ProgressLine progress("capture", total);
    bool progressShown = false;
    const Process* failed = nullptr;
    bool stopping = false;
    size_t open = processes.size();
    while (open > 0) {
        std::vector<pollfd> fds;
        std::vector<Process*> owners;
        for (Process& p : processes)
            if (p.output >= 0) {
                fds.push_back({p.output, POLLIN, 0});
                owners.push_back(&p);
            }
        const int ready = poll(fds.data(), fds.size(), 250);
        for (size_t i = 0; ready > 0 && i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            Process& p = *owners[i];
            if (ReadOutput(p, progressShown)) continue;
            --open;
            p.status = WaitFor(p.pid);
            if (p.status != 0 && !failed) failed = &p;
        }
        if ((failed || stopRequested) && !stopping) {
            // One part failed: the others are of no use any more.
            stopping = true;
            for (Process& p : processes)
                if (p.output >= 0) kill(p.pid, SIGTERM);
        }
        uint64_t done = 0;
        for (const Process& p : processes) done += p.done;
        if (!stopping && done < total) {
            progress.Update(done);  // it shows four lines a second at most
            progressShown = true;
        }
    }
    if (!failed && !stopRequested) progress.Finish();
    return failed;
}

}  // namespace

std::vector<Options::Part> SplitFrames(uint64_t frames, int jobs) {
    std::vector<Options::Part> parts;
    const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(std::max(jobs, 1)), frames);
    for (uint64_t j = 0; j < n; ++j) {
        const uint64_t first = frames / n * j + std::min(j, frames % n);
        const uint64_t count = frames / n + (j < frames % n ? 1 : 0);
        parts.push_back({first, count});
    }
    return parts;
}

std::vector<std::string> PartArguments(const Options& options, const std::string& partPath,
                                       const Options::Part& part) {
    std::vector<std::string> args;
    for (const Options::Given& g : options.given) {
        if (g.name == "--capture" || g.name == "--jobs" || g.name == "--overwrite" ||
            g.name == "--windowed" || g.name == "--fullscreen" || g.name == "--headless" ||
            g.name == "--no-dialog")
            continue;
        args.push_back(g.name);
        if (g.hasValue) args.push_back(g.value);
    }
    args.insert(args.end(), {"--headless", "--capture", partPath, "--part",
                             std::to_string(part.first) + "," + std::to_string(part.count)});
    return args;
}

std::optional<uint64_t> FramesInProgressLine(std::string_view line) {
    constexpr std::string_view kLabel = "capture: ";
    if (line.substr(0, kLabel.size()) != kLabel) return std::nullopt;
    uint64_t value = 0;
    size_t i = kLabel.size();
    if (i >= line.size() || line[i] < '0' || line[i] > '9') return std::nullopt;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
        value = value * 10 + static_cast<uint64_t>(line[i] - '0');
    if (i >= line.size() || line[i] != '/') return std::nullopt;
    return value;
}

int RunSplitCapture(const Options& options, const CaptureTarget& target) {
    const std::string& path = *options.captureDir;
    const std::string what = "The video \"" + path + "\"";
    if (target.kind != CaptureTarget::Kind::Video)
        return Fail(what + " cannot be written: --jobs needs a video file (.mp4 or .mkv)");
    const auto started = std::chrono::steady_clock::now();
    const std::optional<SoundtrackFacts> track = ProbeSoundtrack(options.packPath);
    if (!track)
        return Fail(what + " cannot be written: the soundtrack of \"" + options.packPath +
                    "\" cannot be read");
    const CapturePlan plan = PlanCapture(options, track->format, track->lengthBytes);
    const uint64_t total = VideoFrameCount(plan);
    if (total == 0) return Fail(what + " cannot be written: the span is shorter than half a frame");

    // The target is made (under a temporary name) before any rendering, so a path that cannot
    // be written or a missing encoder is known at once.
    std::string error;
    if (!MakeParentFolders(path, &error)) return Fail(what + " cannot be written: " + error);
    const video::VideoSettings settings = VideoSettingsFor(options, plan, target.container);
    std::unique_ptr<video::PartJoiner> joiner = video::PartJoiner::Open(path, settings, &error);
    if (!joiner) return Fail(what + " cannot be written: " + error);

    const fs::path targetPath(path);
    PartFiles files{
        targetPath.parent_path().empty() ? fs::path(".") : targetPath.parent_path(),
        "." + targetPath.filename().string() + ".part-" + std::to_string(getpid()) + "-"};
    struct RemoveParts {
        const PartFiles& files;
        ~RemoveParts() { files.RemoveAll(); }
    } removeParts{files};

    struct sigaction stop {};
    stop.sa_handler = RequestStop;
    struct sigaction oldInt {
    }, oldTerm{};
    sigaction(SIGINT, &stop, &oldInt);
    sigaction(SIGTERM, &stop, &oldTerm);
    struct RestoreSignals {
        struct sigaction &i, &t;
        ~RestoreSignals() {
            sigaction(SIGINT, &i, nullptr);
            sigaction(SIGTERM, &t, nullptr);
        }
    } restoreSignals{oldInt, oldTerm};

    const std::string program = ProgramPath();
    std::vector<Process> processes;
    for (const Options::Part& part : SplitFrames(total, *options.captureJobs)) {
        Process p;
        p.part = part;
        p.partPath = files.path(processes.size());
        if (!Spawn(program, PartArguments(options, p.partPath, part), p, &error)) {
            for (Process& q : processes) {
                kill(q.pid, SIGTERM);
                close(q.output);
                WaitFor(q.pid);
            }
            return Fail(what + " cannot be written: \"" + program +
                        "\" cannot be started: " + error);
        }
        processes.push_back(std::move(p));
    }
    const auto renderStart = std::chrono::steady_clock::now();
    const Process* failed = RunAll(processes, total);
    if (stopRequested || (failed && failed->status == 1)) {
        std::fprintf(stderr, "\nruneplay: interrupted\n");
        return 1;
    }
    if (failed)
        return Fail(what + " cannot be written: the process rendering frames " +
                    std::to_string(failed->part.first) + " to " +
                    std::to_string(failed->part.first + failed->part.count - 1) +
                    " ended with status " + std::to_string(failed->status));
    const double rendering =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - renderStart).count();

    std::vector<int16_t> pcm;
    audio::TrackFormat format;
    if (!ReadSoundtrackSpan(options.packPath, plan.from(), plan.to, pcm, format, &error))
        return Fail(what + " cannot be written: the soundtrack cannot be read: " + error);
    std::vector<video::PartFile> parts;
    for (const Process& p : processes) parts.push_back({p.partPath, p.part.count});
    const auto joinStart = std::chrono::steady_clock::now();
    if (!joiner->Join(parts, std::move(pcm), &error))
        return Fail(what + " cannot be written: " + error);
    const auto now = std::chrono::steady_clock::now();
    std::error_code ec;
    const uint64_t size = fs::file_size(path, ec);
    std::printf(
        "runeplay: wrote %llu frames at %d fps and %s of sound to %s (%.1f MB)\n"
        "runeplay: %zu processes rendered them in %.1f s (%.1f frames/s), joined with "
        "the sound in %.1f s (%.1f s in all)\n",
        static_cast<unsigned long long>(total), settings.fps,
        DescribePosition(plan.spanBytes(), plan.grid.format).c_str(), path.c_str(),
        static_cast<double>(size) / 1e6, processes.size(), rendering,
        rendering > 0 ? static_cast<double>(total) / rendering : 0.0,
        std::chrono::duration<double>(now - joinStart).count(),
        std::chrono::duration<double>(now - started).count());
    return 0;
}

}  // namespace app
