#include "app/RuneplayPresentation.h"

#include <cstdio>

#include "app/CommandLine.h"
#include "app/DeviceSetup.h"
#include "app/ShowSeeker.h"
#include "assets/TextureLoading.h"
#include "effects/objects/MetalObject.h"
#include "effects/overlays/DigitCounter.h"
#include "effects/overlays/PictureSprite.h"
#include "effects/overlays/ScreenQuad.h"
#include "effects/scenes/ScreenScene.h"
#include "effects/scenes/WaterScene.h"
#include "effects/shader/CubeGridScene.h"
#include "effects/shader/EndMeshScene.h"
#include "effects/shader/RingScene.h"
#include "effects/shader/RotatingMeshScene.h"
#include "effects/shader/ScreenEffectQuad.h"
#include "gfx/GlobalDevice.h"
#include "gfx/gl/Device.h"
#include "platform/Window.h"
#include "scene/ObjectBuffers.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/Load3dsScene.h"
#include "timeline/Timeline.h"

namespace app {

namespace {

IDirect3DTexture8* Picture(const char* name) { return LoadJpegTexture(name); }

}  // namespace

RuneplayPresentation::RuneplayPresentation() = default;

RuneplayPresentation::~RuneplayPresentation() {
    if (RenderDevice == device_.get()) RenderDevice = nullptr;
}

bool RuneplayPresentation::CreateDevice(platform::Window* window, const Options& options,
                                        std::string* error) {
    DisplaySettings settings = displaySettings;
    if (settings.width <= 0 || settings.height <= 0 || options.render()) {
        settings.width = options.width;
        settings.height = options.height;
        settings.format = D3DFMT_X8R8G8B8;
        settings.backBufferCount = 1;
        settings.windowed = options.windowMode == platform::WindowMode::Windowed ? 1 : 0;
        settings.hardwareVertexProcessing = 1;
    }
    snapshotsWhilePlaying_ = !options.render();
    std::string reason;
    device_ = CreateRenderDevice(settings, window ? window->sdlWindow() : nullptr,
                                 [&reason](const std::string& text) { reason = text; });
    windowed_ = window != nullptr;
    if (!device_) {
        if (error) *error = reason;
        return false;
    }
    return true;
}

void LoadObjectScene(const std::string& entryName, Scene& scene) {
    ScenePathPrefix = "Objs\\";
    Load3dsScene(entryName, scene);
}

SceneCamera* PrepareEndScene(Scene& scene) {
    for (SceneObject* o = scene.objects; o; o = o->next) {
        scene::LoadObjectNormals(*o);
        scene::BuildObjectBuffers(*o);
    }
    if (scene.cameras) scene::PrepareCamera(*scene.cameras);
    return scene.cameras;
}

SceneObject* FindScreenObject(const Scene* scene) {
    SceneObject* found = nullptr;
    if (!scene) return nullptr;
    for (SceneObject* o = scene->objects; o; o = o->next)
        if (o->name.startsWith("ekr")) found = o;
    return found;
}

void RuneplayPresentation::LoadAssets() {
    using namespace effects;
    if (!RenderDevice) return;
    timeline::ShowPictures& pictures = timeline::showPictures;
    float width = 0, height = 0;
    DisplaySize(width, height);

    // 2-5: the quads, the counter, the glow's effect quad and its two targets.
    fadeQuad.Create("!shaders\\fade.pso", false);
    pictureQuad.Create("!shaders\\logo.pso", true);
    digitCounter.Create();
    screenEffectQuad.init();
    timeline::GlowTargetA.width = timeline::GlowTargetA.height = 256.0f;
    timeline::GlowTargetA.create();
    timeline::GlowTargetB.width = timeline::GlowTargetB.height = 256.0f;
    timeline::GlowTargetB.create();

    // 6: the title picture.
    pictures.title = Picture("!textures\\mirrane.jpeg");

    // 7-11: the object scenes and the effects built on them. The ring scene makes the
    // light, bump and cube textures the next three scenes borrow.
    metalScene_ = std::make_unique<Scene>();
    LoadObjectScene("Objs\\szk.3ds", *metalScene_);
    metalObject.mesh = metalScene_->objects;
    metalObject.init();

    ringScene_ = std::make_unique<Scene>();
    centreScene_ = std::make_unique<Scene>();
    LoadObjectScene("Objs\\hau.3ds", *ringScene_);
    LoadObjectScene("Objs\\tlo.3ds", *centreScene_);
    ringScene.ringObject = ringScene_->objects;
    ringScene.centreObject = centreScene_->objects;
    ringScene.init();

    rotatingScene_ = std::make_unique<Scene>();
    LoadObjectScene("Objs\\stagi.3ds", *rotatingScene_);
    rotatingMeshScene.object = rotatingScene_->objects;
    rotatingMeshScene.attenuationTexture = ringScene.attenuationTexture;
    rotatingMeshScene.bumpTexture = ringScene.bumpTexture;
    rotatingMeshScene.cubeMap = ringScene.cubeMap;
    rotatingMeshScene.init();

    gridScene_ = std::make_unique<Scene>();
    LoadObjectScene("Objs\\wcube.3ds", *gridScene_);
    cubeGridScene.object = gridScene_->objects;
    cubeGridScene.attenuationTexture = ringScene.attenuationTexture;
    cubeGridScene.bumpTexture = ringScene.bumpTexture;
    cubeGridScene.cubeMap = ringScene.cubeMap;
    cubeGridScene.init();

    endScene_ = std::make_unique<Scene>();
    LoadObjectScene("Objs\\endscene.3ds", *endScene_);
    endMeshScene.camera = PrepareEndScene(*endScene_);
    endMeshScene.object = endScene_->objects;
    endMeshScene.attenuationTexture = ringScene.attenuationTexture;
    endMeshScene.bumpTexture = ringScene.bumpTexture;
    endMeshScene.cubeMap = ringScene.cubeMap;
    endMeshScene.init();

    // 12: the layout scale of the sprites.
    ScreenScale = width * 0.00125f;

    // 13: the pictures the timeline binds. The five inserts have no backslash after the
    // folder word: that is how the pack names them.
    char cut[] = "!textures\\kowadlo1.jpg";
    for (int i = 0; i < timeline::kCutCount; ++i) {
        cut[17] = static_cast<char>('1' + i);
        pictures.cuts[i] = Picture(cut);
    }
    pictures.people = Picture("!textures\\p_zo_people.jpg");
    pictures.stagi = Picture("!textures\\stagi.jpg");
    pictures.p3 = Picture("!textures\\p3.jpg");
    char gret[] = "!textures\\gret1.jpg";
    for (int i = 0; i < 4; ++i) {
        gret[14] = static_cast<char>('1' + i);
        pictures.gret[i] = Picture(gret);
    }
    char insert[] = "!textureswstawka1.jpg";
    for (int i = 0; i < 5; ++i) {
        insert[16] = static_cast<char>('1' + i);
        pictures.inserts[i] = Picture(insert);
    }
    pictures.endScreen = Picture("!textures\\endscr.jpg");

    // 14: the cuts wait for their positions.
    for (int i = 0; i < timeline::kCutCount; ++i) {
        show_.cutTimers[i].Reset();
        show_.cutPending[i] = 1;
    }

    // 15-18: the background picture, the sprites and the screen pictures.
    pictures.p1 = Picture("!textures\\p1.jpg");
    CreateTitleSprite();
    NameCreditSprites();
    char screen[] = "!textures\\k1.jpg";
    for (int i = 0; i < 5; ++i) {
        screen[11] = static_cast<char>('1' + i);
        screenScene.pictures[i] = Picture(screen);
    }
    CreateCreditSprites();

    // 19-21: ambient light, the two loaded-scene segments and the animated screen. The run
    // draws its particles from the generator where their spawn points left it.
    RenderDevice->SetRenderState(D3DRS_AMBIENT, 0xFF505050);
    scene::RandomGenerator random;
    waterScene.Load(random);
    screenScene.Load(random);
    screenScene.screenObject = FindScreenObject(screenScene.scene);
    show_.water = waterScene.StartState();
    show_.screen = screenScene.StartState();
    show_.random = random;

    // 22: the target every segment draws into.
    timeline::FrameTarget.width = width;
    timeline::FrameTarget.height = height;
    timeline::FrameTarget.create();
}

void RuneplayPresentation::AfterSoundtrackStart() {
    show_.speedFactor = 0.7f;
    // Everything from here on is what a run changes: the start of every seek.
    SeekableShow& self = *this;
    if (RenderDevice) seeker_ = std::make_unique<ShowSeeker>(self, show_);
}

void RuneplayPresentation::Frame() {
    timeline::theTimeline.Frame(show_);
    if (snapshotsWhilePlaying_ && seeker_) seeker_->MakeNextSnapshot();
}

ShowControl* RuneplayPresentation::showControl() { return seeker_.get(); }

void RuneplayPresentation::PlayFrame(timeline::ShowState& show, uint32_t position, bool draw) {
    if (!device_) {
        timeline::theTimeline.FrameAt(show, position);
        return;
    }
    // Whatever else such a frame draws, the frame at a seek's target draws over.
    const bool discarding = device_->discardDraws();
    device_->setDiscardDraws(true);
    if (draw) {
        const std::vector<gfx::Surface*> kept = KeptTargets();
        device_->setDrawnWhileDiscarding({kept.begin(), kept.end()});
    }
    timeline::theTimeline.FrameAt(show, position);
    device_->setDrawnWhileDiscarding({});
    device_->setDiscardDraws(discarding);
}

// The water's mirror and surface keep what earlier frames drew wherever the present one draws
// nothing; the frame target and the first glow target are cleared as each frame begins with
// them, and the second glow target is drawn over whole.
std::vector<gfx::Surface*> RuneplayPresentation::KeptTargets() {
    std::vector<gfx::Surface*> kept;
    for (const effects::RenderTargetRecord* target :
         {&effects::waterScene.mirrorTarget, &effects::waterScene.surfaceTarget})
        if (target->created()) kept.push_back(target->targetSurface);
    return kept;
}

bool RuneplayPresentation::DrawsIntoKeptTargets(uint32_t position) {
    return timeline::kSegmentB.contains(position) || timeline::kSegmentC.contains(position);
}

void RuneplayPresentation::ResetKeptTargets() {
    const bool discarding = device_ && device_->discardDraws();
    if (device_) device_->setDiscardDraws(false);
    effects::waterScene.mirrorTarget.reset();
    effects::waterScene.surfaceTarget.reset();
    if (device_) device_->setDiscardDraws(discarding);
}

bool RuneplayPresentation::SetWindowOverlay(std::function<void(int width, int height)> draw) {
    if (!device_ || !windowed_) return false;
    device_->setWindowOverlay(std::move(draw));
    return true;
}

}  // namespace app
