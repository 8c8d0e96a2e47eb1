// Compact keys of the fixed-function states that change the generated GLSL.
//
// Everything that only changes a value (matrices, colours, fog distances, the alpha
// reference...) travels in uniform blocks instead, so scenes that differ only in values
// share one program. Keys are byte arrays without padding: compared with memcmp, hashed
// over their bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gfx/StateDevice.h"
#include "gfx/VertexLayout.h"
#include "gfx/shader/GlslBuilder.h"

namespace gfx::gl::ff {

enum class TexGen : uint8_t { PassThrough = 0, Normal = 1, Position = 2, Reflection = 3 };
enum class ColorSource : uint8_t { Material = 0, Diffuse = 1, Specular = 2 };

constexpr unsigned kStages = D3D_MAX_TEXTURE_STAGES;
// Vertex fog without a vertex fog mode: the factor comes in the specular colour's alpha, as
// applications supplied it for lit or pre-transformed vertices.
constexpr uint8_t kFogFromSpecular = 4;

struct VertexKey {
    uint8_t inputsLow = 0, inputsHigh = 0;  // bit r: input register r is fed
    uint8_t pretransformed = 0;
    uint8_t lighting = 0;
    uint8_t lightCount = 0;
    std::array<uint8_t, 8> lightTypes{};  // D3DLIGHTTYPE of each active light
    uint8_t normalize = 0;
    uint8_t localViewer = 0;
    uint8_t specular = 0;  // D3DRS_SPECULARENABLE
    uint8_t diffuseSource = 0, ambientSource = 0, specularSource = 0, emissiveSource = 0;
    uint8_t fogMode = 0;  // vertex fog D3DFOG_* or kFogFromSpecular; 0: table fog or none
    uint8_t rangeFog = 0;
    uint8_t pointScale = 0;
    std::array<uint8_t, kStages> texCoord{};  // bits 0..2 set index, bits 4..5 TexGen
    // D3DTSS_TEXTURETRANSFORMFLAGS count (1..4; 0: no transform) in bits 0..2, and the
    // number of components the stage's coordinates arrive with (1..4) in bits 4..6.
    std::array<uint8_t, kStages> texTransform{};

    bool hasInput(unsigned reg) const {
        return ((reg < 8 ? inputsLow >> reg : inputsHigh >> (reg - 8)) & 1u) != 0;
    }
};

struct StageKey {
    uint8_t colorOp = 0, colorArg0 = 0, colorArg1 = 0, colorArg2 = 0;
    uint8_t alphaOp = 0, alphaArg0 = 0, alphaArg1 = 0, alphaArg2 = 0;
    uint8_t resultArg = 0;
    uint8_t texture = 0;  // 0 nothing bound, 1 2D texture, 2 cube texture
};

struct PixelKey {
    std::array<StageKey, kStages> stages{};
    uint8_t stageCount = 0;        // stages before the first COLOROP DISABLE
    uint8_t specularAdd = 0;       // D3DRS_SPECULARENABLE: add the specular colour at the end
    shader::PixelVariant variant;  // set per draw (PixelVariantFor); cubeStages stays 0
};

static_assert(sizeof(VertexKey) == 23 + 2 * kStages, "VertexKey must have no padding");
static_assert(sizeof(StageKey) == 10 && sizeof(PixelKey) == 10 * kStages + 2 + 8,
              "PixelKey must have no padding");

// Enabled lights in index order, at most 8, as the original pipeline lit with them.
size_t ActiveLights(const DeviceState& state, std::array<const D3DLIGHT8*, 8>& out);

VertexKey MakeVertexKey(const DeviceState& state, const VertexLayout& layout);
// The stage part of the key; the caller sets the variant for the draw. A stage with no
// texture whose operation reads D3DTA_TEXTURE passes the current colour (or alpha) on, as
// drivers do: keyed as SELECTARG1 of CURRENT.
PixelKey MakePixelKey(const DeviceState& state);

// Whether table fog measures eye depth w: only under a projection shaped like a perspective
// one (_34 = 1 and _44 = 0), and never for screen-space vertices, which give their z.
bool TableFogUsesEyeDepth(const DeviceState& state, bool pretransformed);

// The variant of a pixel stage a draw of `type` needs: fog, alpha test, points and the
// projective divides of the stages; the caller adds the cube stages of a program.
// `projection`: whether D3DTTFF_PROJECTED applies (fixed function and ps.1.0-1.3).
shader::PixelVariant PixelVariantFor(const DeviceState& state, D3DPRIMITIVETYPE type,
                                     bool pretransformed, bool projection);

template <typename Key>
bool SameKey(const Key& a, const Key& b) {
    return std::memcmp(&a, &b, sizeof(Key)) == 0;
}

template <typename Key>
size_t HashKey(const Key& key) {
    const auto* p = reinterpret_cast<const uint8_t*>(&key);
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < sizeof(Key); ++i) h = (h ^ p[i]) * 1099511628211ull;
    return static_cast<size_t>(h);
}

}  // namespace gfx::gl::ff
