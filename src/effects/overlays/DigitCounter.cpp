#include "effects/overlays/DigitCounter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assets/TextureLoading.h"
#include "gfx/GlobalDevice.h"

namespace effects {

DigitCounter digitCounter;

namespace {

// Removes the zeros that end the digits after the point in text[begin, end), keeping the
// point itself; returns the new end.
size_t TrimFraction(char* text, size_t begin, size_t end) {
    const char* dot = static_cast<const char*>(std::memchr(text + begin, '.', end - begin));
    if (!dot) return end;
    const size_t point = static_cast<size_t>(dot - text);
    while (end > point + 1 && text[end - 1] == '0') --end;
    return end;
}

}  // namespace

void FormatCounterText(float value, char (&text)[kCounterTextSize]) {
    std::memset(text, 0, sizeof text);
    const double v = value;
    if (!std::isfinite(v)) {
        std::snprintf(text, sizeof text, "%g", v);
        return;
    }
    if (v == 0.0) {
        std::snprintf(text, sizeof text, "%s0.", std::signbit(v) ? "-" : "");
        return;
    }
    // The exponent after rounding to seven significant digits decides the notation.
    char e[kCounterTextSize] = {};
    std::snprintf(e, sizeof e, "%.6e", v);
    const char* mark = std::strchr(e, 'e');
    const int exponent = mark ? std::atoi(mark + 1) : 0;
    if (exponent >= -1 && exponent < 7) {
        char f[kCounterTextSize * 2] = {};
        std::snprintf(f, sizeof f, "%.*f", 6 - exponent, v);
        size_t n = TrimFraction(f, 0, std::strlen(f));
        if (!std::memchr(f, '.', n)) f[n++] = '.';  // the point stays even without a fraction
        if (n >= sizeof text) n = sizeof text - 1;
        std::memcpy(text, f, n);
        return;
    }
    const size_t mantissaEnd = static_cast<size_t>(mark - e);
    const size_t n = TrimFraction(e, 0, mantissaEnd);
    std::snprintf(text, sizeof text, "%.*s%s", static_cast<int>(n), e, mark);
}

int CounterPictureIndex(char c) { return c >= '0' && c <= '9' ? c - '0' : 10; }

bool DigitCounter::Create() {
    if (!RenderDevice) return false;
    const float xy[4][2] = {{0, 0}, {32, 0}, {32, 32}, {0, 32}};
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i)
        quadTemplate[i] = {xy[i][0], xy[i][1], 1.0f, 1.0f, 0xFFFFFFFF, uv[i][0], uv[i][1]};
    vertexBuffer = nullptr;
    if (SUCCEEDED(RenderDevice->CreateVertexBuffer(kScreenQuadBytes, 0, kScreenVertexFvf,
                                                   D3DPOOL_MANAGED, &vertexBuffer)) &&
        vertexBuffer) {
        BYTE* data = nullptr;
        if (SUCCEEDED(vertexBuffer->Lock(0, 0, &data, 0))) {
            std::memcpy(data, quadTemplate, sizeof quadTemplate);
            vertexBuffer->Unlock();
        }
    } else {
        vertexBuffer = nullptr;
    }
    char name[] = "numbers\\0.bmp";
    for (int i = 0; i < 10; ++i) {
        name[8] = static_cast<char>('0' + i);
        pictures[i] = LoadImageTexture(name, D3DPOOL_DEFAULT);
    }
    pictures[10] = LoadImageTexture("numbers\\c.bmp", D3DPOOL_DEFAULT);
    return vertexBuffer != nullptr;
}

void DigitCounter::Draw(float x, float y, float value) {
    if (!RenderDevice || !vertexBuffer) return;
    IDirect3DDevice8& d = *RenderDevice;
    char text[kCounterTextSize];
    FormatCounterText(value, text);

    d.SetPixelShader(0);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_ZENABLE, FALSE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d.SetVertexShader(kScreenVertexFvf);
    d.SetStreamSource(0, vertexBuffer, sizeof(ScreenVertex));
    for (int i = 0; i < kCounterTextSize && text[i] != 0; ++i) {
        d.SetTexture(0, pictures[CounterPictureIndex(text[i])]);
        BYTE* data = nullptr;
        if (SUCCEEDED(vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD))) {
            auto* v = reinterpret_cast<ScreenVertex*>(data);
            for (int k = 0; k < 4; ++k) {
                v[k].x = x + 16.0f * static_cast<float>(i) + 0.5f * quadTemplate[k].x;
                v[k].y = y + 0.5f * quadTemplate[k].y;
            }
            vertexBuffer->Unlock();
        }
        d.DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    }
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_LIGHTING, TRUE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d.SetRenderState(D3DRS_ZENABLE, TRUE);
}

}  // namespace effects
