// "Objs\endscene.3ds": a crown-like sculpture on a stepped plinth, placed by its tracks so that
// its top stays below the scene's fixed light at (0, 89, 0), and a first camera that circles it
// from frame 50 to frame 700 (the end scene plays the camera at 0.35 frames per tick from 50).
#include "content/scenes/Primitives.h"
#include "content/scenes/Scenes.h"

namespace content::scenes {

Mesh SculptureMesh() {
    // Stepped round plinth, 0..120 high.
    std::vector<Vec2> plinth = {{0, 0},    {760, 0},  {760, 40},  {640, 40},
                                {640, 80}, {520, 80}, {520, 120}, {0, 120}};
    Mesh m = Lathe(plinth, 96, 6, 1 / 400.0f);
    // A low dome in the middle, under the light.
    std::vector<Vec2> dome;
    for (int i = 0; i <= 12; ++i) {
        double a = kPi / 2 * i / 12;
        dome.push_back({static_cast<float>(260 * Cos(a)), static_cast<float>(110 + 150 * Sin(a))});
    }
    m.Append(Lathe(dome, 64, 4, 1 / 300.0f));
    // Twelve blades rising from the plinth's edge and leaning in over the dome.
    std::vector<Vec2> blade = {{22, 0}, {-22, 0}, {-22, -90}, {22, -90}};
    std::vector<Vec2> bladeSection;
    for (const Vec2& p : blade) bladeSection.push_back(p);
    for (int k = 0; k < 12; ++k) {
        double a = kTau * k / 12;
        std::vector<Vec3> path;
        for (int i = 0; i <= 16; ++i) {
            double t = static_cast<double>(i) / 16;
            double r = 600 - 330 * t * t;
            double y = 110 + 430 * Sin(t * kPi / 2);
            double twist = a + 0.35 * t;
            path.push_back(Vec3{r * Cos(twist), y, r * Sin(twist)});
        }
        m.Append(Sweep(path, false, bladeSection, 2.0f, 1.0f));
    }
    // A ring the blades hold up.
    std::vector<Vec3> ring = Circle(270, 540, 96);
    std::vector<Vec2> tube;
    for (int k = 0; k < 16; ++k) {
        double a = kTau * k / 16;
        tube.push_back({static_cast<float>(26 * Cos(a)), static_cast<float>(26 * Sin(a))});
    }
    m.Append(Sweep(ring, true, tube, 8.0f, 1.0f));
    return m;
}

SceneFiles BuildEndScene() {
    SceneFiles s;
    s.folder = "Objs\\";
    s.file = "endscene.3ds";
    s.scene.materials.push_back(MakeMaterial("ENDSTONE", {200, 195, 185}, 25, 30));
    ObjectDesc sculpture =
        MeshObject("endCrown", Finish(SculptureMesh(), 40.0f), "ENDSTONE", {0.0f, -560.0f, 0.0f});
    s.scene.objects.push_back(std::move(sculpture));

    // The camera: once round in frames 50..700, rising and falling, keys every 25 frames.
    CameraDesc cam;
    cam.name = "EndCam";
    for (int f = 0; f <= 800; f += 25) {
        double a = kTau * (f - 50) / 650.0 + 0.6;
        double r = 1450 + 220 * Sin(2 * a);
        double y = 380 + 240 * Sin(1.5 * a + 0.4);
        cam.position.push_back({f, Vec3{r * Cos(a), y, r * Sin(a)}});
        cam.target.push_back({f, Vec3{0.0, -260 + 80 * Sin(a), 0.0}});
    }
    cam.fov = Still(60.0f);
    cam.roll = Still(0.0f);
    s.scene.cameras.push_back(cam);
    s.scene.lastFrame = 800;
    return s;
}

}  // namespace content::scenes
