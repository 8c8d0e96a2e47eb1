// The one table of shader instructions: names, the versions that have them and their operands.
// The decoder, the assembler and the disassembler all read it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "gfx/shader/ShaderTokens.h"

namespace gfx::shader {

enum class OpClass : uint8_t {
    Arith,    // arithmetic on registers
    Matrix,   // m4x4 and relatives (several consecutive source registers)
    Texture,  // pixel texture-address instructions (tex, texbem, texm3x3..., texkill)
    Def,      // def: destination constant and four literal floats
    Phase,    // ps.1.4 phase marker
    Nop,
};

struct OpcodeInfo {
    Opcode opcode;
    const char* name;
    bool pixel;           // pixel programs (true) or vertex programs (false)
    uint16_t minVersion;  // 0x0100 = 1.0
    uint16_t maxVersion;  // inclusive
    uint8_t dstCount;     // 0 or 1
    uint8_t srcCount;     // source parameter tokens
    OpClass opClass;

    // Parameter tokens after the instruction token (def: destination + 4 literals).
    uint32_t paramTokens() const {
        return dstCount + srcCount + (opClass == OpClass::Def ? 4u : 0u);
    }
    bool supports(const ShaderVersion& v) const {
        return v.pixel == pixel && v.number() >= minVersion && v.number() <= maxVersion;
    }
};

std::span<const OpcodeInfo> OpcodeTable();

// The entry for an opcode in a given version, or null. `knownElsewhere` (optional) tells
// whether the opcode exists in some other version of the same kind or in the other kind.
const OpcodeInfo* FindOpcode(Opcode opcode, const ShaderVersion& version,
                             bool* knownElsewhere = nullptr);
const OpcodeInfo* FindOpcode(uint32_t rawOpcode, const ShaderVersion& version,
                             bool* knownElsewhere = nullptr);
// By assembly name ("texld", "m4x4"), case-insensitive.
const OpcodeInfo* FindOpcodeByName(std::string_view name, const ShaderVersion& version,
                                   bool* knownElsewhere = nullptr);

}  // namespace gfx::shader
