#include "effects/objects/PointField.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "assets/TextureLoading.h"
#include "gfx/GlobalDevice.h"

namespace effects {

PointField pointField;

namespace {

constexpr UINT kBufferBytes = PointField::kPointCount * sizeof(PointFieldVertex);  // 40000

// The single-precision angles of point i.
struct PointAngles {
    float a, u, w, v;
};
inline PointAngles AnglesOf(UINT i) {
    const float a = static_cast<float>(i);
    return {a, 0.0024f * a, 0.25f * a, 0.005f * a};
}

}  // namespace

D3DXVECTOR3 PointField::Position(UINT i, float t, float amplitude) {
    const PointAngles p = AnglesOf(i);
    const double T1 = 0.012 * t, T2 = 0.02 * t;
    const double a = p.a;
    const double x = 20.0 * (std::sin(std::sin(0.125 * a)) + std::sin(p.u)) +
                     amplitude * std::sin(0.002 * a + T1);
    const double y =
        20.0 * (std::sin(std::cos(T2 + p.w)) + std::sin(T2 + p.u)) + amplitude * std::cos(p.v);
    const double z =
        20.0 * (std::sin(std::sin(p.w) + T2) + std::cos(p.u)) + amplitude * std::sin(p.v);
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

void PointField::buildTerms() {
    terms_.resize(kPointCount);
    termsAmplitude_ = amplitude;
    for (UINT i = 0; i < kPointCount; ++i) {
        const PointAngles p = AnglesOf(i);
        const double a = p.a;
        PointTerms& k = terms_[i];
        k.xFixed = 20.0 * (std::sin(std::sin(0.125 * a)) + std::sin(p.u));
        k.yFixed = amplitude * std::cos(p.v);
        k.zFixed = 20.0 * std::cos(p.u) + amplitude * std::sin(p.v);
        k.sinA = std::sin(0.002 * a);
        k.cosA = std::cos(0.002 * a);
        k.sinW = std::sin(p.w);
        k.cosW = std::cos(p.w);
        k.sinU = std::sin(p.u);
        k.cosU = std::cos(p.u);
        const double sw = std::sin(p.w);
        k.sinSW = std::sin(sw);
        k.cosSW = std::cos(sw);
    }
}

void PointField::computePositions(float t, PointFieldVertex* out) {
    if (terms_.size() != kPointCount || termsAmplitude_ != amplitude) buildTerms();
    // Every time-dependent angle is a fixed part plus T1 or T2: the sums of angles keep the
    // frame's work to one sine per point.
    const double T1 = 0.012 * t, T2 = 0.02 * t;
    const double s1 = std::sin(T1), c1 = std::cos(T1);
    const double s2 = std::sin(T2), c2 = std::cos(T2);
    const double amp = amplitude;
    for (UINT i = 0; i < kPointCount; ++i) {
        const PointTerms& k = terms_[i];
        const double slowX = k.sinA * c1 + k.cosA * s1;      // sin(0.002a + T1)
        const double cosT2W = c2 * k.cosW - s2 * k.sinW;     // cos(T2 + w)
        const double sinT2U = s2 * k.cosU + c2 * k.sinU;     // sin(T2 + u)
        const double sinSWT2 = k.sinSW * c2 + k.cosSW * s2;  // sin(sin w + T2)
        out[i].x = static_cast<float>(k.xFixed + amp * slowX);
        out[i].y = static_cast<float>(20.0 * (std::sin(cosT2W) + sinT2U) + k.yFixed);
        out[i].z = static_cast<float>(20.0 * sinSWT2 + k.zFixed);
        out[i].colour = kSpriteColour;
    }
}

void PointField::init() {
    texture = LoadJpegTexture("!textures\\point.jpg");
    vertexBuffer = nullptr;
    if (RenderDevice)
        RenderDevice->CreateVertexBuffer(kBufferBytes, D3DUSAGE_POINTS, kFvf, D3DPOOL_MANAGED,
                                         &vertexBuffer);
    pointSize = 3.5f;
    amplitude = 31.0f;
    buildTerms();
    scratch_.resize(kPointCount);
    BYTE* data = nullptr;
    if (vertexBuffer && SUCCEEDED(vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD))) {
        computePositions(0.0f, scratch_.data());
        std::memcpy(data, scratch_.data(), kBufferBytes);
        vertexBuffer->Unlock();
    }
}

void PointField::draw(float t) {
    IDirect3DDevice8& device = *RenderDevice;
    BYTE* data = nullptr;
    scratch_.resize(kPointCount);
    if (vertexBuffer && SUCCEEDED(vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD))) {
        computePositions(t, scratch_.data());
        std::memcpy(data, scratch_.data(), kBufferBytes);
        vertexBuffer->Unlock();
    }
    device.SetTransform(D3DTS_VIEW, &viewMatrix);
    device.SetTransform(D3DTS_PROJECTION, &projectionMatrix);
    device.SetTransform(D3DTS_WORLD, &worldMatrix);

    device.SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device.SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    device.SetRenderState(D3DRS_LIGHTING, FALSE);
    device.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.SetRenderState(D3DRS_POINTSIZE, FloatToDWORD(pointSize));
    device.SetRenderState(D3DRS_POINTSIZE_MIN, FloatToDWORD(1.5f));
    device.SetRenderState(D3DRS_POINTSCALE_A, FloatToDWORD(1.5f));
    device.SetRenderState(D3DRS_POINTSCALE_B, FloatToDWORD(1.5f));
    device.SetRenderState(D3DRS_POINTSCALE_C, FloatToDWORD(0.5f));
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);

    device.SetTexture(0, texture);
    for (DWORD stage = 1; stage < 4; ++stage) device.SetTexture(stage, nullptr);
    device.SetPixelShader(0);
    device.SetStreamSource(0, vertexBuffer, sizeof(PointFieldVertex));
    device.SetVertexShader(kFvf);
    if (vertexBuffer) device.DrawPrimitive(D3DPT_POINTLIST, 0, kPointCount);

    // The same points, recoloured for the line strip.
    if (vertexBuffer && SUCCEEDED(vertexBuffer->Lock(0, 0, &data, 0))) {
        for (UINT i = 0; i < kPointCount; ++i)
            std::memcpy(data + i * sizeof(PointFieldVertex) + offsetof(PointFieldVertex, colour),
                        &kLineColour, sizeof kLineColour);
        vertexBuffer->Unlock();
    }
    device.SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
    device.SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
    for (DWORD stage = 0; stage < 4; ++stage) device.SetTexture(stage, nullptr);
    device.SetPixelShader(0);
    device.SetStreamSource(0, vertexBuffer, sizeof(PointFieldVertex));
    device.SetVertexShader(kFvf);
    // 2498 segments: the strip joins points 0 to 2498.
    if (vertexBuffer) device.DrawPrimitive(D3DPT_LINESTRIP, 0, kPointCount - 2);

    device.SetRenderState(D3DRS_LIGHTING, TRUE);
    device.SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

}  // namespace effects
