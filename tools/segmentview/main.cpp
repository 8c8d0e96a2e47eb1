// segmentview: draws one frame of a loaded-scene segment of the timeline headless into a PNG,
// the way the timeline does it: into a frame target of the display's size, with the water
// scene's mirror and surface passes, or the screen scene's camera cuts and picture loop.
//
//   segmentview --segment B --clip 300 --camera 4 --out b.png
//   segmentview --segment C --clip 1500 --out c.png          (the backwards run, camera 4)
//   segmentview --segment D --position 19000000 --elapsed 500 --out d.png
//   segmentview --segment B --camera 6 --clips 0,200,400,600 --out sheet.png
//
// --clips draws one frame at each clip time (elapsed ticks for D) and lays them out three to
// a row in one picture.
//
// --targets PREFIX also writes the water scene's mirror and surface targets as
// PREFIX_mirror.png and PREFIX_surface.png.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Capture.h"
#include "app/DeviceSetup.h"
#include "assets/PackArchive.h"
#include "effects/objects/RenderTarget.h"
#include "effects/scenes/ScreenScene.h"
#include "effects/scenes/WaterScene.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "gfx/GlobalDevice.h"
#include "gfx/gl/Device.h"
#include "platform/ErrorReport.h"
#include "scene/Random.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/SceneLog.h"
#include "timeline/Schedule.h"

namespace {

struct Options {
    std::string pack = "build/play/kelvra.dat";
    char segment = 'B';
    float clip = 0;
    uint32_t camera = 4;
    uint32_t position = 19000000;
    float elapsed = 0;
    int warmup = 60;
    int width = 800, height = 600;
    std::string out;
    std::string targets;
    std::vector<float> clips;  // several stills in one picture
    float bump = effects::water::kBumpScale;
};

// Exit statuses: 1 for input that cannot be used, 2 for a usage error, 3 for a failed write.
constexpr int kWriteFailed = 3;

const char kUsage[] =
    "usage: segmentview --segment B|C|D --out FILE.png [--pack FILE] [--size WxH]\n"
    "                   [--clip T] [--camera N]          (B; C uses camera 4)\n"
    "                   [--position P] [--elapsed E]     (D)\n"
    "                   [--warmup N] [--targets PREFIX] [--clips T1,T2,...]\n"
    "                   [--bump K]                       (water ripple scale, 0.35)\n";

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return false;
        const char* v = argv[++i];
        if (a == "--pack") {
            o.pack = v;
        } else if (a == "--segment") {
            o.segment = v[0];
        } else if (a == "--clip") {
            o.clip = std::strtof(v, nullptr);
        } else if (a == "--camera") {
            o.camera = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
        } else if (a == "--position") {
            o.position = static_cast<uint32_t>(std::strtoul(v, nullptr, 10));
        } else if (a == "--elapsed") {
            o.elapsed = std::strtof(v, nullptr);
        } else if (a == "--warmup") {
            o.warmup = std::atoi(v);
        } else if (a == "--size") {
            if (std::sscanf(v, "%dx%d", &o.width, &o.height) != 2) return false;
        } else if (a == "--out") {
            o.out = v;
        } else if (a == "--bump") {
            o.bump = std::strtof(v, nullptr);
        } else if (a == "--targets") {
            o.targets = v;
        } else if (a == "--clips") {
            for (char* p = const_cast<char*>(v); *p;) {
                char* end = nullptr;
                o.clips.push_back(std::strtof(p, &end));
                if (end == p) return false;
                p = *end == ',' ? end + 1 : end;
            }
        } else {
            return false;
        }
    }
    return !o.out.empty() && (o.segment == 'B' || o.segment == 'C' || o.segment == 'D') &&
           o.width > 0 && o.height > 0;
}

// False after saying why on standard error.
bool WritePng(const std::string& path, const std::vector<uint32_t>& argb, int w, int h) {
    std::string error;
    if (app::WritePng(path, static_cast<uint32_t>(w), static_cast<uint32_t>(h), argb, &error, 8))
        return true;
    std::fprintf(stderr, "segmentview: cannot write %s: %s\n", path.c_str(), error.c_str());
    return false;
}

bool WritePng(const std::string& path, gfx::Surface* surface) {
    std::vector<uint32_t> argb;
    if (!surface || FAILED(RenderDevice->ReadPixels(surface, argb))) {
        std::fprintf(stderr, "segmentview: cannot read the picture for %s\n", path.c_str());
        return false;
    }
    return WritePng(path, argb, static_cast<int>(surface->width()),
                    static_cast<int>(surface->height()));
}

// Segment C's part before the metal object: the water scene backwards through camera 4 and
// one pass of the glow's quad over whatever the water frame left bound.
void SegmentC(effects::WaterSceneState& water, scene::RandomGenerator& random, float t) {
    IDirect3DDevice8& d = *RenderDevice;
    water.ambientColor = 0x001024BA;
    water.lightAttenuation[0] = 0.95f;
    water.lightAttenuation[1] = 0.04f;
    water.lightAttenuation[2] = 0.0f;
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    effects::waterScene.DrawFrame(water, random, t < 0 ? 0 : t, 4);
    for (DWORD stage = 0; stage < 4; ++stage) d.SetTexture(stage, nullptr);
    effects::screenEffectQuad.drawQuad();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options o;
    if (!Parse(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    scene3ds::SceneLogPath = "/dev/null";
    platform::SetFatalHandler([](const std::string&) {});
    app::DisplaySettings settings;
    settings.width = o.width;
    settings.height = o.height;
    settings.format = D3DFMT_X8R8G8B8;
    settings.backBufferCount = 1;
    settings.windowed = 1;
    settings.hardwareVertexProcessing = 1;
    auto device = app::CreateRenderDevice(settings, nullptr, [](const std::string& text) {
        std::fprintf(stderr, "segmentview: %s\n", text.c_str());
    });
    if (!device) return 1;
    if (!assets::GlobalPack().Open(o.pack)) return 1;
    scene::FlarePicturePath = (std::filesystem::path(o.pack).parent_path() / "point.bmp").string();
    // What playing the segment changes: its state and the generator its particles draw from.
    scene::RandomGenerator random;
    effects::WaterSceneState water;
    effects::ScreenSceneState screen;

    effects::RenderTarget frameTarget;
    frameTarget.width = static_cast<float>(o.width);
    frameTarget.height = static_cast<float>(o.height);
    if (o.segment == 'D') {
        effects::screenScene.Load(random);
        effects::screenScene.FindScreenObject();
        effects::screenScene.LoadPictures();
        screen = effects::screenScene.StartState();
    } else {
        effects::screenEffectQuad.init();
        effects::waterScene.Load(random);
        effects::waterScene.bumpScale = o.bump;
        water = effects::waterScene.StartState();
    }
    const uint32_t shot = timeline::ScreenSceneShotAt(o.position);
    frameTarget.create();

    auto drawFrame = [&](float clip) {
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000,
                      1.0f, 0);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        // The glow and overlays that close every timeline frame leave the depth test on.
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        frameTarget.begin(1);
        switch (o.segment) {
            case 'B':
                effects::waterScene.DrawFrame(water, random, clip, o.camera);
                break;
            case 'C':
                SegmentC(water, random, clip);
                break;
            default:
                screen.clipTimer.running = 1;
                screen.clipTimer.elapsed = clip;
                effects::screenScene.DrawFrame(screen, random, shot,
                                               timeline::kScreenSceneCamera[shot]);
                break;
        }
        frameTarget.end();
        device->EndScene();
    };
    // Frames before each still, so particles are in flight; segment C runs backwards.
    auto still = [&](float clip) {
        for (int i = o.warmup; i >= 0; --i)
            drawFrame(clip + (o.segment == 'C' ? 1.0f : -1.0f) * static_cast<float>(i));
    };
    if (o.clips.empty()) {
        still(o.segment == 'D' ? o.elapsed : o.clip);
        if (!WritePng(o.out, frameTarget.targetSurface)) return kWriteFailed;
    } else {
        const int columns = std::min<int>(3, static_cast<int>(o.clips.size()));
        const int rows = (static_cast<int>(o.clips.size()) + columns - 1) / columns;
        const int sheetWidth = columns * o.width;
        std::vector<uint32_t> sheet(static_cast<size_t>(sheetWidth) * rows * o.height, 0);
        std::vector<uint32_t> tile;
        for (size_t k = 0; k < o.clips.size(); ++k) {
            still(o.clips[k]);
            device->ReadPixels(frameTarget.targetSurface, tile);
            const int x0 = static_cast<int>(k) % columns * o.width;
            const int y0 = static_cast<int>(k) / columns * o.height;
            for (int y = 0; y < o.height; ++y)
                std::copy_n(tile.begin() + static_cast<ptrdiff_t>(y) * o.width, o.width,
                            sheet.begin() + static_cast<ptrdiff_t>(y0 + y) * sheetWidth + x0);
        }
        if (!WritePng(o.out, sheet, sheetWidth, rows * o.height)) return kWriteFailed;
    }
    if (!o.targets.empty() && o.segment != 'D' &&
        (!WritePng(o.targets + "_mirror.png", effects::waterScene.mirrorTarget.targetSurface) ||
         !WritePng(o.targets + "_surface.png", effects::waterScene.surfaceTarget.targetSurface)))
        return kWriteFailed;
    std::printf("%s: segment %c, %dx%d\n", o.out.c_str(), o.segment, o.width, o.height);
    return 0;
}
