// Device lifetime, creation of programs, capabilities and the factories.
#include "gfx/gl/GlRenderDevice.h"

#include "gfx/gl/GlLog.h"

namespace gfx::gl {

namespace {

// The device whose context is current on this thread.
thread_local GlRenderDevice* currentDevice = nullptr;

}  // namespace

GlRenderDevice::GlRenderDevice(std::unique_ptr<GlContext> context, const DeviceParams& params,
                               const DeviceOptions& options)
    : Device(params), context_(std::move(context)), options_(options) {}

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

void GlRenderDevice::finish() {
    ensureCurrent();
    glFinish();
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

HRESULT GlRenderDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (const char* name = UnemulatedRenderState(state, value))
        ReportOnce(std::string(name) + " = " + std::to_string(value) + " is not emulated");
    return StateDevice::SetRenderState(state, value);
}

HRESULT GlRenderDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                             DWORD value) {
    if (const char* name = UnemulatedStageState(type, value))
        ReportOnce(std::string(name) + " = " + std::to_string(value) + " is not emulated");
    return StateDevice::SetTextureStageState(stage, type, value);
}

// Every program is translated here, once; a vertex program is compiled too. Draws compile the
// variants of pixel programs they need and link new pairs of stages.
HRESULT GlRenderDevice::OnCreateVertexShader(VertexShaderObject& obj,
                                             const shader::Program* program) {
    if (!program) return D3D_OK;  // a declaration for fixed-function processing
    ensureCurrent();
    auto stage = std::make_unique<ProgramStage>();
    stage->vertex = programs_.translateVertex(obj.function, *program, "vertex program");
    if (!stage->vertex.id) return E_FAIL;
    obj.backend = std::move(stage);
    return D3D_OK;
}

HRESULT GlRenderDevice::OnCreatePixelShader(PixelShaderObject& obj,
                                            const shader::Program& program) {
    ensureCurrent();
    auto stage = std::make_unique<ProgramStage>();
    stage->pixel = programs_.translatePixel(obj.function, program, "pixel program");
    if (!stage->pixel) return E_FAIL;
    obj.backend = std::move(stage);
    return D3D_OK;
}

// ------------------------------------------------------------------ factories

namespace {

std::unique_ptr<Device> Finish(std::unique_ptr<GlContext> context, const DeviceParams& params,
                               const DeviceOptions& options, std::string* error) {
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

std::unique_ptr<Device> CreateHeadlessDevice(const DeviceParams& params, std::string* error) {
    return Finish(CreateEglContext(error), params, DeviceOptions{}, error);
}

std::unique_ptr<Device> CreateWindowDevice(SDL_Window* window, const DeviceParams& params,
                                           const DeviceOptions& options, std::string* error) {
    return Finish(CreateSdlContext(window, options.swapInterval, error), params, options, error);
}

}  // namespace gfx::gl
