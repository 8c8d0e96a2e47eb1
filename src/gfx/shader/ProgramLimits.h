// Rules a D3D8 runtime checks over a whole decoded program, beyond the form of each
// instruction: how many instructions each version holds, that ps.1.4 reads each texture
// coordinate register through one selector, and that r5 is spent once texdepth has run.
#pragma once

#include <string>

#include "gfx/shader/Decoder.h"

namespace gfx::shader {

// Instruction limits:
//  - vs.1.0/1.1: 128 instruction slots; the macros take several (exp and log 10, frc 3,
//    m3x2 2, m3x3 and m4x3 3, m3x4 and m4x4 4), def none;
//  - ps.1.0-1.3: 8 arithmetic and 4 texture-address instructions (texbeml also counts as
//    arithmetic); ps.1.0 holds 8 in all, its tex not counted, its texbem and texbeml counting
//    twice as texture instructions;
//  - ps.1.4: 8 arithmetic and 6 texture-address instructions in each phase.
// A co-issued instruction runs in the pipe its partner leaves free and counts with it as one.
// False with an error naming the token, the instruction and the rule.
bool CheckProgramLimits(const Program& program, std::string& error);

// Instruction slots an instruction of a vertex program takes.
unsigned VertexSlots(Opcode opcode);

}  // namespace gfx::shader
