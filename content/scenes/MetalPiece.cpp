// "Objs\szk.3ds": a machined gear for the reflection-mapped ring of eight. The engine scales
// it by 0.15 and moves it 400 units along -x, then turns eight copies round the vertical axis,
// so the gear's own axis lies along x: each copy faces out of the ring. About 1800 units
// across here, 270 in the ring.
#include "content/scenes/Primitives.h"
#include "content/scenes/Scenes.h"

namespace content::scenes {

namespace {

constexpr int kTeeth = 18;

// Radius of the tooth outline at a column's angle: root, flank, tip, flank, root.
struct Column {
    double angle;
    bool tip;
};

std::vector<Column> ToothColumns() {
    const double fractions[] = {0.0, 0.12, 0.30, 0.44, 0.58, 0.76, 0.88};
    const bool tips[] = {false, false, true, true, true, false, false};
    std::vector<Column> cols;
    for (int t = 0; t < kTeeth; ++t)
        for (int i = 0; i < 7; ++i) cols.push_back({kTau * (t + fractions[i]) / kTeeth, tips[i]});
    return cols;
}

}  // namespace

Mesh GearMesh() {
    const double bore = 150, hub = 300, hubHalf = 220, web = 50, rimIn = 680, rimHalf = 110;
    const double root = 780, tip = 900, c = 18;
    const std::vector<Column> cols = ToothColumns();

    // The cross-section, counter-clockwise in (radius, height): out along the bottom, up the
    // teeth, in along the top, down the bore. A radius below 0 marks the tooth outline, drawn
    // |value| units inside it.
    struct P {
        double r, y;
    };
    const double kTooth = -1e6;
    std::vector<P> section = {{bore + c, -hubHalf},
                              {hub - c, -hubHalf},
                              {hub, -hubHalf + c},
                              {hub, -web},
                              {480, -web},
                              {480, -web + 14},
                              {540, -web + 14},
                              {540, -web},  // a turned groove
                              {rimIn, -web},
                              {rimIn, -rimHalf + c},
                              {rimIn + c, -rimHalf},
                              {kTooth - c, -rimHalf},
                              {kTooth, -rimHalf + c},
                              {kTooth, rimHalf - c},
                              {kTooth - c, rimHalf},
                              {rimIn + c, rimHalf},
                              {rimIn, rimHalf - c},
                              {rimIn, web},
                              {540, web},
                              {540, web - 14},
                              {480, web - 14},
                              {480, web},
                              {hub, web},
                              {hub, hubHalf - c},
                              {hub - c, hubHalf},
                              {bore + c, hubHalf},
                              {bore, hubHalf - c},
                              {bore, -hubHalf + c},
                              {bore + c, -hubHalf}};

    std::vector<std::vector<Vec3>> rings;
    std::vector<float> vs;
    double length = 0;
    for (size_t i = 0; i < section.size(); ++i) {
        if (i > 0) {
            double r0 = section[i - 1].r < -1e5 ? root : section[i - 1].r;
            double r1 = section[i].r < -1e5 ? root : section[i].r;
            length += std::sqrt((r1 - r0) * (r1 - r0) + (section[i].y - section[i - 1].y) *
                                                            (section[i].y - section[i - 1].y));
        }
        std::vector<Vec3> ring;
        for (const Column& col : cols) {
            double r = section[i].r;
            if (r < -1e5) r = (col.tip ? tip : root) + (r - kTooth);
            ring.push_back(Vec3{r * Cos(col.angle), section[i].y, r * Sin(col.angle)});
        }
        rings.push_back(std::move(ring));
        vs.push_back(static_cast<float>(length / 400.0));
    }
    std::vector<float> us;
    for (size_t k = 0; k <= cols.size(); ++k)
        us.push_back(static_cast<float>(4.0 * k / cols.size()));
    Mesh gear = Loft(rings, us, vs, true);
    // Axis from y to x.
    gear.Transform([](Vec3 p) { return Vec3{p.y, -p.x, p.z}; });
    return gear;
}

SceneFiles BuildMetalPieceScene() {
    SceneFiles s;
    s.folder = "Objs\\";
    s.file = "szk.3ds";
    MaterialDesc steel = MakeMaterial("SZKSTEEL", {200, 204, 210}, 70, 90);
    steel.ambient = {60, 64, 70};
    s.scene.materials.push_back(steel);
    s.scene.objects.push_back(MeshObject("szkGear", Finish(GearMesh(), 35.0f), "SZKSTEEL"));
    s.scene.lastFrame = 100;
    return s;
}

}  // namespace content::scenes
