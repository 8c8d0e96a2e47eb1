// One video file being written: FFmpeg's muxer for the container on an AvioFile. Streams are
// added, the header written, packets written in time order (FFmpeg interleaves what is close),
// and the file finished and renamed into place, or discarded.
#pragma once

#include <string>

#include "video/AvSupport.h"
#include "video/AvioFile.h"
#include "video/PacketOutput.h"
#include "video/VideoFormat.h"

namespace video {

class Muxer final : public PacketOutput {
  public:
    Muxer() = default;
    ~Muxer() override;
    Muxer(const Muxer&) = delete;
    Muxer& operator=(const Muxer&) = delete;

    bool Open(const std::string& path, Container container, std::string* error);
    int AddStream(const AVCodecContext* encoder, std::string* error) override;
    bool WriteHeader(std::string* error) override;
    bool Write(AVPacket* packet, int stream, AVRational timeBase, std::string* error) override;
    // Writes what is still queued and the index, then renames the file into place.
    bool Finish(std::string* error) override;
    void Discard() override;

  private:
    // The reason of a failed FFmpeg call: the file's own when a write failed.
    std::string Reason(int code) const;

    AvioFile file_;
    AVFormatContext* context_ = nullptr;
    Container container_ = Container::Mp4;
    bool headerWritten_ = false;
};

}  // namespace video
