#include "gfx/gl/ProgramCache.h"

#include "gfx/gl/GlLog.h"
#include "gfx/gl/ff/PixelStageGen.h"
#include "gfx/gl/ff/VertexStageGen.h"
#include "gfx/shader/GlslBuilder.h"

namespace gfx::gl {

namespace {

std::string ShaderLog(GLuint shader) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    return log.c_str();
}

std::string ProgramLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
    return log.c_str();
}

void BindBlock(GLuint program, const char* name, GLuint binding) {
    const GLuint index = glGetUniformBlockIndex(program, name);
    if (index != GL_INVALID_INDEX) glUniformBlockBinding(program, index, binding);
}

}  // namespace

void ProgramCache::destroy() {
    for (auto& [key, program] : programs_)
        if (program) glDeleteProgram(program);
    for (GLuint s : shaders_) glDeleteShader(s);
    programs_.clear();
    shaders_.clear();
    fixedVertex_.clear();
    fixedPixel_.clear();
}

CompiledShader ProgramCache::compile(GLenum type, const std::string& source,
                                     const std::string& what) {
    CompiledShader result;
    result.serial = nextSerial_++;
    ++stats_.compiles;
    GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        ++stats_.failures;
        ReportOnce(what + " does not compile: " + ShaderLog(shader));
        glDeleteShader(shader);
        return result;
    }
    shaders_.push_back(shader);
    result.id = shader;
    return result;
}

CompiledShader ProgramCache::compileVertex(const shader::GlslStage& stage,
                                           const std::string& what) {
    return compile(GL_VERTEX_SHADER, shader::BuildVertexSource(stage), what);
}

CompiledShader ProgramCache::compilePixel(const shader::GlslStage& stage,
                                          const shader::SamplerKinds& kinds,
                                          const std::string& what) {
    return compile(GL_FRAGMENT_SHADER, shader::BuildPixelSource(stage, kinds), what);
}

const CompiledShader& ProgramCache::fixedVertex(const ff::VertexKey& key) {
    auto it = fixedVertex_.find(key);
    if (it != fixedVertex_.end()) return it->second;
    CompiledShader s = compileVertex(ff::GenerateVertexStage(key), "fixed-function vertex stage");
    return fixedVertex_.emplace(key, s).first->second;
}

const CompiledShader& ProgramCache::fixedPixel(const ff::PixelKey& key) {
    auto it = fixedPixel_.find(key);
    if (it != fixedPixel_.end()) return it->second;
    CompiledShader s = compilePixel(ff::GeneratePixelStage(key), ff::PixelKinds(key),
                                    "fixed-function pixel stage");
    return fixedPixel_.emplace(key, s).first->second;
}

GLuint ProgramCache::link(const CompiledShader& vertex, const CompiledShader& pixel) {
    const uint64_t key = static_cast<uint64_t>(vertex.serial) << 32 | pixel.serial;
    auto it = programs_.find(key);
    if (it != programs_.end()) return it->second;
    if (!vertex.id || !pixel.id) {
        programs_.emplace(key, 0);
        return 0;
    }
    ++stats_.links;
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex.id);
    glAttachShader(program, pixel.id);
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        ++stats_.failures;
        ReportOnce("program does not link: " + ProgramLog(program));
        glDeleteProgram(program);
        programs_.emplace(key, 0);
        return 0;
    }
    glDetachShader(program, vertex.id);
    glDetachShader(program, pixel.id);
    BindBlock(program, shader::kVsConstantsBlock, shader::kBindingVsConstants);
    BindBlock(program, shader::kPsConstantsBlock, shader::kBindingPsConstants);
    BindBlock(program, shader::kCommonBlock, shader::kBindingCommon);
    BindBlock(program, shader::kFixedBlock, shader::kBindingFixed);
    // Stage N samples texture unit N, whichever kind its sampler has.
    glUseProgram(program);
    for (unsigned i = 0; i < 8; ++i) {
        for (auto kind : {shader::SamplerKind::Texture2D, shader::SamplerKind::Cube}) {
            const GLint loc = glGetUniformLocation(program, shader::SamplerName(i, kind).c_str());
            if (loc >= 0) glUniform1i(loc, static_cast<GLint>(i));
        }
    }
    programs_.emplace(key, program);
    return program;
}

}  // namespace gfx::gl
