// Where a VideoWriter's encoded packets go: a container file (Muxer) or a part of a split
// capture (PartFileWriter).
#pragma once

#include <string>

#include "video/AvSupport.h"

namespace video {

class PacketOutput {
  public:
    virtual ~PacketOutput() = default;
    // A stream carrying what `encoder` makes (read after it was opened). The index, -1 with
    // the reason.
    virtual int AddStream(const AVCodecContext* encoder, std::string* error) = 0;
    virtual bool WriteHeader(std::string* error) = 0;
    // Takes the packet's data (it is left blank); its time stamps count in `timeBase`.
    virtual bool Write(AVPacket* packet, int stream, AVRational timeBase, std::string* error) = 0;
    // Completes the file and renames it into place. False with the reason; nothing is left then.
    virtual bool Finish(std::string* error) = 0;
    virtual void Discard() = 0;
};

}  // namespace video
