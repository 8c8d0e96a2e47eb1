// Decoding of a whole token stream into instructions, with the validation that makes a stream
// safe to translate: version, structure, register types and indices, modifiers per version.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/shader/Instruction.h"
#include "gfx/shader/ShaderTokens.h"

namespace gfx::shader {

struct Program {
    ShaderVersion version;
    std::vector<Instruction> instructions;  // comment blocks included, in stream order
    size_t tokenCount = 0;                  // up to and including the end token
};

// Register file sizes of each version.
struct RegisterLimits {
    uint32_t temps, inputs, consts, textures;
};
RegisterLimits LimitsOf(const ShaderVersion& version);

// Reads the version token: vs.1.0, vs.1.1, ps.1.0 .. ps.1.4. Other versions are refused.
bool DecodeVersion(uint32_t token, ShaderVersion& version, std::string& error);

// Decodes `count` tokens. Tokens after the end token are ignored. False with an error that
// names the token offset for any malformed or unsupported stream.
bool Decode(const uint32_t* tokens, size_t count, Program& program, std::string& error);

// Semantic checks of one structurally read instruction (registers, modifiers, operand kinds).
bool ValidateInstruction(const Instruction& ins, const ShaderVersion& version, std::string& error);

}  // namespace gfx::shader
