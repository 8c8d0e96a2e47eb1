#include "gfx/gl/GlLog.h"

#include <cstdio>
#include <unordered_set>

namespace gfx::gl {

void ReportOnce(const std::string& message) {
    static std::unordered_set<std::string> seen;
    if (seen.size() > 1000 || !seen.insert(message).second) return;
    std::fprintf(stderr, "gfx: %s\n", message.c_str());
    std::fflush(stderr);
}

}  // namespace gfx::gl
