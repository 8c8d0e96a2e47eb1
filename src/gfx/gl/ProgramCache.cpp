#include "gfx/gl/ProgramCache.h"

#include "gfx/gl/GlLog.h"
#include "gfx/gl/ff/PixelStageGen.h"
#include "gfx/gl/ff/VertexStageGen.h"
#include "gfx/shader/Analysis.h"
#include "gfx/shader/GlslBuilder.h"
#include "gfx/shader/Translators.h"

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
    vertexPrograms_.clear();
    pixelPrograms_.clear();
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

CompiledShader ProgramCache::compilePixel(const shader::GlslStage& stage, const std::string& what,
                                          const shader::PixelVariant& variant) {
    return compile(GL_FRAGMENT_SHADER, shader::BuildPixelSource(stage, variant), what);
}

size_t ProgramCache::TokensHash::operator()(const std::vector<DWORD>& t) const {
    uint64_t h = 1469598103934665603ull;  // FNV-1a over the tokens
    for (DWORD v : t) h = (h ^ v) * 1099511628211ull;
    return static_cast<size_t>(h);
}

CompiledShader ProgramCache::translateVertex(const std::vector<DWORD>& tokens,
                                             const shader::Program& program,
                                             const std::string& what) {
    if (auto it = vertexPrograms_.find(tokens); it != vertexPrograms_.end()) {
        ++stats_.shared;
        return it->second;
    }
    ++stats_.translations;
    shader::GlslStage stage;
    std::string error;
    CompiledShader result;
    if (shader::TranslateVertexProgram(program, stage, error)) {
        result = compileVertex(stage, what);
    } else {
        ++stats_.failures;
        ReportOnce(what + " not translated: " + error);
        result.serial = nextSerial_++;
    }
    vertexPrograms_.emplace(tokens, result);
    return result;
}

PixelProgram* ProgramCache::translatePixel(const std::vector<DWORD>& tokens,
                                           const shader::Program& program,
                                           const std::string& what) {
    if (auto it = pixelPrograms_.find(tokens); it != pixelPrograms_.end()) {
        ++stats_.shared;
        return it->second.get();
    }
    ++stats_.translations;
    auto result = std::make_unique<PixelProgram>();
    std::string error;
    if (shader::TranslatePixelProgram(program, result->stage, error)) {
        result->what = what;
        result->sampledStages = shader::Analyze(program).stagesSampled;
        result->honoursProjection = program.version.number() < 0x0104;
    } else {
        ++stats_.failures;
        ReportOnce(what + " not translated: " + error);
        result.reset();
    }
    return pixelPrograms_.emplace(tokens, std::move(result)).first->second.get();
}

const CompiledShader& ProgramCache::pixelVariant(PixelProgram& program,
                                                 const shader::PixelVariant& variant) {
    const uint64_t key = variant.bits();
    auto it = program.variants.find(key);
    if (it != program.variants.end()) return it->second;
    ++stats_.variants;
    CompiledShader s = compilePixel(program.stage, program.what, variant);
    return program.variants.emplace(key, s).first->second;
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
    CompiledShader s =
        compilePixel(ff::GeneratePixelStage(key), "fixed-function pixel stage", key.variant);
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
    // Stage N's 2D sampler reads unit N, its cube sampler unit CubeUnit(N).
    glUseProgram(program);
    for (unsigned i = 0; i < 8; ++i) {
        const GLint flat = glGetUniformLocation(
            program, shader::SamplerName(i, shader::SamplerKind::Texture2D).c_str());
        if (flat >= 0) glUniform1i(flat, static_cast<GLint>(i));
        const GLint cube = glGetUniformLocation(
            program, shader::SamplerName(i, shader::SamplerKind::Cube).c_str());
        if (cube >= 0) glUniform1i(cube, static_cast<GLint>(shader::CubeUnit(i)));
    }
    programs_.emplace(key, program);
    return program;
}

}  // namespace gfx::gl
