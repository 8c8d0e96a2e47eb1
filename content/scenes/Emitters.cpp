#include "content/scenes/Emitters.h"

#include <cstring>
#include <stdexcept>

namespace content::scenes {

std::vector<uint8_t> EncodeEmitter(const EmitterDesc& e) {
    if (e.texture.empty() || e.texture.size() > 15 || e.texture.find('\0') != std::string::npos)
        throw std::invalid_argument("emitter " + e.object + ": texture name must be 1..15 chars");
    if (e.count == 0) throw std::invalid_argument("emitter " + e.object + ": no particles");
    std::vector<uint8_t> out;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto f32 = [&](float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        u32(v);
    };
    u32(e.count);
    f32(e.spread);
    f32(e.life);
    f32(e.speed);
    f32(e.pointSize);
    out.push_back(e.red);
    out.push_back(e.green);
    out.push_back(e.blue);
    out.push_back(e.alpha);
    f32(e.startFrame);
    f32(e.endFrame);
    out.insert(out.end(), e.texture.begin(), e.texture.end());
    out.push_back(0);
    return out;
}

}  // namespace content::scenes
