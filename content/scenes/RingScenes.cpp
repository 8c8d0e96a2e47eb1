// "Objs\hau.3ds" and "Objs\tlo.3ds", the two meshes of the ring scene. The engine maps the ring
// piece by (0.1 x - 50, 0.1 y, 0.1 z), stands it up with a quarter turn about x and sets eight
// copies round the vertical axis; the centre piece is scaled by 55 and turns about the vertical.
// Both are designed here as they appear in that world and mapped back, so eight ring pieces
// close into one wheel of spokes and rim segments around a drum carrying the lettering texture.
#include "content/scenes/Primitives.h"
#include "content/scenes/Scenes.h"

namespace content::scenes {

namespace {

// A rounded rectangle section, width w (along the path normal) by height h, corner radius r,
// counter-clockwise from normal to binormal.
std::vector<Vec2> RoundedRect(float w, float h, float r, int perCorner) {
    std::vector<Vec2> pts;
    const float cx[4] = {w / 2 - r, -(w / 2 - r), -(w / 2 - r), w / 2 - r};
    const float cy[4] = {h / 2 - r, h / 2 - r, -(h / 2 - r), -(h / 2 - r)};
    for (int q = 0; q < 4; ++q) {
        for (int i = 0; i <= perCorner; ++i) {
            double a = kPi / 2 * q + kPi / 2 * i / perCorner;
            pts.push_back(
                {static_cast<float>(cx[q] + r * Cos(a)), static_cast<float>(cy[q] + r * Sin(a))});
        }
    }
    return pts;
}

// World (as the ring scene shows it) to the file's own coordinates, inverse of the engine's
// mapping and quarter turn: world = (0.1 x - 50, -0.1 z, 0.1 y).
Vec3 RingWorldToMesh(Vec3 w) { return {(w.x + 50.0f) * 10.0f, w.z * 10.0f, -w.y * 10.0f}; }

}  // namespace

Mesh RingPieceWorld() {
    // Rim segment: an arc round the vertical axis centred on -x, leaving a small gap to the
    // next copy; section 44 wide (radial) by 70 tall.
    const double half = kPi / 8 - 0.035;
    std::vector<Vec3> arc;
    const int n = 28;
    for (int i = 0; i <= n; ++i) {
        double a = kPi - half + 2 * half * i / n;
        arc.push_back(Vec3{330 * Cos(a), 0.0, 330 * Sin(a)});
    }
    Mesh piece = Sweep(arc, false, RoundedRect(44, 70, 10, 3), 3.0f, 1.0f);
    // Spoke from the drum to the rim, with a flange where it meets the rim.
    std::vector<Vec3> spoke;
    for (int i = 0; i <= 8; ++i) spoke.push_back(Vec3{-118.0 - 200.0 * i / 8, 0.0, 0.0});
    piece.Append(Sweep(spoke, false, RoundedRect(22, 34, 7, 3), 3.0f, 1.0f));
    std::vector<Vec3> stud;
    for (int i = 0; i <= 2; ++i) stud.push_back(Vec3{-306.0 - 20.0 * i / 2, 0.0, 0.0});
    piece.Append(Sweep(stud, false, RoundedRect(30, 56, 10, 3), 1.0f, 1.0f));
    return piece;
}

Mesh RingCentreWorld() {
    // A thick drum: outer wall (the lettering, v from top to bottom), lips, inner wall.
    const float ro = 100, ri = 84, h = 34, c = 4;
    struct P {
        float r, y, v;
    };
    // Counter-clockwise in (radius, height): bottom outwards, outer wall up, top inwards, inner
    // wall down. v runs 0..1 down the outer wall; the rest continue beyond.
    const std::vector<P> section = {{ri + c, -h, 1.25f}, {ro - c, -h, 1.08f}, {ro, -h + c, 1.0f},
                                    {ro, h - c, 0.0f},   {ro - c, h, -0.08f}, {ri + c, h, -0.25f},
                                    {ri, h - c, -0.33f}, {ri, -h + c, -1.0f}, {ri + c, -h, -1.08f}};
    const int seg = 96;
    std::vector<std::vector<Vec3>> rings;
    std::vector<float> vs;
    for (const P& p : section) {
        rings.push_back(Circle(p.r, p.y, seg));
        vs.push_back(p.v);
    }
    std::vector<float> us;
    for (int k = 0; k <= seg; ++k) us.push_back(2.0f * k / seg);
    return Loft(rings, us, vs, true);
}

SceneFiles BuildRingPieceScene() {
    SceneFiles s;
    s.folder = "Objs\\";
    s.file = "hau.3ds";
    s.scene.materials.push_back(MakeMaterial("HAUMETAL", {180, 170, 150}, 40, 60));
    Mesh piece = RingPieceWorld();
    piece.Transform(RingWorldToMesh);
    s.scene.objects.push_back(MeshObject("hauSpoke", Finish(piece, 40.0f), "HAUMETAL"));
    return s;
}

SceneFiles BuildRingCentreScene() {
    SceneFiles s;
    s.folder = "Objs\\";
    s.file = "tlo.3ds";
    s.scene.materials.push_back(MakeMaterial("TLODRUM", {200, 190, 170}, 30, 40));
    Mesh drum = RingCentreWorld();
    drum.Transform([](Vec3 p) { return p * (1.0f / 55.0f); });
    s.scene.objects.push_back(MeshObject("tloDrum", Finish(drum, 40.0f), "TLODRUM"));
    return s;
}

}  // namespace content::scenes
