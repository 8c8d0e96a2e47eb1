// The draw path: bring GL in line with the device state, then draw.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "gfx/gl/GlLog.h"
#include "gfx/gl/GlRenderDevice.h"
#include "gfx/gl/ff/PixelStageGen.h"

namespace gfx::gl {

namespace {

uint64_t Now() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

GLenum GlPrimitive(D3DPRIMITIVETYPE type) {
    switch (type) {
        case D3DPT_POINTLIST:
            return GL_POINTS;
        case D3DPT_LINELIST:
            return GL_LINES;
        case D3DPT_LINESTRIP:
            return GL_LINE_STRIP;
        case D3DPT_TRIANGLESTRIP:
            return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN:
            return GL_TRIANGLE_FAN;
        default:
            return GL_TRIANGLES;
    }
}

void ColorToFloats(DWORD argb, float (&out)[4]) {
    out[0] = ((argb >> 16) & 0xFF) / 255.0f;
    out[1] = ((argb >> 8) & 0xFF) / 255.0f;
    out[2] = (argb & 0xFF) / 255.0f;
    out[3] = ((argb >> 24) & 0xFF) / 255.0f;
}

constexpr uint32_t kVertexKeyBits =
    kDirtyRenderState | kDirtyStageState | kDirtyLights | kDirtyVertexShader;
constexpr uint32_t kPixelKeyBits =
    kDirtyRenderState | kDirtyStageState | kDirtyTextures | kDirtyPixelShader;

}  // namespace

bool GlRenderDevice::resolveLayout() {
    layout_ = nullptr;
    vertexProgram_ = nullptr;
    const DWORD vs = state_.vertexShader;
    if (IsShaderHandle(vs)) {
        const VertexShaderObject* obj = vertexShaderObject(vs);
        if (!obj) return false;
        if (obj->failed) {
            ReportOnce("draw skipped: vertex shader " + std::to_string(vs) +
                       " failed at its creation");
            return false;
        }
        layout_ = &obj->layout;
        if (!obj->function.empty()) vertexProgram_ = obj;
        return true;
    }
    auto it = fvfLayouts_.find(vs);
    if (it == fvfLayouts_.end()) {
        VertexLayout layout;
        if (!LayoutFromFvf(vs, layout)) {
            ReportOnce("vertex format " + std::to_string(vs) + " is not supported");
            return false;
        }
        it = fvfLayouts_.emplace(vs, std::move(layout)).first;
    }
    layout_ = &it->second;
    return true;
}

void GlRenderDevice::activeUnit(unsigned unit) {
    if (activeUnit_ == unit) return;
    glActiveTexture(GL_TEXTURE0 + unit);
    activeUnit_ = unit;
}

void GlRenderDevice::syncTextures(uint32_t dirty) {
    for (unsigned i = 0; i < D3D_MAX_TEXTURE_STAGES; ++i) {
        Unit& u = units_[i];
        BaseTexture* tex = state_.textures[i];
        GLuint want2D = 0, wantCube = 0;
        if (tex) {
            // Upload on the unit the texture is bound to, so the binding it leaves is the one
            // recorded below.
            const bool cube = tex->GetType() == D3DRTYPE_CUBETEXTURE;
            activeUnit(cube ? shader::CubeUnit(i) : i);
            const GLuint before = cube ? u.textureCube : u.texture2D;
            GlTexture* gt = SyncTexture(*tex, stats_.uploads);
            if (gt && gt->target == GL_TEXTURE_CUBE_MAP) {
                wantCube = gt->id;
                if (before != gt->id) u.textureCube = ~0u;  // SyncTexture may have bound it
            } else if (gt) {
                want2D = gt->id;
                if (before != gt->id) u.texture2D = ~0u;
            }
        }
        if (u.texture2D != want2D) {
            activeUnit(i);
            glBindTexture(GL_TEXTURE_2D, want2D);
            u.texture2D = want2D;
        }
        if (u.textureCube != wantCube) {
            activeUnit(shader::CubeUnit(i));
            glBindTexture(GL_TEXTURE_CUBE_MAP, wantCube);
            u.textureCube = wantCube;
        }
        if (dirty & kDirtyStageState || !stageSamplers_[i]) {
            stageSamplers_[i] = samplers_.get(state_.stageStates[i]);
            oneLevelSamplers_[i] = samplers_.get(state_.stageStates[i], true);
        }
        const GLuint sampler =
            tex && tex->GetLevelCount() == 1 ? oneLevelSamplers_[i] : stageSamplers_[i];
        if (u.sampler != sampler) {
            glBindSampler(i, sampler);
            glBindSampler(shader::CubeUnit(i), sampler);
            u.sampler = sampler;
        }
    }
}

bool GlRenderDevice::selectProgram(uint32_t dirty, D3DPRIMITIVETYPE type) {
    const bool pretransformed = layout_->pretransformed && !vertexProgram_;
    if (vertexProgram_) {
        auto* stage = static_cast<const ProgramStage*>(vertexProgram_->backend.get());
        vertexStage_ = stage ? &stage->vertex : nullptr;
    } else if (!vertexStage_ || (dirty & kVertexKeyBits)) {
        const ff::VertexKey key = ff::MakeVertexKey(state_, *layout_);
        if (!vertexStage_ || !ff::SameKey(key, vertexKey_) || (dirty & kDirtyVertexShader)) {
            vertexKey_ = key;
            vertexStage_ = &programs_.fixedVertex(key);
        }
    }
    if (state_.pixelShader) {
        const PixelShaderObject* obj = pixelShaderObject(state_.pixelShader);
        if (obj && obj->failed) {
            ReportOnce("draw skipped: pixel shader " + std::to_string(state_.pixelShader) +
                       " failed at its creation");
            return false;
        }
        auto* stage = obj ? static_cast<const ProgramStage*>(obj->backend.get()) : nullptr;
        PixelProgram* program = stage ? stage->pixel : nullptr;
        if (!program) {
            pixelStage_ = nullptr;
        } else {
            shader::PixelVariant v =
                ff::PixelVariantFor(state_, type, pretransformed, program->honoursProjection);
            for (unsigned i = 0; i < D3D_MAX_TEXTURE_STAGES; ++i)
                if ((program->sampledStages >> i & 1u) && state_.textures[i] &&
                    state_.textures[i]->GetType() == D3DRTYPE_CUBETEXTURE)
                    v.cubeStages = static_cast<uint8_t>(v.cubeStages | 1u << i);
            if (!pixelStage_ || program != pixelProgram_ || !(v == pixelVariant_)) {
                pixelStage_ = &programs_.pixelVariant(*program, v);
                pixelProgram_ = program;
                pixelVariant_ = v;
            }
        }
    } else {
        const shader::PixelVariant v = ff::PixelVariantFor(state_, type, pretransformed, true);
        if (!pixelStage_ || pixelProgram_ || (dirty & kPixelKeyBits) || !(v == pixelKey_.variant)) {
            ff::PixelKey key = ff::MakePixelKey(state_);
            key.variant = v;
            if (!pixelStage_ || pixelProgram_ || !ff::SameKey(key, pixelKey_)) {
                pixelKey_ = key;
                pixelStage_ = &programs_.fixedPixel(key);
            }
            pixelProgram_ = nullptr;
        }
    }
    if (!vertexStage_ || !pixelStage_) return false;
    if (vertexStage_->serial != linkedVertex_ || pixelStage_->serial != linkedPixel_) {
        program_ = programs_.link(*vertexStage_, *pixelStage_);
        linkedVertex_ = vertexStage_->serial;
        linkedPixel_ = pixelStage_->serial;
        boundProgram_ = ~0u;  // linking may have bound it already
    }
    if (!program_) return false;
    if (boundProgram_ != program_) {
        glUseProgram(program_);
        boundProgram_ = program_;
        ++stats_.programBinds;
    }
    return true;
}

void GlRenderDevice::upload(GLuint buffer, const void* data, size_t bytes) {
    glBindBuffer(GL_UNIFORM_BUFFER, buffer);
    glBufferSubData(GL_UNIFORM_BUFFER, 0, static_cast<GLsizeiptr>(bytes), data);
    ++stats_.uniformUploads;
}

void GlRenderDevice::updateUniforms(uint32_t dirty, D3DPRIMITIVETYPE type) {
    const DeviceState& s = state_;
    const auto& rs = s.renderStates;
    if (dirty & kDirtyVsConstants)
        upload(vsConstantsBuffer_, s.vsConstants.data(), sizeof s.vsConstants);
    if (dirty & kDirtyPsConstants) {
        // Pixel program constants live in -1..1.
        float c[kMaxPixelShaderConstants][4];
        for (UINT r = 0; r < kMaxPixelShaderConstants; ++r)
            for (int k = 0; k < 4; ++k) c[r][k] = std::clamp(s.psConstants[r][k], -1.0f, 1.0f);
        upload(psConstantsBuffer_, c, sizeof c);
    }

    const int points = type != D3DPT_POINTLIST       ? 0
                       : rs[D3DRS_POINTSPRITEENABLE] ? static_cast<int>(shader::PointMode::Sprites)
                                                     : static_cast<int>(shader::PointMode::Points);
    if (commonValid_ && points == common_.modes[0] &&
        !(dirty & (kDirtyRenderState | kDirtyStageState | kDirtyClipPlanes | kDirtyRenderTarget |
                   kDirtyVertexShader | kDirtyViewport)))
        return updateFixed(dirty);
    shader::CommonBlock b;
    std::memset(&b, 0, sizeof b);
    for (unsigned i = 0; i < D3D_MAX_TEXTURE_STAGES; ++i) {
        const auto& t = s.stageStates[i];
        b.bumpMat[i][0] = DWORDToFloat(t[D3DTSS_BUMPENVMAT00]);
        b.bumpMat[i][1] = DWORDToFloat(t[D3DTSS_BUMPENVMAT01]);
        b.bumpMat[i][2] = DWORDToFloat(t[D3DTSS_BUMPENVMAT10]);
        b.bumpMat[i][3] = DWORDToFloat(t[D3DTSS_BUMPENVMAT11]);
        b.bumpLum[i][0] = DWORDToFloat(t[D3DTSS_BUMPENVLSCALE]);
        b.bumpLum[i][1] = DWORDToFloat(t[D3DTSS_BUMPENVLOFFSET]);
    }
    float tf[4];
    ColorToFloats(rs[D3DRS_TEXTUREFACTOR], tf);
    std::memcpy(b.tfactor, tf, sizeof tf);
    float fc[4];
    ColorToFloats(rs[D3DRS_FOGCOLOR], fc);
    std::memcpy(b.fogColor, fc, sizeof fc);
    const float start = DWORDToFloat(rs[D3DRS_FOGSTART]), end = DWORDToFloat(rs[D3DRS_FOGEND]);
    b.fogParams[0] = DWORDToFloat(rs[D3DRS_FOGDENSITY]);
    b.fogParams[1] = start;
    b.fogParams[2] = end;
    b.fogParams[3] = shader::FogScale(start, end);
    // Disabled planes become (0, 0, 0, 1), which keeps everything in front of the eye: some
    // drivers clip by every distance the shader writes, enabled or not.
    const DWORD clipMask =
        layout_->pretransformed && !vertexProgram_ ? 0 : rs[D3DRS_CLIPPLANEENABLE];
    for (unsigned p = 0; p < D3DMAXUSERCLIPPLANES; ++p) {
        if ((clipMask >> p) & 1u)
            std::memcpy(b.clipPlanes[p], s.clipPlanes[p].data(), sizeof b.clipPlanes[p]);
        else
            b.clipPlanes[p][3] = 1.0f;
    }
    const D3DVIEWPORT8& vp = s.viewport;
    b.viewport[0] = static_cast<float>(vp.Width);
    b.viewport[1] = static_cast<float>(vp.Height);
    b.viewport[2] = vp.Width ? 1.0f / b.viewport[0] : 0.0f;
    b.viewport[3] = vp.Height ? 1.0f / b.viewport[1] : 0.0f;
    b.viewOrigin[0] = static_cast<float>(vp.X);
    b.viewOrigin[1] = static_cast<float>(vp.Y);
    b.viewOrigin[2] = vp.MinZ;
    b.viewOrigin[3] = vp.MaxZ;
    b.pointParams[0] = DWORDToFloat(rs[D3DRS_POINTSIZE]);
    b.pointParams[1] = std::clamp(DWORDToFloat(rs[D3DRS_POINTSIZE_MIN]), 0.0f, maxPointSize_);
    b.pointParams[2] = std::clamp(DWORDToFloat(rs[D3DRS_POINTSIZE_MAX]), 0.0f, maxPointSize_);
    // Fog and the alpha test function are chosen when the pixel stage is built
    // (PixelVariant); the reference value is a value.
    b.modes[0] = points;
    b.modes[2] = static_cast<int>(rs[D3DRS_ALPHAREF] & 0xFF);
    if (!commonValid_ || std::memcmp(&b, &common_, sizeof b) != 0) {
        common_ = b;
        commonValid_ = true;
        upload(commonBuffer_, &common_, sizeof common_);
    }

    updateFixed(dirty);
}

void GlRenderDevice::updateFixed(uint32_t dirty) {
    // Values a vertex program does not read still change meanwhile; catch up on return.
    if (dirty & (kDirtyTransforms | kDirtyLights | kDirtyMaterial | kDirtyRenderState))
        fixedStale_ = true;
    if (vertexProgram_ || !fixedStale_) return;
    fixedStale_ = false;
    ff::FixedBlock f;
    ff::FillFixedBlock(state_, f);
    if (!fixedValid_ || std::memcmp(&f, &fixed_, sizeof f) != 0) {
        fixed_ = f;
        fixedValid_ = true;
        upload(fixedBuffer_, &fixed_, sizeof fixed_);
    }
}

bool GlRenderDevice::prepareDraw(D3DPRIMITIVETYPE type) {
    ensureCurrent();
    const uint32_t dirty = this->dirty();
    if ((dirty & kDirtyVertexShader) || !layout_) {
        if (!resolveLayout()) return false;
    }
    if (boundColor_ != state_.renderTarget || boundDepth_ != state_.depthStencil) bindTarget();
    std::string error;
    if (!vertexInput_.bind(*layout_, state_.streams, stats_.uploads, error)) {
        ReportOnce("draw skipped: " + error);
        return false;
    }
    syncTextures(dirty);
    if (!selectProgram(dirty, type)) return false;
    updateUniforms(dirty, type);
    DrawContext ctx;
    ctx.targetHasAlpha = targetHasAlpha_;
    ctx.pretransformed = layout_->pretransformed && !vertexProgram_;
    ctx.hasDepth = state_.depthStencil != nullptr;
    ctx.targetWidth = boundColorSize_[0];
    ctx.targetHeight = boundColorSize_[1];
    glState_.apply(state_, ctx);
    clearDirty();
    return true;
}

HRESULT GlRenderDevice::OnDrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) {
    if (discarding()) return D3D_OK;
    const UINT vertices = VertexCountFor(type, count);
    const uint64_t t0 = timing_ ? Now() : 0;
    if (!prepareDraw(type)) {
        ++stats_.refusedDraws;
        return D3DERR_INVALIDCALL;
    }
    if (startVertex > vertexInput_.vertexLimit() ||
        vertices > vertexInput_.vertexLimit() - startVertex) {
        ReportOnce("draw skipped: vertices " + std::to_string(startVertex) + "+" +
                   std::to_string(vertices) + " run past the vertex buffer");
        ++stats_.refusedDraws;
        return D3DERR_INVALIDCALL;
    }
    const uint64_t t1 = timing_ ? Now() : 0;
    glDrawArrays(GlPrimitive(type), static_cast<GLint>(startVertex),
                 static_cast<GLsizei>(vertices));
    ++stats_.draws;
    if (timing_) {
        const uint64_t t2 = Now();
        stats_.prepareNanos += t1 - t0;
        stats_.drawCallNanos += t2 - t1;
    }
    return D3D_OK;
}

HRESULT GlRenderDevice::OnDrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT, UINT, UINT startIndex,
                                               UINT count) {
    if (discarding()) return D3D_OK;
    const UINT indices = VertexCountFor(type, count);
    IndexBuffer* ib = state_.indices;
    if (ib->format() != D3DFMT_INDEX16) {
        ReportOnce("draw skipped: only 16-bit indices are supported");
        ++stats_.refusedDraws;
        return D3DERR_INVALIDCALL;
    }
    const uint64_t t0 = timing_ ? Now() : 0;
    if (!prepareDraw(type)) {
        ++stats_.refusedDraws;
        return D3DERR_INVALIDCALL;
    }
    GlBuffer& gb = vertexInput_.bindIndices(*ib, stats_.uploads);
    uint16_t maxIndex = 0;
    if (!MaxIndex(*ib, gb, startIndex, indices, maxIndex) ||
        static_cast<uint64_t>(state_.baseVertexIndex) + maxIndex >= vertexInput_.vertexLimit()) {
        ReportOnce("draw skipped: indices " + std::to_string(startIndex) + "+" +
                   std::to_string(indices) + " (base " + std::to_string(state_.baseVertexIndex) +
                   ") reach past the index or vertex buffer");
        ++stats_.refusedDraws;
        return D3DERR_INVALIDCALL;
    }
    const uint64_t t1 = timing_ ? Now() : 0;
    glDrawElementsBaseVertex(GlPrimitive(type), static_cast<GLsizei>(indices), GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(static_cast<uintptr_t>(startIndex) * 2),
                             static_cast<GLint>(state_.baseVertexIndex));
    ++stats_.draws;
    if (timing_) {
        const uint64_t t2 = Now();
        stats_.prepareNanos += t1 - t0;
        stats_.drawCallNanos += t2 - t1;
    }
    return D3D_OK;
}

}  // namespace gfx::gl
