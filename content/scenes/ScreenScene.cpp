// "Scene2\Scene.3ds": a long concrete screening hall in haze. The far wall carries the screen
// "ekrScreen" in a lit frame (the engine puts its five pictures on the screen's material);
// benches face it in rows between two lines of pillars under steel beams; three lamps hang from
// a swaying bar. Lights are dim, since the scene's attenuation is strong, and the warm-dark fog
// (colour 0x14140A, density 0.0005) swallows the back of the hall.
//
// Frames: the segment shows frame = 0.7 x (clip time - 200 per cut): camera 1 from frame 0,
// 6 from about 25, 3 from 45, 4 from 70, 5 from 85, each for about 160 frames, and camera 2
// from about 110 to 500. Paths cover frames 0..1300.
#include "content/scenes/Landscape.h"
#include "content/scenes/Primitives.h"
#include "content/scenes/Scenes.h"
#include "content/scenes/Textures.h"

namespace content::scenes {

namespace {

constexpr int kLast = 1300;
constexpr float kHalfWidth = 2400, kHalfLength = 3600, kHeight = 1900;

// A flat rectangle subdivided for vertex lighting: corner `origin`, edges `right` and `down`
// (facing right x down), planar (u, v) per `uvPerUnit` or 0..1 when 0.
Mesh Panel(Vec3 origin, Vec3 right, Vec3 down, int nu, int nv, float uvPerUnit) {
    Mesh m;
    const float lu = Length(right), lv = Length(down);
    for (int j = 0; j <= nv; ++j)
        for (int i = 0; i <= nu; ++i) {
            float a = float(i) / nu, b = float(j) / nv;
            Vec2 uv = uvPerUnit > 0 ? Vec2{a * lu * uvPerUnit, b * lv * uvPerUnit} : Vec2{a, b};
            m.Vertex(origin + right * a + down * b, uv);
        }
    auto at = [&](int i, int j) { return static_cast<uint32_t>(j * (nu + 1) + i); };
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) m.Quad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
    return m;
}

Mesh Block(Vec3 centre, Vec3 half, float bevel, float uvPerUnit) {
    Mesh b = BevelBox(half, bevel, 1, 2, uvPerUnit);
    b.Translate(centre);
    return b;
}

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

}  // namespace

SceneFiles BuildScreenScene() {
    SceneFiles s;
    s.folder = "Scene2\\";
    s.file = "Scene.3ds";
    SceneDesc& sc = s.scene;
    sc.lastFrame = kLast;

    MaterialDesc floor = MakeMaterial("FLOOR", {170, 170, 165}, 30, 25, "FLOOR.TGA");
    MaterialDesc concrete = MakeMaterial("CONCRETE", {200, 198, 192}, 5, 5, "CONCRETE.TGA");
    MaterialDesc steel = MakeMaterial("STEEL", {170, 180, 185}, 40, 50, "METALP.TGA");
    MaterialDesc wood = MakeMaterial("BENCHWOOD", {200, 170, 140}, 15, 15, "WOOD.TGA");
    MaterialDesc screen = MakeMaterial("SCREEN", {255, 255, 255}, 0, 0, "SCREEN.TGA");
    screen.ambient = {255, 255, 255};
    screen.specular = {0, 0, 0};
    MaterialDesc frame = MakeMaterial("FRAME", {190, 190, 195}, 60, 70, "FRAME.TGA");
    MaterialDesc lamp = MakeMaterial("LAMPSHADE", {255, 220, 170}, 30, 40, "LAMP.TGA");
    sc.materials = {floor, concrete, steel, wood, screen, frame, lamp};

    // The room: floor, four walls and ceiling, all facing in.
    const float W = kHalfWidth, L = kHalfLength, H = kHeight;
    sc.objects.push_back(MeshObject(
        "Floor",
        Finish(Panel({-W, 0.0f, L}, {2 * W, 0.0f, 0.0f}, {0.0f, 0.0f, -2 * L}, 24, 36, 1 / 900.0f),
               20),
        "FLOOR"));
    // Each wall faces into the room: right x down points inwards.
    Mesh walls =
        Panel({-W, H, L}, {2 * W, 0.0f, 0.0f}, {0.0f, -H, 0.0f}, 24, 8, 1 / 1000.0f);  // far
    walls.Append(
        Panel({W, H, -L}, {-2 * W, 0.0f, 0.0f}, {0.0f, -H, 0.0f}, 24, 8, 1 / 1000.0f));  // back
    walls.Append(
        Panel({-W, H, -L}, {0.0f, 0.0f, 2 * L}, {0.0f, -H, 0.0f}, 36, 8, 1 / 1000.0f));  // left
    walls.Append(
        Panel({W, H, L}, {0.0f, 0.0f, -2 * L}, {0.0f, -H, 0.0f}, 36, 8, 1 / 1000.0f));  // right
    sc.objects.push_back(MeshObject("Walls", Finish(walls, 20), "CONCRETE"));
    sc.objects.push_back(MeshObject(
        "Ceiling",
        Finish(Panel({-W, H, -L}, {2 * W, 0.0f, 0.0f}, {0.0f, 0.0f, 2 * L}, 12, 18, 1 / 1000.0f),
               20),
        "CONCRETE"));

    // Pillars along both side walls.
    Mesh pillars;
    for (int i = 0; i < 6; ++i) {
        float z = -L + 700 + i * (2 * L - 1400) / 5;
        for (int side = -1; side <= 1; side += 2) {
            std::vector<Vec2> profile = {{0, 0},         {190, 0},      {190, 60}, {150, 100},
                                         {150, H - 120}, {200, H - 60}, {200, H},  {0, H}};
            Mesh p = Lathe(profile, 24, 2, 1 / 900.0f);
            p.Translate({side * (W - 260), 0.0f, z});
            pillars.Append(p);
        }
    }
    sc.objects.push_back(MeshObject("Pillars", Finish(pillars, 45), "CONCRETE"));

    // Steel beams across the ceiling.
    Mesh beams;
    for (int i = 0; i < 7; ++i)
        beams.Append(Block({0.0f, H - 90, -L + 500 + i * (2 * L - 1000) / 6}, {W, 70.0f, 60.0f}, 8,
                           1 / 800.0f));
    beams.Append(Block({0.0f, H - 40, 0.0f}, {50.0f, 30.0f, L}, 6, 1 / 800.0f));
    sc.objects.push_back(MeshObject("Beams", Finish(beams, 45), "STEEL"));

    // Benches in rows facing the screen, an aisle down the middle.
    Mesh benches;
    for (int row = 0; row < 7; ++row) {
        float z = 1400 - row * 520.0f;
        for (int side = -1; side <= 1; side += 2) {
            float x = side * 1050.0f;
            benches.Append(Block({x, 210.0f, z}, {750.0f, 22.0f, 150.0f}, 8, 1 / 600.0f));  // seat
            benches.Append(
                Block({x, 420.0f, z - 150}, {750.0f, 120.0f, 18.0f}, 8, 1 / 600.0f));  // back
            for (int leg = -1; leg <= 1; leg += 2)
                benches.Append(
                    Block({x + leg * 650, 95.0f, z}, {25.0f, 95.0f, 120.0f}, 5, 1 / 600.0f));
        }
    }
    sc.objects.push_back(MeshObject("Benches", Finish(benches, 45), "BENCHWOOD"));

    // The screen, facing down the hall (-z), and its frame; (u, v) 0..1 over the picture.
    const float sw = 1300, sTop = 1650, sBottom = 250, sz = L - 80;
    sc.objects.push_back(MeshObject(
        "ekrScreen",
        Finish(Panel({-sw, sTop, sz}, {2 * sw, 0.0f, 0.0f}, {0.0f, sBottom - sTop, 0.0f}, 16, 9, 0),
               10),
        "SCREEN"));
    Mesh frameMesh;
    const float t = 60;
    frameMesh.Append(Block({0.0f, sTop + t, sz + 10}, {sw + 2 * t, t, 40.0f}, 14, 1 / 500.0f));
    frameMesh.Append(Block({0.0f, sBottom - t, sz + 10}, {sw + 2 * t, t, 40.0f}, 14, 1 / 500.0f));
    frameMesh.Append(Block({-sw - t, (sTop + sBottom) / 2, sz + 10},
                           {t, (sTop - sBottom) / 2, 40.0f}, 14, 1 / 500.0f));
    frameMesh.Append(Block({sw + t, (sTop + sBottom) / 2, sz + 10},
                           {t, (sTop - sBottom) / 2, 40.0f}, 14, 1 / 500.0f));
    frameMesh.Append(
        Block({0.0f, 110.0f, sz - 300}, {sw + 300, 110.0f, 320.0f}, 12, 1 / 500.0f));  // stage
    sc.objects.push_back(MeshObject("ScrFrame", Finish(frameMesh, 45), "FRAME"));

    // Three lamps hang from a bar that sways slowly; the bar is their parent.
    ObjectDesc bar = MeshObject(
        "LampBar", Finish(Block({0.0f, 0.0f, 0.0f}, {20.0f, 20.0f, 1500.0f}, 5, 1 / 500.0f), 45),
        "STEEL");
    bar.position.clear();
    for (int f = 0; f <= kLast; f += 50)
        bar.position.push_back(
            {f, Vec3{static_cast<float>(60 * Sin(f * kTau / 400)), H - 420, 300.0f}});
    sc.objects.push_back(bar);
    for (int i = 0; i < 3; ++i) {
        std::vector<Vec2> shade = {{0, -40},  {40, -40}, {220, -200}, {210, -215},
                                   {30, -60}, {24, 0},   {24, 250},   {0, 250}};
        ObjectDesc l =
            MeshObject("Lamp0" + std::to_string(i + 1), Finish(Lathe(shade, 24, 1, 1 / 300.0f), 45),
                       "LAMPSHADE", {0.0f, -250.0f, (i - 1) * 1200.0f});
        l.parent = "LampBar";
        sc.objects.push_back(std::move(l));
    }

    // Lights.
    OmniDesc lampLights[3];
    for (int i = 0; i < 3; ++i) {
        lampLights[i].name = "LampLt0" + std::to_string(i + 1);
        for (int f = 0; f <= kLast; f += 50)
            lampLights[i].position.push_back({f, Vec3{static_cast<float>(60 * Sin(f * kTau / 400)),
                                                      H - 900, 300 + (i - 1) * 1200.0f}});
        lampLights[i].colour = Still(Vec3{0.10f, 0.068f, 0.034f});
    }
    OmniDesc glow{"ScreenLt", Still(Vec3{0.0f, 900.0f, L - 900}), {}};
    Rng flicker(11);
    for (int f = 0; f <= kLast; f += 10) {
        float k = static_cast<float>(flicker.Range(0.7, 1.0));
        glow.colour.push_back({f, Vec3{0.05f * k, 0.085f * k, 0.095f * k}});
    }
    sc.omnis = {
        lampLights[0], lampLights[1], lampLights[2], glow,
        OmniDesc{"flrExit", Still(Vec3{0.0f, 1500.0f, -L + 40}), Still(Vec3{0.2f, 0.9f, 0.5f})}};
    SpotDesc stage;
    stage.name = "StageSpot";
    stage.position = Still(Vec3{0.0f, H - 150, 200.0f});
    stage.target = Still(Vec3{0.0f, 300.0f, L - 500});
    stage.colour = {0.16f, 0.12f, 0.08f};
    stage.hotspot = Still(25.0f);
    stage.falloff = Still(45.0f);
    sc.spots = {stage};

    // Cameras 1..6.
    sc.cameras.push_back(PathCamera(
        "Cam01", 50, 50,  // down the aisle towards the screen
        [&](double t) {
            return Lerp(Vec3{0.0f, 700.0f, -L + 300}, Vec3{0.0f, 900.0f, 1200.0f},
                        float(SmoothStep(0, 0.5, t)));
        },
        [&](double) {
            return Vec3{0.0f, 900.0f, L};
        }));
    sc.cameras.push_back(PathCamera(
        "Cam02", 52, 50,  // slow arc from the side to the front
        [&](double t) {
            return Vec3{static_cast<float>(-1900 * Cos(t * 2.2)), static_cast<float>(600 + 500 * t),
                        static_cast<float>(L - 2600 - 1200 * Sin(t * 2.2))};
        },
        [&](double) {
            return Vec3{0.0f, 900.0f, L - 100};
        }));
    sc.cameras.push_back(PathCamera(
        "Cam03", 56, 50,  // rising from the floor by the stage
        [&](double t) {
            return Vec3{900.0f, static_cast<float>(120 + 1400 * SmoothStep(0, 0.4, t)), L - 1500};
        },
        [&](double) {
            return Vec3{-200.0f, 900.0f, L - 80};
        }));
    sc.cameras.push_back(PathCamera(
        "Cam04", 40, 50,  // close on the screen, drifting in
        [&](double t) {
            return Vec3{static_cast<float>(-500 + 900 * t), 950.0f,
                        static_cast<float>(L - 2400 + 900 * SmoothStep(0, 0.5, t))};
        },
        [&](double) {
            return Vec3{0.0f, 950.0f, L};
        }));
    sc.cameras.push_back(PathCamera(
        "Cam05", 60, 50,  // from the beams, looking down the hall
        [&](double t) {
            return Vec3{static_cast<float>(W - 500), H - 220,
                        static_cast<float>(-L + 800 + 2000 * t)};
        },
        [&](double) {
            return Vec3{0.0f, 400.0f, L - 600};
        }));
    sc.cameras.push_back(PathCamera(
        "Cam06", 48, 50,  // along the benches, low
        [&](double t) {
            return Vec3{static_cast<float>(-W + 500), 380.0f,
                        static_cast<float>(-1600 + 2200 * SmoothStep(0, 0.5, t))};
        },
        [&](double t) {
            return Vec3{static_cast<float>(600 * t), 600.0f, L - 300};
        }));

    s.textures.push_back({"FLOOR.jpg", FloorTiles(512, 21), 88});
    s.textures.push_back({"CONCRETE.jpg", Concrete(512, 22), 88});
    s.textures.push_back({"METALP.jpg", PaintedMetal(256, 23), 88});
    s.textures.push_back({"WOOD.jpg", WoodPlanks(256, 24), 88});
    s.textures.push_back({"SCREEN.jpg", ScreenCard(512), 90});
    s.textures.push_back({"FRAME.jpg", ScreenFrame(256, 25), 88});
    s.textures.push_back({"LAMP.jpg", LampGlow(128), 90});
    return s;
}

}  // namespace content::scenes
