#include "effects/shader/BumpLitPasses.h"

#include "assets/ShaderProgram.h"

namespace effects {

const DWORD kShaderVertexDeclaration[7] = {0x20000000, 0x40020000, 0x40020001, 0x40010003,
                                           0x40020005, 0x40020006, 0xFFFFFFFF};
const DWORD kQuadVertexDeclaration[4] = {0x20000000, 0x40020000, 0x40010001, 0xFFFFFFFF};

BumpLitPrograms CreateBumpLitPrograms(IDirect3DDevice8& device, const std::string& surfaceVertex,
                                      const std::string& surfacePixel) {
    BumpLitPrograms p;
    p.lightVertex =
        assets::CreateVertexProgram(device, "!shaders\\shading.vso", kShaderVertexDeclaration);
    p.lightPixel = assets::CreatePixelProgram(device, "!shaders\\shading.pso");
    p.surfaceVertex = assets::CreateVertexProgram(device, surfaceVertex, kShaderVertexDeclaration);
    p.surfacePixel = assets::CreatePixelProgram(device, surfacePixel);
    return p;
}

void BumpLitFramePrologue(IDirect3DDevice8& device, float lightRange) {
    for (DWORD stage = 0; stage < 2; ++stage) {
        device.SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device.SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    device.SetRenderState(D3DRS_WRAP0, 0);
    device.SetRenderState(D3DRS_WRAP1, 0);
    for (DWORD stage = 2; stage < 4; ++stage) {
        device.SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        device.SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
        device.SetTextureStageState(stage, D3DTSS_ADDRESSW, D3DTADDRESS_CLAMP);
    }
    device.SetRenderState(D3DRS_WRAP2, 0);
    const float zero[4] = {0, 0, 0, 0};
    const float one[4] = {1, 1, 1, 1};
    const float half[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    const float range[4] = {1.0f / lightRange, 0.5f, 0.1f, 0.5f};
    device.SetVertexShaderConstant(kRegZero, zero, 1);
    device.SetVertexShaderConstant(kRegOne, one, 1);
    device.SetVertexShaderConstant(kRegHalf, half, 1);
    device.SetVertexShaderConstant(kRegLightRange, range, 1);
}

D3DMATRIX MultiplyMatrices(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

D3DMATRIX TransposeMatrix(const D3DMATRIX& m) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m.m[j][i];
    return r;
}

void uploadFrameConstants(IDirect3DDevice8& device, const float light[4], const float eye[4],
                          const D3DMATRIX& view, const D3DMATRIX& projection) {
    device.SetVertexShaderConstant(kRegLight, light, 1);
    device.SetVertexShaderConstant(kRegEye, eye, 1);
    const D3DMATRIX viewProj = TransposeMatrix(MultiplyMatrices(view, projection));
    device.SetVertexShaderConstant(kRegViewProj, &viewProj, 4);
}

void UploadWorldMatrix(IDirect3DDevice8& device, const D3DMATRIX& world) {
    const D3DMATRIX t = TransposeMatrix(world);
    device.SetVertexShaderConstant(kRegWorld, &t, 4);
}

void LightPass(IDirect3DDevice8& device, const BumpLitMesh& mesh, gfx::BaseTexture* attenuation,
               const BumpLitPrograms& programs, const LightPassOptions& options) {
    for (DWORD stage = 0; stage < 2; ++stage) {
        device.SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        device.SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    }
    device.SetRenderState(D3DRS_WRAP0, 0);
    device.SetRenderState(D3DRS_WRAP1, 0);
    device.SetTexture(0, attenuation);
    device.SetTexture(1, attenuation);
    device.SetVertexShader(programs.lightVertex);
    device.SetPixelShader(programs.lightPixel);
    if (options.setBlend) {
        device.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        device.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    }
    device.SetIndices(mesh.indices, 0);
    device.SetStreamSource(0, mesh.vertices, sizeof(ShaderVertex));
    device.SetRenderState(D3DRS_CULLMODE, options.cullMode);
    device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, mesh.vertexCount, 0, mesh.faceCount);
}

void SurfacePass(IDirect3DDevice8& device, const BumpLitMesh& mesh, gfx::BaseTexture* surface,
                 gfx::BaseTexture* bump, gfx::BaseTexture* cubeMap, const BumpLitPrograms& programs,
                 bool setBlend) {
    for (DWORD stage = 0; stage < 2; ++stage) {
        device.SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device.SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    device.SetRenderState(D3DRS_WRAP0, 0);
    device.SetRenderState(D3DRS_WRAP1, 0);
    device.SetTexture(0, surface);
    device.SetTexture(1, bump);
    device.SetTexture(2, cubeMap);
    device.SetTexture(3, cubeMap);
    device.SetVertexShader(programs.surfaceVertex);
    device.SetPixelShader(programs.surfacePixel);
    if (setBlend) {
        device.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
        device.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    }
    device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, mesh.vertexCount, 0, mesh.faceCount);
}

}  // namespace effects
