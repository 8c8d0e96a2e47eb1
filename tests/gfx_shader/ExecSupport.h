// Helpers of the execution tests: assemble a program, translate it and run it on the harness.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "GlHarness.h"
#include "gfx/shader/Assembler.h"
#include "gfx/shader/Decoder.h"
#include "gfx/shader/Translators.h"

namespace shadertest {

inline bool RunVs(const std::string& source, const VertexInputs& in, VertexOutputs& out,
                  std::string& error) {
    std::vector<uint32_t> tokens;
    if (!gfx::shader::Assemble(source, "test.vsa", tokens, error)) return false;
    gfx::shader::Program program;
    if (!gfx::shader::Decode(tokens.data(), tokens.size(), program, error)) return false;
    gfx::shader::GlslStage stage;
    if (!gfx::shader::TranslateVertexProgram(program, stage, error)) return false;
    return GlHarness::Get()->runVertex(stage, in, out, error);
}

inline bool RunPs(const std::string& source, const PixelInputs& in, PixelOutputs& out,
                  std::string& error) {
    std::vector<uint32_t> tokens;
    if (!gfx::shader::Assemble(source, "test.psa", tokens, error)) return false;
    gfx::shader::Program program;
    if (!gfx::shader::Decode(tokens.data(), tokens.size(), program, error)) return false;
    gfx::shader::GlslStage stage;
    if (!gfx::shader::TranslatePixelProgram(program, stage, error)) return false;
    return GlHarness::Get()->runPixel(stage, in, out, error);
}

inline ::testing::AssertionResult Near(const Vec4& actual, const Vec4& expected,
                                       float tolerance = 1e-5f) {
    for (int i = 0; i < 4; ++i) {
        const bool bothInf = std::isinf(actual[i]) && actual[i] == expected[i];
        if (!bothInf &&
            !(std::fabs(actual[i] - expected[i]) <= tolerance * (1 + std::fabs(expected[i])))) {
            return ::testing::AssertionFailure()
                   << "got (" << actual[0] << ", " << actual[1] << ", " << actual[2] << ", "
                   << actual[3] << ") expected (" << expected[0] << ", " << expected[1] << ", "
                   << expected[2] << ", " << expected[3] << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

#define REQUIRE_GL()                                                               \
    do {                                                                           \
        if (!::shadertest::GlHarness::Get()) GTEST_SKIP() << "no OpenGL 3.3 here"; \
    } while (0)

}  // namespace shadertest
