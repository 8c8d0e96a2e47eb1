#include "video/PartFile.h"

#include <cstring>

namespace video {

namespace {

constexpr char kMagic[8] = {'R', 'P', 'V', 'P', 'A', 'R', 'T', '1'};
// Larger packets or parameter sets mean a damaged file: a lossless 4K frame is far smaller.
constexpr uint32_t kLargestPacket = 256u << 20;
constexpr uint32_t kLargestParameterSets = 1u << 20;
constexpr uint32_t kKeyFrame = 1;

void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

bool Get(std::ifstream& in, uint64_t& value, int bytes) {
    uint8_t b[8];
    if (!in.read(reinterpret_cast<char*>(b), bytes)) return false;
    value = 0;
    for (int i = 0; i < bytes; ++i) value |= uint64_t{b[i]} << (8 * i);
    return true;
}

}  // namespace

bool PartFileWriter::Open(const std::string& path, const VideoSettings& settings,
                          std::string* error) {
    settings_ = settings;
    if (!file_.Open(path)) {
        *error = file_.error();
        return false;
    }
    return true;
}

int PartFileWriter::AddStream(const AVCodecContext* encoder, std::string* error) {
    if (encoder->codec_type != AVMEDIA_TYPE_VIDEO) {
        *error = "a part holds video alone";
        return -1;
    }
    parameterSets_.assign(encoder->extradata, encoder->extradata + encoder->extradata_size);
    return 0;
}

bool PartFileWriter::WriteHeader(std::string* error) {
    bytes_.assign(kMagic, kMagic + sizeof kMagic);
    Put(bytes_, static_cast<uint32_t>(settings_.fps), 4);
    Put(bytes_, static_cast<uint32_t>(settings_.width), 4);
    Put(bytes_, static_cast<uint32_t>(settings_.height), 4);
    Put(bytes_, parameterSets_.size(), 4);
    bytes_.insert(bytes_.end(), parameterSets_.begin(), parameterSets_.end());
    if (!file_.Write(bytes_.data(), bytes_.size())) {
        *error = file_.error();
        return false;
    }
    return true;
}

bool PartFileWriter::Write(AVPacket* packet, int, AVRational timeBase, std::string* error) {
    const AVRational frames{1, settings_.fps};
    bytes_.clear();
    Put(bytes_, static_cast<uint64_t>(av_rescale_q(packet->pts, timeBase, frames)), 8);
    Put(bytes_, static_cast<uint64_t>(av_rescale_q(packet->dts, timeBase, frames)), 8);
    Put(bytes_, (packet->flags & AV_PKT_FLAG_KEY) ? kKeyFrame : 0, 4);
    Put(bytes_, static_cast<uint32_t>(packet->size), 4);
    const bool ok = file_.Write(bytes_.data(), bytes_.size()) &&
                    file_.Write(packet->data, static_cast<size_t>(packet->size));
    av_packet_unref(packet);
    if (!ok) *error = file_.error();
    return ok;
}

bool PartFileWriter::Finish(std::string* error) {
    if (!file_.Commit()) {
        *error = file_.error();
        return false;
    }
    return true;
}

bool PartFileReader::Open(const std::string& path, std::string* error) {
    in_.open(path, std::ios::binary);
    if (!in_) {
        *error = std::strerror(errno);
        return false;
    }
    char magic[sizeof kMagic];
    uint64_t fps = 0, width = 0, height = 0, sets = 0;
    if (!in_.read(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0 ||
        !Get(in_, fps, 4) || !Get(in_, width, 4) || !Get(in_, height, 4) || !Get(in_, sets, 4) ||
        fps == 0 || fps > 1000 || width == 0 || width > 65536 || height == 0 || height > 65536 ||
        sets > kLargestParameterSets) {
        *error = "it is not a video part";
        return false;
    }
    fps_ = static_cast<int>(fps);
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    parameterSets_.resize(sets);
    if (!in_.read(reinterpret_cast<char*>(parameterSets_.data()),
                  static_cast<std::streamsize>(sets))) {
        *error = "it is cut short";
        return false;
    }
    return true;
}

bool PartFileReader::Next(AVPacket* packet, std::string* error) {
    error->clear();
    uint64_t pts = 0, dts = 0, flags = 0, size = 0;
    if (!Get(in_, pts, 8)) {
        if (!in_.eof() || in_.gcount() != 0) *error = "it is cut short";
        return false;
    }
    if (!Get(in_, dts, 8) || !Get(in_, flags, 4) || !Get(in_, size, 4)) {
        *error = "it is cut short";
        return false;
    }
    if (size == 0 || size > kLargestPacket) {
        *error = "it holds a packet of " + std::to_string(size) + " bytes";
        return false;
    }
    av_packet_unref(packet);
    if (av_new_packet(packet, static_cast<int>(size)) < 0) {
        *error = "out of memory";
        return false;
    }
    if (!in_.read(reinterpret_cast<char*>(packet->data), static_cast<std::streamsize>(size))) {
        *error = "it is cut short";
        return false;
    }
    packet->pts = static_cast<int64_t>(pts);
    packet->dts = static_cast<int64_t>(dts);
    packet->duration = 1;
    if (flags & kKeyFrame) packet->flags |= AV_PKT_FLAG_KEY;
    return true;
}

}  // namespace video
