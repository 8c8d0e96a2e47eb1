#include "effects/objects/MetalObject.h"

#include <gtest/gtest.h>

#include <cstring>

#include "gfx/RecordingDevice.h"
#include "support/EffectPack.h"
#include "support/ReportCapture.h"

namespace {

using effects::MetalObject;
using effects::MetalVertex;

TEST(MetalObjectPathsTest, CameraPansAcrossAsTheTimeValueRuns) {
    EXPECT_EQ(MetalObject::LookAt(0.0f), D3DXVECTOR3(-1000.0f, 450.0f, 0.0f));
    EXPECT_EQ(MetalObject::LookAt(2000.0f), D3DXVECTOR3(1000.0f, 450.0f, 0.0f));
    EXPECT_EQ(MetalObject::LookAt(1000.0f), D3DXVECTOR3(0.0f, 450.0f, 0.0f));
}

TEST(MetalObjectPathsTest, LightsAtTimeZero) {
    D3DXVECTOR3 p[3];
    MetalObject::LightPositions(0.0f, p);
    EXPECT_EQ(p[0], D3DXVECTOR3(0.0f, 280.0f, 15.0f));
    EXPECT_EQ(p[1], D3DXVECTOR3(0.0f, 280.0f, 270.0f));
    EXPECT_EQ(p[2], D3DXVECTOR3(0.0f, 20.0f, 0.0f));
}

TEST(MetalObjectPathsTest, CopiesTurnInRingDegreesUnderTheTilt) {
    const D3DXVECTOR3 y(0, 1, 0), z(0, 0, 1);
    D3DXMATRIX tilt;
    D3DXMatrixRotationAxis(&tilt, &z, 2.1805556f);
    for (float k : {0.0f, 45.0f, 315.0f}) {
        // 3.14/180 per degree, in double precision, then to float.
        const float angle = static_cast<float>(k * (3.14 / 180.0));
        D3DXMATRIX turn;
        D3DXMatrixRotationAxis(&turn, &y, angle);
        EXPECT_EQ(MetalObject::CopyMatrix(k, 0.0f), turn * tilt) << k;
    }
    // Time adds 0.001 rad per unit to every copy.
    D3DXMATRIX turn;
    D3DXMatrixRotationAxis(&turn, &y, static_cast<float>(90 * 0.017444444444444446 + 0.5));
    EXPECT_EQ(MetalObject::CopyMatrix(90.0f, 500.0f), turn * tilt);
}

class MetalObjectTest : public ::testing::Test {
  protected:
    MetalObjectTest() : pack({{"Nrm\\piece.nrm", testsupport::NormalsEntry(3)}}), scope(&device) {
        object = testsupport::MakeMeshObject("piece", {1000, 20, -40, 0, 0, 0, 0, 100, 0},
                                             {0.25f, 0.5f, 1, 0, 0, 1}, {0, 1, 2});
    }
    void SetUp() override {
        ASSERT_TRUE(pack.ok()) << pack.error();
        metal = MetalObject{};
        metal.mesh = object.get();
        metal.init();
    }

    testsupport::ReportCapture reports;
    testsupport::EffectPack pack;
    gfx::RecordingDevice device;
    testsupport::GlobalDeviceScope scope;
    std::unique_ptr<scene3ds::SceneObject> object;
    MetalObject metal;
};

TEST_F(MetalObjectTest, InitBuildsItsOwnScaledCopyOfTheMesh) {
    EXPECT_TRUE(reports.fatals.empty() && reports.reports.empty());
    ASSERT_NE(metal.vertexBuffer, nullptr);
    EXPECT_EQ(metal.indexBuffer, object->indexBuffer);
    EXPECT_NE(metal.baseTexture, nullptr);
    EXPECT_NE(metal.detailTexture, nullptr);
    EXPECT_NE(metal.pixelShader, 0u);
    EXPECT_GE(device.find("CreateVertexBuffer(120, 0x0, 0x212, 1) -> " +
                          gfx::ResourceName(metal.vertexBuffer)),
              0);
    MetalVertex v[3];
    std::memcpy(v, metal.vertexBuffer->data(), sizeof v);
    EXPECT_FLOAT_EQ(v[0].position[0], -250.0f);
    EXPECT_FLOAT_EQ(v[0].position[1], 3.0f);
    EXPECT_FLOAT_EQ(v[0].position[2], -6.0f);
    EXPECT_FLOAT_EQ(v[2].position[1], 15.0f);
    EXPECT_EQ(v[0].normal[2], -1.0f);
    EXPECT_EQ(v[0].uv0[0], 0.25f);
    EXPECT_EQ(v[0].uv1[1], 0.5f);
    // The picture loads come before the buffer; the program after it.
    const auto calls = device.callStrings();
    size_t firstTexture = calls.size(), buffer = calls.size(), shader = calls.size();
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].rfind("CreateTexture(", 0) == 0 && firstTexture == calls.size())
            firstTexture = i;
        if (calls[i].rfind("CreateVertexBuffer(120", 0) == 0) buffer = i;
        if (calls[i].rfind("CreatePixelShader(", 0) == 0) shader = i;
    }
    EXPECT_LT(firstTexture, buffer);
    EXPECT_LT(buffer, shader);

    EXPECT_EQ(metal.material.Specular.r, 2.0f);
    EXPECT_EQ(metal.material.Power, 5.0f);
    EXPECT_EQ(metal.light.Type, D3DLIGHT_POINT);
    EXPECT_EQ(metal.light.Range, 10000.0f);
    EXPECT_EQ(metal.light.Attenuation1, 0.016f);
}

TEST_F(MetalObjectTest, DrawsEightCopiesWithReflectionCoordinatesOnTwoStages) {
    device.clearCalls();
    metal.draw(0.0f);
    const auto calls = device.callStrings();
    const std::vector<std::string> head = {
        "SetRenderState(D3DRS_LIGHTING, 1)",
        "SetRenderState(D3DRS_ZENABLE, 1)",
        "SetRenderState(D3DRS_ZWRITEENABLE, 1)",
        "SetTextureStageState(0, D3DTSS_ADDRESSU, 1)",
        "SetTextureStageState(0, D3DTSS_ADDRESSV, 1)",
        "SetTextureStageState(1, D3DTSS_ADDRESSU, 1)",
        "SetTextureStageState(1, D3DTSS_ADDRESSV, 1)",
        "SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0x30001)",
        "SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0x30002)",
        "SetLight(0, 1)",
        "LightEnable(0, TRUE)",
        "SetLight(1, 1)",
        "LightEnable(1, TRUE)",
        "SetLight(2, 1)",
        "LightEnable(2, TRUE)",
        "SetMaterial()",
        "SetTexture(0, " + gfx::ResourceName(metal.baseTexture) + ")",
        "SetTexture(1, " + gfx::ResourceName(metal.detailTexture) + ")",
        "SetTransform(D3DTS_VIEW)",
        "SetTransform(D3DTS_PROJECTION)",
        "SetVertexShader(0x212)",
        "SetPixelShader(" + gfx::RecordingDevice::PixelShaderName(metal.pixelShader) + ")",
        "SetIndices(" + gfx::ResourceName(metal.indexBuffer) + ", 0)",
        "SetStreamSource(0, " + gfx::ResourceName(metal.vertexBuffer) + ", 40)",
        "SetRenderState(D3DRS_CULLMODE, 2)",
    };
    ASSERT_GE(calls.size(), head.size() + 17);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + head.size()), head);
    for (size_t k = 0; k < 8; ++k) {
        EXPECT_EQ(calls[head.size() + 2 * k], "SetTransform(D3DTS_WORLD)");
        EXPECT_EQ(calls[head.size() + 2 * k + 1],
                  "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1)");
    }
    EXPECT_EQ(calls.back(), "SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0x0)");
    EXPECT_EQ(calls.size(), head.size() + 17);

    // The camera looks from (0, 850, 1200) at (-1000, 450, 0).
    D3DXMATRIX view, expectedView;
    device.GetTransform(D3DTS_VIEW, &view);
    const D3DXVECTOR3 eye(0, 850, 1200), at(-1000, 450, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&expectedView, &eye, &at, &up);
    EXPECT_EQ(view, expectedView);
    D3DLIGHT8 l;
    device.GetLight(1, &l);
    EXPECT_EQ(l.Position.z, 270.0f);
    DWORD index;
    device.GetTextureStageState(1, D3DTSS_TEXCOORDINDEX, &index);
    EXPECT_EQ(index, 0x30002u);
}

}  // namespace
