#include "app/VideoCapture.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/Engine.h"
#include "assets/PackArchive.h"
#include "platform/ErrorReport.h"
#include "video/VideoWriter.h"

namespace app {

namespace {

int Fail(const std::string& text) {
    platform::ShowError(text);
    return platform::kFatalExitStatus;
}

std::string Share(double part, double whole) {
    char text[16];
    std::snprintf(text, sizeof text, "%.0f %%", whole > 0 ? 100.0 * part / whole : 0.0);
    return text;
}

}  // namespace

CaptureTarget ClassifyCaptureTarget(const Options& options) {
    CaptureTarget target;
    const std::string& path = options.captureDir ? *options.captureDir : std::string();
    if (options.capturePart) {
        target.kind = CaptureTarget::Kind::Part;
        target.container = video::Container::Part;
        return target;
    }
    std::error_code ec;
    if (path.empty() || path.back() == '/' || std::filesystem::is_directory(path, ec))
        return target;
    if (const auto container = video::ContainerForPath(path)) {
        target.kind = CaptureTarget::Kind::Video;
        target.container = *container;
        return target;
    }
    target.extension = video::ExtensionOf(path);
    if (!target.extension.empty()) target.kind = CaptureTarget::Kind::Unknown;
    return target;
}

std::string UnknownCaptureExtension(const std::string& path, const std::string& extension) {
    return "The capture \"" + path + "\" cannot be written: \"" + extension +
           "\" is no video format this program writes; name a .mp4 file (H.264 and AAC), a "
           ".mkv file (H.264 and FLAC), or a folder for PNG frames (end its name with /)";
}

uint64_t VideoFrameCount(const CapturePlan& plan) {
    const audio::TrackFormat& f = plan.grid.format;
    if (f.rate <= 0 || f.bytesPerFrame() == 0 || plan.grid.fps <= 0) return 0;
    using Wide = unsigned __int128;
    const Wide samples = plan.spanBytes() / f.bytesPerFrame();
    const Wide rate = static_cast<uint64_t>(f.rate);
    const Wide frames = (samples * static_cast<uint64_t>(plan.grid.fps) * 2 + rate) / (2 * rate);
    return frames > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(frames);
}

bool ReadSoundtrackSpan(const std::string& packPath, uint64_t from, uint64_t to,
                        std::vector<int16_t>& pcm, audio::TrackFormat& format, std::string* error) {
    assets::PackArchive pack;
    if (!pack.TryOpen(packPath, error)) return false;
    const assets::PackEntry* entry = pack.Lookup(kSoundtrackEntry);
    std::vector<uint8_t> mp3;
    if (!entry) {
        *error = std::string("the pack holds no ") + kSoundtrackEntry;
        return false;
    }
    if (!pack.TryReadEntry(*entry, mp3, error)) return false;
    audio::DecodedTrack track;
    if (!audio::DecodeWholeTrack(mp3.data(), mp3.size(), track, error)) return false;
    format = track.format;
    const uint64_t bytes = to > from ? to - from : 0;
    pcm.assign(static_cast<size_t>(bytes / 2), 0);
    const uint64_t available = track.bytes();
    if (available > from)
        std::memcpy(pcm.data(), reinterpret_cast<const uint8_t*>(track.samples.data()) + from,
                    static_cast<size_t>(std::min(available, to) - from));
    return true;
}

video::VideoSettings VideoSettingsFor(const Options& options, const CapturePlan& plan,
                                      video::Container container) {
    video::VideoSettings s;
    s.container = container;
    s.width = options.width;
    s.height = options.height;
    s.fps = plan.grid.fps;
    s.crf = options.captureCrf.value_or(s.crf);
    s.sampleRate = plan.grid.format.rate;
    s.channels = container == video::Container::Part ? 0 : plan.grid.format.channels;
    return s;
}

int RunVideoCapture(const Options& options, const CapturePlan& plan, const CaptureTarget& target,
                    const FrameSource& source, const std::function<bool(uint64_t)>& preRoll) {
    const std::string& path = *options.captureDir;
    const bool part = target.kind == CaptureTarget::Kind::Part;
    const std::string what =
        part ? "The video part \"" + path + "\"" : "The video \"" + path + "\"";
    const uint64_t total = VideoFrameCount(plan);
    const uint64_t first = part ? options.capturePart->first : 0;
    const uint64_t count = part ? options.capturePart->count : total;
    if (total == 0) return Fail(what + " cannot be written: the span is shorter than half a frame");
    if (first > total || count > total - first)
        return Fail(what + " cannot be written: frames " + std::to_string(first) + " to " +
                    std::to_string(first + count - 1) + " lie past the capture's " +
                    std::to_string(total));

    const auto started = std::chrono::steady_clock::now();
    std::string error;
    std::vector<int16_t> pcm;
    if (!part) {
        audio::TrackFormat format;
        if (!ReadSoundtrackSpan(options.packPath, plan.from(), plan.to, pcm, format, &error))
            return Fail(what + " cannot be written: the soundtrack cannot be read: " + error);
    }
    if (!MakeParentFolders(path, &error)) return Fail(what + " cannot be written: " + error);
    // Opened before the pre-roll: a file that cannot be made or a missing encoder is known at
    // once.
    const video::VideoSettings settings = VideoSettingsFor(options, plan, target.container);
    std::unique_ptr<video::VideoWriter> writer =
        video::VideoWriter::Open(path, settings, std::move(pcm), &error);
    if (!writer) return Fail(what + " cannot be written: " + error);

    auto interrupted = [] {
        std::fprintf(stderr, "\nruneplay: interrupted\n");
        return 1;
    };
    if (!preRoll(plan.from()) || !PlayUnseen(plan.grid, first, source)) return interrupted();

    const size_t frameBytes = static_cast<size_t>(settings.width) * settings.height * 4;
    std::string frameError;
    auto take = [&](uint64_t, const uint8_t* bgra, uint32_t width, uint32_t height) {
        if (static_cast<int>(width) != settings.width ||
            static_cast<int>(height) != settings.height) {
            frameError = "the frames are " + std::to_string(width) + "x" + std::to_string(height) +
                         ", not the video's size";
            return false;
        }
        uint8_t* buffer = writer->NextFrame();
        if (!buffer) return false;  // the writer failed; failure() tells why
        std::memcpy(buffer, bgra, frameBytes);
        writer->QueueFrame();
        return true;
    };
    ProgressLine progress("capture", count);
    LoopTimes times;
    const auto renderStart = std::chrono::steady_clock::now();
    const LoopEnd end = RenderFrames(plan.grid, first, count, source, take, progress, &times);
    if (end == LoopEnd::Interrupted) return interrupted();
    if (end == LoopEnd::Failed) {
        if (frameError.empty()) frameError = writer->failure();
        if (frameError.empty()) frameError = "the back buffer cannot be read";
        return Fail(what + " cannot be written: " + frameError);
    }
    if (!writer->Finish(&error)) return Fail(what + " cannot be written: " + error);
    progress.Finish();
    if (part) return 0;

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - renderStart).count();
    const video::WriterTimes w = writer->times();
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(path, ec);
    std::printf("runeplay: wrote %llu frames at %d fps and %s of sound to %s (%.1f MB)\n",
                static_cast<unsigned long long>(total), settings.fps,
                DescribePosition(plan.spanBytes(), plan.grid.format).c_str(), path.c_str(),
                static_cast<double>(size) / 1e6);
    // Shares of the frames' wall-clock time; the two threads overlap, so they add up to more.
    std::printf(
        "runeplay: %llu frames in %.1f s, %.1f frames/s (%.1f s in all); rendering %s, "
        "reading back %s, waiting for the encoder %s; on the encoder's thread converting "
        "%s, encoding %s, the sound %s\n",
        static_cast<unsigned long long>(total), seconds,
        seconds > 0 ? static_cast<double>(total) / seconds : 0.0,
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
        Share(times.rendering, seconds).c_str(), Share(times.readingBack, seconds).c_str(),
        Share(times.handingOver, seconds).c_str(), Share(w.converting, seconds).c_str(),
        Share(w.encoding, seconds).c_str(), Share(w.sound, seconds).c_str());
    return 0;
}

}  // namespace app
