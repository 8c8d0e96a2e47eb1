// Device lifetime, creation of programs, capabilities and the factories.
#include "gfx/gl/GlRenderDevice.h"

#include "gfx/gl/GlLog.h"
#include "gfx/shader/Translator.h"

namespace gfx::gl {

namespace {

// The device whose context is current on this thread.
thread_local GlRenderDevice* currentDevice = nullptr;

uint8_t KindsMask(const shader::SamplerKinds& kinds) {
    uint8_t mask = 0;
    for (unsigned i = 0; i < kinds.size(); ++i)
        if (kinds[i] == shader::SamplerKind::Cube) mask |= static_cast<uint8_t>(1u << i);
    return mask;
}

}  // namespace

GlRenderDevice::GlRenderDevice(std::unique_ptr<GlContext> context, const DeviceParams& params,
                               const DeviceOptions& options)
    : StateDevice(params), context_(std::move(context)), options_(options) {}

GlRenderDevice::~GlRenderDevice() {
    if (context_ && initialized_) {
        ensureCurrent();
        releaseBackendObjects();
        programs_.destroy();
        samplers_.destroy();
        vertexInput_.destroy();
        const GLuint buffers[] = {vsConstantsBuffer_, psConstantsBuffer_, commonBuffer_,
                                  fixedBuffer_};
        glDeleteBuffers(4, buffers);
        if (depthBuffer_) glDeleteRenderbuffers(1, &depthBuffer_);
        glFinish();
    }
    if (currentDevice == this) currentDevice = nullptr;
    context_.reset();
}

void GlRenderDevice::ensureCurrent() {
    if (currentDevice == this) return;
    context_->makeCurrent();
    currentDevice = this;
}

void GlRenderDevice::makeCurrent() {
    currentDevice = nullptr;
    ensureCurrent();
}

bool GlRenderDevice::initialize(std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!context_) return fail("no OpenGL context");
    makeCurrent();
    const int version = epoxy_gl_version();
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    renderer_ = renderer ? renderer : "unknown renderer";
    if (version < 33 || epoxy_is_desktop_gl() == 0)
        return fail("OpenGL 3.3 core is needed; " + renderer_ + " offers " +
                    std::to_string(version / 10) + "." + std::to_string(version % 10));
    initialized_ = true;

    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
    GLfloat range[2] = {1.0f, 64.0f};
    glGetFloatv(GL_ALIASED_POINT_SIZE_RANGE, range);
    maxPointSize_ = range[1];

    vertexInput_.create();
    GLuint buffers[4];
    glGenBuffers(4, buffers);
    vsConstantsBuffer_ = buffers[0];
    psConstantsBuffer_ = buffers[1];
    commonBuffer_ = buffers[2];
    fixedBuffer_ = buffers[3];
    const std::pair<GLuint, size_t> blocks[] = {
        {vsConstantsBuffer_, sizeof(DeviceState::vsConstants)},
        {psConstantsBuffer_, sizeof(DeviceState::psConstants)},
        {commonBuffer_, sizeof(shader::CommonBlock)},
        {fixedBuffer_, sizeof(ff::FixedBlock)}};
    const GLuint bindings[] = {shader::kBindingVsConstants, shader::kBindingPsConstants,
                               shader::kBindingCommon, shader::kBindingFixed};
    for (int i = 0; i < 4; ++i) {
        glBindBuffer(GL_UNIFORM_BUFFER, blocks[i].first);
        glBufferData(GL_UNIFORM_BUFFER, static_cast<GLsizeiptr>(blocks[i].second), nullptr,
                     GL_DYNAMIC_DRAW);
        glBindBufferBase(GL_UNIFORM_BUFFER, bindings[i], blocks[i].first);
    }

    glGenRenderbuffers(1, &depthBuffer_);
    growDepth(params().width, params().height);

    glEnable(GL_PROGRAM_POINT_SIZE);
    // gl_PointCoord's t runs down the picture, as sprite coordinates did.
    glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);
    glDisable(GL_DITHER);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);

    // A defined first picture: black, depth 1, stencil 0.
    bindTarget();
    glState_.prepareClear();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE)
        return fail("the back buffer cannot be rendered to (framebuffer status " +
                    std::to_string(status) + ")");
    return true;
}

std::string GlRenderDevice::description() const {
    return renderer_ + " / " + (context_ ? context_->description() : "no context");
}

DeviceStats GlRenderDevice::stats() const {
    DeviceStats s = stats_;
    s.programs = programs_.stats();
    return s;
}

HRESULT GlRenderDevice::GetDeviceCaps(DeviceCaps* caps) {
    HRESULT hr = StateDevice::GetDeviceCaps(caps);
    if (SUCCEEDED(hr)) {
        caps->MaxTextureWidth = static_cast<UINT>(maxTextureSize_);
        caps->MaxTextureHeight = static_cast<UINT>(maxTextureSize_);
    }
    return hr;
}

HRESULT GlRenderDevice::OnCreateVertexShader(VertexShaderObject& obj) {
    if (obj.function.empty()) return D3D_OK;  // a declaration for fixed-function processing
    shader::GlslStage stage;
    std::string error;
    if (!shader::TranslateVertexShader(obj.function.data(), obj.function.size(), stage, error)) {
        ReportOnce("vertex program not translated: " + error);
        return E_FAIL;
    }
    ensureCurrent();
    auto backend = std::make_unique<VertexProgramStage>();
    backend->shader = programs_.compileVertex(stage, "vertex program");
    if (!backend->shader.id) return E_FAIL;
    obj.backend = std::move(backend);
    return D3D_OK;
}

HRESULT GlRenderDevice::OnCreatePixelShader(PixelShaderObject& obj) {
    // Translated for plain 2D sampling now, so a program that cannot be used fails here;
    // other sampler kinds are translated when a draw first binds them.
    obj.backend = std::make_unique<PixelProgramStages>();
    ensureCurrent();
    const CompiledShader* first = pixelProgramStage(obj);
    if (!first || !first->id) {
        obj.backend.reset();
        return E_FAIL;
    }
    return D3D_OK;
}

const CompiledShader* GlRenderDevice::pixelProgramStage(PixelShaderObject& obj) {
    auto* stages = static_cast<PixelProgramStages*>(obj.backend.get());
    if (!stages) return nullptr;
    shader::SamplerKinds kinds{};
    for (unsigned i = 0; i < D3D_MAX_TEXTURE_STAGES; ++i) {
        const BaseTexture* t = state_.textures[i];
        kinds[i] = t && t->GetType() == D3DRTYPE_CUBETEXTURE ? shader::SamplerKind::Cube
                                                             : shader::SamplerKind::Texture2D;
    }
    // At creation nothing is known of the bindings: 2D throughout.
    if (!initialized_ || stages->byKinds.empty()) kinds.fill(shader::SamplerKind::Texture2D);
    const uint8_t mask = KindsMask(kinds);
    auto it = stages->byKinds.find(mask);
    if (it != stages->byKinds.end()) return &it->second;
    shader::GlslStage stage;
    std::string error;
    CompiledShader compiled;
    if (shader::TranslatePixelShader(obj.function.data(), obj.function.size(), kinds, stage, error))
        compiled = programs_.compilePixel(stage, kinds, "pixel program");
    else
        ReportOnce("pixel program not translated: " + error);
    return &stages->byKinds.emplace(mask, compiled).first->second;
}

// ------------------------------------------------------------------ factories

namespace {

std::unique_ptr<GlRenderDevice> Finish(std::unique_ptr<GlContext> context,
                                       const DeviceParams& params, const DeviceOptions& options,
                                       std::string* error) {
    if (!context) return nullptr;
    if (params.width == 0 || params.height == 0) {
        if (error) *error = "the back buffer must not be empty";
        return nullptr;
    }
    auto device = std::make_unique<GlRenderDevice>(std::move(context), params, options);
    if (!device->initialize(error)) return nullptr;
    return device;
}

}  // namespace

std::unique_ptr<GlRenderDevice> CreateHeadlessDevice(const DeviceParams& params,
                                                     std::string* error) {
    return Finish(CreateEglContext(error), params, DeviceOptions{}, error);
}

std::unique_ptr<GlRenderDevice> CreateWindowDevice(SDL_Window* window, const DeviceParams& params,
                                                   const DeviceOptions& options,
                                                   std::string* error) {
    return Finish(CreateSdlContext(window, options.swapInterval, error), params, options, error);
}

}  // namespace gfx::gl
