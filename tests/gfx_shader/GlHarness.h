// Test harness that runs translated stage code on the GL implementation at hand (Mesa
// llvmpipe through EGL surfaceless when there is no GPU): a vertex stage is run for one
// vertex with transform feedback capturing its outputs; a pixel stage is run for one pixel
// of a float target. It wraps the stage code the way GlslInterface.h describes.
#pragma once

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "gfx/shader/GlslInterface.h"

namespace shadertest {

using Vec4 = std::array<float, 4>;

struct VertexInputs {
    std::array<Vec4, 16> v{};
    std::array<Vec4, 96> c{};
};

struct VertexOutputs {
    Vec4 pos{}, d0{}, d1{};
    std::array<Vec4, 8> t{};
    float fog = 0, pts = 0;
};

struct TextureData {
    bool cube = false;
    int size = 1;
    std::vector<Vec4> texels;  // size*size (cube: 6 faces one after the other, +X -X +Y -Y +Z -Z)
    bool linear = false;
};

struct PixelInputs {
    Vec4 d0{}, d1{};
    std::array<Vec4, 8> t{};
    std::array<Vec4, 8> c{};
    std::array<Vec4, 8> bumpMat{};
    std::array<std::array<float, 2>, 8> bumpLum{};
    std::map<int, TextureData> textures;
};

struct PixelOutputs {
    Vec4 color{};
    float depth = 0;
    bool killed = false;
};

class GlHarness {
  public:
    // Null when no GL 3.3 context can be made here.
    static GlHarness* Get();

    bool runVertex(const gfx::shader::GlslStage& stage, const VertexInputs& in, VertexOutputs& out,
                   std::string& error);
    bool runPixel(const gfx::shader::GlslStage& stage, const PixelInputs& in, PixelOutputs& out,
                  std::string& error);
    // Compiles and links only (for generated code of whole programs).
    bool compileVertex(const gfx::shader::GlslStage& stage, std::string& error);
    bool compilePixel(const gfx::shader::GlslStage& stage, std::string& error);

  private:
    bool init();
    GLuint build(const std::string& vs, const std::string& fs, bool feedback, std::string& error);
    std::string vertexSource(const gfx::shader::GlslStage& stage) const;
    // `cubeStages`: bit N when stage N holds a cube texture (the variant the device would build).
    std::string pixelSource(const gfx::shader::GlslStage& stage, int cubeStages) const;

    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLContext context_ = EGL_NO_CONTEXT;
    GLuint vao_ = 0;
    GLuint fbo_ = 0;
};

}  // namespace shadertest
