// The GL harness used by the execution tests (see GlHarness.h), and its own smoke test.
#include "GlHarness.h"

#include <gtest/gtest.h>

#include <cstring>

namespace shadertest {
namespace {

using gfx::shader::GlslStage;
using gfx::shader::SamplerKind;

const char* kPixelUniforms =
    "uniform vec4 dx_pc[8];\n"
    "uniform vec4 dx_bumpMat[8];\n"
    "uniform vec2 dx_bumpLum[8];\n"
    "uniform vec4 dx_tfactor;\n"
    "uniform vec4 h_iD0;\n"
    "uniform vec4 h_iD1;\n"
    "uniform vec4 h_iT[8];\n";

bool Compile(GLuint shader, const std::string& source, std::string& error) {
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[4096];
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        error = std::string("compile failed: ") + log + "\n--- source ---\n" + source;
        return false;
    }
    return true;
}

}  // namespace

GlHarness* GlHarness::Get() {
    static GlHarness* harness = [] {
        auto* h = new GlHarness();
        if (!h->init()) {
            delete h;
            return static_cast<GlHarness*>(nullptr);
        }
        return h;
    }();
    return harness;
}

bool GlHarness::init() {
    if (!epoxy_has_egl()) return false;
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (clientExtensions && std::strstr(clientExtensions, "EGL_MESA_platform_surfaceless") &&
        std::strstr(clientExtensions, "EGL_EXT_platform_base"))
        display_ =
            eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display_ == EGL_NO_DISPLAY) display_ = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display_ == EGL_NO_DISPLAY) return false;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display_, &major, &minor)) return false;
    if (!eglBindAPI(EGL_OPENGL_API)) return false;
    const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0,
                                    EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display_, configAttribs, &config, 1, &count) || count < 1) {
        // Some drivers want no surface-type constraint at all.
        const EGLint any[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        if (!eglChooseConfig(display_, any, &config, 1, &count) || count < 1) return false;
    }
    const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                                     3,
                                     EGL_CONTEXT_MINOR_VERSION,
                                     3,
                                     EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                     EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                     EGL_NONE};
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, contextAttribs);
    if (context_ == EGL_NO_CONTEXT) return false;
    if (!eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) return false;
    glGenVertexArrays(1, &vao_);
    glBindVertexArray(vao_);
    // Surfaceless contexts have no default framebuffer; vertex runs draw into this one.
    GLuint fbo = 0, color = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glGenRenderbuffers(1, &color);
    glBindRenderbuffer(GL_RENDERBUFFER, color);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 1, 1);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    fbo_ = fbo;
    return glGetError() == GL_NO_ERROR;
}

GLuint GlHarness::build(const std::string& vs, const std::string& fs, bool feedback,
                        std::string& error) {
    GLuint v = glCreateShader(GL_VERTEX_SHADER), f = glCreateShader(GL_FRAGMENT_SHADER);
    if (!Compile(v, vs, error) || !Compile(f, fs, error)) {
        glDeleteShader(v);
        glDeleteShader(f);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, v);
    glAttachShader(program, f);
    for (int i = 0; i < 16; ++i)
        glBindAttribLocation(program, i, ("dx_v" + std::to_string(i)).c_str());
    if (feedback) {
        static const char* names[] = {"h_pos", "h_d0", "h_d1", "h_t0", "h_t1", "h_t2",
                                      "h_t3",  "h_t4", "h_t5", "h_t6", "h_t7", "h_misc"};
        glTransformFeedbackVaryings(program, 12, names, GL_INTERLEAVED_ATTRIBS);
    }
    glLinkProgram(program);
    glDeleteShader(v);
    glDeleteShader(f);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[4096];
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        error = std::string("link failed: ") + log;
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

std::string GlHarness::vertexSource(const GlslStage& stage) const {
    std::string s = "#version 330 core\n";
    for (int i = 0; i < 16; ++i) s += "in vec4 dx_v" + std::to_string(i) + ";\n";
    s += "uniform vec4 dx_vc[96];\n";
    s += "out vec4 h_pos, h_d0, h_d1, h_t0, h_t1, h_t2, h_t3, h_t4, h_t5, h_t6, h_t7, h_misc;\n";
    s += stage.declarations;
    s += "void main() {\n"
         "vec4 dx_oPos = vec4(0.0, 0.0, 0.0, 1.0);\n"
         "vec4 dx_oD0 = vec4(1.0);\nvec4 dx_oD1 = vec4(0.0);\n"
         "vec4 dx_oT[8];\nfor (int i = 0; i < 8; ++i) dx_oT[i] = vec4(0.0, 0.0, 0.0, 1.0);\n"
         "float dx_oFog = 1.0;\nfloat dx_oPts = 1.0;\nvec4 dx_clipVertex;\n";
    s += stage.body;
    s += "h_pos = dx_oPos; h_d0 = dx_oD0; h_d1 = dx_oD1;\n"
         "h_t0 = dx_oT[0]; h_t1 = dx_oT[1]; h_t2 = dx_oT[2]; h_t3 = dx_oT[3];\n"
         "h_t4 = dx_oT[4]; h_t5 = dx_oT[5]; h_t6 = dx_oT[6]; h_t7 = dx_oT[7];\n"
         "h_misc = vec4(dx_oFog, dx_oPts, 0.0, 0.0);\n"
         "gl_Position = vec4(0.0, 0.0, 0.0, 1.0);\n}\n";
    return s;
}

std::string GlHarness::pixelSource(const GlslStage& stage, int cubeStages) const {
    std::string s = "#version 330 core\n";
    s += "#define DX_CUBE_STAGES " + std::to_string(cubeStages) + "\n";
    s += kPixelUniforms;
    for (unsigned i = 0; i < 8; ++i)
        s += "uniform sampler2D " + gfx::shader::SamplerName(i, SamplerKind::Texture2D) +
             ";\nuniform samplerCube " + gfx::shader::SamplerName(i, SamplerKind::Cube) + ";\n";
    s += "out vec4 h_color;\n";
    s += stage.declarations;
    s += "void main() {\n"
         "vec4 dx_iD0 = clamp(h_iD0, 0.0, 1.0);\nvec4 dx_iD1 = clamp(h_iD1, 0.0, 1.0);\n"
         "vec4 dx_iT[8] = h_iT;\nvec4 dx_oC0 = vec4(0.0);\n"
         "gl_FragDepth = gl_FragCoord.z;\n";
    s += stage.body;
    s += "h_color = dx_oC0;\n}\n";
    return s;
}

bool GlHarness::compileVertex(const GlslStage& stage, std::string& error) {
    const std::string fs = "#version 330 core\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n";
    GLuint p = build(vertexSource(stage), fs, true, error);
    if (!p) return false;
    glDeleteProgram(p);
    return true;
}

bool GlHarness::compilePixel(const GlslStage& stage, std::string& error) {
    const std::string vs =
        "#version 330 core\nvoid main() { gl_Position = vec4(0.0, 0.0, 0.0, 1.0); }\n";
    GLuint p = build(vs, pixelSource(stage, 0), false, error);
    if (!p) return false;
    glDeleteProgram(p);
    return true;
}

bool GlHarness::runVertex(const GlslStage& stage, const VertexInputs& in, VertexOutputs& out,
                          std::string& error) {
    const std::string fs = "#version 330 core\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n";
    GLuint program = build(vertexSource(stage), fs, true, error);
    if (!program) return false;
    glUseProgram(program);
    glUniform4fv(glGetUniformLocation(program, "dx_vc"), 96, in.c[0].data());
    for (int i = 0; i < 16; ++i) glVertexAttrib4fv(i, in.v[i].data());
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, buffer);
    glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, 12 * 16, nullptr, GL_STATIC_READ);
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffer);
    glEnable(GL_RASTERIZER_DISCARD);
    glBeginTransformFeedback(GL_POINTS);
    glDrawArrays(GL_POINTS, 0, 1);
    glEndTransformFeedback();
    glDisable(GL_RASTERIZER_DISCARD);
    float data[48] = {};
    glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0, sizeof data, data);
    glDeleteBuffers(1, &buffer);
    glUseProgram(0);
    glDeleteProgram(program);
    auto vec = [&](int i) {
        return Vec4{data[i * 4], data[i * 4 + 1], data[i * 4 + 2], data[i * 4 + 3]};
    };
    out.pos = vec(0);
    out.d0 = vec(1);
    out.d1 = vec(2);
    for (int i = 0; i < 8; ++i) out.t[i] = vec(3 + i);
    out.fog = data[44];
    out.pts = data[45];
    if (GLenum e = glGetError(); e != GL_NO_ERROR) {
        error = "GL error " + std::to_string(e);
        return false;
    }
    return true;
}

bool GlHarness::runPixel(const GlslStage& stage, const PixelInputs& in, PixelOutputs& out,
                         std::string& error) {
    int cubes = 0;
    for (const auto& [unit, tex] : in.textures)
        if (tex.cube) cubes |= 1 << unit;
    const std::string vs =
        "#version 330 core\n"
        "void main() {\n"
        "  vec2 p = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);\n"
        "  gl_Position = vec4(p, 0.5, 1.0);\n}\n";
    GLuint program = build(vs, pixelSource(stage, cubes), false, error);
    if (!program) return false;
    glUseProgram(program);
    glUniform4fv(glGetUniformLocation(program, "dx_pc"), 8, in.c[0].data());
    glUniform4fv(glGetUniformLocation(program, "dx_bumpMat"), 8, in.bumpMat[0].data());
    glUniform2fv(glGetUniformLocation(program, "dx_bumpLum"), 8, in.bumpLum[0].data());
    glUniform4fv(glGetUniformLocation(program, "h_iD0"), 1, in.d0.data());
    glUniform4fv(glGetUniformLocation(program, "h_iD1"), 1, in.d1.data());
    glUniform4fv(glGetUniformLocation(program, "h_iT"), 8, in.t[0].data());
    std::vector<GLuint> textures;
    for (unsigned unit = 0; unit < 8; ++unit) {
        glUniform1i(glGetUniformLocation(
                        program, gfx::shader::SamplerName(unit, SamplerKind::Texture2D).c_str()),
                    static_cast<GLint>(unit));
        glUniform1i(glGetUniformLocation(program,
                                         gfx::shader::SamplerName(unit, SamplerKind::Cube).c_str()),
                    static_cast<GLint>(gfx::shader::CubeUnit(unit)));
        auto it = in.textures.find(static_cast<int>(unit));
        if (it == in.textures.end()) continue;
        const TextureData& t = it->second;
        GLuint tex = 0;
        glGenTextures(1, &tex);
        textures.push_back(tex);
        glActiveTexture(GL_TEXTURE0 + (t.cube ? gfx::shader::CubeUnit(unit) : unit));
        const GLenum target = t.cube ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
        glBindTexture(target, tex);
        const size_t faceTexels = static_cast<size_t>(t.size) * t.size;
        for (int face = 0; face < (t.cube ? 6 : 1); ++face) {
            const GLenum image = t.cube ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : GL_TEXTURE_2D;
            glTexImage2D(image, 0, GL_RGBA32F, t.size, t.size, 0, GL_RGBA, GL_FLOAT,
                         t.texels.data() + face * faceTexels);
        }
        const GLint filter = t.linear ? GL_LINEAR : GL_NEAREST;
        glTexParameteri(target, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(target, GL_TEXTURE_MAG_FILTER, filter);
        glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(target, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    }
    glActiveTexture(GL_TEXTURE0);
    GLuint fbo = 0, color = 0, depth = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glGenRenderbuffers(1, &color);
    glBindRenderbuffer(GL_RENDERBUFFER, color);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA32F, 1, 1);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT32F, 1, 1);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    glViewport(0, 0, 1, 1);
    const float sentinel[4] = {-7.0f, -7.0f, -7.0f, -7.0f};
    glClearBufferfv(GL_COLOR, 0, sentinel);
    const float one = 1.0f;
    glClearBufferfv(GL_DEPTH, 0, &one);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glDisable(GL_DEPTH_TEST);
    float px[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_FLOAT, px);
    float d = 0;
    glReadPixels(0, 0, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &d);
    out.color = {px[0], px[1], px[2], px[3]};
    out.depth = d;
    out.killed = px[0] == -7.0f && px[3] == -7.0f;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glDeleteFramebuffers(1, &fbo);
    glDeleteRenderbuffers(1, &color);
    glDeleteRenderbuffers(1, &depth);
    glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
    glUseProgram(0);
    glDeleteProgram(program);
    if (GLenum e = glGetError(); e != GL_NO_ERROR) {
        error = "GL error " + std::to_string(e);
        return false;
    }
    return true;
}

TEST(GlHarnessTest, RunsAVertexAndAPixel) {
    GlHarness* gl = GlHarness::Get();
    if (!gl) GTEST_SKIP() << "no OpenGL 3.3 context available";
    GlslStage vs{"", "dx_oPos = dx_v0 * 2.0; dx_oFog = dx_vc[3].y;\n"};
    VertexInputs vin;
    vin.v[0] = {1, 2, 3, 4};
    vin.c[3] = {0, 0.25f, 0, 0};
    VertexOutputs vout;
    std::string error;
    ASSERT_TRUE(gl->runVertex(vs, vin, vout, error)) << error;
    EXPECT_EQ(vout.pos, (Vec4{2, 4, 6, 8}));
    EXPECT_FLOAT_EQ(vout.fog, 0.25f);
    GlslStage ps{"", "dx_oC0 = dx_pc[1] + dx_iT[2];\n"};
    PixelInputs pin;
    pin.c[1] = {0.5f, -2, 0, 1};
    pin.t[2] = {0.25f, 0, 0, 0};
    PixelOutputs pout;
    ASSERT_TRUE(gl->runPixel(ps, pin, pout, error)) << error;
    EXPECT_EQ(pout.color, (Vec4{0.75f, -2, 0, 1}));
    EXPECT_FLOAT_EQ(pout.depth, 0.75f);
}

}  // namespace shadertest
