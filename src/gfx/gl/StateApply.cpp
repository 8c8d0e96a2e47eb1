#include "gfx/gl/StateApply.h"

#include <cstring>

namespace gfx::gl {

GLenum GlCompare(DWORD c) {
    return c >= D3DCMP_NEVER && c <= D3DCMP_ALWAYS ? GL_NEVER + (c - D3DCMP_NEVER) : GL_ALWAYS;
}

GLenum GlStencilOp(DWORD op) {
    switch (op) {
        case D3DSTENCILOP_ZERO:
            return GL_ZERO;
        case D3DSTENCILOP_REPLACE:
            return GL_REPLACE;
        case D3DSTENCILOP_INCRSAT:
            return GL_INCR;
        case D3DSTENCILOP_DECRSAT:
            return GL_DECR;
        case D3DSTENCILOP_INVERT:
            return GL_INVERT;
        case D3DSTENCILOP_INCR:
            return GL_INCR_WRAP;
        case D3DSTENCILOP_DECR:
            return GL_DECR_WRAP;
        default:
            return GL_KEEP;
    }
}

GLenum GlBlendFactor(DWORD b) {
    switch (b) {
        case D3DBLEND_ZERO:
            return GL_ZERO;
        case D3DBLEND_ONE:
            return GL_ONE;
        case D3DBLEND_SRCCOLOR:
            return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR:
            return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA:
        case D3DBLEND_BOTHSRCALPHA:
            return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA:
        case D3DBLEND_BOTHINVSRCALPHA:
            return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA:
            return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA:
            return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR:
            return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR:
            return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT:
            return GL_SRC_ALPHA_SATURATE;
        default:
            return GL_ONE;
    }
}

namespace {

GLenum GlBlendOp(DWORD op) {
    switch (op) {
        case D3DBLENDOP_SUBTRACT:
            return GL_FUNC_SUBTRACT;
        case D3DBLENDOP_REVSUBTRACT:
            return GL_FUNC_REVERSE_SUBTRACT;
        case D3DBLENDOP_MIN:
            return GL_MIN;
        case D3DBLENDOP_MAX:
            return GL_MAX;
        default:
            return GL_FUNC_ADD;
    }
}

void Enable(GLenum cap, bool on) {
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

}  // namespace

void GlStateCache::apply(const DeviceState& state, const DrawContext& ctx) {
    const auto& rs = state.renderStates;
    const bool force = !valid_;
    valid_ = true;

    const bool blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    if (force || blend != blend_) Enable(GL_BLEND, blend_ = blend);
    if (blend) {
        GLenum src = GlBlendFactor(rs[D3DRS_SRCBLEND]);
        GLenum dst = GlBlendFactor(rs[D3DRS_DESTBLEND]);
        // The "both" factors set the destination factor themselves.
        if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA) dst = GL_ONE_MINUS_SRC_ALPHA;
        if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA) dst = GL_SRC_ALPHA;
        if (force || src != blendSrc_ || dst != blendDst_)
            glBlendFunc(blendSrc_ = src, blendDst_ = dst);
        const GLenum op = GlBlendOp(rs[D3DRS_BLENDOP]);
        if (force || op != blendOp_) glBlendEquation(blendOp_ = op);
    }

    const bool depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE && ctx.hasDepth;
    if (force || depthTest != depthTest_) Enable(GL_DEPTH_TEST, depthTest_ = depthTest);
    if (depthTest) {
        const bool write = rs[D3DRS_ZWRITEENABLE] != 0;
        if (force || write != depthWrite_) glDepthMask((depthWrite_ = write) ? GL_TRUE : GL_FALSE);
        const GLenum func = GlCompare(rs[D3DRS_ZFUNC]);
        if (force || func != depthFunc_) glDepthFunc(depthFunc_ = func);
    }

    const bool stencil = rs[D3DRS_STENCILENABLE] != 0 && ctx.hasDepth;
    if (force || stencil != stencil_) Enable(GL_STENCIL_TEST, stencil_ = stencil);
    if (stencil) {
        const GLenum func = GlCompare(rs[D3DRS_STENCILFUNC]);
        const GLint ref = static_cast<GLint>(rs[D3DRS_STENCILREF] & 0xFF);
        const GLuint mask = rs[D3DRS_STENCILMASK];
        if (force || func != stencilFunc_ || ref != stencilRef_ || mask != stencilMask_)
            glStencilFunc(stencilFunc_ = func, stencilRef_ = ref, stencilMask_ = mask);
        const GLuint writeMask = rs[D3DRS_STENCILWRITEMASK];
        if (force || writeMask != stencilWriteMask_) glStencilMask(stencilWriteMask_ = writeMask);
        const GLenum fail = GlStencilOp(rs[D3DRS_STENCILFAIL]);
        const GLenum zfail = GlStencilOp(rs[D3DRS_STENCILZFAIL]);
        const GLenum pass = GlStencilOp(rs[D3DRS_STENCILPASS]);
        if (force || fail != stencilFail_ || zfail != stencilZFail_ || pass != stencilPass_)
            glStencilOp(stencilFail_ = fail, stencilZFail_ = zfail, stencilPass_ = pass);
    }

    // With y flipped in clip space, triangles the original saw clockwise on screen have a
    // positive (counter-clockwise) area in GL window coordinates: GL's front faces.
    const DWORD cullMode = rs[D3DRS_CULLMODE];
    const bool cull = cullMode == D3DCULL_CW || cullMode == D3DCULL_CCW;
    if (force || cull != cull_) Enable(GL_CULL_FACE, cull_ = cull);
    if (cull) {
        const GLenum face = cullMode == D3DCULL_CW ? GL_FRONT : GL_BACK;
        if (force || face != cullFace_) glCullFace(cullFace_ = face);
    }

    uint32_t mask = rs[D3DRS_COLORWRITEENABLE] & 0xF;
    if (!ctx.targetHasAlpha) mask &= 0x7;
    if (force || mask != colorMask_) {
        colorMask_ = mask;
        glColorMask(mask & 1 ? GL_TRUE : GL_FALSE, mask & 2 ? GL_TRUE : GL_FALSE,
                    mask & 4 ? GL_TRUE : GL_FALSE, mask & 8 ? GL_TRUE : GL_FALSE);
    }

    const GLenum fill = rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                        : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                  : GL_FILL;
    if (force || fill != polygonMode_) glPolygonMode(GL_FRONT_AND_BACK, polygonMode_ = fill);

    const uint32_t clip = ctx.pretransformed ? 0 : rs[D3DRS_CLIPPLANEENABLE] & 0x3F;
    if (force || clip != clipMask_) {
        for (unsigned i = 0; i < D3DMAXUSERCLIPPLANES; ++i)
            if (force || ((clip ^ clipMask_) >> i) & 1u)
                Enable(GL_CLIP_DISTANCE0 + i, (clip >> i) & 1u);
        clipMask_ = clip;
    }
    if (force || ctx.pretransformed != depthClamp_)
        Enable(GL_DEPTH_CLAMP, depthClamp_ = ctx.pretransformed);

    const D3DVIEWPORT8& vp = state.viewport;
    if (force || vp.X != viewport_.X || vp.Y != viewport_.Y || vp.Width != viewport_.Width ||
        vp.Height != viewport_.Height) {
        viewport_ = vp;
        glViewport(static_cast<GLint>(vp.X), static_cast<GLint>(vp.Y),
                   static_cast<GLsizei>(vp.Width), static_cast<GLsizei>(vp.Height));
    }
    // Screen-space vertices carry their depth as it is.
    const float zNear = ctx.pretransformed ? 0.0f : vp.MinZ;
    const float zFar = ctx.pretransformed ? 1.0f : vp.MaxZ;
    if (force || zNear != depthNear_ || zFar != depthFar_)
        glDepthRange(depthNear_ = zNear, depthFar_ = zFar);
    const bool scissor =
        vp.X != 0 || vp.Y != 0 || vp.Width != ctx.targetWidth || vp.Height != ctx.targetHeight;
    if (force || !scissorValid_ || scissor != scissor_) Enable(GL_SCISSOR_TEST, scissor_ = scissor);
    if (scissor && (force || !scissorValid_ || vp.X != scissorRect_.X || vp.Y != scissorRect_.Y ||
                    vp.Width != scissorRect_.Width || vp.Height != scissorRect_.Height)) {
        scissorRect_ = vp;
        glScissor(static_cast<GLint>(vp.X), static_cast<GLint>(vp.Y),
                  static_cast<GLsizei>(vp.Width), static_cast<GLsizei>(vp.Height));
    }
    scissorValid_ = true;
}

void GlStateCache::prepareClear() {
    // The original cleared regardless of write masks; GL's clear honours them.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFFu);
    colorMask_ = 0xF;
    depthWrite_ = true;
    stencilWriteMask_ = 0xFFFFFFFFu;
}

// ------------------------------------------------------------------ samplers

SamplerCache::~SamplerCache() = default;

void SamplerCache::destroy() {
    for (auto& [key, id] : samplers_) glDeleteSamplers(1, &id);
    samplers_.clear();
}

namespace {

GLint Wrap(DWORD address) {
    switch (address) {
        case D3DTADDRESS_MIRROR:
        case D3DTADDRESS_MIRRORONCE:
            return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP:
            return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER:
            return GL_CLAMP_TO_BORDER;
        default:
            return GL_REPEAT;
    }
}

bool Linear(DWORD filter) { return filter >= D3DTEXF_LINEAR; }

}  // namespace

GLuint SamplerCache::get(const std::array<DWORD, D3DTSS_COUNT>& stage, bool oneLevel) {
    std::array<DWORD, D3DTSS_COUNT> t = stage;
    if (oneLevel) t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    const auto addr = [&](D3DTEXTURESTAGESTATETYPE s) { return static_cast<uint64_t>(t[s] & 7u); };
    const uint64_t lod = t[D3DTSS_MAXMIPLEVEL] & 0xFu;
    uint64_t key = addr(D3DTSS_ADDRESSU) | addr(D3DTSS_ADDRESSV) << 3 | addr(D3DTSS_ADDRESSW) << 6 |
                   static_cast<uint64_t>(Linear(t[D3DTSS_MAGFILTER])) << 9 |
                   static_cast<uint64_t>(Linear(t[D3DTSS_MINFILTER])) << 10 |
                   static_cast<uint64_t>(t[D3DTSS_MIPFILTER] & 3u) << 11 | lod << 13 |
                   static_cast<uint64_t>(t[D3DTSS_BORDERCOLOR]) << 17;
    const DWORD bias = t[D3DTSS_MIPMAPLODBIAS];
    auto it = samplers_.find({key, bias});
    if (it != samplers_.end()) return it->second;
    GLuint s = 0;
    glGenSamplers(1, &s);
    glSamplerParameteri(s, GL_TEXTURE_WRAP_S, Wrap(t[D3DTSS_ADDRESSU]));
    glSamplerParameteri(s, GL_TEXTURE_WRAP_T, Wrap(t[D3DTSS_ADDRESSV]));
    glSamplerParameteri(s, GL_TEXTURE_WRAP_R, Wrap(t[D3DTSS_ADDRESSW]));
    glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER,
                        Linear(t[D3DTSS_MAGFILTER]) ? GL_LINEAR : GL_NEAREST);
    const bool minLinear = Linear(t[D3DTSS_MINFILTER]);
    GLint minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
    if (t[D3DTSS_MIPFILTER] == D3DTEXF_POINT)
        minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else if (t[D3DTSS_MIPFILTER] >= D3DTEXF_LINEAR)
        minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, minFilter);
    const DWORD c = t[D3DTSS_BORDERCOLOR];
    const float border[4] = {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f,
                             (c & 0xFF) / 255.0f, ((c >> 24) & 0xFF) / 255.0f};
    glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, border);
    glSamplerParameterf(s, GL_TEXTURE_MIN_LOD, static_cast<float>(lod));
    glSamplerParameterf(s, GL_TEXTURE_LOD_BIAS, DWORDToFloat(bias));
    samplers_.emplace(std::make_pair(key, bias), s);
    return s;
}

const char* UnemulatedRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    static const char* const kWrap[8] = {"D3DRS_WRAP0", "D3DRS_WRAP1", "D3DRS_WRAP2",
                                         "D3DRS_WRAP3", "D3DRS_WRAP4", "D3DRS_WRAP5",
                                         "D3DRS_WRAP6", "D3DRS_WRAP7"};
    if (state >= D3DRS_WRAP0 && state <= D3DRS_WRAP7)
        return value ? kWrap[state - D3DRS_WRAP0] : nullptr;
    switch (state) {
        case D3DRS_ZBIAS:
            return value ? "D3DRS_ZBIAS" : nullptr;
        case D3DRS_VERTEXBLEND:
            return value ? "D3DRS_VERTEXBLEND" : nullptr;
        case D3DRS_INDEXEDVERTEXBLENDENABLE:
            return value ? "D3DRS_INDEXEDVERTEXBLENDENABLE" : nullptr;
        case D3DRS_LINEPATTERN:
            return (value & 0xFFFFu) ? "D3DRS_LINEPATTERN" : nullptr;  // repeat 0: solid
        case D3DRS_PATCHEDGESTYLE:
            return value ? "D3DRS_PATCHEDGESTYLE" : nullptr;
        default:
            return nullptr;
    }
}

const char* UnemulatedStageState(D3DTEXTURESTAGESTATETYPE, DWORD) { return nullptr; }

}  // namespace gfx::gl
