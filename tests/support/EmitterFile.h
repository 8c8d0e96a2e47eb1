// Writes emitter parameter files for tests and fuzz corpora: the fixed 32 bytes (particle
// count, spread, life, speed, point size, colour bytes, start and end frame), then the
// texture name and, unless told otherwise, its NUL.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace testsupport {

struct EmitterFile {
    uint32_t count = 4;
    float spread = 0.5f, life = 10, speed = 2, pointSize = 8;
    uint8_t red = 0x10, green = 0x20, blue = 0x30, alpha = 0x40;
    float start = 100, end = 200;
    std::string texture = "spark.jpg";
    bool terminated = true;

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out;
        auto u32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        auto f32 = [&](float f) {
            uint32_t v;
            std::memcpy(&v, &f, 4);
            u32(v);
        };
        u32(count);
        f32(spread);
        f32(life);
        f32(speed);
        f32(pointSize);
        out.insert(out.end(), {red, green, blue, alpha});
        f32(start);
        f32(end);
        out.insert(out.end(), texture.begin(), texture.end());
        if (terminated) out.push_back(0);
        return out;
    }
};

}  // namespace testsupport
