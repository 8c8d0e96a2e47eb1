// Updating and drawing a prepared scene allocates nothing: every allocation of this test
// program goes through a counting operator new, and the count must not move over frames of
// the pack's two loaded scenes (on the state-keeping device, so only our code is measured).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "assets/PackArchive.h"
#include "gfx/GlobalDevice.h"
#include "gfx/StateDevice.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

// AddressSanitizer brings its own operator new, and mixing it with ours would be reported as
// mismatched allocation; the check then runs in the plain builds only.
#if defined(__SANITIZE_ADDRESS__)
#define RUNEPLAY_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RUNEPLAY_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef RUNEPLAY_COUNT_ALLOCATIONS
#define RUNEPLAY_COUNT_ALLOCATIONS 1
#endif

namespace {
std::atomic<uint64_t> allocations{0};
}

#if RUNEPLAY_COUNT_ALLOCATIONS
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace {

class FrameAllocation : public ::testing::TestWithParam<const char*> {};

TEST_P(FrameAllocation, UpdateAndDrawAllocateNothing) {
    if (!RUNEPLAY_COUNT_ALLOCATIONS)
        GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
    testsupport::TempDir dir;
    testsupport::ReportCapture reports;
    gfx::StateDevice device{gfx::DeviceParams{}};
    IDirect3DDevice8* previous = RenderDevice;
    RenderDevice = &device;
    const std::string previousLog = scene3ds::SceneLogPath;
    scene3ds::SceneLogPath = dir.file("engine.log");
    ASSERT_TRUE(assets::GlobalPack().Open(std::string(RUNEPLAY_PLAY_DIR) + "/kelvra.dat"));

    const std::string entry = GetParam();
    Scene scene;
    ScenePathPrefix = entry.substr(0, entry.find('\\') + 1);
    Load3dsScene(entry, scene);
    scene::SelectCamera(scene, 1);
    scene.fogEnable = 1;
    const uint64_t beforePreparation = allocations.load();
    scene::PrepareScene(scene);
    EXPECT_GT(allocations.load(), beforePreparation);  // the counter does count
    ASSERT_NE(scene.objects, nullptr);

    // The first frame may let the device grow its light table.
    scene::UpdateScene(scene, 0);
    scene::DrawScene(scene);
    const uint64_t before = allocations.load();
    for (int frame = 1; frame <= 40; ++frame) {
        scene::SelectCamera(scene, 1 + frame % 9);
        scene::UpdateScene(scene, 7.5f * frame);
        scene::DrawScene(scene);
    }
    const uint64_t during = allocations.load() - before;
    EXPECT_EQ(during, 0u);

    RenderDevice = previous;
    scene3ds::SceneLogPath = previousLog;
}

INSTANTIATE_TEST_SUITE_P(PackScenes, FrameAllocation,
                         ::testing::Values("scene3\\scene123.3DS", "Scene2\\Scene.3ds"));

}  // namespace
