#include "effects/overlays/Credits.h"

#include <algorithm>
#include <cmath>

namespace effects {

float CreditSpread(float elapsed) { return std::max(1.0f - elapsed * 0.0125f, 0.0f) * 100.0f; }

float CreditFade(float elapsed) {
    return elapsed <= 100.0f ? 1.0f : 1.0f - (elapsed - 100.0f) * 0.033333335f;
}

void DrawCredits(CreditTimers& timers, uint32_t position, std::span<const CreditPlace> places) {
    const size_t count = std::min<size_t>(places.size(), kCreditCount);
    for (size_t k = 0; k < count; ++k) {
        const CreditPlace& place = places[k];
        if (position <= place.startsAfter) continue;
        timing::SceneTimer& timer = timers[k];
        timer.Start();
        const float e = timer.elapsed;
        if (e < kCreditEnd)
            DrawSmeared(creditSprites[k], place.x, place.y, CreditSpread(e), CreditFade(e) * 0.05f);
        timer.Update();
    }
}

void DrawSmeared(PictureSprite& sprite, int x, int y, float spread, float alpha) {
    for (int i = 0; i < kSmearCopies; ++i) {
        sprite.x = (std::sin(static_cast<float>(i)) * spread + static_cast<float>(x)) * ScreenScale;
        sprite.y = static_cast<float>(y) * ScreenScale;
        sprite.alpha = alpha;
        sprite.Draw();
    }
}

}  // namespace effects
