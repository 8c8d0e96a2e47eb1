// A video file written from rendered frames, off the caller's thread.
//
// The caller fills frame buffers (BGRA, rows from the top) in order and queues them; a worker
// thread converts each to YUV 4:2:0, encodes it (libx264 runs threads of its own), encodes the
// sound up to the frame's end and writes both into the container. The file is written under a
// temporary name beside the target and renamed into place by Finish once complete; a failure
// or a writer dropped unfinished leaves nothing behind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "video/VideoFormat.h"

namespace video {

// Seconds the worker spent on each kind of work.
struct WriterTimes {
    double converting = 0;  // BGRA to YUV 4:2:0
    double encoding = 0;    // video encoder and muxer
    double sound = 0;       // sound encoder and muxer
    double waitingForWork = 0;
};

class VideoWriter {
  public:
    // Opens `path` and the encoders the container needs; `pcm` is the sound of the whole span
    // (interleaved, settings.channels wide; ignored without channels). Null with the reason:
    // the file cannot be made, an encoder is missing or refuses the settings.
    static std::unique_ptr<VideoWriter> Open(const std::string& path, const VideoSettings& settings,
                                             std::vector<int16_t> pcm, std::string* error);
    virtual ~VideoWriter() = default;

    // The buffer for the next frame (width x height x 4 bytes), waiting while every buffer is
    // queued. Null once writing has failed.
    virtual uint8_t* NextFrame() = 0;
    // Queues the buffer NextFrame gave as the next frame.
    virtual void QueueFrame() = 0;
    // Encodes what is queued, the rest of the sound, and renames the file into place. False
    // with the reason (the first failure of any step); nothing is left behind then.
    virtual bool Finish(std::string* error) = 0;

    // The reason writing failed, empty while all goes well.
    virtual std::string failure() const = 0;
    virtual WriterTimes times() const = 0;
    virtual uint64_t framesWritten() const = 0;
};

}  // namespace video
