#include "scene/Random.h"

namespace scene {

namespace {
uint32_t state = 1;
}

int RandomNumber() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

uint32_t RandomState() { return state; }
void SetRandomState(uint32_t s) { state = s; }

}  // namespace scene
