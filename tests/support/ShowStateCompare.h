// Two runs' states compared field by field, each difference reported by name.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "gfx/StateDevice.h"
#include "timeline/ShowState.h"

namespace testsupport {

inline void ExpectSameTimer(const timing::SceneTimer& a, const timing::SceneTimer& b,
                            const std::string& name) {
    EXPECT_EQ(a.running, b.running) << name;
    EXPECT_EQ(a.startTime, b.startTime) << name;
    EXPECT_EQ(a.nowTime, b.nowTime) << name;
    EXPECT_EQ(a.elapsed, b.elapsed) << name;
}

inline void ExpectSameParticles(const scene::SceneParticles& a, const scene::SceneParticles& b,
                                const std::string& name) {
    ASSERT_EQ(a.emitters.size(), b.emitters.size()) << name;
    for (size_t e = 0; e < a.emitters.size(); ++e) {
        ASSERT_EQ(a.emitters[e].size(), b.emitters[e].size()) << name << " emitter " << e;
        for (size_t i = 0; i < a.emitters[e].size(); ++i) {
            const scene::Particle &p = a.emitters[e][i], &q = b.emitters[e][i];
            const bool same = p.x == q.x && p.y == q.y && p.z == q.z && p.colour == q.colour &&
                              p.velocity[0] == q.velocity[0] && p.velocity[1] == q.velocity[1] &&
                              p.velocity[2] == q.velocity[2] && p.life == q.life;
            EXPECT_TRUE(same) << name << " emitter " << e << " particle " << i;
        }
    }
}

// `idleCutTimers`: whether the timers of cuts not yet shown count too (they hold only the
// clock reading of their loading).
inline void ExpectSameShowState(const timeline::ShowState& x, const timeline::ShowState& y,
                                bool idleCutTimers = true) {
    EXPECT_EQ(x.position, y.position);
    EXPECT_EQ(x.shotIndex, y.shotIndex);
    EXPECT_EQ(x.speedFactor, y.speedFactor);
    for (int i = 0; i < timeline::kCutCount; ++i) {
        EXPECT_EQ(x.cutPending[i], y.cutPending[i]) << "cut " << i;
        if (idleCutTimers || x.cutTimers[i].running || y.cutTimers[i].running)
            ExpectSameTimer(x.cutTimers[i], y.cutTimers[i], "cut timer " + std::to_string(i));
    }
    const std::pair<const char*, timing::SceneTimer timeline::ShowState::*> timers[] = {
        {"A", &timeline::ShowState::timerA},
        {"B", &timeline::ShowState::timerB},
        {"C", &timeline::ShowState::timerC},
        {"E", &timeline::ShowState::timerE},
        {"F", &timeline::ShowState::timerF},
        {"G", &timeline::ShowState::timerG},
        {"H", &timeline::ShowState::timerH},
        {"I", &timeline::ShowState::timerI},
        {"J", &timeline::ShowState::timerJ},
        {"people fade-out", &timeline::ShowState::peopleFadeOut},
        {"strength ramp", &timeline::ShowState::strengthRamp},
        {"fade", &timeline::ShowState::fadeTimer},
        {"ring glide", &timeline::ShowState::ringGlideTimer}};
    for (const auto& [name, timer] : timers)
        ExpectSameTimer(x.*timer, y.*timer, std::string("timer ") + name);
    for (size_t i = 0; i < effects::kFlashTimerCount; ++i)
        ExpectSameTimer(x.flashTimers[i], y.flashTimers[i], "flash " + std::to_string(i));
    for (size_t i = 0; i < effects::kCreditCount; ++i)
        ExpectSameTimer(x.creditTimers[i], y.creditTimers[i], "credit " + std::to_string(i));
    EXPECT_EQ(x.screen.screenCounter, y.screen.screenCounter);
    ExpectSameTimer(x.screen.clipTimer, y.screen.clipTimer, "screen clip");
    ExpectSameParticles(x.screen.particles, y.screen.particles, "screen");
    EXPECT_EQ(x.strength, y.strength);
    EXPECT_EQ(x.random.state, y.random.state);
    EXPECT_EQ(x.water.ambientColor, y.water.ambientColor);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(x.water.lightAttenuation[i], y.water.lightAttenuation[i]);
    ExpectSameParticles(x.water.particles, y.water.particles, "water");
    const timeline::FrameClock &c = x.frameClock, &d = y.frameClock;
    EXPECT_EQ(c.startTime, d.startTime);
    EXPECT_EQ(c.elapsedTicks, d.elapsedTicks);
    EXPECT_EQ(c.frameCount, d.frameCount);
    EXPECT_EQ(c.prevFrameCount, d.prevFrameCount);
    EXPECT_EQ(c.prevTime, d.prevTime);
    EXPECT_EQ(c.rateSum, d.rateSum);
    EXPECT_EQ(c.rateSamples, d.rateSamples);
    EXPECT_EQ(c.framesPerSecond, d.framesPerSecond);
}

inline void ExpectSameDeviceState(const gfx::DeviceState& a, const gfx::DeviceState& b) {
    EXPECT_EQ(a.renderStates, b.renderStates);
    EXPECT_EQ(a.stageStates, b.stageStates);
    EXPECT_EQ(a.textures, b.textures);
    auto same = [](const D3DMATRIX& m, const D3DMATRIX& n) {
        return std::memcmp(&m, &n, sizeof m) == 0;
    };
    EXPECT_TRUE(same(a.world, b.world));
    EXPECT_TRUE(same(a.view, b.view));
    EXPECT_TRUE(same(a.projection, b.projection));
    for (size_t i = 0; i < a.textureTransforms.size(); ++i)
        EXPECT_TRUE(same(a.textureTransforms[i], b.textureTransforms[i])) << "stage " << i;
    EXPECT_EQ(std::memcmp(&a.material, &b.material, sizeof a.material), 0);
    ASSERT_EQ(a.lights.size(), b.lights.size());
    for (size_t i = 0; i < a.lights.size(); ++i) {
        EXPECT_EQ(a.lights[i].set, b.lights[i].set) << "light " << i;
        EXPECT_EQ(a.lights[i].enabled, b.lights[i].enabled) << "light " << i;
        EXPECT_EQ(std::memcmp(&a.lights[i].light, &b.lights[i].light, sizeof(D3DLIGHT8)), 0)
            << "light " << i;
    }
    EXPECT_EQ(a.clipPlanes, b.clipPlanes);
    EXPECT_EQ(a.vertexShader, b.vertexShader);
    EXPECT_EQ(a.pixelShader, b.pixelShader);
    EXPECT_EQ(a.vsConstants, b.vsConstants);
    EXPECT_EQ(a.psConstants, b.psConstants);
    for (size_t i = 0; i < a.streams.size(); ++i) {
        EXPECT_EQ(a.streams[i].buffer, b.streams[i].buffer) << "stream " << i;
        EXPECT_EQ(a.streams[i].stride, b.streams[i].stride) << "stream " << i;
    }
    EXPECT_EQ(a.indices, b.indices);
    EXPECT_EQ(a.baseVertexIndex, b.baseVertexIndex);
    EXPECT_EQ(a.renderTarget, b.renderTarget);
    EXPECT_EQ(a.depthStencil, b.depthStencil);
    EXPECT_EQ(std::memcmp(&a.viewport, &b.viewport, sizeof a.viewport), 0);
}

}  // namespace testsupport
