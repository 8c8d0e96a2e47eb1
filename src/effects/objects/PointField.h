// The point field: 2500 points on fixed sums of nested sines and cosines of their index and a
// time value, drawn as additive, distance-scaled point sprites and then as one red line strip
// through the same points. The ring scene owns the one instance.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/RenderDevice.h"
#include "scene/D3DXMath.h"

namespace effects {

// One vertex of the field (FVF D3DFVF_XYZ | D3DFVF_DIFFUSE).
struct PointFieldVertex {
    float x, y, z;
    D3DCOLOR colour;
};
static_assert(sizeof(PointFieldVertex) == 16);

class PointField {
  public:
    static constexpr UINT kPointCount = 2500;
    static constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    static constexpr D3DCOLOR kSpriteColour = 0x5F5F5F5F;
    static constexpr D3DCOLOR kLineColour = 0x00F00000;

    virtual ~PointField() = default;

    gfx::Texture* texture = nullptr;  // "!textures\point.jpg"
    gfx::VertexBuffer* vertexBuffer = nullptr;
    float pointSize = 0.0f;
    float amplitude = 0.0f;  // radius of the slow terms
    // Set by the owner before every draw.
    D3DXMATRIX worldMatrix, viewMatrix, projectionMatrix;

    // Loads the sprite picture, creates the buffer and fills it once (for time 0).
    void init();
    // Rewrites the buffer for time t and draws sprites, then the line strip.
    void draw(float t);

    // The position of point i at time t by the defining sums (the draw computes the same
    // values from per-point terms kept since init).
    static D3DXVECTOR3 Position(UINT i, float t, float amplitude = 31.0f);
    // Fills `out` (kPointCount vertices) for time t with the sprite colour.
    void computePositions(float t, PointFieldVertex* out);

  private:
    // The parts of every point's sums that do not depend on time, and the sines and cosines
    // of its time-dependent angles' fixed parts.
    struct PointTerms {
        double xFixed;        // 20 · (sin(sin(0.125a)) + sin u)
        double yFixed;        // amplitude · cos v
        double zFixed;        // 20 · cos u + amplitude · sin v
        double sinA, cosA;    // of 0.002a
        double sinW, cosW;    // of w
        double sinU, cosU;    // of u
        double sinSW, cosSW;  // of sin w
    };
    void buildTerms();
    std::vector<PointTerms> terms_;
    std::vector<PointFieldVertex> scratch_;  // the frame's vertices before they are copied
    float termsAmplitude_ = 0.0f;
};

extern PointField pointField;

}  // namespace effects
