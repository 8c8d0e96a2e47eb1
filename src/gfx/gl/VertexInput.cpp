#include "gfx/gl/VertexInput.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace gfx::gl {

void VertexInput::create() {
    glGenVertexArrays(1, &vao_);
    glBindVertexArray(vao_);
}

void VertexInput::destroy() {
    if (vao_) glDeleteVertexArrays(1, &vao_);
    vao_ = 0;
}

void VertexInput::invalidate() {
    layout_ = nullptr;
    elementBuffer_ = 0;
}

namespace {

void Pointer(const VertexElement& e, UINT stride) {
    const auto* offset = reinterpret_cast<const void*>(static_cast<uintptr_t>(e.offset));
    const GLsizei s = static_cast<GLsizei>(stride);
    switch (e.type) {
        case D3DVSDT_FLOAT1:
        case D3DVSDT_FLOAT2:
        case D3DVSDT_FLOAT3:
        case D3DVSDT_FLOAT4:
            glVertexAttribPointer(e.reg, static_cast<GLint>(e.type) + 1, GL_FLOAT, GL_FALSE, s,
                                  offset);
            break;
        case D3DVSDT_D3DCOLOR:
            // B, G, R, A bytes in memory arrive as r, g, b, a in 0..1.
            glVertexAttribPointer(e.reg, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, offset);
            break;
        case D3DVSDT_UBYTE4:
            glVertexAttribPointer(e.reg, 4, GL_UNSIGNED_BYTE, GL_FALSE, s, offset);
            break;
        case D3DVSDT_SHORT2:
            glVertexAttribPointer(e.reg, 2, GL_SHORT, GL_FALSE, s, offset);
            break;
        case D3DVSDT_SHORT4:
            glVertexAttribPointer(e.reg, 4, GL_SHORT, GL_FALSE, s, offset);
            break;
    }
}

}  // namespace

bool VertexInput::bind(const VertexLayout& layout,
                       const std::array<StreamSource, kMaxStreams>& streams, UploadStats& stats,
                       std::string& error) {
    // Upload first: a stream that changed must reach GL even when the pointers stay.
    uint32_t usedStreams = 0;
    for (const VertexElement& e : layout.elements) usedStreams |= 1u << e.stream;
    std::array<GLuint, kMaxStreams> ids{};
    std::array<UINT, kMaxStreams> sizes{};
    for (UINT s = 0; s < kMaxStreams; ++s) {
        if (!(usedStreams & (1u << s))) continue;
        const StreamSource& src = streams[s];
        if (!src.buffer) {
            error = "stream " + std::to_string(s) + " has no vertex buffer";
            return false;
        }
        if (src.stride == 0) {
            error = "stream " + std::to_string(s) + " has stride 0";
            return false;
        }
        ids[s] = SyncBuffer(*src.buffer, GL_ARRAY_BUFFER, stats).id;
        sizes[s] = src.buffer->size();
    }
    bool same = layout_ == &layout;
    for (UINT s = 0; s < kMaxStreams && same; ++s) {
        if (!(usedStreams & (1u << s))) continue;
        same = buffers_[s] == ids[s] && strides_[s] == streams[s].stride && sizes_[s] == sizes[s];
    }
    if (same) return true;

    uint32_t enabled = 0;
    UINT limit = std::numeric_limits<UINT>::max();
    for (const VertexElement& e : layout.elements) {
        const UINT stride = streams[e.stream].stride;
        const UINT need = e.offset + VertexElementSize(e.type);
        limit = std::min(limit, sizes[e.stream] < need ? 0 : (sizes[e.stream] - need) / stride + 1);
        glBindBuffer(GL_ARRAY_BUFFER, ids[e.stream]);
        Pointer(e, stride);
        enabled |= 1u << e.reg;
    }
    for (GLuint r = 0; r < 16; ++r) {
        const bool want = (enabled >> r) & 1u, had = (enabled_ >> r) & 1u;
        if (want && !had) glEnableVertexAttribArray(r);
        if (!want && had) glDisableVertexAttribArray(r);
    }
    enabled_ = enabled;
    layout_ = &layout;
    buffers_ = ids;
    for (UINT s = 0; s < kMaxStreams; ++s) strides_[s] = streams[s].stride;
    sizes_ = sizes;
    vertexLimit_ = layout.elements.empty() ? 0 : limit;
    return true;
}

GlBuffer& VertexInput::bindIndices(IndexBuffer& indices, UploadStats& stats) {
    GlBuffer& gb = SyncBuffer(indices, GL_ELEMENT_ARRAY_BUFFER, stats);
    if (elementBuffer_ != gb.id) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gb.id);
        elementBuffer_ = gb.id;
    }
    return gb;
}

bool MaxIndex(const IndexBuffer& indices, GlBuffer& gl, UINT start, UINT count, uint16_t& max) {
    if (gl.checkedValid && gl.checkedVersion == indices.contentVersion() &&
        gl.checkedStart == start && gl.checkedCount == count) {
        max = gl.checkedMax;
        return true;
    }
    const UINT total = indices.size() / 2;
    if (start > total || count > total - start) return false;
    uint16_t m = 0;
    const uint8_t* p = indices.data() + static_cast<size_t>(start) * 2;
    for (UINT i = 0; i < count; ++i) {
        uint16_t v;
        std::memcpy(&v, p + 2 * static_cast<size_t>(i), 2);
        m = std::max(m, v);
    }
    gl.checkedValid = true;
    gl.checkedVersion = indices.contentVersion();
    gl.checkedStart = start;
    gl.checkedCount = count;
    gl.checkedMax = m;
    max = m;
    return true;
}

}  // namespace gfx::gl
