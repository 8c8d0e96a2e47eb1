#include "content/pictures/Runes.h"

#include <algorithm>

#include "content/pictures/Noise.h"
#include "content/pictures/Paint.h"

namespace content::pictures {

std::vector<Stroke> MakeRune(uint32_t seed) {
    Rng rng(0x52554E45ULL ^ (static_cast<uint64_t>(seed) << 20));
    std::vector<Stroke> s;
    // Staves stand on columns; branches join a stave's node to a node on either side.
    const float cols[3] = {0.18f, 0.5f, 0.82f};
    const float rows[5] = {0.0f, 0.28f, 0.5f, 0.72f, 1.0f};
    const bool twin = rng.Unit() < 0.3f;
    const int staveCols[2] = {twin ? 0 : 1, 2};
    const int staves = twin ? 2 : 1;
    for (int i = 0; i < staves; ++i) {
        float x = cols[staveCols[i]];
        s.push_back({x, 0.0f, x, 1.0f});
    }
    const int branches = 1 + rng.Below(3);
    for (int b = 0; b < branches; ++b) {
        int stave = staveCols[rng.Below(staves)];
        int fromRow = rng.Below(4);
        int step = rng.Unit() < 0.5f ? 1 : -1;
        step *= 1 + rng.Below(2);
        int toRow = std::clamp(fromRow + step, 0, 4);
        int toCol = stave == 1 ? (rng.Unit() < 0.5f ? 0 : 2) : (stave == 0 ? 2 : 0);
        if (twin) toCol = stave == 0 ? 2 : 0;  // twin staves: branches bridge them
        Stroke st{cols[stave], rows[fromRow], cols[toCol], rows[toRow]};
        // Branches that are perfectly flat read as letters, not runes: tilt them.
        if (toRow == fromRow) st.y1 = rows[std::min(4, toRow + 1)];
        s.push_back(st);
        if (!twin && rng.Unit() < 0.35f) {
            // A mirrored partner branch makes the symmetric forms (arrows, crosses).
            s.push_back({cols[stave], st.y0, 2.0f * cols[stave] - st.x1, st.y1});
        }
    }
    return s;
}

float RuneDistance(const std::vector<Stroke>& rune, float x, float y, float left, float top,
                   float size) {
    float d = 1e30f;
    for (const Stroke& s : rune)
        d = std::min(d, SdSegment(x, y, left + s.x0 * size, top + s.y0 * size, left + s.x1 * size,
                                  top + s.y1 * size));
    return d;
}

}  // namespace content::pictures
