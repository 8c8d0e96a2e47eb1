// The scenes fit the effects that show them: sizes after each effect's own scaling, cameras
// that stay above the water and inside the hall, surfaces facing where they are seen from.
#include <gtest/gtest.h>

#include <cmath>

#include "content/scenes/Landscape.h"
#include "content/scenes/Scenes.h"

namespace content::scenes {
namespace {

const ObjectDesc& Object(const SceneDesc& s, const std::string& name) {
    for (const ObjectDesc& o : s.objects)
        if (o.name == name) return o;
    throw std::runtime_error("no object " + name);
}

TEST(SceneDesign, MetalGearFitsTheRingOfEight) {
    SceneFiles s = BuildMetalPieceScene();
    float across = 0, thick = 0;
    for (Vec3 p : s.scene.objects.front().mesh.positions) {
        across = std::max(across, std::sqrt(p.y * p.y + p.z * p.z) * 0.15f);
        thick = std::max(thick, std::fabs(p.x) * 0.15f);
    }
    // Eight copies 400 from the axis stand 306 apart.
    EXPECT_LT(across, 150.0f);
    EXPECT_GT(across, 110.0f);
    EXPECT_LT(thick, 60.0f);
}

TEST(SceneDesign, RingPiecesCloseIntoOneWheelAroundTheDrum) {
    SceneFiles ring = BuildRingPieceScene();
    float innermost = 1e9f;
    for (Vec3 p : ring.scene.objects.front().mesh.positions) {
        // The engine's mapping and quarter turn: world = (0.1 x - 50, -0.1 z, 0.1 y).
        Vec3 w{0.1f * p.x - 50, -0.1f * p.z, 0.1f * p.y};
        float r = std::sqrt(w.x * w.x + w.z * w.z);
        innermost = std::min(innermost, r);
        EXPECT_LT(r, 380.0f);
        EXPECT_LT(std::fabs(static_cast<float>(Atan2(w.z, -w.x))), kPi / 8)
            << "overlaps the next copy";
        EXPECT_LT(std::fabs(w.y), 60.0f);
    }
    SceneFiles drum = BuildRingCentreScene();
    for (Vec3 p : drum.scene.objects.front().mesh.positions)
        EXPECT_LT(std::sqrt(p.x * p.x + p.z * p.z) * 55, innermost);
}

TEST(SceneDesign, KnotAndCubeSuitTheirCameras) {
    const SceneFiles knot = BuildKnotScene(), cube = BuildGridCubeScene();
    for (Vec3 p : knot.scene.objects.front().mesh.positions)
        EXPECT_LT(Length(p) * 125, 300.0f);  // the camera stands 380 from the centre
    for (Vec3 p : cube.scene.objects.front().mesh.positions)
        EXPECT_LE(std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)}), 80.01f);
}

TEST(SceneDesign, EndSculptureStaysUnderItsLightAndTheCameraCirclesIt) {
    SceneFiles s = BuildEndScene();
    const ObjectDesc& o = s.scene.objects.front();
    float top = -1e9f;
    for (Vec3 p : o.mesh.positions) top = std::max(top, p.y + o.position.front().value.y);
    EXPECT_LT(top, 89.0f);
    const CameraDesc& cam = s.scene.cameras.front();
    double turned = 0, last = 0;
    for (const VecKey& k : cam.position) {
        double a = Atan2(k.value.z, k.value.x);
        if (k.frame > 50 && k.frame <= 700) {
            double d = a - last;
            while (d > kPi) d -= kTau;
            while (d < -kPi) d += kTau;
            turned += d;
        }
        last = a;
        EXPECT_GT(std::sqrt(k.value.x * k.value.x + k.value.z * k.value.z), 1000.0f);
    }
    EXPECT_NEAR(std::fabs(turned), kTau, 0.3);
}

TEST(SceneDesign, WaterSceneCamerasStayAboveWaterAndGround) {
    SceneFiles s = BuildWaterScene();
    ASSERT_EQ(s.scene.cameras.size(), 8u);
    for (const CameraDesc& c : s.scene.cameras) {
        EXPECT_GE(c.position.back().frame, 1200) << c.name;
        for (size_t i = 0; i + 1 < c.position.size(); ++i) {
            for (int step = 0; step < 4; ++step) {
                Vec3 p = Lerp(c.position[i].value, c.position[i + 1].value, step / 4.0f);
                EXPECT_GT(p.y, -1350.0f) << c.name << " frame " << c.position[i].frame;
                EXPECT_GT(p.y, IslandHeight(p.x, p.z) + 100)
                    << c.name << " frame " << c.position[i].frame;
            }
        }
    }
    // The sky is seen from inside.
    const ObjectDesc& sky = Object(s.scene, "SkyDome");
    for (size_t i = 0; i < sky.mesh.positions.size(); i += 7)
        EXPECT_LT(Dot(sky.mesh.normals[i], sky.mesh.positions[i]), 0.0f);
}

TEST(SceneDesign, WaterSceneCamerasFlyClearOfTheSeaStacks) {
    SceneFiles s = BuildWaterScene();
    for (const char* name : {"Stack01", "Stack02", "Stack03"}) {
        const ObjectDesc& stack = Object(s.scene, name);
        const Vec3 at = stack.position.front().value;
        float radius = 0, top = -1e9f;
        for (Vec3 p : stack.mesh.positions) {
            radius = std::max(radius, std::sqrt(p.x * p.x + p.z * p.z));
            top = std::max(top, p.y + at.y);
        }
        for (const CameraDesc& c : s.scene.cameras) {
            for (size_t i = 0; i + 1 < c.position.size(); ++i) {
                for (int step = 0; step < 4; ++step) {
                    Vec3 p = Lerp(c.position[i].value, c.position[i + 1].value, step / 4.0f);
                    if (p.y > top + 150) continue;
                    const float dx = p.x - at.x, dz = p.z - at.z;
                    EXPECT_GT(std::sqrt(dx * dx + dz * dz), radius + 150)
                        << c.name << " frame " << c.position[i].frame << " meets " << name;
                }
            }
        }
    }
}

TEST(SceneDesign, HallSurfacesFaceInAndCamerasStayInside) {
    SceneFiles s = BuildScreenScene();
    const Vec3 centre{0.0f, 950.0f, 0.0f};
    for (const char* name : {"Floor", "Walls", "Ceiling"}) {
        const FinishedMesh& m = Object(s.scene, name).mesh;
        for (size_t i = 0; i < m.positions.size(); ++i)
            ASSERT_GT(Dot(m.normals[i], centre - m.positions[i]), 0.0f) << name;
    }
    for (const Vec3& n : Object(s.scene, "ekrScreen").mesh.normals) EXPECT_LT(n.z, -0.99f);
    ASSERT_EQ(s.scene.cameras.size(), 6u);
    for (const CameraDesc& c : s.scene.cameras) {
        EXPECT_GE(c.position.back().frame, 1300);
        for (const VecKey& k : c.position) {
            EXPECT_LT(std::fabs(k.value.x), 2300.0f) << c.name;
            EXPECT_LT(std::fabs(k.value.z), 3500.0f) << c.name;
            EXPECT_GT(k.value.y, 50.0f) << c.name;
            EXPECT_LT(k.value.y, 1850.0f) << c.name;
        }
    }
}

}  // namespace
}  // namespace content::scenes
