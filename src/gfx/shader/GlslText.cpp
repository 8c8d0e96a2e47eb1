#include "gfx/shader/GlslText.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "gfx/shader/ShaderTokens.h"

namespace gfx::shader {

std::string GlslFloat(float value) {
    if (!std::isfinite(value)) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "uintBitsToFloat(0x%08Xu)", std::bit_cast<uint32_t>(value));
        return buf;
    }
    char buf[40];
    for (int precision = 1; precision <= 9; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, static_cast<double>(value));
        if (std::strtof(buf, nullptr) == value) break;
    }
    std::string s = buf;
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    else if (s.find('.') == std::string::npos) {
        // "1e+38" is valid GLSL, but keep a mantissa with a point for readability.
        s.insert(s.find('e'), ".0");
    }
    return s;
}

std::string GlslVec4(const float (&v)[4]) {
    return "vec4(" + GlslFloat(v[0]) + ", " + GlslFloat(v[1]) + ", " + GlslFloat(v[2]) + ", " +
           GlslFloat(v[3]) + ")";
}

std::string MaskSuffix(uint8_t mask) {
    std::string s;
    for (unsigned i = 0; i < 4; ++i)
        if (mask & (1u << i)) s += "xyzw"[i];
    return s.empty() ? s : "." + s;
}

std::string SwizzleSuffix(uint8_t swizzle) {
    if (swizzle == kIdentitySwizzle) return "";
    std::string s = ".";
    for (unsigned i = 0; i < 4; ++i) s += "xyzw"[(swizzle >> (2 * i)) & 3u];
    return s;
}

}  // namespace gfx::shader
