#include "effects/objects/RenderTarget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/GlobalDevice.h"
#include "gfx/RecordingDevice.h"
#include "support/GlTestDevice.h"

namespace {

using effects::NestedRenderTarget;
using effects::RenderTarget;

// Points the process-wide device at `device` for one test.
class DeviceScope {
  public:
    explicit DeviceScope(gfx::RenderDevice* device) : previous_(RenderDevice) {
        RenderDevice = device;
    }
    ~DeviceScope() { RenderDevice = previous_; }

  private:
    gfx::RenderDevice* previous_;
};

class RenderTargetCalls : public ::testing::Test {
  protected:
    RenderTargetCalls() : scope_(&dev_) {
        dev_.GetRenderTarget(&back_);
        dev_.GetDepthStencilSurface(&depth_);
        dev_.clearCalls();
    }
    std::string name(const gfx::Resource* r) { return gfx::ResourceName(r); }

    gfx::RecordingDevice dev_;
    DeviceScope scope_;
    gfx::Surface* back_ = nullptr;
    gfx::Surface* depth_ = nullptr;
};

const char* kClear = "Clear(0, 0x3, 0xFF000000, 1, 0)";

TEST_F(RenderTargetCalls, CreateMakesClearsAndReturns) {
    RenderTarget t;
    EXPECT_EQ(t.active, 0);
    EXPECT_EQ(t.width, 256.0f);
    t.width = 640.7f;
    t.height = 480.2f;
    ASSERT_TRUE(t.create());
    ASSERT_NE(t.texture, nullptr);
    const std::vector<std::string> expected = {
        "CreateTexture(640, 480, 1, 0x1, D3DFMT_X8R8G8B8, 0) -> " + name(t.texture),
        "GetRenderTarget() -> " + name(back_),
        "GetDepthStencilSurface() -> " + name(depth_),
        "SetRenderTarget(" + name(t.targetSurface) + ", " + name(depth_) + ")",
        kClear,
        "SetRenderTarget(" + name(back_) + ", " + name(depth_) + ")"};
    EXPECT_EQ(dev_.callStrings(), expected);
    EXPECT_EQ(t.savedColour, back_);
    EXPECT_EQ(t.savedDepth, depth_);
    EXPECT_EQ(t.targetSurface, t.texture->level(0));
    EXPECT_EQ(t.active, 0);
}

TEST_F(RenderTargetCalls, BeginClearsOnlyWhenAskedAndEndReturnsToTheBackBuffer) {
    RenderTarget t;
    ASSERT_TRUE(t.create());
    dev_.clearCalls();
    t.begin(1);
    t.end();
    t.begin(0);
    EXPECT_EQ(t.active, 1);
    t.end();
    EXPECT_EQ(t.active, 1);  // end leaves the flag alone
    const std::string toTarget =
        "SetRenderTarget(" + name(t.targetSurface) + ", " + name(depth_) + ")";
    const std::string toBack = "SetRenderTarget(" + name(back_) + ", " + name(depth_) + ")";
    EXPECT_EQ(dev_.callStrings(),
              (std::vector<std::string>{toTarget, kClear, toBack, toTarget, toBack}));
}

TEST_F(RenderTargetCalls, EndingAPlainTargetAlwaysReturnsToTheBackBuffer) {
    RenderTarget frame, glow;
    ASSERT_TRUE(frame.create());
    ASSERT_TRUE(glow.create());
    frame.begin(1);
    glow.begin(1);  // begun while the frame target is active
    glow.end();
    gfx::Surface* current = nullptr;
    dev_.GetRenderTarget(&current);
    EXPECT_EQ(current, back_);
}

TEST_F(RenderTargetCalls, NestedTargetReturnsToTheTargetActiveAtBegin) {
    RenderTarget frame;
    NestedRenderTarget mirror;
    frame.width = frame.height = 128;
    mirror.width = mirror.height = 64;
    ASSERT_TRUE(frame.create());
    ASSERT_TRUE(mirror.create());
    frame.begin(1);
    dev_.clearCalls();
    mirror.begin(0);
    EXPECT_EQ(mirror.active, 1);
    mirror.end();
    EXPECT_EQ(mirror.active, 0);
    EXPECT_EQ(mirror.savedColour, frame.targetSurface);
    const std::vector<std::string> expected = {
        "GetRenderTarget() -> " + name(frame.targetSurface),
        "SetRenderTarget(" + name(mirror.targetSurface) + ", " + name(depth_) + ")",
        "SetRenderTarget(" + name(frame.targetSurface) + ", " + name(depth_) + ")"};
    EXPECT_EQ(dev_.callStrings(), expected);
    gfx::Surface* current = nullptr;
    dev_.GetRenderTarget(&current);
    EXPECT_EQ(current, frame.targetSurface);
}

TEST_F(RenderTargetCalls, NestedTargetBegunTwiceKeepsTheFirstReturnTarget) {
    RenderTarget frame;
    NestedRenderTarget a, b;
    ASSERT_TRUE(frame.create());
    ASSERT_TRUE(a.create());
    ASSERT_TRUE(b.create());
    frame.begin(0);
    a.begin(0);
    b.begin(0);
    a.begin(1);  // already active: the frame target stays its return target
    a.end();
    gfx::Surface* current = nullptr;
    dev_.GetRenderTarget(&current);
    EXPECT_EQ(current, frame.targetSurface);
}

TEST_F(RenderTargetCalls, RefusedCreationLeavesBeginAndEndHarmless) {
    RenderTarget t;
    t.width = -5.0f;
    EXPECT_FALSE(t.create());
    t.width = 20000.0f;
    EXPECT_FALSE(t.create());
    dev_.clearCalls();
    t.begin(1);
    t.end();
    EXPECT_TRUE(dev_.calls().empty());
    EXPECT_EQ(t.active, 0);
}

class RenderTargetGl : public testsupport::GlDeviceTest {
  protected:
    RenderTargetGl() : GlDeviceTest(96, 64) {}
};

TEST_F(RenderTargetGl, CreateLeavesTheTextureBlackAndTheBackBufferCurrent) {
    DeviceScope scope(&dev());
    dev().Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1.0f, 0);
    NestedRenderTarget water;
    water.width = water.height = 128;  // larger than the 96 x 64 back buffer
    ASSERT_TRUE(water.create());
    for (uint32_t p : read(water.targetSurface)) ASSERT_EQ(p, 0xFF000000u);
    EXPECT_EQ(pixel(5, 5), 0xFF808080u);

    // Draw into it inside a frame target and come back out.
    RenderTarget frame;
    frame.width = 96;
    frame.height = 64;
    ASSERT_TRUE(frame.create());
    plainStates();
    frame.begin(1);
    water.begin(1);
    drawScreenQuad(100, 100, 128, 128, 0xFF00FF00);  // beyond the back buffer's size
    water.end();
    drawScreenQuad(0, 0, 10, 10, 0xFFFF0000);
    frame.end();
    EXPECT_EQ(pixel(120, 120, water.targetSurface), 0xFF00FF00u);
    EXPECT_EQ(pixel(5, 5, frame.targetSurface), 0xFFFF0000u);
    EXPECT_EQ(pixel(5, 5), 0xFF808080u);
}

}  // namespace
