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

// What omni and spot lights share: colour in the device's channel order, white ambient, the
// position, unlimited range and the file's attenuation.
D3DLIGHT8 SceneLightBase(D3DLIGHTTYPE type, const float colour[3], float specularScale,
                         const float position[3], const float attenuation[3]) {
    const float* c = colour;
    D3DLIGHT8 l{};
    l.Type = type;
    l.Diffuse = {kLightDiffuseScale * c[0], kLightDiffuseScale * c[2], kLightDiffuseScale * c[1],
                 0.0f};
    l.Specular = {specularScale * c[0], specularScale * c[2], specularScale * c[1], 0.0f};
    l.Ambient = {1.0f, 1.0f, 1.0f, 0.0f};
    l.Position = {position[0], position[1], position[2]};
    l.Range = kUnlimitedRange;
    l.Attenuation0 = attenuation[0];
    l.Attenuation1 = attenuation[1];
    l.Attenuation2 = attenuation[2];
    return l;
}

void EnableLight(const D3DLIGHT8& light, DWORD index) {
    RenderDevice->SetLight(index, &light);
    RenderDevice->LightEnable(index, TRUE);
}

}  // namespace

D3DLIGHT8 MakeOmniLight(const scene3ds::SceneLight& light) {
    return SceneLightBase(D3DLIGHT_POINT, light.colour, kOmniSpecularScale, light.position,
                          light.attenuation);
}

D3DLIGHT8 MakeSpotLight(const scene3ds::SceneSpotLight& light) {
    D3DLIGHT8 l = SceneLightBase(D3DLIGHT_SPOT, light.colour, kSpotSpecularScale, light.position,
                                 light.attenuation);
    l.Direction = {light.target[0] - light.position[0], light.target[1] - light.position[1],
                   light.target[2] - light.position[2]};
    l.Falloff = 1.0f;
    l.Theta = light.hotspot * DEG_TO_RAD;
    l.Phi = light.falloff * DEG_TO_RAD;
    return l;
}

void SetOmniLight(const scene3ds::SceneLight& light, DWORD index) {
    EnableLight(MakeOmniLight(light), index);
}

void SetSpotLight(const scene3ds::SceneSpotLight& light, DWORD index) {
    EnableLight(MakeSpotLight(light), index);
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
