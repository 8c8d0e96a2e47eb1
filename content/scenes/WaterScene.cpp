// "scene3\scene123.3DS": an island of rock above a dark sea at dusk. A lighthouse with a chrome
// lantern sweeps its beam over the water; two stone arches stand in the sea, one carrying a
// fire, both hung with tattered banners; sea stacks, a chrome ball on one of them, a pier and
// bobbing buoys. The sea itself is the 51 x 51 plane "PlaWater" at y = -1450, which the engine
// hides and replaces by the rippled mirror image of everything above it.
//
// Frames: the segment shows frame = 0.5 x clip time. Camera 4 carries the long opening shot and
// the backwards replay (frames 0..1000); the short shots after each picture cut use cameras
// 1, 2, 3, 8, 5, 6, 7 from frames about 200, 100, 300, 50, 0, 0, 0 for some 60 frames each.
// Every camera has a path over the whole range 0..1200 in case the cuts drift.
#include "content/scenes/Landscape.h"
#include "content/scenes/Primitives.h"
#include "content/scenes/Scenes.h"
#include "content/scenes/Textures.h"

namespace content::scenes {

namespace {

constexpr float kWater = -1450;
constexpr int kLast = 1200;

Vec3 Above(Vec3 p, float dy) { return {p.x, p.y + dy, p.z}; }

Mesh Turned(Mesh m, double angle) {
    m.Transform([angle](Vec3 p) { return RotateY(p, angle); });
    return m;
}

// A camera whose position and target come from functions of the frame, keyed every `step`.
template <typename PosFn, typename TargetFn>
CameraDesc PathCamera(std::string name, float fov, int step, PosFn pos, TargetFn target) {
    CameraDesc c;
    c.name = std::move(name);
    for (int f = 0; f <= kLast; f += step) {
        c.position.push_back({f, pos(f / double(kLast))});
        c.target.push_back({f, target(f / double(kLast))});
    }
    c.fov = Still(fov);
    c.roll = Still(0.0f);
    return c;
}

Vec3 Orbit(Vec3 centre, double angle, double radius, double height) {
    return {centre.x + radius * Cos(angle), static_cast<double>(height),
            centre.z + radius * Sin(angle)};
}

}  // namespace

SceneFiles BuildWaterScene() {
    SceneFiles s;
    s.folder = "scene3\\";
    s.file = "scene123.3DS";
    SceneDesc& sc = s.scene;
    sc.lastFrame = kLast;

    // Materials.
    MaterialDesc sky = MakeMaterial("SKY", {255, 255, 255}, 0, 0, "SKY.TGA");
    sky.specular = {0, 0, 0};
    MaterialDesc water = MakeMaterial("WATER", {120, 150, 170}, 60, 80, "WATER.TGA");
    water.ambient = {60, 90, 110};
    MaterialDesc rock = MakeMaterial("ROCK", {200, 200, 205}, 10, 10, "ROCK.TGA");
    MaterialDesc stone = MakeMaterial("STONE", {215, 210, 200}, 15, 15, "STONE.TGA");
    MaterialDesc chrome = MakeMaterial("CHROME", {255, 255, 255}, 80, 100, "CHROME.TGA");
    chrome.sphereMap = true;
    MaterialDesc banner = MakeMaterial("BANNER", {230, 200, 170}, 5, 5, "BANNER.TGA");
    banner.opacityMap = "BANNOP.TGA";
    banner.twoSided = true;
    MaterialDesc wood = MakeMaterial("WOOD", {190, 170, 150}, 10, 10, "WOOD.TGA");
    MaterialDesc paint = MakeMaterial("BUOYPAINT", {230, 120, 40}, 50, 60);
    MaterialDesc fire = MakeMaterial("FIRE", {255, 160, 60}, 0, 0);
    sc.materials = {sky, water, rock, stone, chrome, banner, wood, paint, fire};

    // Where things stand.
    const Vec3 lighthouseBase{900.0f, IslandHeight(900, -500) - 120, -500.0f};
    const float lighthouseHeight = 2400;
    const Vec3 lanternTop = Above(lighthouseBase, lighthouseHeight);
    const Vec3 arch1{-4300.0f, 0.0f, 2700.0f}, arch2{4100.0f, 0.0f, 3400.0f};
    const float archSpan = 1700, archSpring = 500, archThick = 260;
    const float keystoneTop = archSpring + archSpan / 2 + archThick / 2 + 40 + 90;
    const Vec3 brazier = Above(arch1, keystoneTop);
    const Vec3 stack1{5200.0f, 0.0f, -2400.0f}, stack2{-5600.0f, 0.0f, -1800.0f},
        stack3{1550.0f, 0.0f, 5400.0f};
    const Vec3 orb{stack2.x, 200 + 0.15f * 380 + 200, stack2.z};
    const Vec3 buoys{-5600.0f, kWater, 900.0f};

    // Objects. The sky first, so the opaque pass lays it down before everything else.
    sc.objects.push_back(
        MeshObject("SkyDome", Finish(SkyDomeMesh(40000), 80), "SKY", {0.0f, kWater, 0.0f}));
    ObjectDesc plane;
    plane.name = "PlaWater";
    plane.mesh = WaterGrid(kWater);
    plane.material = "WATER";
    plane.position = Still(Vec3{0.0f, 0.0f, 0.0f});
    sc.objects.push_back(std::move(plane));
    sc.objects.push_back(MeshObject("Island", Finish(IslandMesh(), 70), "ROCK"));
    sc.objects.push_back(MeshObject("Lighthouse", Finish(LighthouseMesh(lighthouseHeight), 40),
                                    "STONE", lighthouseBase));
    sc.objects.push_back(MeshObject("LampDome", Finish(DomeMesh(240), 60), "CHROME", lanternTop));
    sc.objects.push_back(
        MeshObject("Stack01", Finish(RockStack(101, 420, 700), 65), "ROCK", stack1));
    sc.objects.push_back(
        MeshObject("Stack02", Finish(RockStack(202, 380, 200), 65), "ROCK", stack2));
    sc.objects.push_back(
        MeshObject("Stack03", Finish(RockStack(303, 480, 1100), 65), "ROCK", stack3));
    sc.objects.push_back(MeshObject("ChromeOrb", Finish(BallMesh(220), 60), "CHROME", orb));
    sc.objects.push_back(MeshObject(
        "Arch01", Finish(Turned(StoneArch(archSpan, archSpring, archThick, 320), 0.6), 50), "STONE",
        arch1));
    sc.objects.push_back(MeshObject(
        "Arch02", Finish(Turned(StoneArch(archSpan, archSpring, archThick, 320), -0.5), 50),
        "STONE", arch2));
    sc.objects.push_back(MeshObject("Brazier01", Finish(BrazierMesh(), 50), "STONE", brazier));
    const float bannerTop = archSpring + archSpan / 2 - 160;
    sc.objects.push_back(MeshObject("Banner01", Finish(Turned(BannerMesh(900, 1400, 1), 0.6), 60),
                                    "BANNER", Above(arch1, bannerTop)));
    sc.objects.push_back(MeshObject("Banner02", Finish(Turned(BannerMesh(900, 1400, 2), -0.5), 60),
                                    "BANNER", Above(arch2, bannerTop)));
    sc.objects.push_back(
        MeshObject("Pier", Finish(PierMesh(2200), 50), "WOOD", {-2900.0f, -1250.0f, 600.0f}));

    // The buoys ride on one keyframer-only node that bobs; each also rocks a little of its own.
    ObjectDesc rig;
    rig.name = "BuoyRig";
    rig.dummy = true;
    for (int f = 0; f <= kLast; f += 15)
        rig.position.push_back({f, Above(buoys, static_cast<float>(40 * Sin(f * kTau / 90)))});
    sc.objects.push_back(rig);
    const Vec3 buoyOffsets[3] = {
        {0.0f, 0.0f, 0.0f}, {420.0f, 0.0f, 380.0f}, {-300.0f, 0.0f, 520.0f}};
    for (int i = 0; i < 3; ++i) {
        ObjectDesc b =
            MeshObject("Buoy0" + std::to_string(i + 1), Finish(BuoyMesh(), 50), "BUOYPAINT");
        b.parent = "BuoyRig";
        b.position.clear();
        for (int f = 0; f <= kLast; f += 20)
            b.position.push_back(
                {f, Above(buoyOffsets[i], static_cast<float>(18 * Sin(f * kTau / 55 + i * 2.1)))});
        sc.objects.push_back(std::move(b));
    }

    // Emitters: fire in the brazier, spray at the foot of the first stack.
    sc.objects.push_back(
        MeshObject("emitter01", Finish(EmitterPad(70), 10), "FIRE", Above(brazier, 230)));
    sc.objects.push_back(MeshObject("emitter02", Finish(EmitterPad(240), 10), "FIRE",
                                    {stack1.x - 520, kWater + 30, stack1.z + 180}));
    s.emitters.push_back(
        {"emitter01", 260, 0.22f, 42, 5.0f, 22, 255, 170, 70, 255, 0, 100000, "SPARK.jpg"});
    s.emitters.push_back(
        {"emitter02", 180, 0.9f, 70, 2.2f, 30, 110, 170, 180, 255, 40, 100000, "MIST.jpg"});

    // Lights: a warm key over the island, a cool fill over the sea, the fire's flicker, two
    // flares (never device lights) and the lighthouse beam.
    OmniDesc key{"KeyLamp", {}, Still(Vec3{0.95f, 0.62f, 0.30f})};
    key.position = {{0, Vec3{-800.0f, 2600.0f, 900.0f}},
                    {600, Vec3{700.0f, 2900.0f, -400.0f}},
                    {kLast, Vec3{-800.0f, 2600.0f, 900.0f}}};
    OmniDesc fill{"FillTeal", {}, Still(Vec3{0.25f, 0.55f, 0.60f})};
    fill.position = {{0, Vec3{-1800.0f, 300.0f, 4600.0f}},
                     {600, Vec3{1500.0f, 500.0f, 4200.0f}},
                     {kLast, Vec3{-1800.0f, 300.0f, 4600.0f}}};
    OmniDesc glow{"FireGlow", Still(Above(brazier, 380)), {}};
    Rng flicker(7);
    for (int f = 0; f <= kLast; f += 6) {
        float k = static_cast<float>(flicker.Range(0.65, 1.0));
        glow.colour.push_back({f, Vec3{1.0f * k, 0.55f * k, 0.18f * k}});
    }
    sc.omnis = {
        key, fill, glow,
        OmniDesc{"flrTower", Still(Above(lanternTop, 140)), Still(Vec3{1.0f, 0.8f, 0.5f})},
        OmniDesc{"flrArch", Still(Above(arch2, keystoneTop + 120)), Still(Vec3{1.0f, 0.7f, 0.4f})}};
    SpotDesc beam;
    beam.name = "BeamSpot";
    beam.position = Still(Above(lanternTop, 60));
    for (int f = 0; f <= kLast; f += 25)
        beam.target.push_back(
            {f, Vec3{lanternTop.x + 5200 * Cos(f * kTau / 400), static_cast<double>(kWater),
                     lanternTop.z + 5200 * Sin(f * kTau / 400)}});
    beam.colour = {0.9f, 0.75f, 0.5f};
    beam.hotspot = Still(14.0f);
    beam.falloff = Still(30.0f);
    sc.spots = {beam};

    // Cameras, in index order 1..8.
    const Vec3 centre{0.0f, 0.0f, 0.0f};
    sc.cameras.push_back(PathCamera(
        "Cam01", 50, 50,  // low over the water towards the first arch
        [](double t) {
            return Lerp(Vec3{-900.0f, -1240.0f, 7200.0f}, Vec3{-2600.0f, -1150.0f, 2600.0f},
                        float(t));
        },
        [&](double t) {
            return Lerp(Above(arch1, -1000), Above(lighthouseBase, -200), float(t));
        }));
    sc.cameras.push_back(PathCamera(
        "Cam02", 46, 25,  // round the fire on the arch
        [&](double t) { return Orbit(brazier, 0.4 + 2.4 * t, 1100, brazier.y + 500); },
        [&](double) { return Above(brazier, 260); }));
    sc.cameras.push_back(PathCamera(
        "Cam03", 55, 50,  // up the lighthouse from below
        [&](double t) {
            return Orbit(lighthouseBase, -0.9 + 0.8 * t, 1500, lighthouseBase.y + 150 + 1500 * t);
        },
        [&](double t) { return Above(lighthouseBase, static_cast<float>(1400 + 1000 * t)); }));
    sc.cameras.push_back(PathCamera(
        "Cam04", 52, 50,  // the long round of the island
        [&](double t) {
            return Orbit(centre, 2.9 - 2.6 * t, 9200 - 2600 * Sin(kPi * t),
                         -950 + 2400 * t * t + 260 * Sin(t * 9));
        },
        [&](double t) {
            return Lerp(Above(arch1, -1100), Above(lighthouseBase, 200),
                        float(SmoothStep(0.1, 0.8, t)));
        }));
    sc.cameras.push_back(PathCamera(
        "Cam05", 58, 100,  // high and wide
        [](double t) {
            return Lerp(Vec3{-2600.0f, 5600.0f, 11500.0f}, Vec3{3800.0f, 5000.0f, 10800.0f},
                        float(t));
        },
        [](double) {
            return Vec3{0.0f, -500.0f, 0.0f};
        }));
    sc.cameras.push_back(PathCamera(
        "Cam06", 44, 50,  // down by the buoys
        [&](double t) { return Orbit(buoys, 1.1 + 1.2 * t, 1400, kWater + 230); },
        [&](double) { return Above(buoys, 120); }));
    sc.cameras.push_back(PathCamera(
        "Cam07", 48, 50,  // the chrome ball on its stack
        [&](double t) { return Orbit(orb, -2.3 + 1.6 * t, 1500, orb.y + 300 - 500 * t); },
        [&](double) { return orb; }));
    sc.cameras.push_back(PathCamera(
        "Cam08", 56, 50,  // fast past the stacks
        [](double t) {
            return Lerp(Vec3{7600.0f, -1000.0f, 2600.0f}, Vec3{6400.0f, -600.0f, -9000.0f},
                        float(t));
        },
        [&](double t) {
            return Lerp(Above(stack1, 300), Above(stack3, 200), float(SmoothStep(0.3, 1.0, t)));
        }));

    // Textures, under the names the engine looks for.
    s.textures.push_back({"SKY.jpg", SkyDusk(512, 256, 3), 90});
    s.textures.push_back({"WATER.jpg", WaterRipples(512, 4), 95, true});
    s.textures.push_back({"ROCK.jpg", RockTexture(512, 5), 88});
    s.textures.push_back({"STONE.jpg", StoneBlocks(512, 6), 88});
    s.textures.push_back({"CHROME.jpg", ChromeEnvironment(256), 92});
    s.textures.push_back({"BANNER.jpg", BannerCloth(256, 7), 90});
    s.textures.push_back({"BANNOP.jpg", BannerOpacity(256, 8), 95, true});
    s.textures.push_back({"WOOD.jpg", WoodPlanks(256, 9), 88});
    s.textures.push_back({"SPARK.jpg", SparkSprite(64), 92});
    s.textures.push_back({"MIST.jpg", MistSprite(64), 92});
    return s;
}

}  // namespace content::scenes
