// "Objs\stagi.3ds" and "Objs\wcube.3ds", meshes lit per pixel through bump maps. Their (u, v)
// run evenly and the same way round on every face, since the tangent frames come from them.
//  - stagi: a (2, 3) torus knot, drawn 125 times larger, turning in front of a camera about
//    380 units away: about 440 units across in that world.
//  - wcube: a bevelled cube for the 4 x 4 x 4 grid of spacing about 410 through which the
//    camera drifts; 160 units across, so the camera seldom passes through one.
#include "content/scenes/Primitives.h"
#include "content/scenes/Scenes.h"

namespace content::scenes {

Mesh KnotWorld() {
    const int n = 288;
    const double big = 132, small = 56;
    std::vector<Vec3> path;
    for (int i = 0; i < n; ++i) {
        double t = kTau * i / n;
        double r = big + small * Cos(3 * t);
        path.push_back(Vec3{r * Cos(2 * t), small * 1.1 * Sin(3 * t), r * Sin(2 * t)});
    }
    std::vector<Vec2> section;
    const int m = 20;
    for (int k = 0; k < m; ++k) {
        double a = kTau * k / m;
        section.push_back({static_cast<float>(30 * Cos(a)), static_cast<float>(30 * Sin(a))});
    }
    return Sweep(path, true, section, 14.0f, 1.0f);
}

SceneFiles BuildKnotScene() {
    SceneFiles s;
    s.folder = "Objs\\";
    s.file = "stagi.3ds";
    s.scene.materials.push_back(MakeMaterial("STAGIKNOT", {190, 180, 160}, 40, 50));
    Mesh knot = KnotWorld();
    knot.Transform([](Vec3 p) { return p * (1.0f / 125.0f); });
    s.scene.objects.push_back(MeshObject("stagiKnot", Finish(knot, 50.0f), "STAGIKNOT"));
    return s;
}

SceneFiles BuildGridCubeScene() {
    SceneFiles s;
    s.folder = "Objs\\";
    s.file = "wcube.3ds";
    s.scene.materials.push_back(MakeMaterial("WCUBE", {170, 175, 180}, 30, 40));
    Mesh cube = BevelBox({80.0f, 80.0f, 80.0f}, 16.0f, 3, 4);
    s.scene.objects.push_back(MeshObject("wcubeBox", Finish(cube, 50.0f), "WCUBE"));
    return s;
}

}  // namespace content::scenes
