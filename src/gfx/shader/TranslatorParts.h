// What the vertex and pixel translators share beyond GLSL text: the program's own constants
// (def), the arithmetic both instruction sets spell alike, and the refusal message.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "gfx/shader/Decoder.h"

namespace gfx::shader {

// The def constants among registers c0 .. c(count - 1); a def beyond them is ignored.
class DefinedConstants {
  public:
    DefinedConstants(const Program& program, unsigned count);
    bool defined(unsigned i) const { return i < defined_.size() && defined_[i]; }
    bool any() const { return any_; }
    // The value as a GLSL vec4 literal (only for a defined register).
    std::string literal(unsigned i) const;

  private:
    std::vector<std::array<float, 4>> values_;
    std::vector<bool> defined_;
    bool any_ = false;
};

// mov, add, sub, mul, mad, dp3 and dp4 of already-modified sources `a`, `b`, `c`; empty for
// any other opcode.
std::string CommonArithmetic(Opcode opcode, const std::string& a, const std::string& b,
                             const std::string& c);

// "token 12: 'texbem' has no pixel translation" (`stage`: "pixel" or "vertex").
std::string NoTranslation(const Instruction& ins, const char* stage);

}  // namespace gfx::shader
