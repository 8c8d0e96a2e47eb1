// What a decoded program reads and writes: which registers the translator must declare and
// what a device needs to know (stages sampled, outputs written, depth output).
#pragma once

#include <cstdint>

#include "gfx/shader/Decoder.h"

namespace gfx::shader {

struct Analysis {
    uint32_t tempsUsed = 0;       // r# read or written
    uint32_t inputsRead = 0;      // v#
    uint32_t texRegsUsed = 0;     // ps.1.0-1.3 t# read or written as registers
    uint64_t constsRead[2] = {};  // c# read directly (bit per register, 0..127)
    uint64_t constsDefined[2] = {};
    bool relativeConstants = false;  // c[a0.x + n]
    bool writesAddress = false;      // a0
    // vertex outputs
    bool writesPos = false, writesFog = false, writesPointSize = false;
    uint8_t colorsWritten = 0;     // oD# bits
    uint8_t texCoordsWritten = 0;  // oT# bits
    // pixel programs
    uint8_t stagesSampled = 0;  // texture stages whose sampler is read
    uint8_t texCoordsRead = 0;  // interpolated texture coordinate sets read
    uint8_t bumpStages = 0;     // stages whose bump matrix is read
    bool writesDepth = false;
    bool usesKill = false;

    bool constRead(uint32_t i) const { return i < 128 && (constsRead[i / 64] >> (i % 64)) & 1u; }
    bool constDefined(uint32_t i) const {
        return i < 128 && (constsDefined[i / 64] >> (i % 64)) & 1u;
    }
};

Analysis Analyze(const Program& program);

// Consecutive registers a matrix instruction reads from its second source, one per result
// component (m4x4: 4, m4x3: 3, m3x2: 2); 1 for other instructions.
unsigned MatrixRows(Opcode opcode);
// Width of the dot products of a matrix instruction (m4x*: 4, m3x*: 3).
unsigned MatrixDotSize(Opcode opcode);

}  // namespace gfx::shader
