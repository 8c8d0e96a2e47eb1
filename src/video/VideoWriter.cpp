#include "video/VideoWriter.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "video/AudioEncoder.h"
#include "video/Muxer.h"
#include "video/PartFile.h"
#include "video/VideoEncoder.h"

namespace video {

namespace {

// Frames that may wait for the worker: enough to ride out an encoder's uneven pace (x264
// takes longer over a cut), few enough to keep 4K frames in bounds.
constexpr size_t kQueuedFrames = 4;

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class FfmpegVideoWriter final : public VideoWriter {
  public:
    bool Start(const std::string& path, const VideoSettings& settings, std::vector<int16_t> pcm,
               std::string* error);
    ~FfmpegVideoWriter() override;

    uint8_t* NextFrame() override;
    void QueueFrame() override;
    bool Finish(std::string* error) override;
    WriterTimes times() const override;
    std::string failure() const override {
        std::lock_guard lock(mutex_);
        return error_;
    }
    uint64_t framesWritten() const override {
        std::lock_guard lock(mutex_);
        return written_;
    }

  private:
    void Work();
    bool EncodeFrame(const uint8_t* bgra, int64_t index);
    // The span's sound up to sample frame `end`.
    bool SendSound(size_t end);
    bool WriteVideo(AVPacket* packet);
    bool WriteSound(AVPacket* packet);
    void Fail(const std::string& reason);
    void StopWorker();

    VideoSettings settings_;
    std::unique_ptr<PacketOutput> output_;
    VideoEncoder video_;
    AudioEncoder audio_;
    bool withSound_ = false;
    int videoStream_ = -1, soundStream_ = -1;
    SoundSpan sound_;
    std::string workerError_;  // the worker's own, copied into error_ under the lock

    std::vector<std::vector<uint8_t>> buffers_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<size_t> free_, queued_;
    size_t handedOut_ = SIZE_MAX;
    bool ending_ = false;
    bool abandoned_ = false;
    bool failed_ = false;
    std::string error_;
    uint64_t written_ = 0;
    WriterTimes times_;
    std::thread worker_;
};

bool FfmpegVideoWriter::Start(const std::string& path, const VideoSettings& settings,
                              std::vector<int16_t> pcm, std::string* error) {
    settings_ = settings;
    withSound_ = settings.channels > 0 && settings.container != Container::Part;
    // Encoders first: a missing one is reported before any file is made.
    if (!video_.Open(settings, error)) return false;
    if (withSound_ &&
        !audio_.Open(settings.container, settings.sampleRate, settings.channels, error))
        return false;
    if (settings.container == Container::Part) {
        auto part = std::make_unique<PartFileWriter>();
        if (!part->Open(path, settings, error)) return false;
        output_ = std::move(part);
    } else {
        auto muxer = std::make_unique<Muxer>();
        if (!muxer->Open(path, settings.container, error)) return false;
        output_ = std::move(muxer);
    }
    videoStream_ = output_->AddStream(video_.context(), error);
    if (videoStream_ < 0) return false;
    if (withSound_) {
        soundStream_ = output_->AddStream(audio_.context(), error);
        if (soundStream_ < 0) return false;
        sound_ = SoundSpan(std::move(pcm), settings.channels);
    }
    if (!output_->WriteHeader(error)) return false;

    const size_t frameBytes = static_cast<size_t>(settings.width) * settings.height * 4;
    buffers_.resize(kQueuedFrames);
    for (size_t i = 0; i < kQueuedFrames; ++i) {
        buffers_[i].resize(frameBytes);
        free_.push_back(i);
    }
    worker_ = std::thread([this] { Work(); });
    return true;
}

FfmpegVideoWriter::~FfmpegVideoWriter() {
    {
        // Dropped unfinished: frames still queued are not worth encoding.
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    StopWorker();
}

void FfmpegVideoWriter::StopWorker() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

uint8_t* FfmpegVideoWriter::NextFrame() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return failed_ || !free_.empty(); });
    if (failed_) return nullptr;
    handedOut_ = free_.front();
    free_.pop_front();
    return buffers_[handedOut_].data();
}

void FfmpegVideoWriter::QueueFrame() {
    {
        std::lock_guard lock(mutex_);
        if (handedOut_ == SIZE_MAX) return;
        queued_.push_back(handedOut_);
        handedOut_ = SIZE_MAX;
    }
    changed_.notify_all();
}

void FfmpegVideoWriter::Fail(const std::string& reason) {
    {
        std::lock_guard lock(mutex_);
        if (!failed_) error_ = reason;
        failed_ = true;
    }
    changed_.notify_all();
}

void FfmpegVideoWriter::Work() {
    int64_t index = 0;
    for (;;) {
        size_t buffer;
        const auto waitStart = std::chrono::steady_clock::now();
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return ending_ || !queued_.empty(); });
            times_.waitingForWork += SecondsSince(waitStart);
            if (queued_.empty() || failed_ || abandoned_) return;
            buffer = queued_.front();
            queued_.pop_front();
        }
        const bool ok = EncodeFrame(buffers_[buffer].data(), index++);
        {
            std::lock_guard lock(mutex_);
            free_.push_back(buffer);
            if (ok) ++written_;
        }
        changed_.notify_all();
        if (!ok) {
            Fail(workerError_);
            return;
        }
    }
}

bool FfmpegVideoWriter::WriteVideo(AVPacket* packet) {
    if (packet->duration == 0) packet->duration = 1;  // one frame in the encoder's time base
    return output_->Write(packet, videoStream_, video_.context()->time_base, &workerError_);
}

bool FfmpegVideoWriter::WriteSound(AVPacket* packet) {
    return output_->Write(packet, soundStream_, audio_.context()->time_base, &workerError_);
}

bool FfmpegVideoWriter::EncodeFrame(const uint8_t* bgra, int64_t index) {
    auto start = std::chrono::steady_clock::now();
    if (!video_.Convert(bgra, static_cast<size_t>(settings_.width) * 4, index, &workerError_))
        return false;
    const double converting = SecondsSince(start);
    start = std::chrono::steady_clock::now();
    if (!video_.Encode([this](AVPacket* p) { return WriteVideo(p); }, &workerError_)) return false;
    const double encoding = SecondsSince(start);
    start = std::chrono::steady_clock::now();
    // The sound of the span up to this frame's end, so the two streams stay interleaved.
    const auto end = static_cast<size_t>((index + 1) * static_cast<int64_t>(settings_.sampleRate) /
                                         settings_.fps);
    const bool ok = !withSound_ || SendSound(end);
    std::lock_guard lock(mutex_);
    times_.converting += converting;
    times_.encoding += encoding;
    times_.sound += SecondsSince(start);
    return ok;
}

bool FfmpegVideoWriter::SendSound(size_t end) {
    return sound_.SendUpTo(
        audio_, end, [this](AVPacket* p) { return WriteSound(p); }, &workerError_);
}

bool FfmpegVideoWriter::Finish(std::string* error) {
    StopWorker();
    {
        std::lock_guard lock(mutex_);
        if (failed_) {
            *error = error_;
            output_->Discard();
            return false;
        }
    }
    const bool ok = video_.Flush([this](AVPacket* p) { return WriteVideo(p); }, &workerError_) &&
                    (!withSound_ || (SendSound(sound_.frames()) &&
                                     audio_.Finish([this](AVPacket* p) { return WriteSound(p); },
                                                   &workerError_))) &&
                    output_->Finish(&workerError_);
    if (!ok) {
        *error = workerError_;
        output_->Discard();
        Fail(workerError_);
    }
    return ok;
}

WriterTimes FfmpegVideoWriter::times() const {
    std::lock_guard lock(mutex_);
    return times_;
}

}  // namespace

std::unique_ptr<VideoWriter> VideoWriter::Open(const std::string& path,
                                               const VideoSettings& settings,
                                               std::vector<int16_t> pcm, std::string* error) {
    QuietFfmpegLog();
    auto writer = std::make_unique<FfmpegVideoWriter>();
    if (!writer->Start(path, settings, std::move(pcm), error)) return nullptr;
    return writer;
}

}  // namespace video
