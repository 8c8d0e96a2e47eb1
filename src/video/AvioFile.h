// An FFmpeg output (AVIOContext) on a platform::OutputFile: the muxer writes a temporary file
// beside the target, every write checked, and the target appears only at Commit.
#pragma once

#include <cstdint>
#include <string>

#include "platform/OutputFile.h"

struct AVIOContext;

namespace video {

class AvioFile {
  public:
    AvioFile() = default;
    ~AvioFile();  // discards what was not committed
    AvioFile(const AvioFile&) = delete;
    AvioFile& operator=(const AvioFile&) = delete;

    // False with the system's reason when the temporary file cannot be made.
    bool Open(const std::string& path, std::string* error);
    AVIOContext* context() const { return avio_; }
    // Whether the muxer can go back (false for a pipe or terminal written in place).
    bool seekable() const { return seekable_; }
    // The file being written, as a URL FFmpeg opens for reading (MP4's fast start moves the
    // index to the front by reading the data back).
    std::string readUrl() const { return "file:" + file_.writingPath(); }
    const std::string& path() const { return file_.path(); }

    // FFmpeg's buffer flushed, then the file committed. False with the reason; nothing is
    // left behind then.
    bool Commit(std::string* error);
    void Discard();

    // The first write or seek failure ("No space left on device"), empty while all went well.
    const std::string& error() const { return file_.error(); }

  private:
    static int WritePacket(void* opaque, uint8_t* data, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);
    void Close();

    platform::OutputFile file_;
    AVIOContext* avio_ = nullptr;
    bool seekable_ = true;
    uint64_t position_ = 0;
    uint64_t size_ = 0;
};

}  // namespace video
