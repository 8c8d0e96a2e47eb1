#include "video/PartJoiner.h"

#include "video/AudioEncoder.h"
#include "video/Muxer.h"
#include "video/PartFile.h"
#include "video/VideoEncoder.h"

namespace video {

namespace {

class FfmpegPartJoiner final : public PartJoiner {
  public:
    bool Start(const std::string& path, const VideoSettings& settings, std::string* error);
    bool Join(const std::vector<PartFile>& parts, std::vector<int16_t> pcm,
              std::string* error) override;

  private:
    bool OpenParts(const std::vector<PartFile>& parts, std::string* error);
    bool CopyPart(size_t index, const PartFile& part, int64_t offset, std::string* error);
    bool SendSound(size_t end, std::string* error);

    VideoSettings settings_;
    bool withSound_ = false;
    Muxer muxer_;
    // Opened with the parts' settings for the stream's parameters, which every part's
    // parameter sets must equal; it encodes nothing.
    VideoEncoder video_;
    AudioEncoder audio_;
    SoundSpan sound_;
    std::vector<PartFileReader> inputs_;
    int videoStream_ = -1, soundStream_ = -1;
    AVRational frameTime_{1, 60};
};

bool FfmpegPartJoiner::Start(const std::string& path, const VideoSettings& settings,
                             std::string* error) {
    settings_ = settings;
    frameTime_ = AVRational{1, settings.fps};
    withSound_ = settings.channels > 0;
    if (!video_.Open(settings, error)) return false;
    if (withSound_ &&
        !audio_.Open(settings.container, settings.sampleRate, settings.channels, error))
        return false;
    return muxer_.Open(path, settings.container, error);
}

bool FfmpegPartJoiner::OpenParts(const std::vector<PartFile>& parts, std::string* error) {
    inputs_.clear();
    inputs_.resize(parts.size());
    const AVCodecContext* c = video_.context();
    const std::vector<uint8_t> sets(c->extradata, c->extradata + c->extradata_size);
    for (size_t i = 0; i < parts.size(); ++i) {
        PartFileReader& input = inputs_[i];
        std::string reason;
        if (!input.Open(parts[i].path, &reason)) {
            *error = "the part \"" + parts[i].path + "\" cannot be read: " + reason;
            return false;
        }
        if (input.fps() != settings_.fps || input.width() != settings_.width ||
            input.height() != settings_.height || input.parameterSets() != sets) {
            *error = "the part \"" + parts[i].path + "\" was encoded with other settings";
            return false;
        }
    }
    return true;
}

bool FfmpegPartJoiner::SendSound(size_t end, std::string* error) {
    if (!withSound_) return true;
    return sound_.SendUpTo(
        audio_, end,
        [&](AVPacket* p) {
            return muxer_.Write(p, soundStream_, audio_.context()->time_base, error);
        },
        error);
}

bool FfmpegPartJoiner::CopyPart(size_t index, const PartFile& part, int64_t offset,
                                std::string* error) {
    PartFileReader& input = inputs_[index];
    PacketPtr packet = NewPacket();
    uint64_t frames = 0;
    std::string reason;
    while (input.Next(packet.get(), &reason)) {
        packet->pts += offset;
        packet->dts += offset;
        ++frames;
        // The sound up to this frame's end first, so the streams stay interleaved.
        const int64_t end = std::max<int64_t>(packet->dts + 1, 0);
        if (!SendSound(static_cast<size_t>(end * settings_.sampleRate / settings_.fps), error) ||
            !muxer_.Write(packet.get(), videoStream_, frameTime_, error))
            return false;
    }
    if (!reason.empty()) {
        *error = "the part \"" + part.path + "\" cannot be read: " + reason;
        return false;
    }
    if (frames != part.frames) {
        *error = "the part \"" + part.path + "\" holds " + std::to_string(frames) +
                 " frames, not " + std::to_string(part.frames);
        return false;
    }
    return true;
}

bool FfmpegPartJoiner::Join(const std::vector<PartFile>& parts, std::vector<int16_t> pcm,
                            std::string* error) {
    if (parts.empty()) {
        *error = "there are no parts to join";
        return false;
    }
    if (!OpenParts(parts, error)) return false;
    sound_ = SoundSpan(std::move(pcm), settings_.channels);
    videoStream_ = muxer_.AddStream(video_.context(), error);
    if (videoStream_ < 0) return false;
    if (withSound_) {
        soundStream_ = muxer_.AddStream(audio_.context(), error);
        if (soundStream_ < 0) return false;
    }
    if (!muxer_.WriteHeader(error)) return false;
    int64_t offset = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!CopyPart(i, parts[i], offset, error)) return false;
        offset += static_cast<int64_t>(parts[i].frames);
    }
    inputs_.clear();
    if (withSound_ && (!SendSound(sound_.frames(), error) ||
                       !audio_.Finish(
                           [&](AVPacket* p) {
                               return muxer_.Write(p, soundStream_, audio_.context()->time_base,
                                                   error);
                           },
                           error)))
        return false;
    return muxer_.Finish(error);
}

}  // namespace

std::unique_ptr<PartJoiner> PartJoiner::Open(const std::string& path, const VideoSettings& settings,
                                             std::string* error) {
    QuietFfmpegLog();
    auto joiner = std::make_unique<FfmpegPartJoiner>();
    if (!joiner->Start(path, settings, error)) return nullptr;
    return joiner;
}

}  // namespace video
