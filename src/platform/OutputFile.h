// Files written whole or not at all. Every file the program and its tools write goes through
// here: the bytes go to a temporary file beside the target, which takes the target's name only
// after every write and the close have succeeded. A failure removes the temporary file and
// keeps the system's reason ("No space left on device"), so a cut-off file never stands where
// a complete one is expected. Files are not synced to the disk: that guards against the
// machine failing, not the program, and a capture's thousands of frames would pay for it.
//
// A target that exists and is not a regular file (a terminal, /dev/stdout, /dev/full, a pipe)
// is written in place: it cannot be replaced, and a rename would not reach the reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class OutputFile {
  public:
    OutputFile() = default;
    // An open file that was not committed is discarded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False with the reason in error() when the temporary file (or the target itself, when
    // written in place) cannot be opened.
    bool Open(const std::string& path);
    // False once any write has failed; later writes do nothing, the first reason is kept.
    bool Write(const void* data, size_t size);
    // Moves the write position to `offset` bytes from the start, for formats that go back to
    // fill in sizes. False with the reason (a pipe or terminal written in place cannot seek).
    bool Seek(uint64_t offset);
    // Closes and renames into place. False with the reason when any write,
    // the close or the rename failed; nothing is left behind then.
    bool Commit();
    // Removes the temporary file (a target written in place is left as it is).
    void Discard();

    bool ok() const { return error_.empty(); }
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    // The system's reason for the first failure, empty while all went well.
    const std::string& error() const { return error_; }
    uint64_t bytesWritten() const { return written_; }
    // The temporary file being written (the target itself when written in place).
    const std::string& writingPath() const { return writingPath_; }

  private:
    void Fail(int errnoValue);

    std::string path_;    // as given, for messages
    std::string target_;  // the file replaced on commit (a link resolved)
    std::string writingPath_;
    std::string error_;
    int fd_ = -1;
    bool inPlace_ = false;
    bool limited_ = false;  // counted by the test hook's limit
    uint64_t written_ = 0;
};

// Writes `size` bytes to `path` through an OutputFile. False with the reason in `error`.
bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* error);

// Bytes an unprivileged writer may still put on the file system holding `folder`, held to
// what the test hook below leaves; nullopt when the system cannot tell.
std::optional<uint64_t> FreeSpace(const std::string& folder);

// Test hook: every OutputFile write that would take the process's total past `limit` bytes
// fails with ENOSPC, as on a full disk; nullopt lifts the limit. With a `folder`, only files
// below it count and fail, as on a small file system mounted there. The variable
// RUNEPLAY_WRITE_LIMIT ("BYTES" or "BYTES:FOLDER") sets it at start, so tests can run whole
// programs against a "disk" that fills.
void SetWriteLimitForTesting(std::optional<uint64_t> limit, const std::string& folder = "");

}  // namespace platform
