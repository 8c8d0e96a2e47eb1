#include "effects/shader/ShaderMesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "effects/shader/NormalisationCubeMap.h"
#include "effects/shader/TangentFrames.h"
#include "gfx/RecordingDevice.h"
#include "scene/ObjectBuffers.h"
#include "support/EffectPack.h"
#include "support/ReportCapture.h"

namespace {

using effects::ShaderVertex;

ShaderVertex Vertex(float x, float y, float z, float u, float v) {
    ShaderVertex s{};
    s.position[0] = x;
    s.position[1] = y;
    s.position[2] = z;
    s.uv[0] = u;
    s.uv[1] = v;
    return s;
}

std::vector<float> Vec(const float (&v)[3]) { return {v[0], v[1], v[2]}; }

// ---------------------------------------------------------------- tangent frames

TEST(TangentFramesTest, OneFaceGetsTheTextureAxes) {
    std::vector<ShaderVertex> v = {Vertex(0, 0, 0, 0, 0), Vertex(1, 0, 0, 1, 0),
                                   Vertex(0, 1, 0, 0, 1), Vertex(5, 5, 5, 0.5f, 0.5f)};
    const uint16_t faces[] = {0, 1, 2};
    effects::BuildTangentFrames(v.data(), 4, faces, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Vec(v[i].tangent), (std::vector<float>{1, 0, 0})) << i;
        EXPECT_EQ(Vec(v[i].binormal), (std::vector<float>{0, 1, 0})) << i;
    }
    // Used by no face: stays zero.
    EXPECT_EQ(Vec(v[3].tangent), (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(Vec(v[3].binormal), (std::vector<float>{0, 0, 0}));
}

TEST(TangentFramesTest, FollowsTheTextureNotThePositions) {
    // u runs along -z and v along +x on this face of the plane y = 2, scaled unevenly.
    std::vector<ShaderVertex> v = {Vertex(0, 2, 0, 0, 0), Vertex(0, 2, -4, 1, 0),
                                   Vertex(3, 2, 0, 0, 1)};
    const uint16_t faces[] = {0, 1, 2};
    effects::BuildTangentFrames(v.data(), 3, faces, 1);
    EXPECT_EQ(Vec(v[1].tangent), (std::vector<float>{0, 0, -1}));
    EXPECT_EQ(Vec(v[1].binormal), (std::vector<float>{1, 0, 0}));
}

TEST(TangentFramesTest, SharedVerticesSumTheirFacesBeforeNormalising) {
    // Two faces of a bent strip: the shared edge's vertices get the normalised sum.
    std::vector<ShaderVertex> v = {Vertex(0, 0, 0, 0, 0), Vertex(1, 0, 0, 1, 0),
                                   Vertex(0, 1, 0, 0, 1), Vertex(1, 0, 1, 1, 1)};
    const uint16_t faces[] = {0, 1, 2, 2, 1, 3};
    effects::BuildTangentFrames(v.data(), 4, faces, 2);
    // Face 2 has dP/du = (1, -1, 1); vertices 1 and 2 also get face 1's (1, 0, 0).
    for (int i : {1, 2}) {
        const D3DXVECTOR3 t(v[i].tangent);
        EXPECT_NEAR(D3DXVec3Length(&t), 1.0f, 1e-6f);
        EXPECT_GT(t.x, 0.0f);
    }
    EXPECT_EQ(Vec(v[0].tangent), (std::vector<float>{1, 0, 0}));
}

TEST(TangentFramesTest, FacesWithoutTextureAreaOrWithBadIndicesAddNothing) {
    // Face 1 has all three texture coordinates equal (n.x = 0): dividing by it would give its
    // vertices infinities or NaNs. Face 2 names a vertex that does not exist.
    std::vector<ShaderVertex> v = {Vertex(0, 0, 0, 0, 0),       Vertex(1, 0, 0, 1, 0),
                                   Vertex(0, 1, 0, 0, 1),       Vertex(0, 0, 1, 0.3f, 0.3f),
                                   Vertex(1, 1, 1, 0.3f, 0.3f), Vertex(2, 1, 1, 0.3f, 0.3f)};
    const uint16_t faces[] = {0, 1, 2, 3, 4, 5, 0, 1, 9};
    effects::BuildTangentFrames(v.data(), 6, faces, 3);
    for (const ShaderVertex& s : v)
        for (int a = 0; a < 3; ++a) {
            EXPECT_TRUE(std::isfinite(s.tangent[a]));
            EXPECT_TRUE(std::isfinite(s.binormal[a]));
        }
    EXPECT_EQ(Vec(v[0].tangent), (std::vector<float>{1, 0, 0}));
    EXPECT_EQ(Vec(v[4].tangent), (std::vector<float>{0, 0, 0}));
}

// ---------------------------------------------------------------- normalisation cube map

TEST(NormalisationCubeMapTest, TexelsTruncateTheUnitDirection) {
    // normalise(1, 1, 1): each channel truncate((0.57735 + 1) * 127) = 200.
    EXPECT_EQ(effects::NormalisationTexel(D3DCUBEMAP_FACE_POSITIVE_X, 0, 0, 512, 512), 0x00C8C8C8u);
    EXPECT_EQ(effects::NormalisationTexel(D3DCUBEMAP_FACE_NEGATIVE_Z, 255, 255, 512, 512),
              0x007F7F00u);
    EXPECT_EQ(effects::NormalisationTexel(D3DCUBEMAP_FACE_NEGATIVE_Z, 256, 256, 512, 512),
              0x007E7E00u);
    // Near a face centre the direction is already within 0.00001 of unit length squared, so
    // normalising leaves it as it is: +Y's texel next to the centre is (127, 254, 127).
    EXPECT_EQ(effects::NormalisationTexel(D3DCUBEMAP_FACE_POSITIVE_Y, 256, 256, 512, 512),
              0x007FFE7Fu);
    // Face orientation: +X row 0 looks up (+y), -Y column 0 looks to -x.
    EXPECT_GT(
        (effects::NormalisationTexel(D3DCUBEMAP_FACE_POSITIVE_X, 256, 0, 512, 512) >> 8) & 0xFF,
        127u);
    EXPECT_LT(effects::NormalisationTexel(D3DCUBEMAP_FACE_NEGATIVE_Y, 0, 256, 512, 512) >> 16,
              127u);
}

TEST(NormalisationCubeMapTest, BuildsAFullChainAndRecordsItsDescription) {
    testsupport::ReportCapture reports;
    gfx::RecordingDevice device;
    gfx::CubeTexture* cube = nullptr;
    effects::CubeMapDescription description;
    ASSERT_EQ(effects::buildNormalisationCubeMap(&device, 512, 0, cube, description), D3D_OK);
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(description.width, 512u);
    EXPECT_EQ(description.height, 512u);
    EXPECT_EQ(description.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(cube->GetLevelCount(), 10u);
    EXPECT_EQ(device.find("CreateCubeTexture(512, 0, 0x0, D3DFMT_X8R8G8B8, 1) -> " +
                          gfx::ResourceName(cube)),
              0)
        << ::testing::PrintToString(device.callStrings());

    auto texel = [&](D3DCUBEMAP_FACES face, UINT level, UINT x, UINT y) {
        const gfx::Surface* s = cube->surface(face, level);
        uint32_t v;
        std::memcpy(&v, s->bits().data() + y * static_cast<UINT>(s->pitch()) + 4 * x, 4);
        return v & 0x00FFFFFFu;
    };
    EXPECT_EQ(texel(D3DCUBEMAP_FACE_POSITIVE_X, 0, 0, 0), 0x00C8C8C8u);
    EXPECT_EQ(texel(D3DCUBEMAP_FACE_NEGATIVE_Z, 0, 255, 255), 0x007F7F00u);
    EXPECT_EQ(texel(D3DCUBEMAP_FACE_NEGATIVE_Z, 0, 256, 256), 0x007E7E00u);
    // The smaller levels are filtered from level 0: the 1 x 1 level of +Z still points to +z.
    const uint32_t last = texel(D3DCUBEMAP_FACE_POSITIVE_Z, 9, 0, 0);
    EXPECT_GT(last & 0xFF, 200u);
    EXPECT_NEAR(static_cast<int>((last >> 16) & 0xFF), 127, 2);
}

TEST(NormalisationCubeMapTest, AFailedCreationReturnsItsCodeAndLeavesTheMapUnset) {
    testsupport::ReportCapture reports;
    gfx::RecordingDevice device;
    gfx::CubeTexture* cube = nullptr;
    effects::CubeMapDescription description;
    EXPECT_TRUE(FAILED(effects::buildNormalisationCubeMap(&device, 0, 0, cube, description)));
    EXPECT_EQ(cube, nullptr);
    EXPECT_EQ(description.width, 0u);
    EXPECT_TRUE(FAILED(effects::buildNormalisationCubeMap(nullptr, 512, 0, cube, description)));
    EXPECT_EQ(cube, nullptr);
}

// ---------------------------------------------------------------- mesh preparation

class PrepareShaderMeshTest : public ::testing::Test {
  protected:
    PrepareShaderMeshTest()
        : pack({{"Nrm\\quad.nrm", testsupport::NormalsEntry(4)}}), scope(&device) {
        object =
            testsupport::MakeMeshObject("quad", {10, 20, 30, 11, 20, 30, 10, 21, 30, 11, 21, 30},
                                        {0, 0, 1, 0, 0, 1, 1, 1}, {0, 1, 2, 2, 1, 3});
    }
    std::vector<ShaderVertex> contents(const effects::ShaderMesh& mesh) {
        std::vector<ShaderVertex> v(mesh.vertexCount());
        std::memcpy(v.data(), mesh.vertexBuffer->data(), v.size() * sizeof(ShaderVertex));
        return v;
    }

    testsupport::ReportCapture reports;
    testsupport::EffectPack pack;
    gfx::RecordingDevice device;
    testsupport::GlobalDeviceScope scope;
    std::unique_ptr<scene3ds::SceneObject> object;
};

TEST_F(PrepareShaderMeshTest, MapsPositionsAndCopiesNormalsAndTextureCoordinates) {
    ASSERT_TRUE(pack.ok()) << pack.error();
    object->pivot[0] = 10;  // the object's own buffer holds positions minus the pivot
    effects::ShaderMesh mesh;
    effects::PrepareShaderMesh(mesh, object.get(), effects::PositionMapping{0.1f, {-50, 0, 0}},
                               effects::ShaderMeshContent::Textured);
    ASSERT_TRUE(mesh.drawable());
    EXPECT_TRUE(reports.fatals.empty());
    EXPECT_EQ(mesh.indexBuffer, object->indexBuffer);
    EXPECT_EQ(mesh.passMesh().vertexCount, 4u);
    EXPECT_EQ(mesh.passMesh().faceCount, 2u);
    D3DVERTEXBUFFER_DESC desc;
    mesh.vertexBuffer->GetDesc(&desc);
    EXPECT_EQ(desc.Size, 4u * 56u);
    EXPECT_EQ(desc.Usage, D3DUSAGE_WRITEONLY);
    EXPECT_EQ(desc.FVF, 0x112u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);

    const auto v = contents(mesh);
    EXPECT_FLOAT_EQ(v[1].position[0], 0.1f * 1.0f - 50.0f);
    EXPECT_FLOAT_EQ(v[1].position[1], 2.0f);
    EXPECT_FLOAT_EQ(v[1].position[2], 3.0f);
    EXPECT_EQ(Vec(v[1].normal), (std::vector<float>{0.01f, 0, -1}));
    EXPECT_EQ(v[3].uv[0], 1.0f);
    EXPECT_EQ(v[3].uv[1], 1.0f);
    // Tangents wait for buildTangentFrames.
    EXPECT_EQ(Vec(v[2].tangent), (std::vector<float>{0, 0, 0}));
    effects::buildTangentFrames(mesh);
    const auto w = contents(mesh);
    EXPECT_EQ(Vec(w[2].tangent), (std::vector<float>{1, 0, 0}));
    EXPECT_EQ(Vec(w[2].binormal), (std::vector<float>{0, 1, 0}));
}

TEST_F(PrepareShaderMeshTest, PositionsAndNormalsOnlyLeavesTheRestZero) {
    ASSERT_TRUE(pack.ok()) << pack.error();
    effects::ShaderMesh mesh;
    effects::PrepareShaderMesh(mesh, object.get(), effects::PositionMapping{},
                               effects::ShaderMeshContent::PositionsAndNormals);
    ASSERT_TRUE(mesh.drawable());
    for (const ShaderVertex& v : contents(mesh)) {
        EXPECT_EQ(v.uv[0], 0.0f);
        EXPECT_EQ(v.uv[1], 0.0f);
        EXPECT_EQ(Vec(v.tangent), (std::vector<float>{0, 0, 0}));
        EXPECT_EQ(Vec(v.binormal), (std::vector<float>{0, 0, 0}));
        EXPECT_EQ(v.normal[2], -1.0f);
    }
    EXPECT_EQ(contents(mesh)[3].position[0], 11.0f);
}

TEST_F(PrepareShaderMeshTest, ObjectBuffersBuiltEarlierAreUsedAsTheyAre) {
    ASSERT_TRUE(pack.ok()) << pack.error();
    scene::LoadObjectNormals(*object);
    scene::BuildObjectBuffers(*object);
    gfx::VertexBuffer* own = object->vertexBuffer;
    device.clearCalls();
    effects::ShaderMesh mesh;
    effects::PrepareShaderMesh(mesh, object.get(), effects::PositionMapping{},
                               effects::ShaderMeshContent::PositionsAndNormals);
    EXPECT_EQ(object->vertexBuffer, own);
    EXPECT_EQ(device.callsNamed("CreateVertexBuffer").size(), 1u);
    EXPECT_TRUE(device.callsNamed("CreateIndexBuffer").empty());
}

TEST_F(PrepareShaderMeshTest, ObjectsWithoutGeometryGiveAnUndrawableMesh) {
    ASSERT_TRUE(pack.ok()) << pack.error();
    effects::ShaderMesh mesh;
    effects::PrepareShaderMesh(mesh, nullptr, {}, effects::ShaderMeshContent::Textured);
    EXPECT_FALSE(mesh.drawable());
    auto empty = testsupport::MakeMeshObject("quad", {}, {}, {});
    effects::PrepareShaderMesh(mesh, empty.get(), {}, effects::ShaderMeshContent::Textured);
    EXPECT_FALSE(mesh.drawable());
    effects::buildTangentFrames(mesh);  // nothing to do, nothing touched
    EXPECT_EQ(mesh.passMesh().vertexCount, 0u);
}

}  // namespace
