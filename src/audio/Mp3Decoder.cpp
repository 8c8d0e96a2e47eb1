#include "audio/Mp3Decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace audio {

namespace {

void InitLibrary() {
    // A no-op on current libmpg123, required once on older ones.
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

std::string HandleError(mpg123_handle* handle) {
    return handle ? mpg123_strerror(handle) : "libmpg123 failure";
}

}  // namespace

Mp3Decoder::~Mp3Decoder() { Close(); }

void Mp3Decoder::Close() {
    if (handle_) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
        handle_ = nullptr;
    }
}

ssize_t Mp3Decoder::ReadCallback(void* handle, void* buffer, size_t bytes) {
    auto* m = static_cast<Memory*>(handle);
    size_t n = std::min(bytes, m->size - m->pos);
    std::memcpy(buffer, m->data + m->pos, n);
    m->pos += n;
    return static_cast<ssize_t>(n);
}

off_t Mp3Decoder::SeekCallback(void* handle, off_t offset, int whence) {
    auto* m = static_cast<Memory*>(handle);
    off_t base = 0;
    switch (whence) {
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = static_cast<off_t>(m->pos);
            break;
        case SEEK_END:
            base = static_cast<off_t>(m->size);
            break;
        default:
            return -1;
    }
    off_t target = base + offset;
    if (target < 0 || target > static_cast<off_t>(m->size)) return -1;
    m->pos = static_cast<size_t>(target);
    return target;
}

bool Mp3Decoder::Open(const uint8_t* data, size_t size, std::string* error) {
    std::string localError;
    if (!error) error = &localError;
    Close();
    InitLibrary();
    format_ = {};
    lengthFrames_ = 0;
    frame_ = 0;
    atEnd_ = false;
    error_.clear();
    if (!data || size == 0) {
        *error = "the soundtrack is empty";
        return false;
    }
    memory_ = {data, size, 0};

    int err = MPG123_OK;
    handle_ = mpg123_new(nullptr, &err);
    if (!handle_) {
        *error = std::string("cannot start the MP3 decoder: ") + mpg123_plain_strerror(err);
        return false;
    }
    // Gapless: positions must not move by the encoder delay. Quiet: faults are reported here.
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    // 16-bit output at whatever rate and channel count the stream has.
    mpg123_format_none(handle_);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

    if (mpg123_replace_reader_handle(handle_, &Mp3Decoder::ReadCallback, &Mp3Decoder::SeekCallback,
                                     nullptr) != MPG123_OK ||
        mpg123_open_handle(handle_, &memory_) != MPG123_OK) {
        *error = "cannot open the MP3 stream: " + HandleError(handle_);
        Close();
        return false;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        channels < 1 || channels > 2 || encoding != MPG123_ENC_SIGNED_16) {
        *error = "no MPEG audio found: " + HandleError(handle_);
        Close();
        return false;
    }
    // The exact length needs a pass over every frame header (fast: nothing is decoded).
    if (mpg123_scan(handle_) != MPG123_OK) {
        *error = "cannot scan the MP3 stream: " + HandleError(handle_);
        Close();
        return false;
    }
    off_t length = mpg123_length(handle_);
    if (length < 0) {
        *error = "the length of the MP3 stream is unknown: " + HandleError(handle_);
        Close();
        return false;
    }
    format_.rate = static_cast<int>(rate);
    format_.channels = channels;
    lengthFrames_ = static_cast<uint64_t>(length);
    return SeekFrame(0, error);
}

bool Mp3Decoder::SeekFrame(uint64_t frame, std::string* error) {
    if (!handle_) {
        if (error) *error = "no MP3 stream is open";
        return false;
    }
    frame = std::min(frame, lengthFrames_);
    off_t reached = mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET);
    if (reached < 0) {
        if (error) *error = "cannot seek in the MP3 stream: " + HandleError(handle_);
        return false;
    }
    frame_ = static_cast<uint64_t>(reached);
    atEnd_ = frame_ >= lengthFrames_;
    return true;
}

size_t Mp3Decoder::Read(uint8_t* out, size_t bytes) {
    const size_t frameBytes = static_cast<size_t>(format_.bytesPerFrame());
    if (!handle_ || frameBytes == 0) return 0;
    bytes -= bytes % frameBytes;
    size_t filled = 0;
    while (filled < bytes && !atEnd_) {
        size_t done = 0;
        int rc = mpg123_read(handle_, out + filled, bytes - filled, &done);
        filled += done;
        if (rc == MPG123_DONE) {
            atEnd_ = true;
        } else if (rc == MPG123_NEW_FORMAT) {
            // Formats are fixed at open; a stream that changes rate mid-way keeps playing.
        } else if (rc != MPG123_OK) {
            error_ = HandleError(handle_);
            atEnd_ = true;
        } else if (done == 0) {
            atEnd_ = true;  // no progress: treat as the end rather than spin
        }
    }
    filled -= filled % frameBytes;
    frame_ += filled / frameBytes;
    return filled;
}

bool DecodeWholeTrack(const uint8_t* data, size_t size, DecodedTrack& out, std::string* error) {
    Mp3Decoder decoder;
    if (!decoder.Open(data, size, error)) return false;
    out.format = decoder.format();
    out.samples.clear();
    out.samples.reserve(decoder.lengthFrames() * static_cast<uint64_t>(out.format.channels));
    std::vector<uint8_t> chunk(64 * 1024);
    while (!decoder.atEnd()) {
        size_t n = decoder.Read(chunk.data(), chunk.size());
        size_t old = out.samples.size();
        out.samples.resize(old + n / 2);
        std::memcpy(out.samples.data() + old, chunk.data(), n - n % 2);
    }
    if (!decoder.error().empty()) {
        if (error) *error = "the MP3 stream is damaged: " + decoder.error();
        return false;
    }
    return true;
}

}  // namespace audio
