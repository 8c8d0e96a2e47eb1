#include "content/pictures/Lettering.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include <stb/stb_truetype.h>

namespace content::pictures {

namespace {

struct Font {
    std::vector<unsigned char> bytes;
    stbtt_fontinfo info{};
};

const char* FileOf(Face face) {
    switch (face) {
        case Face::Light:
            return "DejaVuSans-ExtraLight.ttf";
        case Face::Bold:
            return "DejaVuSans-Bold.ttf";
        default:
            return "DejaVuSans.ttf";
    }
}

Font LoadFont(Face face) {
    const char* env = std::getenv("KELVRA_FONT_DIR");
    std::string dir = env && *env ? env : kFontDir;
    if (dir.back() != '/') dir += '/';
    const std::string path = dir + FileOf(face);
    Font font;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw std::runtime_error("cannot open font " + path + " (install fonts-dejavu-core)");
    unsigned char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        font.bytes.insert(font.bytes.end(), chunk, chunk + n);
    bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) throw std::runtime_error("cannot read font " + path);
    int offset = font.bytes.size() >= 12 ? stbtt_GetFontOffsetForIndex(font.bytes.data(), 0) : -1;
    if (offset < 0 || !stbtt_InitFont(&font.info, font.bytes.data(), offset))
        throw std::runtime_error("font " + path + " is not a TrueType font stb_truetype can read");
    return font;
}

// Fonts load once per process; stbtt_fontinfo is only read afterwards, so producers running on
// several threads can share them. `info` points into `bytes`, whose heap block survives the moves.
const Font& GetFont(Face face) {
    static Font fonts[3];
    static std::once_flag once[3];
    const int i = static_cast<int>(face);
    std::call_once(once[i], [&] { fonts[i] = LoadFont(face); });
    return fonts[i];
}

// Code points of UTF-8 text; a malformed byte stands for itself (Latin-1), never skipped.
std::vector<int> Decode(std::string_view text) {
    std::vector<int> cps;
    for (size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        bool ok = len > 0 && i + len <= text.size();
        int cp = len == 1 ? b : len == 2 ? b & 0x1F : len == 3 ? b & 0x0F : b & 0x07;
        for (int k = 1; ok && k < len; ++k) {
            unsigned char c = static_cast<unsigned char>(text[i + k]);
            ok = (c >> 6) == 2;
            cp = (cp << 6) | (c & 0x3F);
        }
        cps.push_back(ok ? cp : b);
        i += ok ? len : 1;
    }
    return cps;
}

}  // namespace

Text SetText(std::string_view text, Face face, float size, float tracking, int pad) {
    const Font& font = GetFont(face);
    const stbtt_fontinfo* info = &font.info;
    const float scale = stbtt_ScaleForMappingEmToPixels(info, size);
    int ascent, descent, lineGap;
    stbtt_GetFontVMetrics(info, &ascent, &descent, &lineGap);
    int capX0, capY0, capX1, capY1;
    stbtt_GetCodepointBox(info, 'H', &capX0, &capY0, &capX1, &capY1);

    // Pen positions first, so the mask can be sized exactly.
    const std::vector<int> cps = Decode(text);
    std::vector<float> pens;
    float pen = 0.0f;
    for (size_t i = 0; i < cps.size(); ++i) {
        pens.push_back(pen);
        int advance, bearing;
        stbtt_GetCodepointHMetrics(info, cps[i], &advance, &bearing);
        pen += advance * scale + tracking * size;
        if (i + 1 < cps.size())
            pen += scale * stbtt_GetCodepointKernAdvance(info, cps[i], cps[i + 1]);
    }
    if (!cps.empty()) pen -= tracking * size;

    Text out;
    const float asc = ascent * scale, desc = -descent * scale;
    out.baseline = pad + std::ceil(asc);
    out.capHeight = capY1 * scale;
    // Glyph ink may overhang the advance box a little on either side.
    const int overhang = static_cast<int>(std::ceil(size * 0.2f));
    const int originX = pad + overhang;
    out.mask = Plane(static_cast<int>(std::ceil(pen)) + 2 * (pad + overhang),
                     static_cast<int>(std::ceil(asc) + std::ceil(desc)) + 2 * pad);
    out.inkLeft = 1e9f;
    out.inkRight = -1e9f;
    std::vector<unsigned char> glyph;
    for (size_t i = 0; i < cps.size(); ++i) {
        const int cp = cps[i];
        float x = originX + pens[i];
        float ix = std::floor(x);
        float shift = x - ix;
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBoxSubpixel(info, cp, scale, scale, shift, 0.0f, &x0, &y0, &x1,
                                            &y1);
        int gw = x1 - x0, gh = y1 - y0;
        if (gw <= 0 || gh <= 0) continue;
        glyph.assign(static_cast<size_t>(gw) * gh, 0);
        stbtt_MakeCodepointBitmapSubpixel(info, glyph.data(), gw, gh, gw, scale, scale, shift, 0.0f,
                                          cp);
        int left = static_cast<int>(ix) + x0;
        int top = static_cast<int>(out.baseline) + y0;
        for (int gy = 0; gy < gh; ++gy) {
            int my = top + gy;
            if (my < 0 || my >= out.mask.h) continue;
            for (int gx = 0; gx < gw; ++gx) {
                int mx = left + gx;
                if (mx < 0 || mx >= out.mask.w) continue;
                float a = glyph[static_cast<size_t>(gy) * gw + gx] * (1.0f / 255.0f);
                float& m = out.mask.at(mx, my);
                if (a > m) m = a;
                if (a > 0.0f) {
                    out.inkLeft = std::min(out.inkLeft, static_cast<float>(mx));
                    out.inkRight = std::max(out.inkRight, static_cast<float>(mx + 1));
                }
            }
        }
    }
    if (out.inkLeft > out.inkRight) out.inkLeft = out.inkRight = out.mask.w * 0.5f;
    return out;
}

void AddGlowingText(Canvas& c, const Text& t, int left, int top, Rgb core, Rgb glow,
                    float glowSigma) {
    const int margin = static_cast<int>(std::ceil(glowSigma * 3.0f));
    Plane halo(t.mask.w + 2 * margin, t.mask.h + 2 * margin);
    for (int y = 0; y < t.mask.h; ++y)
        for (int x = 0; x < t.mask.w; ++x) halo.at(x + margin, y + margin) = t.mask.at(x, y);
    Blur(halo, glowSigma);
    AddMask(c, halo, left - margin, top - margin, glow);
    AddMask(c, t.mask, left, top, core);
}

}  // namespace content::pictures
