#include "platform/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <system_error>

namespace platform {

namespace {

// Bytes all OutputFiles may still write before the test hook's "disk" is full. The disk is
// every file, or only those below `folder` (as a small file system mounted there would be).
struct WriteLimit {
    std::mutex mutex;
    std::optional<uint64_t> limit;
    std::filesystem::path folder;  // empty: everywhere
    uint64_t total = 0;
};

WriteLimit& Limit() {
    static WriteLimit* limit = [] {
        auto* l = new WriteLimit;
        // "BYTES" or "BYTES:FOLDER".
        if (const char* text = std::getenv("RUNEPLAY_WRITE_LIMIT")) {
            char* end = nullptr;
            errno = 0;
            const unsigned long long value = std::strtoull(text, &end, 10);
            if (end != text && errno == 0 && (*end == '\0' || (*end == ':' && end[1] != '\0'))) {
                l->limit = value;
                if (*end == ':') l->folder = end + 1;
            }
        }
        return l;
    }();
    return *limit;
}

std::filesystem::path Resolved(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    return ec ? path.lexically_normal() : resolved;
}

// Whether the limit counts writes into `folder`.
bool Limited(const std::string& folder) {
    WriteLimit& l = Limit();
    std::lock_guard lock(l.mutex);
    if (!l.limit) return false;
    if (l.folder.empty()) return true;
    const std::filesystem::path inside = Resolved(folder), disk = Resolved(l.folder);
    const auto [end, at] = std::mismatch(disk.begin(), disk.end(), inside.begin(), inside.end());
    return end == disk.end();
}

// How much of `size` the limit lets through; the rest fails as a full disk would.
size_t Allowed(size_t size) {
    WriteLimit& l = Limit();
    std::lock_guard lock(l.mutex);
    if (!l.limit) return size;
    const uint64_t left = *l.limit > l.total ? *l.limit - l.total : 0;
    const size_t allowed = static_cast<size_t>(std::min<uint64_t>(left, size));
    l.total += allowed;
    return allowed;
}

std::string Reason(int errnoValue) { return std::system_category().message(errnoValue); }

mode_t CreationMode() {
    // umask cannot be read without setting it; /proc tells it without a race.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(0666 & ~std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return 0644;
}

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// /dev/stdout, /proc/self/fd/1 and their kind name something the program was given, never a
// file of its own to replace, even where they lead to a regular file.
bool IsSystemPath(const std::string& path) {
    return path.rfind("/dev/", 0) == 0 || path.rfind("/proc/", 0) == 0;
}

// The standard output or error stream whose file `info` describes, or -1.
int StandardStream(const struct stat& info) {
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        struct stat stream {};
        if (fstat(fd, &stream) == 0 && stream.st_dev == info.st_dev && stream.st_ino == info.st_ino)
            return fd;
    }
    return -1;
}

}  // namespace

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Fail(int errnoValue) {
    if (error_.empty()) error_ = Reason(errnoValue);
}

bool OutputFile::Open(const std::string& path) {
    Discard();
    path_ = path;
    error_.clear();
    written_ = 0;
    inPlace_ = false;
    if (path.empty()) {
        error_ = "no file name";
        return false;
    }

    // Through a link the file it names is replaced, so the link stays a link.
    std::string target = path;
    struct stat info {};
    int stream = -1;
    if (stat(path.c_str(), &info) == 0) {
        stream = StandardStream(info);
        if (!S_ISREG(info.st_mode) || stream >= 0 || IsSystemPath(path)) {
            inPlace_ = true;
        } else if (char* resolved = realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
            if (IsSystemPath(target)) inPlace_ = true;
        }
    }

    limited_ = Limited(Folder(inPlace_ ? path : target));
    if (inPlace_) {
        writingPath_ = path;
        // Standard output redirected into a file (--out /dev/stdout >> log) goes on where the
        // stream stands, as the shell opened it; reopened, the file would be cut to nothing.
        fd_ = stream >= 0 ? fcntl(stream, F_DUPFD_CLOEXEC, 0)
                          : open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd_ < 0) {
            Fail(errno);
            return false;
        }
        return true;
    }

    std::string pattern = Folder(target) + "/." + BaseName(target) + ".XXXXXX";
    fd_ = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
        Fail(errno);
        return false;
    }
    writingPath_ = pattern;
    fchmod(fd_, S_ISREG(info.st_mode) ? (info.st_mode & 07777) : CreationMode());
    target_ = target;
    return true;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (fd_ < 0) {
        if (error_.empty()) error_ = "the file is not open";
        return false;
    }
    if (!error_.empty()) return false;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const size_t allowed = limited_ ? Allowed(size) : size;
        if (allowed == 0) {
            Fail(ENOSPC);
            return false;
        }
        const ssize_t n = write(fd_, bytes, allowed);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
            return false;
        }
        if (n == 0) {
            Fail(ENOSPC);
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
        written_ += static_cast<uint64_t>(n);
    }
    return true;
}

bool OutputFile::Seek(uint64_t offset) {
    if (fd_ < 0) {
        if (error_.empty()) error_ = "the file is not open";
        return false;
    }
    if (!error_.empty()) return false;
    if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
        Fail(EINVAL);
        return false;
    }
    if (lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
        Fail(errno);
        return false;
    }
    return true;
}

bool OutputFile::Commit() {
    if (fd_ < 0) {
        if (error_.empty()) error_ = "the file is not open";
        return false;
    }
    // Some file systems report a full disk or a failed write only at close.
    const int closed = close(fd_);
    fd_ = -1;
    if (closed != 0) Fail(errno);
    if (!error_.empty()) {
        if (!inPlace_) unlink(writingPath_.c_str());
        return false;
    }
    if (!inPlace_ && rename(writingPath_.c_str(), target_.c_str()) != 0) {
        Fail(errno);
        unlink(writingPath_.c_str());
        return false;
    }
    return true;
}

void OutputFile::Discard() {
    if (fd_ < 0) return;
    close(fd_);
    fd_ = -1;
    if (!inPlace_) unlink(writingPath_.c_str());
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* error) {
    OutputFile file;
    if (file.Open(path) && file.Write(data, size) && file.Commit()) return true;
    if (error) *error = file.error();
    return false;
}

std::optional<uint64_t> FreeSpace(const std::string& folder) {
    std::optional<uint64_t> free;
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) == 0)
        free = static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
    if (!Limited(folder)) return free;
    WriteLimit& l = Limit();
    std::lock_guard lock(l.mutex);
    const uint64_t left = *l.limit > l.total ? *l.limit - l.total : 0;
    return free ? std::min(*free, left) : left;
}

void SetWriteLimitForTesting(std::optional<uint64_t> limit, const std::string& folder) {
    WriteLimit& l = Limit();
    std::lock_guard lock(l.mutex);
    l.limit = limit;
    l.folder = folder;
    l.total = 0;
}

}  // namespace platform
