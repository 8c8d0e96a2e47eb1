#include "video/VideoFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "video/AvSupport.h"

namespace video {

namespace {

// Whether RUNEPLAY_MISSING_ENCODERS names `name`.
bool HiddenForTesting(std::string_view name) {
    const char* list = std::getenv("RUNEPLAY_MISSING_ENCODERS");
    if (!list) return false;
    std::string_view rest(list);
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        if (rest.substr(0, comma) == name) return true;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return false;
}

}  // namespace

std::string ExtensionOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return std::string(name.substr(dot));
}

std::optional<Container> ContainerForPath(const std::string& path) {
    std::string ext = ExtensionOf(path);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".mp4") return Container::Mp4;
    if (ext == ".mkv") return Container::Mkv;
    return std::nullopt;
}

bool EncoderAvailable(const char* name) { return FindEncoder(name) != nullptr; }

const AVCodec* FindEncoder(const char* name) {
    if (HiddenForTesting(name)) return nullptr;
    return avcodec_find_encoder_by_name(name);
}

void QuietFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace video
