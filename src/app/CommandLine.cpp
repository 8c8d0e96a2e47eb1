#include "app/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>

namespace app {

namespace {

// Returns an error text, empty on success.
using Apply = std::function<std::string(Options&, const std::string& value)>;

struct OptionSpec {
    const char* name;       // with the leading dashes
    const char* valueName;  // null for a flag
    const char* help;       // null: not listed in the usage text
    Apply apply;
};

std::optional<uint64_t> ParseUnsigned(std::string_view text) {
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<int64_t> ParseSigned(std::string_view text) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Far beyond any output's latency; a larger figure is a typing slip.
constexpr int64_t kMaxAvOffsetMs = 10000;

std::string SizeOption(Options& o, const std::string& v) {
    size_t x = v.find('x');
    auto w =
        x == std::string::npos ? std::nullopt : ParseUnsigned(std::string_view(v).substr(0, x));
    auto h =
        x == std::string::npos ? std::nullopt : ParseUnsigned(std::string_view(v).substr(x + 1));
    if (!w || !h || *w < 1 || *h < 1 || *w > 16384 || *h > 16384)
        return "expected WIDTHxHEIGHT such as 1024x768, got \"" + v + "\"";
    o.width = static_cast<int>(*w);
    o.height = static_cast<int>(*h);
    return {};
}

std::string PositionOption(std::optional<SoundtrackPosition>& target, const std::string& value) {
    target = ParseSoundtrackPosition(value);
    if (!target) return "expected a byte offset or mm:ss[.fff], got \"" + value + "\"";
    return {};
}

// A position, or "end" for the end of the soundtrack (`atEnd` set, `target` left empty).
std::string PositionOrEndOption(std::optional<SoundtrackPosition>& target, bool& atEnd,
                                const std::string& value) {
    if (value == "end") {
        target.reset();
        atEnd = true;
        return {};
    }
    atEnd = false;
    target = ParseSoundtrackPosition(value);
    if (!target) return "expected a byte offset, mm:ss[.fff] or end, got \"" + value + "\"";
    return {};
}

const std::vector<OptionSpec>& Table() {
    static const std::vector<OptionSpec> table = {
        {"--pack", "PATH", "the pack file to play (default: kelvra.dat in the current folder)",
         [](Options& o, const std::string& v) -> std::string {
             if (v.empty()) return "the pack path is empty";
             o.packPath = v;
             return {};
         }},
        {"--start", "POSITION",
         "start at POSITION (a byte offset into the decoded PCM, or mm:ss[.fff]), the show first "
         "played up to there unseen",
         [](Options& o, const std::string& v) { return PositionOption(o.start, v); }},
        {"--audio", "sdl|none", "sound output (default sdl; none plays silently on the clock)",
         [](Options& o, const std::string& v) -> std::string {
             if (v == "sdl")
                 o.audio = audio::AudioBackend::Sdl;
             else if (v == "none")
                 o.audio = audio::AudioBackend::None;
             else
                 return "expected sdl or none, got \"" + v + "\"";
             return {};
         }},
        {"--headless", nullptr, "run without a window or any display",
         [](Options& o, const std::string&) -> std::string {
             o.headless = true;
             return {};
         }},
        {"--no-dialog", nullptr,
         "skip the setup dialog and play as --mode, --windowed and --fullscreen say",
         [](Options& o, const std::string&) -> std::string {
             o.noDialog = true;
             return {};
         }},
        {"--mode", "WxH", "window or screen size (default 800x600); skips the setup dialog",
         [](Options& o, const std::string& v) -> std::string {
             std::string error = SizeOption(o, v);
             if (error.empty()) o.noDialog = true;
             return error;
         }},
        {"--windowed", nullptr, "play in a resizable window (the default without the dialog)",
         [](Options& o, const std::string&) -> std::string {
             o.windowMode = platform::WindowMode::Windowed;
             o.noDialog = true;
             o.windowRequested = true;
             return {};
         }},
        {"--fullscreen", nullptr, "play full screen, switching the display to the --mode size",
         [](Options& o, const std::string&) -> std::string {
             o.windowMode = platform::WindowMode::Fullscreen;
             o.noDialog = true;
             o.windowRequested = true;
             return {};
         }},
        {"--av-offset", "MS",
         "show the pictures MS milliseconds ahead of the sound (negative: behind), on top of "
         "the output latency the sound system reports; [ and ] change it while playing",
         [](Options& o, const std::string& v) -> std::string {
             auto ms = ParseSigned(v);
             if (!ms || *ms < -kMaxAvOffsetMs || *ms > kMaxAvOffsetMs)
                 return "expected whole milliseconds from -" + std::to_string(kMaxAvOffsetMs) +
                        " to " + std::to_string(kMaxAvOffsetMs) + ", got \"" + v + "\"";
             o.avOffsetMs = static_cast<int>(*ms);
             return {};
         }},
        {"--loop", nullptr, "start the show again from the beginning when the soundtrack ends",
         [](Options& o, const std::string&) -> std::string {
             o.loop = true;
             return {};
         }},
        {"--quit-after-frames", "N", "press Escape after N frames (scripted runs)",
         [](Options& o, const std::string& v) -> std::string {
             auto n = ParseUnsigned(v);
             if (!n || *n == 0) return "expected a frame count of at least 1, got \"" + v + "\"";
             o.quitAfterFrames = *n;
             return {};
         }},
        {"--escape-at", "POSITION|end",
         "press Escape once the soundtrack reaches POSITION, or has ended (scripted runs)",
         [](Options& o, const std::string& v) {
             return PositionOrEndOption(o.escapeAt, o.escapeAtEnd, v);
         }},
        {"--capture", "DIR|FILE",
         "render the frames of [--from, --to) at --fps into a video file (FILE.mp4: H.264 and "
         "AAC; FILE.mkv: H.264 and FLAC) or into the folder DIR as PNG files, with the "
         "soundtrack span as soundtrack.wav",
         [](Options& o, const std::string& v) -> std::string {
             if (v.empty()) return "the capture folder is empty";
             o.captureDir = v;
             return {};
         }},
        {"--from", "POSITION", "first captured frame (default 0)",
         [](Options& o, const std::string& v) { return PositionOption(o.captureFrom, v); }},
        {"--to", "POSITION|end",
         "end of the capture, not included (default: end, the end of the soundtrack)",
         [](Options& o, const std::string& v) {
             return PositionOrEndOption(o.captureTo, o.captureToEnd, v);
         }},
        {"--fps", "F", "frames per second of the capture, 1 to 1000 (default 60)",
         [](Options& o, const std::string& v) -> std::string {
             auto n = ParseUnsigned(v);
             if (!n || *n < 1 || *n > 1000)
                 return "expected a whole number of frames per second from 1 to 1000, got \"" + v +
                        "\"";
             o.captureFps = static_cast<int>(*n);
             return {};
         }},
        {"--overwrite", nullptr,
         "replace an existing --capture video file, or remove the frames and soundtrack.wav of "
         "an earlier capture from the --capture folder (without it either is refused)",
         [](Options& o, const std::string&) -> std::string {
             o.overwrite = true;
             return {};
         }},
        {"--crf", "N",
         "quality of a video capture, x264's constant rate factor: 0 lossless to 51 (default 18)",
         [](Options& o, const std::string& v) -> std::string {
             auto n = ParseUnsigned(v);
             if (!n || *n > 51) return "expected a whole number from 0 to 51, got \"" + v + "\"";
             o.captureCrf = static_cast<int>(*n);
             return {};
         }},
        {"--jobs", "N",
         "render a video capture in N processes, each a consecutive part, joined without "
         "re-encoding (default 1)",
         [](Options& o, const std::string& v) -> std::string {
             auto n = ParseUnsigned(v);
             if (!n || *n < 1 || *n > kMaxCaptureJobs)
                 return "expected a number of processes from 1 to " +
                        std::to_string(kMaxCaptureJobs) + ", got \"" + v + "\"";
             o.captureJobs = static_cast<int>(*n);
             return {};
         }},
        // Not listed: the processes of a split capture get it from the one that splits it.
        {"--part", "FIRST,COUNT", nullptr,
         [](Options& o, const std::string& v) -> std::string {
             const size_t comma = v.find(',');
             auto first = comma == std::string::npos
                              ? std::nullopt
                              : ParseUnsigned(std::string_view(v).substr(0, comma));
             auto count = comma == std::string::npos
                              ? std::nullopt
                              : ParseUnsigned(std::string_view(v).substr(comma + 1));
             if (!first || !count || *count == 0)
                 return "expected FIRST,COUNT frames, got \"" + v + "\"";
             o.capturePart = Options::Part{*first, *count};
             return {};
         }},
        {"--size", "WxH", "size of captured frames and stills (the same as --mode)", SizeOption},
        {"--still", "POSITION",
         "render the one frame at POSITION as a 60 fps run shows it, into --out",
         [](Options& o, const std::string& v) { return PositionOption(o.still, v); }},
        {"--out", "FILE.png", "the picture file of --still",
         [](Options& o, const std::string& v) -> std::string {
             if (v.empty()) return "the output file name is empty";
             o.stillOut = v;
             return {};
         }},
    };
    return table;
}

CommandLine UsageError(const std::string& text) {
    CommandLine result;
    result.action = CommandLine::Action::Exit;
    result.exitStatus = kUsageExitStatus;
    result.message = "runeplay: " + text + "\n" + Usage();
    return result;
}

// Options that only make sense together.
std::string CheckRenderOptions(const Options& o) {
    if (o.captureDir && o.still) return "--capture and --still cannot be combined";
    if (!o.captureDir && (o.captureFrom || o.captureTo || o.captureToEnd || o.captureFps ||
                          o.overwrite || o.captureCrf || o.captureJobs || o.capturePart))
        return "--from, --to, --fps, --overwrite, --crf and --jobs belong to --capture";
    if (o.capturePart && o.captureJobs) return "--part and --jobs cannot be combined";
    if (o.still && !o.stillOut) return "--still needs --out FILE.png";
    if (o.stillOut && !o.still) return "--out belongs to --still";
    if (o.render() && o.start) return "--start cannot be combined with --capture or --still";
    if (o.render() && (o.loop || o.avOffsetMs != 0))
        return "--loop and --av-offset belong to playing, not to --capture or --still";
    if (o.captureFrom && o.captureTo && o.captureFrom->unit == o.captureTo->unit &&
        o.captureFrom->value >= o.captureTo->value)
        return "--to must lie after --from";
    return {};
}

}  // namespace

std::optional<SoundtrackPosition> ParseSoundtrackPosition(std::string_view text) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        auto bytes = ParseUnsigned(text);
        if (!bytes) return std::nullopt;
        return SoundtrackPosition{SoundtrackPosition::Unit::Bytes, *bytes};
    }
    auto minutes = ParseUnsigned(text.substr(0, colon));
    std::string_view rest = text.substr(colon + 1);
    std::string_view secondsText = rest;
    std::string_view fraction;
    if (size_t dot = rest.find('.'); dot != std::string_view::npos) {
        secondsText = rest.substr(0, dot);
        fraction = rest.substr(dot + 1);
        if (fraction.empty() || fraction.size() > 3) return std::nullopt;
    }
    if (secondsText.size() != 2) return std::nullopt;
    auto seconds = ParseUnsigned(secondsText);
    if (!minutes || !seconds || *seconds >= 60 || *minutes > 100000) return std::nullopt;
    uint64_t ms = (*minutes * 60 + *seconds) * 1000;
    if (!fraction.empty()) {
        auto f = ParseUnsigned(fraction);
        if (!f) return std::nullopt;
        for (size_t i = fraction.size(); i < 3; ++i) *f *= 10;
        ms += *f;
    }
    return SoundtrackPosition{SoundtrackPosition::Unit::Milliseconds, ms};
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            result.action = CommandLine::Action::Exit;
            result.exitStatus = 0;
            result.message = Usage();
            return result;
        }
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& s : Table())
            if (name == s.name) spec = &s;
        if (!spec) {
            if (arg.rfind("-", 0) == 0) return UsageError("unknown option " + arg);
            return UsageError("unexpected argument " + arg);
        }
        std::string value;
        if (spec->valueName) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return UsageError(name + " needs a value (" + spec->valueName + ")");
            }
        } else if (inlineValue) {
            return UsageError(name + " takes no value");
        }
        std::string error = spec->apply(result.options, value);
        if (!error.empty()) return UsageError(name + ": " + error);
        result.options.given.push_back({name, value, spec->valueName != nullptr});
    }
    if (std::string error = CheckRenderOptions(result.options); !error.empty())
        return UsageError(error);
    return result;
}

std::string DescribePosition(uint64_t bytes, const audio::TrackFormat& format) {
    const uint64_t bpf = std::max<uint64_t>(format.bytesPerFrame(), 1);
    const uint64_t rate = format.rate > 0 ? static_cast<uint64_t>(format.rate) : 1;
    // Sample frames to milliseconds in two steps, so no position overflows on the way.
    const uint64_t frames = bytes / bpf;
    const uint64_t ms = frames / rate * 1000 + frames % rate * 1000 / rate;
    char text[96];
    std::snprintf(text, sizeof text, "%llu:%02llu.%03llu (%llu bytes)",
                  static_cast<unsigned long long>(ms / 60000),
                  static_cast<unsigned long long>(ms / 1000 % 60),
                  static_cast<unsigned long long>(ms % 1000),
                  static_cast<unsigned long long>(bytes));
    return text;
}

std::string CheckPositions(const Options& o, const audio::TrackFormat& format,
                           uint64_t lengthBytes) {
    const uint64_t bpf = std::max<uint64_t>(format.bytesPerFrame(), 1);
    auto whole = [bpf](uint64_t bytes) { return bytes / bpf * bpf; };
    const std::string length = DescribePosition(lengthBytes, format);
    std::string error;
    auto check = [&](const char* name, const std::optional<SoundtrackPosition>& position) {
        if (!error.empty() || !position) return;
        const uint64_t bytes = position->ToBytes(format);
        if (bytes > lengthBytes)
            error = std::string(name) + " " + DescribePosition(bytes, format) +
                    " lies past the end of the soundtrack, which is " + length + " long";
    };
    check("--start", o.start);
    check("--still", o.still);
    check("--escape-at", o.escapeAt);
    check("--from", o.captureFrom);
    check("--to", o.captureTo);
    if (error.empty() && o.captureDir) {
        const uint64_t from = whole(o.captureFrom ? o.captureFrom->ToBytes(format) : 0);
        const uint64_t to = whole(o.captureTo ? o.captureTo->ToBytes(format) : lengthBytes);
        if (to <= from)
            error = "the capture span is empty: its end, " + DescribePosition(to, format) +
                    ", must lie after --from " + DescribePosition(from, format) +
                    " (the soundtrack is " + length + " long)";
    }
    return error;
}

CommandLine ParseCommandLine(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return ParseCommandLine(args);
}

std::string Usage() {
    std::string text =
        "usage: runeplay [OPTIONS]\n"
        "Shows the setup dialog, then plays the presentation in kelvra.dat until Escape.\n\n"
        "options:\n";
    for (const OptionSpec& s : Table()) {
        if (!s.help) continue;
        std::string left = std::string("  ") + s.name;
        if (s.valueName) left += std::string(" ") + s.valueName;
        if (left.size() < 28)
            left.resize(28, ' ');
        else
            left += "\n" + std::string(28, ' ');
        text += left + s.help + "\n";
    }
    text += std::string("  --help") + std::string(20, ' ') + "show this text\n";
    return text;
}

}  // namespace app
