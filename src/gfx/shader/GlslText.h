// Small helpers the translators share for writing GLSL text.
#pragma once

#include <cstdint>
#include <string>

namespace gfx::shader {

// A float literal GLSL parses back to the same value ("1.0", "0.5", "-3.40282347e+38");
// infinities and NaN through their bit patterns.
std::string GlslFloat(float value);
std::string GlslVec4(const float (&v)[4]);

// ".xyzw"-style selection of the components in `mask` ("" for none).
std::string MaskSuffix(uint8_t mask);
// ".zyxw"-style swizzle ("" for identity).
std::string SwizzleSuffix(uint8_t swizzle);

// The largest finite float: what rcp/rsq of zero and log of zero produce.
constexpr const char* kGlslFltMax = "3.40282347e+38";

}  // namespace gfx::shader
