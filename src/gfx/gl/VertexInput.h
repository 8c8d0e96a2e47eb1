// Vertex input: one vertex array object whose attributes follow the current layout and
// stream bindings, re-pointed only when either changes, and the bounds checks that keep a
// draw from reading past the end of a buffer.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <string>

#include "gfx/StateDevice.h"
#include "gfx/gl/GlResources.h"

namespace gfx::gl {

class VertexInput {
  public:
    void create();
    void destroy();

    // Uploads the streams the layout reads and points the attributes at them. False, with
    // `error`, when a stream is unbound or its stride is 0.
    bool bind(const VertexLayout& layout, const std::array<StreamSource, kMaxStreams>& streams,
              UploadStats& stats, std::string& error);
    // Binds (and uploads) the index buffer.
    GlBuffer& bindIndices(IndexBuffer& indices, UploadStats& stats);

    // Number of vertices every stream of the bound layout can supply.
    UINT vertexLimit() const { return vertexLimit_; }

    // Forget what is bound (after the buffers were touched from elsewhere).
    void invalidate();

  private:
    GLuint vao_ = 0;
    const VertexLayout* layout_ = nullptr;
    std::array<GLuint, kMaxStreams> buffers_{};
    std::array<UINT, kMaxStreams> strides_{};
    std::array<UINT, kMaxStreams> sizes_{};
    uint32_t enabled_ = 0;
    GLuint elementBuffer_ = 0;
    UINT vertexLimit_ = 0;
};

// Largest index in [start, start + count) of a 16-bit index buffer, cached per buffer
// version so a range drawn every frame is scanned once. False when the range lies outside.
bool MaxIndex(const IndexBuffer& indices, GlBuffer& gl, UINT start, UINT count, uint16_t& max);

}  // namespace gfx::gl
