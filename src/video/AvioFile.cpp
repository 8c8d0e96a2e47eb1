#include "video/AvioFile.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "video/AvSupport.h"

namespace video {

namespace {

// Large writes keep the system calls few; a 1080p frame compresses to tens of kilobytes.
constexpr int kBufferBytes = 1 << 20;

}  // namespace

AvioFile::~AvioFile() { Discard(); }

bool AvioFile::Open(const std::string& path, std::string* error) {
    Discard();
    if (!file_.Open(path)) {
        *error = file_.error();
        return false;
    }
    std::error_code ec;
    seekable_ = std::filesystem::is_regular_file(file_.writingPath(), ec);
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    if (buffer)
        avio_ = avio_alloc_context(buffer, kBufferBytes, 1, this, nullptr, WritePacket,
                                   seekable_ ? Seek : nullptr);
    if (!avio_) {
        av_free(buffer);
        file_.Discard();
        *error = "out of memory";
        return false;
    }
    if (!seekable_) avio_->seekable = 0;
    position_ = size_ = 0;
    return true;
}

int AvioFile::WritePacket(void* opaque, uint8_t* data, int size) {
    auto* self = static_cast<AvioFile*>(opaque);
    if (size <= 0) return 0;
    if (!self->file_.Write(data, static_cast<size_t>(size))) return AVERROR(EIO);
    self->position_ += static_cast<uint64_t>(size);
    self->size_ = std::max(self->size_, self->position_);
    return size;
}

int64_t AvioFile::Seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<AvioFile*>(opaque);
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return static_cast<int64_t>(self->size_);
        case SEEK_SET:
            break;
        case SEEK_CUR:
            base = static_cast<int64_t>(self->position_);
            break;
        case SEEK_END:
            base = static_cast<int64_t>(self->size_);
            break;
        default:
            return AVERROR(EINVAL);
    }
    const int64_t target = base + offset;
    if (target < 0) return AVERROR(EINVAL);
    if (!self->file_.Seek(static_cast<uint64_t>(target))) return AVERROR(EIO);
    self->position_ = static_cast<uint64_t>(target);
    return target;
}

void AvioFile::Close() {
    if (!avio_) return;
    av_freep(&avio_->buffer);
    avio_context_free(&avio_);
}

bool AvioFile::Commit(std::string* error) {
    if (!avio_) {
        *error = "the file is not open";
        return false;
    }
    avio_flush(avio_);
    const int ioError = avio_->error;
    Close();
    if (ioError < 0 && file_.ok()) {
        // FFmpeg failed on its side (no reason from the file): keep FFmpeg's.
        file_.Discard();
        *error = AvError(ioError);
        return false;
    }
    if (!file_.Commit()) {
        *error = file_.error();
        return false;
    }
    return true;
}

void AvioFile::Discard() {
    Close();
    file_.Discard();
}

}  // namespace video
