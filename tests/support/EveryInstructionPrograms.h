// Shader assembly that together covers every instruction of every version, each program
// valid: the assembler's round-trip tests and the starting corpora of the shader fuzz targets.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

inline const std::vector<std::pair<std::string, std::string>>& EveryInstructionPrograms() {
    static const std::vector<std::pair<std::string, std::string>> programs = {
        {"vs11_all",
         "vs.1.1\n"
         "def c95, 1.5, -0.25, 1e-07, 3.40282347e+38\n"
         "mov a0.x, v1.x\n"
         "m4x4 oPos, v0, c[a0.x + 4]\n"
         "m4x3 r0.xyz, v0, c[a0.x]\n"
         "m3x4 r1, v1, c10\n"
         "m3x3 r2.xyz, v1, c20\n"
         "m3x2 r3.xy, v2, c30\n"
         "add r4, -r0.wzyx, c1.y\n"
         "sub r5.xw, r1, v3\n"
         "mad r6, r4, r5, -c[a0.x + 95]\n"
         "mul r7, r6.x, v7.yyzz\n"
         "rcp r8.x, r7.w\n"
         "rsq r8.y, r7.z\n"
         "dp3 r9, r0, r1\n"
         "dp4 r10, r0, r1\n"
         "min r11, r9, r10\n"
         "max r11, r11, c0\n"
         "slt r0, r11, c2\n"
         "sge r1, r11, c3\n"
         "exp r2, r0.w\n"
         "log r3, r1.x\n"
         "expp r4, r2.y\n"
         "logp r5, r3.z\n"
         "lit r6, r5\n"
         "dst r7, r6, r5\n"
         "frc r8.xy, r7\n"
         "nop\n"
         "mov oD0, r8\n"
         "mov oD1, r7\n"
         "mov oT0, v15\n"
         "mov oT7.xy, r6\n"
         "mov oFog, r5.x\n"
         "mov oPts, r4.y\n"},
        {"vs10_transform", "vs.1.0\nm4x4 oPos, v0, c0\nmov oD0, c4\n"},
        {"ps11_modifiers",
         "ps.1.1\n"
         "def c7, 0, 0.5, 1, -1\n"
         "tex t0\n"
         "texbem t1, t0\n"
         "texm3x2pad t2, t0_bx2\n"
         "texm3x2tex t3, t0_bx2\n"
         "mul_x2 r0.rgb, t1, v0\n"
         "+add_d2_sat r0.a, 1-t3.a, -c1_bias.b\n"
         "lrp r1, c7.a, r0, t2\n"
         "cnd r0, r0.a, r1, -v1_bx2\n"
         "dp3_x4 r1.rgb, r0_bx2, t0_bias\n"
         "mad_sat r0, r1, r0, c2\n"},
        // ps.1.0 counts texbeml as two of its four texture instructions.
        {"ps10_texture", "ps.1.0\ntexcoord t0\ntexbeml t1, t0\ntexreg2ar t2, t1\nmov r0, t2\n"},
        {"ps10_kill", "ps.1.0\ntexcoord t0\ntexkill t1\nmov r0, t0\n"},
        {"ps11_spec",
         "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3spec t3, t0, c0\n"
         "mov r0, t3\n"},
        {"ps11_vspec",
         "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3vspec t3, t0\n"
         "mov r0, t3\n"},
        {"ps11_m3x3tex",
         "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3tex t3, t0\n"
         "mov r0, t3\n"},
        {"ps12_reg2",
         "ps.1.2\ntex t0\ntexreg2gb t1, t0\ntexreg2rgb t2, t0\ntexdp3tex t3, t0\n"
         "cmp r0, t1, t2, t3\ndp4 r1, r0, c0\nmov r0.a, r1.b\n"},
        {"ps12_dp3", "ps.1.2\ntex t0\ntexdp3 t1, t0\nmov r0, t1\n"},
        {"ps13_depth", "ps.1.3\ntex t0\ntexm3x2pad t1, t0\ntexm3x2depth t2, t0\nmov r0, t0\n"},
        {"ps13_m3x3",
         "ps.1.3\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3 t3, t0\nmov r0, t3\n"},
        {"ps14_phases",
         "ps.1.4\n"
         "def c0, 0.25, 0.5, 0.75, 1\n"
         "texld r0, t0\n"
         "texcrd r1.rg, t1_dw.xyw\n"
         "texld r2, t2_dw.xyw\n"
         "bem r3.rg, r0, r1\n"
         "mul_x8 r4.rgb, r0_x2, -c0\n"
         "+mov_d8 r4.a, -r1_x2.g\n"
         "phase\n"
         "texld r3, r3\n"
         "texld r4, r2_dz\n"
         "texld r5, t5.xyz\n"
         "texkill r1\n"
         "texdepth r5\n"
         "cmp_d4 r0, r3, r4, v1\n"
         "cnd_x4 r1, r0.abgr, c0, r4\n"},
    };
    return programs;
}

}  // namespace testsupport
