// Particle emitter parameter files: pack entry = scene folder + emitter object name + ".bin".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace content::scenes {

struct EmitterDesc {
    std::string object;    // the emitter object's name ("emitter01")
    uint32_t count = 200;  // particles
    float spread = 0.3f;   // sideways velocity range
    float life = 60;       // life range, in updates
    float speed = 4;       // distance per update per unit of velocity
    float pointSize = 16;  // pixels
    uint8_t red = 255, green = 255, blue = 255, alpha = 255;
    float startFrame = 0, endFrame = 100000;
    std::string texture;  // file name in the scene folder, used as written (at most 15 chars)
};

// Little-endian: count, spread, life, speed, point size, RGBA bytes, start, end, then the
// texture name with its terminating zero.
std::vector<uint8_t> EncodeEmitter(const EmitterDesc& e);

}  // namespace content::scenes
