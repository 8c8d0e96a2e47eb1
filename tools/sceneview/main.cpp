// sceneview: draws a loaded scene of a pack through any of its cameras, the way a loaded-scene
// segment does (select camera, update, draw), headless into a PNG file or in a window.
//
//   sceneview build/play/kelvra.dat:scene3\scene123.3DS --camera 5 --frame 300 --out water.png
//   sceneview build/play/kelvra.dat:Scene2\Scene.3ds --play

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Options.h"
#include "app/Capture.h"
#include "app/DeviceSetup.h"
#include "assets/PackArchive.h"
#include "gfx/GlobalDevice.h"
#include "gfx/gl/Device.h"
#include "platform/Clock.h"
#include "platform/ErrorReport.h"
#include "platform/Input.h"
#include "platform/Platform.h"
#include "platform/Window.h"
#include "scene/Random.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"

namespace {

using sceneview::Options;

constexpr int kFailureStatus = 1;
constexpr int kUsageStatus = 2;
constexpr int kWriteFailedStatus = 3;

bool IsFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// The flare picture: as given, else point.bmp in the current directory, else beside the pack.
std::string FlarePicture(const Options& o) {
    if (!o.pointPicture.empty()) return o.pointPicture;
    if (IsFile("point.bmp")) return "point.bmp";
    const std::filesystem::path besidePack =
        std::filesystem::path(o.pack).parent_path() / "point.bmp";
    return besidePack.string();
}

void ApplySceneSettings(const Options& o, Scene& scene) {
    scene.aspectRatio =
        o.aspect > 0 ? o.aspect : static_cast<float>(o.width) / static_cast<float>(o.height);
    for (int i = 0; i < 3; ++i) scene.lightAttenuation[i] = o.attenuation[i];
    scene.ambientColor = o.ambient;
    scene.fogEnable = o.fog ? 1 : 0;
    scene.fogDensity = o.fogDensity;
    scene.fogColor = o.fogColour;
}

// A scene as the viewer plays it: the scene and what playing it changes (its particles and the
// generator they draw from, which preparation has drawn the spawn points from first).
struct PlayedScene {
    Scene scene;
    scene::RandomGenerator random;
    scene::SceneParticles particles;
};

// "1 Cam01, 2 Cam02, ...": what --camera can choose.
std::string CameraList(const Scene& scene) {
    std::string list;
    uint32_t n = 0;
    for (const SceneCamera* c = scene.cameras; c; c = c->next) {
        if (n > 0) list += ", ";
        list += std::to_string(++n) + " " + c->name.str();
    }
    return list;
}

// Loads and prepares the scene as a segment does: camera 1 selected and the settings made
// before preparation. 0, or the exit status when the pack holds no such scene or the scene
// no such camera.
int LoadScene(const Options& o, PlayedScene& played) {
    Scene& scene = played.scene;
    ScenePathPrefix = o.prefix;
    scene::FlarePicturePath = FlarePicture(o);
    if (!assets::GlobalPack().Lookup(o.entry)) {
        std::fprintf(stderr, "sceneview: the pack %s holds no entry %s\n", o.pack.c_str(),
                     o.entry.c_str());
        return kFailureStatus;
    }
    Load3dsScene(o.entry, scene);
    if (!scene.objects && !scene.cameras) {
        std::fprintf(stderr, "sceneview: %s holds no scene the engine can read\n", o.entry.c_str());
        return kFailureStatus;
    }
    // A camera the scene lacks would silently show another one.
    if (o.camera > 1 && o.camera > scene.cameraCount) {
        if (scene.cameraCount == 0)
            std::fprintf(stderr, "sceneview: --camera %u: %s has no cameras\n", o.camera,
                         o.entry.c_str());
        else
            std::fprintf(stderr, "sceneview: --camera %u: %s has %u camera%s: %s\n", o.camera,
                         o.entry.c_str(), static_cast<unsigned>(scene.cameraCount),
                         scene.cameraCount == 1 ? "" : "s", CameraList(scene).c_str());
        return kUsageStatus;
    }
    scene::SelectCamera(scene, 1);
    ApplySceneSettings(o, scene);
    scene::PrepareScene(scene, played.random);
    played.particles = scene::StartParticles(scene);
    scene::SelectCamera(scene, o.camera);
    if (!scene.activeCamera)
        std::fprintf(stderr, "sceneview: %s has no camera; the view is left as it was\n",
                     o.entry.c_str());
    return 0;
}

void DrawFrame(PlayedScene& played, float frame, uint32_t clearColour) {
    RenderDevice->BeginScene();
    RenderDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                        0xFF000000u | clearColour, 1.0f, 0);
    scene::UpdateScene(played.scene, frame, played.particles, played.random);
    scene::DrawScene(played.scene, played.particles);
    RenderDevice->EndScene();
}

// Updates before a still, so that particles are in flight as they would be after playing:
// half a frame apart, as the segments step at 60 updates a second.
void WarmUp(PlayedScene& played, const Options& o) {
    for (int i = o.warmup; i > 0; --i) {
        const float frame = o.frame - 0.5f * static_cast<float>(i);
        scene::UpdateScene(played.scene, frame < 0 ? 0 : frame, played.particles, played.random);
    }
}

app::DisplaySettings Settings(const Options& o) {
    app::DisplaySettings s;
    s.width = o.width;
    s.height = o.height;
    s.format = D3DFMT_X8R8G8B8;
    s.backBufferCount = 1;
    s.windowed = 1;
    s.hardwareVertexProcessing = 1;
    return s;
}

int RenderStill(const Options& o) {
    auto device = app::CreateRenderDevice(Settings(o), nullptr, [](const std::string& text) {
        std::fprintf(stderr, "sceneview: %s\n", text.c_str());
    });
    if (!device) return kFailureStatus;
    PlayedScene played;
    if (const int status = LoadScene(o, played)) return status;
    WarmUp(played, o);
    DrawFrame(played, o.frame, o.clearColour);
    gfx::Surface* back = nullptr;
    std::vector<uint32_t> pixels;
    if (FAILED(device->GetBackBuffer(0, &back)) || FAILED(device->ReadPixels(back, pixels)) ||
        pixels.size() != static_cast<size_t>(o.width) * static_cast<size_t>(o.height)) {
        std::fprintf(stderr, "sceneview: the picture cannot be read back\n");
        return kFailureStatus;
    }
    std::string error;
    if (!app::WritePng(o.out, static_cast<uint32_t>(o.width), static_cast<uint32_t>(o.height),
                       pixels, &error, 8)) {
        std::fprintf(stderr, "sceneview: cannot write %s: %s\n", o.out.c_str(), error.c_str());
        return kWriteFailedStatus;
    }
    std::printf("%s: %s, camera %u (%s), frame %g, %dx%d\n", o.out.c_str(), o.entry.c_str(),
                o.camera,
                played.scene.activeCamera ? played.scene.activeCamera->name.c_str() : "none",
                static_cast<double>(o.frame), o.width, o.height);
    return 0;
}

// A key's press since the last call (KeyState only holds whether it is down).
class KeyEdges {
  public:
    bool pressed(int key) {
        const bool down = platform::KeyState[key] != 0;
        const bool edge = down && !down_[key];
        down_[key] = down;
        return edge;
    }

  private:
    bool down_[256] = {};
};

int ShowWindow(const Options& o) {
    std::string error;
    if (!platform::InitEvents(&error) || !platform::InitVideo(&error)) {
        std::fprintf(stderr, "sceneview: no display (%s); --out FILE.png renders headless\n",
                     error.c_str());
        return kFailureStatus;
    }
    platform::WindowOptions windowOptions;
    windowOptions.width = o.width;
    windowOptions.height = o.height;
    auto window = platform::Window::Create(windowOptions, &error);
    if (!window) {
        std::fprintf(stderr, "sceneview: cannot open a window: %s\n", error.c_str());
        return kFailureStatus;
    }
    auto device = app::CreateRenderDevice(
        Settings(o), window->sdlWindow(),
        [](const std::string& text) { std::fprintf(stderr, "sceneview: %s\n", text.c_str()); });
    if (!device) return kFailureStatus;
    PlayedScene played;
    Scene& scene = played.scene;
    if (const int status = LoadScene(o, played)) return status;
    if (!o.play) WarmUp(played, o);

    const float first = static_cast<float>(scene.firstFrame);
    const float last = static_cast<float>(scene.lastFrame);
    // The arrow keys step from the camera shown.
    uint32_t camera = o.camera;
    bool paused = !o.play;
    float frame = o.frame;
    uint32_t previous = platform::timeGetTime();
    KeyEdges keys;
    uint32_t drawn = 0;
    for (;;) {
        if (platform::PumpMessages()) break;
        if (platform::KeyState[platform::kVkEscape]) break;
        if (keys.pressed(platform::kVkSpace)) paused = !paused;
        const bool left = keys.pressed(37), right = keys.pressed(39);
        if ((left && camera > 1) || (right && camera < scene.cameraCount)) {
            camera += right ? 1 : -1;
            scene::SelectCamera(scene, camera);
            std::printf("camera %u (%s)\n", camera, scene.activeCamera->name.c_str());
        }
        const uint32_t now = platform::timeGetTime();
        if (!paused) {
            frame += static_cast<float>(now - previous) * 0.001f * o.framesPerSecond;
            if (last > first && frame > last) frame = first;
        }
        previous = now;
        DrawFrame(played, frame, o.clearColour);
        device->Present(nullptr, nullptr, nullptr, nullptr);
        ++drawn;
        if (o.quitAfter && drawn >= o.quitAfter) break;
    }
    std::printf("%u frames shown, last frame %g\n", drawn, static_cast<double>(frame));
    // The GL objects go while their context and window still exist.
    device.reset();
    RenderDevice = nullptr;
    window.reset();
    platform::Shutdown();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    bool help = false;
    if (!sceneview::ParseOptions(argc, argv, options, &error, &help)) {
        std::fprintf(stderr, "sceneview: %s\n%s", error.c_str(), sceneview::UsageText());
        return kUsageStatus;
    }
    if (help) {
        std::fputs(sceneview::UsageText(), stdout);
        return 0;
    }
    scene3ds::SceneLogPath = options.logPath;
    // A missing entry (normals, emitter file) has been reported; the viewer carries on without
    // it, as every reader leaves its result safely empty.
    platform::SetFatalHandler([](const std::string&) {});
    if (!IsFile(options.pack)) {
        std::fprintf(stderr, "sceneview: cannot read the pack %s\n", options.pack.c_str());
        return kFailureStatus;
    }
    if (!assets::GlobalPack().Open(options.pack)) return kFailureStatus;
    return options.out.empty() ? ShowWindow(options) : RenderStill(options);
}
