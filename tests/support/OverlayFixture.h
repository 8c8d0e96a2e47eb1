// Fixture for tests of the overlays and the timeline on a RecordingDevice: the process-wide
// device points at a fresh 800 x 600 recording device and the pack is a small one holding
// the content's programs and the synthetic pictures (support/ShowPack.h). Reports and fatal
// errors are recorded, not shown.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstring>
#include <memory>
#include <string>

#include "assets/PackArchive.h"
#include "effects/overlays/ScreenQuad.h"
#include "gfx/GlobalDevice.h"
#include "gfx/RecordingDevice.h"
#include "support/ReportCapture.h"
#include "support/ShowPack.h"

namespace testsupport {

// What one screen-space draw showed: its four vertices (stride 28), the stage-0 texture,
// pixel constant c0 and the blend states at the moment of the draw.
struct ScreenDraw {
    effects::ScreenVertex vertices[4] = {};
    gfx::BaseTexture* texture = nullptr;
    float c0[4] = {};
    DWORD pixelShader = 0;
    DWORD srcBlend = 0, destBlend = 0, blendEnable = 0;
};

class CapturingDevice : public gfx::RecordingDevice {
  public:
    using RecordingDevice::RecordingDevice;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) override {
        ScreenDraw d;
        const gfx::StreamSource& s = state().streams[0];
        if (s.buffer && s.stride == sizeof(effects::ScreenVertex) &&
            s.buffer->size() >= sizeof d.vertices)
            std::memcpy(d.vertices, s.buffer->data(), sizeof d.vertices);
        d.texture = state().textures[0];
        std::memcpy(d.c0, state().psConstants[0].data(), sizeof d.c0);
        d.pixelShader = state().pixelShader;
        d.srcBlend = state().renderStates[D3DRS_SRCBLEND];
        d.destBlend = state().renderStates[D3DRS_DESTBLEND];
        d.blendEnable = state().renderStates[D3DRS_ALPHABLENDENABLE];
        draws.push_back(d);
        return RecordingDevice::DrawPrimitive(type, startVertex, count);
    }
    std::vector<ScreenDraw> draws;
};

class OverlayFixture : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        packPath() =
            ::testing::TempDir() + "runeplay-overlays-" + std::to_string(getpid()) + ".dat";
        std::string error;
        ASSERT_TRUE(
            WriteOverlayPack(RUNEPLAY_TEST_DATA "/../../content/shaders", packPath(), &error))
            << error;
    }
    static void TearDownTestSuite() { std::remove(packPath().c_str()); }

    void SetUp() override {
        gfx::DeviceParams params;
        params.width = width_;
        params.height = height_;
        device_ = std::make_unique<CapturingDevice>(params);
        previous_ = RenderDevice;
        RenderDevice = device_.get();
        ASSERT_TRUE(assets::GlobalPack().Open(packPath()));
    }
    void TearDown() override { RenderDevice = previous_; }

    CapturingDevice& dev() { return *device_; }

    static std::string& packPath() {
        static std::string path;
        return path;
    }

    UINT width_ = 800, height_ = 600;
    ReportCapture reports_;
    std::unique_ptr<CapturingDevice> device_;
    gfx::RenderDevice* previous_ = nullptr;
};

}  // namespace testsupport
