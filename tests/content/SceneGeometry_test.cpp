// Shapes of the scene meshes: faces point outwards, texture coordinates turn the same way as
// the faces (the bump-lit meshes' tangent frames depend on it), normals are unit length.
#include <gtest/gtest.h>

#include <cmath>

#include "content/scenes/Primitives.h"
#include "content/scenes/Scenes.h"

namespace content::scenes {
namespace {

double UvArea(const FinishedMesh& m, const std::array<uint16_t, 3>& f) {
    Vec2 a = m.uvs[f[0]], b = m.uvs[f[1]], c = m.uvs[f[2]];
    return (double(b.u) - a.u) * (double(c.v) - a.v) - (double(b.v) - a.v) * (double(c.u) - a.u);
}

void ExpectClosedOutward(const FinishedMesh& m, const std::string& what) {
    EXPECT_GT(SignedVolume(m), 0.0) << what;
}

void ExpectUvOrientation(const FinishedMesh& m, const std::string& what) {
    size_t bad = 0;
    for (const auto& f : m.faces)
        if (!(UvArea(m, f) > 1e-12)) ++bad;
    EXPECT_EQ(bad, 0u) << what << ": faces whose (u, v) are mirrored or without area";
}

TEST(SceneGeometry, ObjsMeshesAreClosedAndOutward) {
    for (SceneFiles s : {BuildMetalPieceScene(), BuildRingPieceScene(), BuildRingCentreScene(),
                         BuildKnotScene(), BuildGridCubeScene(), BuildEndScene()}) {
        const FinishedMesh& m = s.scene.objects.front().mesh;
        ExpectClosedOutward(m, s.entry());
        for (const Vec3& n : m.normals) ASSERT_NEAR(Length(n), 1.0f, 1e-4f) << s.entry();
    }
}

TEST(SceneGeometry, BumpLitMeshesHaveConsistentTextureCoordinates) {
    for (SceneFiles s :
         {BuildRingPieceScene(), BuildRingCentreScene(), BuildKnotScene(), BuildGridCubeScene()})
        ExpectUvOrientation(s.scene.objects.front().mesh, s.entry());
}

TEST(SceneGeometry, PrimitivesPointOutwards) {
    ExpectClosedOutward(Finish(BevelBox({1.0f, 2.0f, 3.0f}, 0.3f, 2, 2), 40), "bevel box");
    ExpectUvOrientation(Finish(BevelBox({1.0f, 2.0f, 3.0f}, 0.3f, 2, 2), 40), "bevel box");
    FinishedMesh sphere =
        Finish(Lathe({{0, -1}, {0.7f, -0.7f}, {1, 0}, {0.7f, 0.7f}, {0, 1}}, 16, 1, 1), 60);
    ExpectClosedOutward(sphere, "lathe");
    ExpectUvOrientation(sphere, "lathe");
    std::vector<Vec3> path = {
        {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {2.0f, 0.5f, 0.0f}, {3.0f, 1.0f, 0.0f}};
    std::vector<Vec2> sq = {{0.2f, 0.2f}, {-0.2f, 0.2f}, {-0.2f, -0.2f}, {0.2f, -0.2f}};
    FinishedMesh tube = Finish(Sweep(path, false, sq, 1, 1), 30);
    ExpectClosedOutward(tube, "sweep");
    FinishedMesh hf = Finish(HeightField(0, 0, 4, 4, 4, 4, std::vector<float>(25, 0.0f), 1), 30);
    for (const Vec3& n : hf.normals) EXPECT_GT(n.y, 0.99f);
    ExpectUvOrientation(hf, "height field");
}

}  // namespace
}  // namespace content::scenes
