#include <gtest/gtest.h>

#include <cstring>

#include "gfx/RecordingDevice.h"
#include "gfx/StateDevice.h"

namespace {

using gfx::RecordingDevice;

TEST(TextureTest, FullChainLevelsAndPitch) {
    gfx::Texture tex(4, 2, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    ASSERT_EQ(tex.GetLevelCount(), 3u);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(tex.GetLevelDesc(2, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 1u);
    EXPECT_EQ(desc.Height, 1u);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex.LockRect(0, &lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 16);
    // A second lock of the same level is refused until unlocked.
    D3DLOCKED_RECT again;
    EXPECT_EQ(tex.LockRect(0, &again, nullptr, 0), D3DERR_INVALIDCALL);
    uint32_t before = tex.contentVersion();
    ASSERT_EQ(tex.UnlockRect(0), D3D_OK);
    EXPECT_NE(tex.contentVersion(), before);
    EXPECT_EQ(tex.LockRect(5, &lr, nullptr, 0), D3DERR_INVALIDCALL);
}

TEST(TextureTest, RectLockPointsIntoTheLevelAndRejectsOutside) {
    gfx::Texture tex(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED);
    RECT r{2, 3, 4, 5};
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex.LockRect(0, &lr, &r, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(lr.pBits) - tex.level(0)->mutableBits().data(), 3 * 32 + 2 * 4);
    tex.UnlockRect(0);
    RECT outside{6, 6, 9, 7};
    EXPECT_EQ(tex.LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
}

TEST(TextureTest, RenderTargetsCannotBeLocked) {
    gfx::Texture rt(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT);
    D3DLOCKED_RECT lr;
    EXPECT_EQ(rt.LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
}

TEST(BufferTest, RangedLocksTrackTheDirtyRange) {
    gfx::VertexBuffer vb(100, 0, D3DFVF_XYZ, D3DPOOL_MANAGED);
    BYTE* p = nullptr;
    ASSERT_EQ(vb.Lock(10, 20, &p, 0), D3D_OK);
    p[0] = 7;
    vb.Unlock();
    EXPECT_EQ(vb.data()[10], 7);
    EXPECT_EQ(vb.dirtyBegin(), 10u);
    EXPECT_EQ(vb.dirtyEnd(), 30u);
    EXPECT_EQ(vb.Lock(90, 20, &p, 0), D3DERR_INVALIDCALL);  // past the end
    ASSERT_EQ(vb.Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);  // whole buffer
    vb.Unlock();
    EXPECT_EQ(vb.dirtyBegin(), 0u);
    EXPECT_EQ(vb.dirtyEnd(), 100u);
    // Discarding keeps the contents: managed buffers behave so, and the engine relies on it.
    EXPECT_EQ(vb.data()[10], 7);
    // A size of 0 locks from the offset to the end, so what is written there is uploaded.
    ASSERT_EQ(vb.Lock(90, 0, &p, 0), D3D_OK);
    p[9] = 5;
    vb.Unlock();
    EXPECT_EQ(vb.data()[99], 5);
    EXPECT_EQ(vb.dirtyEnd(), 100u);
    EXPECT_EQ(vb.Lock(101, 0, &p, 0), D3DERR_INVALIDCALL);
}

TEST(StateDeviceTest, StatesPersistAndOnlyChangesMarkDirty) {
    gfx::StateDevice dev({});
    dev.clearDirty();
    dev.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);  // already the default
    EXPECT_EQ(dev.dirty(), 0u);
    dev.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    EXPECT_TRUE(dev.dirty() & gfx::kDirtyRenderState);
    DWORD v = 0;
    dev.GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_CW));
    dev.GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_DISABLE));
    dev.GetTextureStageState(3, D3DTSS_TEXCOORDINDEX, &v);
    EXPECT_EQ(v, 3u);
}

TEST(StateDeviceTest, LightsAndClipPlanes) {
    gfx::StateDevice dev({});
    D3DLIGHT8 l{};
    EXPECT_EQ(dev.GetLight(2, &l), D3DERR_INVALIDCALL);
    l.Type = D3DLIGHT_POINT;
    l.Position = {1, 2, 3};
    ASSERT_EQ(dev.SetLight(2, &l), D3D_OK);
    D3DLIGHT8 back{};
    ASSERT_EQ(dev.GetLight(2, &back), D3D_OK);
    EXPECT_EQ(back.Position.y, 2.0f);
    EXPECT_EQ(dev.GetLight(1, &back), D3DERR_INVALIDCALL);
    // Switching a light never set on or off gives it the default white directional light.
    ASSERT_EQ(dev.LightEnable(5, FALSE), D3D_OK);
    ASSERT_EQ(dev.GetLight(5, &back), D3D_OK);
    EXPECT_EQ(back.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(back.Diffuse.r, 1.0f);
    EXPECT_EQ(back.Direction.z, 1.0f);
    BOOL on = TRUE;
    ASSERT_EQ(dev.GetLightEnable(5, &on), D3D_OK);
    EXPECT_FALSE(on);
    float plane[4] = {0, -1, 0, -1450};
    dev.SetClipPlane(0, plane);
    float out[4];
    dev.GetClipPlane(0, out);
    EXPECT_EQ(out[3], -1450.0f);
    EXPECT_EQ(dev.SetClipPlane(6, plane), D3DERR_INVALIDCALL);
}

TEST(StateDeviceTest, ShaderHandlesAreDistinctFromFvfCodes) {
    gfx::StateDevice dev({});
    const DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3),
                          D3DVSD_REG(1, D3DVSDT_FLOAT2), D3DVSD_END()};
    const DWORD vs[] = {0xFFFE0101u, 0x00000001u, 0xC00F0000u, 0x90E40000u, 0x0000FFFFu};
    DWORD h = 0;
    ASSERT_EQ(dev.CreateVertexShader(decl, vs, sizeof vs, &h, 0), D3D_OK);
    EXPECT_TRUE(gfx::StateDevice::IsShaderHandle(h));
    EXPECT_FALSE(gfx::StateDevice::IsShaderHandle(0x112));
    ASSERT_NE(dev.vertexShaderObject(h), nullptr);
    EXPECT_EQ(dev.vertexShaderObject(h)->layout.streamStride[0], 20u);
    EXPECT_EQ(dev.vertexShaderObject(h)->declaration.size(), 4u);
    // A pixel stream handed as a vertex program is refused, with a handle of its own that
    // selects a record marked failed.
    const DWORD ps[] = {0xFFFF0101u, 0x0000FFFFu};
    DWORD bad = 123;
    EXPECT_EQ(dev.CreateVertexShader(decl, ps, sizeof ps, &bad, 0), D3DERR_INVALIDCALL);
    EXPECT_TRUE(gfx::StateDevice::IsShaderHandle(bad));
    EXPECT_NE(bad, h);
    ASSERT_NE(dev.vertexShaderObject(bad), nullptr);
    EXPECT_TRUE(dev.vertexShaderObject(bad)->failed);
    EXPECT_FALSE(dev.vertexShaderObject(h)->failed);
    EXPECT_EQ(dev.SetVertexShader(bad), D3D_OK);
    // A truncated stream without its end token is refused likewise; so is a bad declaration.
    DWORD p = 0;
    EXPECT_EQ(dev.CreatePixelShader(ps, 4, &p), D3DERR_INVALIDCALL);
    ASSERT_NE(dev.pixelShaderObject(p), nullptr);
    EXPECT_TRUE(dev.pixelShaderObject(p)->failed);
    EXPECT_EQ(dev.SetPixelShader(p), D3D_OK);
    DWORD badDecl = 0;
    EXPECT_EQ(dev.CreateVertexShader(nullptr, vs, sizeof vs, &badDecl, 0), D3DERR_INVALIDCALL);
    EXPECT_TRUE(dev.vertexShaderObject(badDecl)->failed);
    ASSERT_EQ(dev.CreatePixelShader(ps, sizeof ps, &p), D3D_OK);
    EXPECT_FALSE(dev.pixelShaderObject(p)->failed);
    EXPECT_EQ(dev.SetPixelShader(p + 1), D3DERR_INVALIDCALL);
}

TEST(StateDeviceTest, ConstantsAreBoundsChecked) {
    gfx::StateDevice dev({});
    float c[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(dev.SetVertexShaderConstant(95, c, 1), D3D_OK);
    EXPECT_EQ(dev.SetVertexShaderConstant(95, c, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev.SetPixelShaderConstant(7, c, 2), D3DERR_INVALIDCALL);
    float back[4];
    dev.GetVertexShaderConstant(95, back, 1);
    EXPECT_EQ(back[3], 4.0f);
    // The same values again are not uploaded again.
    dev.clearDirty();
    dev.SetVertexShaderConstant(95, c, 1);
    dev.SetPixelShaderConstant(0, c, 0);
    EXPECT_EQ(dev.dirty(), 0u);
    c[0] = -1;
    dev.SetPixelShaderConstant(3, c, 1);
    EXPECT_TRUE(dev.dirty() & gfx::kDirtyPsConstants);
}

TEST(VertexLayoutTest, FvfCodesOfTheEngine) {
    EXPECT_EQ(gfx::FvfStride(0x112), 32u);
    EXPECT_EQ(gfx::FvfStride(0x212), 40u);
    EXPECT_EQ(gfx::FvfStride(0x042), 16u);
    EXPECT_EQ(gfx::FvfStride(0x144), 28u);
    EXPECT_EQ(gfx::FvfStride(0x102), 20u);
    gfx::VertexLayout layout;
    ASSERT_TRUE(gfx::LayoutFromFvf(0x144, layout));
    EXPECT_TRUE(layout.pretransformed);
    ASSERT_EQ(layout.elements.size(), 3u);
    EXPECT_EQ(layout.elements[1].reg, static_cast<UINT>(D3DVSDE_DIFFUSE));
    EXPECT_EQ(layout.elements[2].offset, 20u);
}

TEST(VertexLayoutTest, DeclarationsWithoutEndOrWithBadTokensAreRefused) {
    gfx::VertexLayout layout;
    std::string error;
    const DWORD noEnd[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3)};
    EXPECT_FALSE(gfx::ParseDeclaration(noEnd, 2, layout, error));
    const DWORD badReg[] = {D3DVSD_STREAM(0), D3DVSD_REG(16, D3DVSDT_FLOAT3), D3DVSD_END()};
    EXPECT_FALSE(gfx::ParseDeclaration(badReg, 3, layout, error));
    EXPECT_NE(error.find("token 1"), std::string::npos);
    const DWORD withConst[] = {D3DVSD_STREAM(0),
                               D3DVSD_REG(0, D3DVSDT_FLOAT3),
                               D3DVSD_CONST(4, 1),
                               0x3F800000u,
                               0,
                               0,
                               0xFFFFFFFFu,
                               D3DVSD_END()};
    ASSERT_TRUE(gfx::ParseDeclaration(withConst, 8, layout, error)) << error;
    EXPECT_EQ(layout.declarationTokens, 8u);
    ASSERT_EQ(layout.constants.size(), 1u);
    EXPECT_EQ(layout.constants[0].values[0], 1.0f);
}

// Found by fuzzing: an empty constant block copied from no storage, and a block past c95
// was accepted and then silently not loaded when the shader was selected.
TEST(VertexLayoutTest, ConstantBlocksMustHoldRegistersWithinC95) {
    gfx::VertexLayout layout;
    std::string error;
    const DWORD empty[] = {D3DVSD_CONST(4, 0), D3DVSD_END()};
    EXPECT_FALSE(gfx::ParseDeclaration(empty, 2, layout, error));
    EXPECT_NE(error.find("declaration token 0"), std::string::npos) << error;
    const DWORD pastEnd[] = {D3DVSD_STREAM(0), D3DVSD_CONST(95, 2), 0, 0, 0, 0, 0, 0, 0, 0,
                             D3DVSD_END()};
    EXPECT_FALSE(gfx::ParseDeclaration(pastEnd, 11, layout, error));
    EXPECT_NE(error.find("c95"), std::string::npos) << error;
    EXPECT_NE(error.find("declaration token 1"), std::string::npos) << error;
    const DWORD last[] = {D3DVSD_CONST(95, 1), 0, 0, 0, 0x3F800000u, D3DVSD_END()};
    ASSERT_TRUE(gfx::ParseDeclaration(last, 6, layout, error)) << error;
    ASSERT_EQ(layout.constants.size(), 1u);
    EXPECT_EQ(layout.constants[0].firstRegister, 95u);
    EXPECT_EQ(layout.constants[0].values[3], 1.0f);
}

TEST(RecordingDeviceTest, RecordsCallsInTheDocumentedTextForm) {
    RecordingDevice dev;
    dev.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    dev.SetRenderState(D3DRS_AMBIENT, 0xFF505050);
    dev.SetRenderState(D3DRS_FOGDENSITY, FloatToDWORD(0.0025f));
    gfx::Texture* tex = nullptr;
    dev.CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &tex);
    dev.SetTexture(1, tex);
    dev.SetTexture(2, nullptr);
    dev.SetVertexShader(0x112);
    dev.DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    auto calls = dev.callStrings();
    ASSERT_EQ(calls.size(), 8u);
    EXPECT_EQ(calls[0], "SetRenderState(D3DRS_CULLMODE, 2)");
    EXPECT_EQ(calls[1], "SetRenderState(D3DRS_AMBIENT, 0xFF505050)");
    EXPECT_EQ(calls[2], "SetRenderState(D3DRS_FOGDENSITY, 0.0025)");
    EXPECT_EQ(calls[3],
              "CreateTexture(256, 256, 1, 0x1, D3DFMT_X8R8G8B8, 0) -> " + gfx::ResourceName(tex));
    EXPECT_EQ(calls[4], "SetTexture(1, " + gfx::ResourceName(tex) + ")");
    EXPECT_EQ(calls[5], "SetTexture(2, null)");
    EXPECT_EQ(calls[6], "SetVertexShader(0x112)");
    EXPECT_EQ(calls[7], "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)");
    EXPECT_EQ(dev.find("SetTexture(2, null)"), 5);
}

TEST(RecordingDeviceTest, RecordsViewportsAndKeepsThemUntilTheNextRenderTarget) {
    RecordingDevice dev;
    const D3DVIEWPORT8 vp{8, 4, 16, 32, 0.25f, 0.5f};
    ASSERT_EQ(dev.SetViewport(&vp), D3D_OK);
    ASSERT_EQ(dev.callStrings().size(), 1u);
    EXPECT_EQ(dev.callStrings()[0], "SetViewport(8, 4, 16, 32)");
    EXPECT_EQ(dev.calls()[0].floats, (std::vector<float>{0.25f, 0.5f}));
    EXPECT_EQ(dev.state().viewport.Width, 16u);
    gfx::Surface* back = nullptr;
    dev.GetBackBuffer(0, &back);
    ASSERT_EQ(dev.SetRenderTarget(back, nullptr), D3D_OK);
    EXPECT_EQ(dev.state().viewport.Width, back->width());
    EXPECT_EQ(dev.state().viewport.MaxZ, 1.0f);
}

TEST(StateDeviceTest, RenderTargetsLargerThanTheDepthBufferAreRefusedAsTheOriginalDid) {
    gfx::DeviceParams params;
    params.width = 640;
    params.height = 480;
    gfx::StateDevice dev(params);
    gfx::Texture* rt = nullptr;
    ASSERT_EQ(dev.CreateTexture(512, 512, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                D3DPOOL_DEFAULT, &rt),
              D3D_OK);
    gfx::Surface *depth = nullptr, *target = nullptr, *current = nullptr;
    dev.GetDepthStencilSurface(&depth);
    rt->GetSurfaceLevel(0, &target);
    EXPECT_EQ(dev.SetRenderTarget(target, depth), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev.SetRenderTarget(target, nullptr), D3D_OK);  // without a depth buffer: accepted
    dev.GetRenderTarget(&current);
    EXPECT_EQ(current, target);
}

TEST(StateDeviceTest, ReleasingBackendObjectsReachesTextureLevels) {
    struct Tracker : gfx::BackendObject {
        explicit Tracker(int& n) : alive(n) { ++alive; }
        ~Tracker() override { --alive; }
        int& alive;
    };
    struct Device : gfx::StateDevice {
        Device() : StateDevice({}) {}
        using StateDevice::releaseBackendObjects;
    } dev;
    int alive = 0;
    gfx::Texture* tex = nullptr;
    dev.CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex);
    tex->backend = std::make_unique<Tracker>(alive);
    tex->level(2)->backend = std::make_unique<Tracker>(alive);
    ASSERT_EQ(alive, 2);
    dev.releaseBackendObjects();
    EXPECT_EQ(alive, 0);
}

// A state block brings back every state a draw reads, as it was captured, and nothing of the
// render target; the device then takes all of it as changed.
TEST(StateBlockTest, ApplyBringsBackWhatWasCapturedButNotTheRenderTarget) {
    gfx::StateDevice d(gfx::DeviceParams{});
    gfx::Texture* texture = nullptr;
    gfx::Texture* target = nullptr;
    ASSERT_EQ(d.CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    ASSERT_EQ(
        d.CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target),
        D3D_OK);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d.SetTexture(1, texture);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_POINT;
    light.Range = 100.0f;
    ASSERT_EQ(d.SetLight(3, &light), D3D_OK);
    d.LightEnable(3, TRUE);
    const float c0[4] = {1, 2, 3, 4};
    d.SetPixelShaderConstant(0, c0, 1);

    DWORD block = 0;
    ASSERT_EQ(d.CreateStateBlock(D3DSBT_ALL, &block), D3D_OK);
    EXPECT_NE(block, 0u);
    const gfx::DeviceState captured = d.state();

    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d.SetTexture(1, nullptr);
    d.LightEnable(3, FALSE);
    d.LightEnable(6, TRUE);  // a light slot the block never saw
    const float other[4] = {9, 9, 9, 9};
    d.SetPixelShaderConstant(0, other, 1);
    gfx::Surface* level = nullptr;
    target->GetSurfaceLevel(0, &level);
    d.SetRenderTarget(level, nullptr);
    d.clearDirty();

    ASSERT_EQ(d.ApplyStateBlock(block), D3D_OK);
    const gfx::DeviceState& now = d.state();
    EXPECT_EQ(now.renderStates, captured.renderStates);
    EXPECT_EQ(now.textures, captured.textures);
    ASSERT_EQ(now.lights.size(), captured.lights.size());
    EXPECT_TRUE(now.lights[3].enabled);
    EXPECT_EQ(now.lights[3].light.Range, 100.0f);
    EXPECT_EQ(now.psConstants[0], (std::array<float, 4>{1, 2, 3, 4}));
    EXPECT_EQ(now.renderTarget, level);  // not part of a block
    EXPECT_NE(d.dirty() & gfx::kDirtyRenderState, 0u);
    EXPECT_NE(d.dirty() & gfx::kDirtyTextures, 0u);
    EXPECT_EQ(d.dirty() & gfx::kDirtyRenderTarget, 0u);

    // Capture takes the values of now; a second apply brings those back.
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    ASSERT_EQ(d.CaptureStateBlock(block), D3D_OK);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    ASSERT_EQ(d.ApplyStateBlock(block), D3D_OK);
    DWORD blend = 0;
    d.GetRenderState(D3DRS_SRCBLEND, &blend);
    EXPECT_EQ(blend, static_cast<DWORD>(D3DBLEND_ZERO));
}

// A block holds the viewport; applied over a target it does not fit, the whole target stands.
TEST(StateBlockTest, TheViewportComesBackWhereItFitsTheTargetInPlace) {
    gfx::StateDevice d(gfx::DeviceParams{});
    gfx::Texture* small = nullptr;
    ASSERT_EQ(
        d.CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &small),
        D3D_OK);
    gfx::Surface* back = nullptr;
    ASSERT_EQ(d.GetRenderTarget(&back), D3D_OK);
    const D3DVIEWPORT8 corner{100, 50, 200, 100, 0.25f, 0.75f};
    ASSERT_EQ(d.SetViewport(&corner), D3D_OK);
    DWORD block = 0;
    ASSERT_EQ(d.CreateStateBlock(D3DSBT_ALL, &block), D3D_OK);

    const D3DVIEWPORT8 whole{0, 0, back->width(), back->height(), 0.0f, 1.0f};
    ASSERT_EQ(d.SetViewport(&whole), D3D_OK);
    ASSERT_EQ(d.ApplyStateBlock(block), D3D_OK);
    D3DVIEWPORT8 v{};
    d.GetViewport(&v);
    EXPECT_EQ(v.X, 100u);
    EXPECT_EQ(v.Width, 200u);
    EXPECT_EQ(v.MinZ, 0.25f);

    gfx::Surface* level = nullptr;
    small->GetSurfaceLevel(0, &level);
    ASSERT_EQ(d.SetRenderTarget(level, nullptr), D3D_OK);
    ASSERT_EQ(d.ApplyStateBlock(block), D3D_OK);
    d.GetViewport(&v);
    EXPECT_EQ(v.X, 0u);
    EXPECT_EQ(v.Y, 0u);
    EXPECT_EQ(v.Width, 8u);
    EXPECT_EQ(v.Height, 8u);
}

TEST(StateBlockTest, BadTokensAndPartialTypesAreRefused) {
    gfx::StateDevice d(gfx::DeviceParams{});
    DWORD block = 0;
    EXPECT_EQ(d.CreateStateBlock(D3DSBT_PIXELSTATE, &block), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.CreateStateBlock(D3DSBT_ALL, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.ApplyStateBlock(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.ApplyStateBlock(7), D3DERR_INVALIDCALL);
    ASSERT_EQ(d.CreateStateBlock(D3DSBT_ALL, &block), D3D_OK);
    DWORD second = 0;
    ASSERT_EQ(d.CreateStateBlock(D3DSBT_ALL, &second), D3D_OK);
    EXPECT_NE(block, second);
    ASSERT_EQ(d.DeleteStateBlock(block), D3D_OK);
    EXPECT_EQ(d.ApplyStateBlock(block), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.CaptureStateBlock(block), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.DeleteStateBlock(block), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.ApplyStateBlock(second), D3D_OK);
    // A deleted block's token may come back for a new block.
    DWORD third = 0;
    ASSERT_EQ(d.CreateStateBlock(D3DSBT_ALL, &third), D3D_OK);
    EXPECT_EQ(third, block);
    EXPECT_EQ(d.ApplyStateBlock(third), D3D_OK);
}

TEST(SurfaceCopyTest, CopiesRectanglesBetweenMemorySurfacesAndRefusesWhatDoesNotFit) {
    gfx::StateDevice d(gfx::DeviceParams{});
    gfx::Texture *a = nullptr, *b = nullptr, *other = nullptr;
    ASSERT_EQ(d.CreateTexture(8, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &a), D3D_OK);
    ASSERT_EQ(d.CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &b), D3D_OK);
    ASSERT_EQ(d.CreateTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &other), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(a->LockRect(0, &lr, nullptr, 0), D3D_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] =
                static_cast<uint32_t>(y * 8 + x);
    a->UnlockRect(0);
    const uint32_t version = b->level(0)->contentVersion();

    const RECT r{2, 1, 5, 3};  // 3 x 2
    const POINT p{4, 6};
    ASSERT_EQ(d.CopyRects(a->level(0), &r, 1, b->level(0), &p), D3D_OK);
    EXPECT_NE(b->level(0)->contentVersion(), version);
    auto at = [&](int x, int y) {
        uint32_t v;
        std::memcpy(&v, b->level(0)->bits().data() + y * b->level(0)->pitch() + x * 4, 4);
        return v;
    };
    EXPECT_EQ(at(4, 6), 10u);  // (2, 1)
    EXPECT_EQ(at(6, 7), 20u);  // (4, 2)
    EXPECT_EQ(at(7, 7), 0u);
    ASSERT_EQ(d.CopyRects(a->level(0), nullptr, 0, b->level(0), nullptr), D3D_OK);
    EXPECT_EQ(at(7, 3), 31u);

    const POINT off{6, 7};
    EXPECT_EQ(d.CopyRects(a->level(0), &r, 1, b->level(0), &off), D3DERR_INVALIDCALL);
    const RECT outside{6, 0, 9, 1};
    EXPECT_EQ(d.CopyRects(a->level(0), &outside, 1, b->level(0), &p), D3DERR_INVALIDCALL);
    const RECT empty{2, 2, 2, 3};
    EXPECT_EQ(d.CopyRects(a->level(0), &empty, 1, b->level(0), &p), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.CopyRects(a->level(0), nullptr, 0, other->level(0), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.CopyRects(a->level(0), &r, 1, b->level(0), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.CopyRects(b->level(0), nullptr, 0, a->level(0), nullptr), D3DERR_INVALIDCALL);
}

TEST(StateBlockTest, RecordedInTheirTextForm) {
    RecordingDevice d;
    DWORD block = 0;
    ASSERT_EQ(d.CreateStateBlock(D3DSBT_ALL, &block), D3D_OK);
    d.ApplyStateBlock(block);
    d.CaptureStateBlock(block);
    d.DeleteStateBlock(block);
    const std::string b = "sb#" + std::to_string(block);
    EXPECT_EQ(d.callStrings(), (std::vector<std::string>{
                                   "CreateStateBlock(1) -> " + b, "ApplyStateBlock(" + b + ")",
                                   "CaptureStateBlock(" + b + ")", "DeleteStateBlock(" + b + ")"}));
    EXPECT_EQ(d.calls()[0].result, b);
}

}  // namespace
