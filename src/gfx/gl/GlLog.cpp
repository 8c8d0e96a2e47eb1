#include "gfx/gl/GlLog.h"

#include <unordered_set>

#include "platform/StatusLine.h"

namespace gfx::gl {

void ReportOnce(const std::string& message) {
    static std::unordered_set<std::string> seen;
    if (seen.size() > 1000 || !seen.insert(message).second) return;
    platform::WriteErrorLine("gfx: " + message);
}

}  // namespace gfx::gl
