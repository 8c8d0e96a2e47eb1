#include "scene/SceneLights.h"

#include <limits>

#include "gfx/GlobalDevice.h"
#include "scene/D3DXMath.h"
#include "scene/Track.h"

namespace scene {

namespace {

constexpr float kUnlimitedRange = std::numeric_limits<float>::max();

void CopyVector(float out[3], const D3DXVECTOR3& v) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

}  // namespace

D3DLIGHT8 MakeOmniLight(const scene3ds::SceneLight& light) {
    const float* c = light.colour;
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_POINT;
    l.Diffuse = {kLightDiffuseScale * c[0], kLightDiffuseScale * c[2], kLightDiffuseScale * c[1],
                 0.0f};
    l.Specular = {kOmniSpecularScale * c[0], kOmniSpecularScale * c[2], kOmniSpecularScale * c[1],
                  0.0f};
    l.Ambient = {1.0f, 1.0f, 1.0f, 0.0f};
    l.Position = {light.position[0], light.position[1], light.position[2]};
    l.Direction = {0.0f, 0.0f, 0.0f};
    l.Range = kUnlimitedRange;
    l.Falloff = 0.0f;
    l.Attenuation0 = light.attenuation[0];
    l.Attenuation1 = light.attenuation[1];
    l.Attenuation2 = light.attenuation[2];
    l.Theta = 0.0f;
    l.Phi = 0.0f;
    return l;
}

D3DLIGHT8 MakeSpotLight(const scene3ds::SceneSpotLight& light) {
    const float* c = light.colour;
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_SPOT;
    l.Diffuse = {kLightDiffuseScale * c[0], kLightDiffuseScale * c[2], kLightDiffuseScale * c[1],
                 0.0f};
    l.Specular = {kSpotSpecularScale * c[0], kSpotSpecularScale * c[2], kSpotSpecularScale * c[1],
                  0.0f};
    l.Ambient = {1.0f, 1.0f, 1.0f, 0.0f};
    l.Position = {light.position[0], light.position[1], light.position[2]};
    l.Direction = {light.target[0] - light.position[0], light.target[1] - light.position[1],
                   light.target[2] - light.position[2]};
    l.Range = kUnlimitedRange;
    l.Falloff = 1.0f;
    l.Attenuation0 = light.attenuation[0];
    l.Attenuation1 = light.attenuation[1];
    l.Attenuation2 = light.attenuation[2];
    l.Theta = light.hotspot * DEG_TO_RAD;
    l.Phi = light.falloff * DEG_TO_RAD;
    return l;
}

void SetOmniLight(const scene3ds::SceneLight& light, DWORD index) {
    const D3DLIGHT8 l = MakeOmniLight(light);
    RenderDevice->SetLight(index, &l);
    RenderDevice->LightEnable(index, TRUE);
}

void SetSpotLight(const scene3ds::SceneSpotLight& light, DWORD index) {
    const D3DLIGHT8 l = MakeSpotLight(light);
    RenderDevice->SetLight(index, &l);
    RenderDevice->LightEnable(index, TRUE);
}

void SampleOmniLight(scene3ds::SceneLight& light, float frame) {
    CopyVector(light.position, SampleVectorTrack(light.positionTrack, frame));
    CopyVector(light.colour, SampleVectorTrack(light.colourTrack, frame));
}

void SampleSpotLight(scene3ds::SceneSpotLight& light, float frame) {
    CopyVector(light.position, SampleVectorTrack(light.positionTrack, frame));
    CopyVector(light.target, SampleVectorTrack(light.targetTrack, frame));
    light.hotspot = SampleScalarTrack(light.hotspotTrack, frame);
    light.falloff = SampleScalarTrack(light.falloffTrack, frame);
}

}  // namespace scene
