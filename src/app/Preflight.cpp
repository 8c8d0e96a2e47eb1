#include "app/Preflight.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/Capture.h"
#include "app/Engine.h"
#include "app/VideoCapture.h"
#include "assets/PackArchive.h"
#include "timeline/Schedule.h"

namespace app {

std::optional<SoundtrackFacts> ProbeSoundtrack(const std::string& packPath) {
    assets::PackArchive pack;
    std::string error;
    if (!pack.TryOpen(packPath, &error)) return std::nullopt;
    const assets::PackEntry* entry = pack.Lookup(kSoundtrackEntry);
    std::vector<uint8_t> data;
    if (!entry || !pack.TryReadEntry(*entry, data, &error)) return std::nullopt;
    audio::Mp3Decoder decoder;
    if (!decoder.Open(data.data(), data.size(), &error)) return std::nullopt;
    return SoundtrackFacts{decoder.format(), decoder.lengthBytes()};
}

std::string ShortSoundtrackWarning(const SoundtrackFacts& track) {
    const uint64_t lastSegment = static_cast<uint64_t>(timeline::kSegmentJ.after);
    if (track.lengthBytes >= lastSegment) return {};
    return "runeplay: warning: the soundtrack ends at " +
           DescribePosition(track.lengthBytes, track.format) +
           ", well before the show's last part starts at " +
           DescribePosition(lastSegment, track.format) +
           "; from its end on, the show stays where it is";
}

std::optional<int> Preflight(const Options& options) {
    if (const std::optional<SoundtrackFacts> track = ProbeSoundtrack(options.packPath)) {
        const std::string error = CheckPositions(options, track->format, track->lengthBytes);
        if (!error.empty()) {
            std::fprintf(stderr, "runeplay: %s\n", error.c_str());
            return kUsageExitStatus;
        }
        if (const std::string warning = ShortSoundtrackWarning(*track); !warning.empty())
            std::fprintf(stderr, "%s\n", warning.c_str());
    }
    if (options.captureDir) {
        const CaptureTarget target = ClassifyCaptureTarget(options);
        const std::string& path = *options.captureDir;
        if (target.kind == CaptureTarget::Kind::Folder &&
            (options.captureCrf || options.captureJobs)) {
            std::fprintf(stderr,
                         "runeplay: --crf and --jobs belong to captures into a video file (.mp4 "
                         "or .mkv); \"%s\" is a folder of PNG frames\n",
                         path.c_str());
            return kUsageExitStatus;
        }
        std::error_code ec;
        if (target.kind == CaptureTarget::Kind::Video && !options.overwrite &&
            std::filesystem::exists(path, ec)) {
            std::fprintf(stderr,
                         "runeplay: \"%s\" exists: give --overwrite to replace it, or choose "
                         "another name\n",
                         path.c_str());
            return kUsageExitStatus;
        }
    }
    if (options.captureDir && !options.overwrite) {
        const std::vector<std::string> earlier = EarlierCaptureFiles(*options.captureDir);
        if (!earlier.empty()) {
            std::fprintf(stderr, "runeplay: %s\n",
                         EarlierCaptureRefusal(*options.captureDir, earlier).c_str());
            return kUsageExitStatus;
        }
    }
    return std::nullopt;
}

}  // namespace app
