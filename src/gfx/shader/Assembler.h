// Assembler of the classic D3D8 shader assembly (vs.1.0/1.1, ps.1.0 to 1.4) into token
// streams, and the disassembler that prints a stream back in the same syntax.
//
// Syntax: a version line ("vs.1.1", "ps.1.4"), then one instruction per line:
//   [+]opcode[_x2|_x4|_x8|_d2|_d4|_d8][_sat] dst[.mask], src, ...
// sources: [-|1-]reg[_bias|_bx2|_x2|_dz|_db|_dw|_da][.swizzle], relative constants as
// c[a0.x + n]; "def c0, 1, 0, 0, 1"; "phase"; comments start with ';' or "//".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gfx::shader {

// Assembles `source`; on failure `error` reads "FILE:LINE:COLUMN: message".
bool Assemble(std::string_view source, std::string_view fileName, std::vector<uint32_t>& tokens,
              std::string& error);

// Disassembles a token stream (decoded and validated first); one instruction per line.
bool Disassemble(const uint32_t* tokens, size_t count, std::string& text, std::string& error);

}  // namespace gfx::shader
