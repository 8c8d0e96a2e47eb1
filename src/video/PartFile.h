// The file of one part of a capture split over several processes: the encoder's packets
// exactly as it made them, decode and presentation times included, so the joiner can put
// the parts one after the other without guessing (a container would move or drop the decode
// times before the first frame that reordering needs).
//
// Little-endian: "RPVPART1", then u32 frames per second, width, height, the size of the
// encoder's parameter sets and the sets; then per packet i64 presentation and decode time (in
// frames), u32 flags (1: key frame), u32 size and the bytes.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "platform/OutputFile.h"
#include "video/PacketOutput.h"
#include "video/VideoFormat.h"

namespace video {

class PartFileWriter final : public PacketOutput {
  public:
    bool Open(const std::string& path, const VideoSettings& settings, std::string* error);
    int AddStream(const AVCodecContext* encoder, std::string* error) override;
    bool WriteHeader(std::string* error) override;
    bool Write(AVPacket* packet, int stream, AVRational timeBase, std::string* error) override;
    bool Finish(std::string* error) override;
    void Discard() override { file_.Discard(); }

  private:
    platform::OutputFile file_;
    VideoSettings settings_;
    std::vector<uint8_t> parameterSets_;
    std::vector<uint8_t> bytes_;
};

class PartFileReader {
  public:
    // False with the reason when the file cannot be read or is not a part.
    bool Open(const std::string& path, std::string* error);
    // The next packet, times in frames. False at the end (`error` left empty) or with the
    // reason when the file is cut short or damaged.
    bool Next(AVPacket* packet, std::string* error);

    int fps() const { return fps_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<uint8_t>& parameterSets() const { return parameterSets_; }

  private:
    std::ifstream in_;
    int fps_ = 0, width_ = 0, height_ = 0;
    std::vector<uint8_t> parameterSets_;
};

}  // namespace video
