#include "scene3ds/SceneName.h"

#include <algorithm>

namespace scene3ds {

namespace {

std::string_view UpToNul(std::string_view text) {
    const size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

}  // namespace

SceneName::SceneName(std::string_view text) : set_(true) {
    const std::string_view kept = UpToNul(text).substr(0, kMaxLength);
    std::copy(kept.begin(), kept.end(), bytes_.begin());
    length_ = kept.size();
}

bool SceneName::WouldTruncate(std::string_view text) { return UpToNul(text).size() > kMaxLength; }

}  // namespace scene3ds
