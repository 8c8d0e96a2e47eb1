// How each texture format of the original API is stored in OpenGL, and the conversion of a
// level's system-memory bits into what glTexImage2D takes.
//
// Byte-order formats go up unchanged (A8R8G8B8 is B, G, R, A in memory: GL_BGRA bytes);
// formats without alpha read alpha as 1 through the texture swizzle. Signed bump formats
// become floating-point textures holding the values a lookup returns:
//   X8L8V8U8  ->  (U, V, L, 1) with U, V signed bytes mapped to -1..1 (byte / 127, -128
//                 clamped to -1) and L an unsigned byte mapped to 0..1;
//   V8U8      ->  (U, V, 1, 1);   Q8W8V8U8 -> (U, V, W, Q), all signed.
// So a plain texture lookup of a bump map returns signed offsets directly, for the
// fixed-function BUMPENVMAP stage and for pixel programs alike.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "gfx/Resources.h"

namespace gfx::gl {

struct GlFormat {
    GLenum internalFormat = 0;
    GLenum format = 0;
    GLenum type = 0;
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    bool signedToFloat = false;  // converted texel by texel into RGBA floats
};

// False for formats the back end cannot hold.
bool DescribeFormat(D3DFORMAT format, GlFormat& out);

// What a lookup of one texel returns (r, g, b, a), for the signed formats above.
void DecodeSignedTexel(D3DFORMAT format, const uint8_t* texel, float rgba[4]);

// The pixels to hand to glTexImage2D for one level: the surface's own bits, a converted
// copy in `scratch`, or zeros for a level that was never written.
const void* LevelPixels(const Surface& level, const GlFormat& format,
                        std::vector<uint8_t>& scratch);

}  // namespace gfx::gl
