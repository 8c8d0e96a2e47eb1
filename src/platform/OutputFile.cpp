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
#include <fstream>
#include <limits>
#include <mutex>
#include <system_error>

namespace platform {

namespace {

// Bytes all OutputFiles may still write before the test hook's "disk" is full.
struct WriteLimit {
    std::mutex mutex;
    std::optional<uint64_t> limit;
    uint64_t total = 0;
};

WriteLimit& Limit() {
    static WriteLimit* limit = [] {
        auto* l = new WriteLimit;
        if (const char* text = std::getenv("RUNEPLAY_WRITE_LIMIT")) {
            char* end = nullptr;
            errno = 0;
            const unsigned long long value = std::strtoull(text, &end, 10);
            if (end != text && *end == '\0' && errno == 0) l->limit = value;
        }
        return l;
    }();
    return *limit;
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
    if (stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            inPlace_ = true;
        } else if (char* resolved = realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
            // /dev/stdout and its kind resolve into /proc when they lead to a regular file.
            if (target.rfind("/proc/", 0) == 0 || target.rfind("/dev/", 0) == 0) inPlace_ = true;
        }
    }

    if (inPlace_) {
        writingPath_ = path;
        fd_ = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
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
        const size_t allowed = Allowed(size);
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
    WriteLimit& l = Limit();
    std::lock_guard lock(l.mutex);
    if (l.limit) {
        const uint64_t left = *l.limit > l.total ? *l.limit - l.total : 0;
        free = free ? std::min(*free, left) : left;
    }
    return free;
}

void SetWriteLimitForTesting(std::optional<uint64_t> limit) {
    WriteLimit& l = Limit();
    std::lock_guard lock(l.mutex);
    l.limit = limit;
    l.total = 0;
}

}  // namespace platform
