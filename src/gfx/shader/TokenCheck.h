// The device's first look at a compiled shader token stream: is it a well-formed program of
// the expected kind? The decoder in this folder does the full work; devices call this one
// entry point at creation so that a malformed stream never reaches a back end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gfx::shader {

enum class ShaderType { Vertex, Pixel };

// True when `tokens` (tokenCount 32-bit tokens) hold one complete program of the given type:
// a version token, well-formed instructions and the end token 0x0000FFFF. Otherwise false,
// with `error` saying what is wrong and at which token offset.
bool CheckTokens(const uint32_t* tokens, size_t tokenCount, ShaderType expected,
                 std::string& error);

struct Program;
// The same check, keeping the decoded program for the translator.
bool CheckTokens(const uint32_t* tokens, size_t tokenCount, ShaderType expected, Program& program,
                 std::string& error);

}  // namespace gfx::shader
