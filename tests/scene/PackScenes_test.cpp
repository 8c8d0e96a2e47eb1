// Every scene of the generated pack goes through the engine's own loader and scene preparation
// without a single error: no error line in engine.log or on standard error, no fatal exit, no
// message box (a missing normals file, picture or emitter file would raise one).
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assets/PackArchive.h"
#include "gfx/GlobalDevice.h"
#include "gfx/StateDevice.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"
#include "support/EnginePackEntries.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

namespace {

int exitStatus = -1;
void RecordExit(int status) { exitStatus = status; }

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of `text` that report a fault.
std::string ErrorLines(const std::string& text) {
    std::istringstream in(text);
    std::string line, found;
    while (std::getline(in, line))
        if (line.find("Error") != std::string::npos || line.find("error") != std::string::npos)
            found += line + "\n";
    return found;
}

class PackScenes : public ::testing::TestWithParam<const char*> {};

TEST_P(PackScenes, LoadAndPrepareWithoutAnError) {
    testsupport::TempDir dir;
    testsupport::ReportCapture reports;
    gfx::StateDevice device{gfx::DeviceParams{}};
    IDirect3DDevice8* previousDevice = RenderDevice;
    RenderDevice = &device;
    const std::string previousLog = scene3ds::SceneLogPath;
    const std::string previousPrefix = ScenePathPrefix;
    const std::string previousFlare = scene::FlarePicturePath;
    const scene3ds::SceneExitFunction previousExit = scene3ds::SceneExitHook;
    scene3ds::SceneLogPath = dir.file("engine.log");
    scene3ds::SceneExitHook = &RecordExit;
    scene::FlarePicturePath = std::string(RUNEPLAY_PLAY_DIR) + "/point.bmp";
    exitStatus = -1;

    const std::string entry = GetParam();
    Scene scene;
    if (assets::GlobalPack().Open(std::string(RUNEPLAY_PLAY_DIR) + "/kelvra.dat")) {
        ScenePathPrefix = entry.substr(0, entry.find('\\') + 1);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        Load3dsScene(entry, scene);
        const std::string loadErrors = ::testing::internal::GetCapturedStderr();
        ::testing::internal::GetCapturedStdout();
        const std::string log = ReadText(dir.file("engine.log"));
        EXPECT_FALSE(log.empty());
        EXPECT_EQ(ErrorLines(log), "");
        EXPECT_EQ(loadErrors, "");
        EXPECT_EQ(exitStatus, -1) << "the loader ended the process";
        EXPECT_NE(scene.objects, nullptr);

        ::testing::internal::CaptureStderr();
        scene::RandomGenerator random;
        scene::PrepareScene(scene, random);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        for (const SceneObject* o = scene.objects; o; o = o->next)
            EXPECT_EQ(o->normals.size(), size_t(o->vertexCount) * 3) << o->name.str();
    }
    EXPECT_EQ(reports.reports, std::vector<std::string>{});
    EXPECT_EQ(reports.fatals, std::vector<std::string>{});

    RenderDevice = previousDevice;
    scene3ds::SceneLogPath = previousLog;
    scene3ds::SceneExitHook = previousExit;
    ScenePathPrefix = previousPrefix;
    scene::FlarePicturePath = previousFlare;
}

INSTANTIATE_TEST_SUITE_P(Generated, PackScenes, ::testing::ValuesIn(testsupport::kEngineScenes),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
