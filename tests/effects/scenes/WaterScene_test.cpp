// The water reflection segment: the mirror, the bump map, the ripple, and the device calls of
// its load and of one frame, on a recording device with a small scene of our own (a 51 x 51
// water plane, a box above it, a lamp, a spot and a camera) in a pack beside the test.
#include "effects/scenes/WaterScene.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "assets/PackArchive.h"
#include "assets/PackWriter.h"
#include "gfx/GlobalDevice.h"
#include "gfx/RecordingDevice.h"
#include "scene/ObjectBuffers.h"
#include "scene/Random.h"
#include "scene/SceneDrawing.h"
#include "scene/ScenePreparation.h"
#include "scene3ds/SceneLog.h"
#include "support/Chunk3dsBuilder.h"
#include "support/EmitterFile.h"
#include "support/ImageFiles.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

namespace {

using namespace effects::water;
using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

float Side(const float plane[4], const D3DXVECTOR3& p) {
    return plane[0] * p.x + plane[1] * p.y + plane[2] * p.z + plane[3];
}

D3DXVECTOR3 Transform(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}

TEST(WaterMirror, PointsAboveTheWaterAreDrawnBelowItAndKeptThere) {
    const D3DXMATRIX w = MirrorMatrix();
    const D3DXVECTOR3 above = Transform({10, -1000, 5}, w);
    EXPECT_FLOAT_EQ(above.x, 10.0f);
    EXPECT_FLOAT_EQ(above.y, -1900.0f);
    EXPECT_FLOAT_EQ(above.z, 5.0f);
    EXPECT_GE(Side(kBelowPlane, above), 0.0f);  // survives clip plane 0

    // A point under the water comes up above it and is clipped away.
    const D3DXVECTOR3 under = Transform({0, -1500, 0}, w);
    EXPECT_FLOAT_EQ(under.y, -1400.0f);
    EXPECT_LT(Side(kBelowPlane, under), 0.0f);
    // Plane 1 keeps the scene itself above the water and drops what lies below.
    EXPECT_GE(Side(kAbovePlane, D3DXVECTOR3(0, -1000, 0)), 0.0f);
    EXPECT_LT(Side(kAbovePlane, D3DXVECTOR3(0, -1500, 0)), 0.0f);
}

TEST(WaterMirror, LightsTurnOverWithTheScene) {
    D3DLIGHT8 light{};
    light.Position = {100, 500, 200};
    light.Direction = {1, -2, 3};
    MirrorLight(light, MirrorMatrix());
    EXPECT_FLOAT_EQ(light.Position.x, 100.0f);
    EXPECT_FLOAT_EQ(light.Position.y, -3400.0f);
    EXPECT_FLOAT_EQ(light.Position.z, 200.0f);
    EXPECT_FLOAT_EQ(light.Direction.x, 1.0f);
    EXPECT_FLOAT_EQ(light.Direction.y, 2.0f);
    EXPECT_FLOAT_EQ(light.Direction.z, 3.0f);
}

// A 32-bit picture of given blue bytes with room after each row, and a bump map to receive it.
struct BumpCase {
    uint32_t width, height;
    int sourcePitch, bumpPitch;
    Bytes source, bump;

    BumpCase(uint32_t w, uint32_t h, std::initializer_list<int> blues, int sourcePad = 0,
             int bumpPad = 0)
        : width(w),
          height(h),
          sourcePitch(static_cast<int>(4 * w) + sourcePad),
          bumpPitch(static_cast<int>(4 * w) + bumpPad),
          // Padding and the other channels hold values that would show if they were read.
          source(static_cast<size_t>(sourcePitch) * h, 0xEE),
          bump(static_cast<size_t>(bumpPitch) * h, 0xCD) {
        size_t k = 0;
        for (int b : blues) {
            const size_t row = k / w, column = k % w;
            source[row * sourcePitch + 4 * column] = static_cast<uint8_t>(b);
            ++k;
        }
        BuildBumpTexels(source.data(), sourcePitch, bump.data(), bumpPitch, w, h);
    }
    const uint8_t* texel(uint32_t row, uint32_t column) const {
        return &bump[row * static_cast<size_t>(bumpPitch) + 4 * column];
    }
};

TEST(WaterBump, DifferencesAcrossTheRowAndDownTheColumn) {
    const BumpCase c(3, 3, {0, 80, 0, 120, 100, 90, 0, 70, 0});
    const uint8_t* t = c.texel(1, 1);
    EXPECT_EQ(t[0], 30);  // U = left - right
    EXPECT_EQ(t[1], 10);  // V = above - below
    EXPECT_EQ(t[2], 63);
    EXPECT_EQ(t[3], 0);
}

TEST(WaterBump, DipTakesLeftMinusCentre) {
    const BumpCase c(3, 3, {0, 80, 0, 120, 50, 90, 0, 70, 0});
    EXPECT_EQ(c.texel(1, 1)[0], 70);
}

TEST(WaterBump, NegativeDifferencesKeepTheirLowByte) {
    const BumpCase c(3, 3, {0, 70, 0, 90, 100, 120, 0, 80, 0});
    EXPECT_EQ(static_cast<int8_t>(c.texel(1, 1)[0]), -30);
    EXPECT_EQ(static_cast<int8_t>(c.texel(1, 1)[1]), -10);
}

TEST(WaterBump, NearBlackTexelsGetTheBrightLuminance) {
    const BumpCase c(3, 1, {0, 1, 2});
    EXPECT_EQ(c.texel(0, 0)[2], 127);
    EXPECT_EQ(c.texel(0, 1)[2], 127);
    EXPECT_EQ(c.texel(0, 2)[2], 63);
}

TEST(WaterBump, EdgesStandInForTheirMissingNeighbours) {
    // Rows: 10 20 30 / 40 50 60. Row 0 has no row above, row 1 none below; the first texel of a
    // row has no left neighbour and the last no right one: each end uses itself.
    const BumpCase c(3, 2, {10, 20, 30, 40, 50, 60});
    EXPECT_EQ(static_cast<int8_t>(c.texel(0, 0)[0]), 10 - 20);
    EXPECT_EQ(static_cast<int8_t>(c.texel(0, 2)[0]), 20 - 30);
    EXPECT_EQ(static_cast<int8_t>(c.texel(0, 0)[1]), 10 - 40);
    EXPECT_EQ(static_cast<int8_t>(c.texel(1, 2)[1]), 30 - 60);
    // A lone texel: every neighbour is itself.
    const BumpCase one(1, 1, {200});
    EXPECT_EQ(one.texel(0, 0)[0], 0);
    EXPECT_EQ(one.texel(0, 0)[1], 0);
}

TEST(WaterBump, EachSideStepsByItsOwnPitch) {
    const BumpCase padded(3, 3, {0, 80, 0, 120, 100, 90, 0, 70, 0}, 12, 8);
    const BumpCase packed(3, 3, {0, 80, 0, 120, 100, 90, 0, 70, 0});
    for (uint32_t row = 0; row < 3; ++row) {
        EXPECT_EQ(0, std::memcmp(padded.texel(row, 0), packed.texel(row, 0), 12)) << row;
        // The bump map's padding is left alone.
        for (int b = 12; b < padded.bumpPitch; ++b)
            EXPECT_EQ(padded.bump[row * padded.bumpPitch + b], 0xCD);
    }
}

// A 51 x 51 grid of 32-byte vertices with positions (x, -1450, z) from `position`.
template <typename Fn>
Bytes Grid(Fn position) {
    Bytes grid(static_cast<size_t>(kGridVertices) * scene::kObjectVertexStride, 0);
    for (int i = 0; i < kGridSide; ++i)
        for (int j = 0; j < kGridSide; ++j) {
            float p[3];
            position(i, j, p[0], p[2]);
            p[1] = -1450.0f;
            const float normal[3] = {0, 1, 0};
            uint8_t* v = &grid[static_cast<size_t>(kGridSide * i + j) * scene::kObjectVertexStride];
            std::memcpy(v, p, sizeof p);
            std::memcpy(v + 12, normal, sizeof normal);
        }
    return grid;
}

void TexCoords(const Bytes& grid, int i, int j, float uv[2]) {
    std::memcpy(uv, &grid[static_cast<size_t>(kGridSide * i + j) * scene::kObjectVertexStride + 24],
                2 * sizeof(float));
}

TEST(WaterRipple, CoordinatesFollowTheGridPlusTheWave) {
    // Row 0, column 0 at the origin; the last vertex 5000 away.
    Bytes grid = Grid([](int i, int j, float& x, float& z) {
        x = (i == 50 && j == 50) ? 3000.0f : 100.0f * static_cast<float>(j);
        z = (i == 50 && j == 50) ? 4000.0f : 100.0f * static_cast<float>(i);
        if (i == 0 && j == 0) x = z = 0.0f;
    });
    const Bytes before = grid;
    WriteRipple(grid.data(), 0.0f);
    float uv[2];
    TexCoords(grid, 0, 0, uv);
    EXPECT_FLOAT_EQ(uv[0], 0.0f);
    EXPECT_FLOAT_EQ(uv[1], 0.0f);
    const float d = 0.15f * std::sin(0.005f * 5000.0f);
    TexCoords(grid, 50, 50, uv);
    EXPECT_NEAR(uv[0], 0.5f + d, 1e-6f);
    EXPECT_NEAR(uv[1], 0.5f + d, 1e-6f);
    // Row and column address the grid: row 2, column 7 at (700, 200).
    TexCoords(grid, 2, 7, uv);
    const float d27 = 0.15f * std::sin(0.005f * std::sqrt(700.0f * 700.0f + 200.0f * 200.0f));
    EXPECT_NEAR(uv[0], 0.07f + d27, 1e-6f);
    EXPECT_NEAR(uv[1], 0.02f + d27, 1e-6f);
    // Positions and normals stay as they were.
    for (size_t v = 0; v < static_cast<size_t>(kGridVertices); ++v)
        EXPECT_EQ(0, std::memcmp(&grid[v * 32], &before[v * 32], 24)) << v;

    // The phase moves the wave: at phase 20 the origin is shifted by 0.15 sin(0.8).
    WriteRipple(grid.data(), 20.0f);
    TexCoords(grid, 0, 0, uv);
    EXPECT_NEAR(uv[0], 0.15f * std::sin(0.8f), 1e-6f);
}

// ------------------------------------------------------------------ the segment on a device

using namespace test3ds;

// Engine coordinates (y up) as the file stores them (z up).
std::vector<float> FileXYZ(std::initializer_list<float> engine) {
    std::vector<float> out;
    for (auto it = engine.begin(); it != engine.end(); it += 3)
        out.insert(out.end(), {it[0], it[2], it[1]});
    return out;
}

// A side x side plane at the water level, `side` >= 2, with faces in rows.
Chunk Plane(const std::string& name, int side, const std::string& material) {
    std::vector<float> vertices;
    std::vector<uint16_t> faces;
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) {
            const float x = 200.0f * static_cast<float>(j - side / 2);
            const float z = -200.0f * static_cast<float>(i - side / 2);
            vertices.insert(vertices.end(), {x, z, kLevel});
        }
    auto at = [side](int i, int j) { return static_cast<uint16_t>(i * side + j); };
    for (int i = 0; i + 1 < side; ++i)
        for (int j = 0; j + 1 < side; ++j)
            faces.insert(faces.end(), {at(i + 1, j), at(i, j), at(i, j + 1), at(i + 1, j),
                                       at(i, j + 1), at(i + 1, j + 1)});
    // Texture coordinates as the grid's: 0.01 per step.
    Chunk uvs(0x4140);
    uvs.u16(static_cast<uint16_t>(side * side));
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j)
            uvs.floats({0.01f * static_cast<float>(j), 0.01f * static_cast<float>(i)});
    return MeshObject(name, vertices, faces, material, {uvs});
}

struct SceneParts {
    int planeSide = kGridSide;
    bool plane = true;
    bool planePicture = true;
    bool decoyPlane = true;  // an earlier "Pla" object that must not be chosen
    bool emitter = false;    // "emitter01", a pad above the water giving off four sparks
};

Bytes WaterSceneFile(const SceneParts& parts) {
    std::vector<Chunk> editor;
    editor.push_back(MaterialNamed("SEA", {ColourProperty(0xA020, 100, 150, 200)}));
    if (parts.planePicture)
        editor.back() = MaterialNamed(
            "SEA", {ColourProperty(0xA020, 100, 150, 200), MapProperty(0xA200, "sea.jpg")});
    editor.push_back(MaterialNamed("STONE", {ColourProperty(0xA020, 200, 200, 200)}));
    if (parts.decoyPlane) editor.push_back(Plane("PlaDecoy", 2, "SEA"));
    if (parts.plane) editor.push_back(Plane("PlaSea", parts.planeSide, "SEA"));
    editor.push_back(MeshObject("Box", FileXYZ({-100, -1000, 0, 100, -1000, 0, 0, -800, 0}),
                                {0, 1, 2}, "STONE"));
    if (parts.emitter)
        editor.push_back(MeshObject(
            "emitter01", FileXYZ({-50, -1200, -50, 50, -1200, -50, 50, -1200, 50, -50, -1200, 50}),
            {0, 1, 2, 0, 2, 3}, "STONE"));
    editor.push_back(OmniLight("Lamp", {100, 200, 500}, {1, 0.5f, 0.25f}));
    editor.push_back(SpotLight("Beam", {0, 0, 1000}, {1, 1, 1}, {0, 500, -1450}, 20, 40));
    editor.push_back(Camera("Cam", {0, -3000, -1000}, {0, 0, -1200}, 0, 40));

    std::vector<Chunk> nodes;
    uint16_t node = 0;
    if (parts.decoyPlane) nodes.push_back(Node(0xB002, node++, "PlaDecoy", 0xFFFF));
    if (parts.plane) nodes.push_back(Node(0xB002, node++, "PlaSea", 0xFFFF));
    if (parts.emitter) nodes.push_back(Node(0xB002, node++, "emitter01", 0xFFFF));
    // The box moves from x = 0 at frame 0 to x = 1000 at frame 100.
    nodes.push_back(Node(0xB002, node++, "Box", 0xFFFF,
                         {TrackChunk(0xB020, {Key(0, {0, 0, 0}), Key(100, {1000, 0, 0})})}));

    Chunk edit(0x3D3D);
    edit.add(Chunk(0x3D3E).u32(3));
    for (const Chunk& c : editor) edit.add(c);
    Chunk keyframer = Keyframer(0, 100);
    for (const Chunk& n : nodes) keyframer.add(n);
    Chunk main(0x4D4D);
    main.add(Version()).add(edit).add(keyframer);
    return main.bytes();
}

// Emitter parameters: four particles, then the texture name "spark.jpg".
Bytes EmitterFile() {
    testsupport::EmitterFile file;
    file.red = 0xFF;
    file.green = 0xC0;
    file.blue = 0x80;
    file.alpha = 0xFF;
    file.start = 0.0f;
    file.end = 1000.0f;
    return file.bytes();
}

Bytes Jpeg(uint32_t size, uint32_t (*colour)(uint32_t, uint32_t)) {
    return testimg::MakeJpeg(testimg::MakeArgb(size, size, colour));
}

class WaterSegment : public ::testing::Test {
  protected:
    void SetUp() override {
        previousDevice_ = RenderDevice;
        RenderDevice = &device;
        previousLog_ = scene3ds::SceneLogPath;
        scene3ds::SceneLogPath = dir.file("engine.log");
        previousPrefix_ = ScenePathPrefix;
        previousFlare_ = scene::FlarePicturePath;
        scene::FlarePicturePath = std::string(RUNEPLAY_PLAY_DIR) + "/point.bmp";
        // The effect quad's programs come from the generated pack.
        assets::PackArchive generated;
        ASSERT_TRUE(generated.Open(std::string(RUNEPLAY_PLAY_DIR) + "/kelvra.dat"));
        for (const char* name :
             {"!shaders\\shEf1.pso", "!shaders\\shEf2.pso", "!shaders\\shEf3.pso",
              "!shaders\\ShEf.vso", "!shaders\\ShEf1.vso"})
            ASSERT_TRUE(generated.ReadInto(name, entries[name])) << name;
        entries["scene3\\sea.jpg"] =
            Jpeg(16, [](uint32_t x, uint32_t y) { return 0xFF000000u | (x * 16 + y * 8); });
        entries["!textures\\!voda1.jpg"] = Jpeg(8, [](uint32_t, uint32_t) { return 0xFF204060u; });
        entries["scene3\\spark.jpg"] = Jpeg(8, [](uint32_t, uint32_t) { return 0xFFFFC080u; });
        entries["scene3\\emitter01.bin"] = EmitterFile();
    }

    void TearDown() override {
        RenderDevice = previousDevice_;
        scene3ds::SceneLogPath = previousLog_;
        ScenePathPrefix = previousPrefix_;
        scene::FlarePicturePath = previousFlare_;
    }

    // Writes the pack with the scene (and normals for its objects) and loads the segment.
    void Load(const SceneParts& parts = {}) {
        entries["scene3\\scene123.3DS"] = WaterSceneFile(parts);
        for (const char* name : {"PlaDecoy", "PlaSea", "Box", "emitter01"}) {
            const std::string n = name;
            const int count = n == "PlaSea" ? parts.planeSide * parts.planeSide
                              : n == "Box"  ? 3
                                            : 4;
            std::vector<float> normals;
            for (int i = 0; i < count; ++i) normals.insert(normals.end(), {0, 1, 0});
            Bytes bytes(normals.size() * sizeof(float));
            std::memcpy(bytes.data(), normals.data(), bytes.size());
            entries[std::string("Nrm\\") + name + ".nrm"] = bytes;
        }
        assets::PackWriter writer;
        for (auto& [name, data] : entries) writer.Add(name, data);
        const std::string path = dir.file("water.dat");
        std::string error;
        ASSERT_TRUE(writer.WriteFile(path, &error)) << error;
        ASSERT_TRUE(assets::GlobalPack().Open(path));
        ::testing::internal::CaptureStdout();
        water.Load(random);
        ::testing::internal::GetCapturedStdout();
        ASSERT_NE(water.scene, nullptr);
        state = water.StartState();
    }

    // The recorded call texts from `from` on.
    std::vector<std::string> Calls(size_t from = 0) const {
        std::vector<std::string> all = device.callStrings();
        return {all.begin() + static_cast<std::ptrdiff_t>(from), all.end()};
    }

    // Each text found after the one before it; the first one missing is named.
    ::testing::AssertionResult InOrder(size_t from, std::initializer_list<std::string> texts) {
        int at = static_cast<int>(from);
        for (const std::string& text : texts) {
            const int found = device.find(text, static_cast<size_t>(at));
            if (found < 0)
                return ::testing::AssertionFailure()
                       << "\"" << text << "\" not found after call " << at;
            at = found + 1;
        }
        return ::testing::AssertionSuccess();
    }

    SceneObject* Box() const {
        for (SceneObject* o = water.scene->objects; o; o = o->next)
            if (o->name == "Box") return o;
        return nullptr;
    }

    static std::string Name(const gfx::Resource* r) { return gfx::ResourceName(r); }
    std::string Rs(D3DRENDERSTATETYPE state, DWORD value) const {
        return std::string("SetRenderState(") + gfx::RenderStateName(state) + ", " +
               gfx::RenderStateValueText(state, value) + ")";
    }

    testsupport::TempDir dir;
    testsupport::ReportCapture reports;
    gfx::RecordingDevice device{gfx::DeviceParams{640, 480}};
    effects::WaterScene water;
    // What the segment's frames change.
    effects::WaterSceneState state;
    scene::RandomGenerator random;
    std::map<std::string, Bytes> entries;

  private:
    IDirect3DDevice8* previousDevice_ = nullptr;
    std::string previousLog_, previousPrefix_, previousFlare_;
};

TEST_F(WaterSegment, LoadMakesTheSettingsThePlaneBumpMapClipPlanesAndTargets) {
    Load();
    EXPECT_TRUE(reports.reports.empty()) << ::testing::PrintToString(reports.reports);
    const Scene& s = *water.scene;
    EXPECT_FLOAT_EQ(s.aspectRatio, 640.0f / 480.0f);
    EXPECT_FLOAT_EQ(s.lightAttenuation[0], 0.95f);
    EXPECT_FLOAT_EQ(s.lightAttenuation[1], 0.03f);
    EXPECT_FLOAT_EQ(s.lightAttenuation[2], 0.0f);
    EXPECT_EQ(s.ambientColor, 0x00B78832u);
    EXPECT_EQ(s.fogEnable, 0u);

    // The last "Pla" object, hidden from scene drawing, with the ripple's grid.
    ASSERT_NE(water.waterPlane, nullptr);
    EXPECT_EQ(water.waterPlane->name.str(), "PlaSea");
    EXPECT_EQ(water.waterPlane->visible, 0u);
    EXPECT_TRUE(water.rippleGrid);

    // The bump map replaces the plane's picture in its material and has its size.
    ASSERT_NE(water.bumpTexture, nullptr);
    ASSERT_NE(water.planePicture, nullptr);
    EXPECT_EQ(water.waterPlane->material->texture, water.bumpTexture);
    EXPECT_EQ(water.bumpTexture->format(), D3DFMT_X8L8V8U8);
    EXPECT_EQ(water.bumpTexture->pool(), D3DPOOL_MANAGED);
    EXPECT_EQ(water.bumpTexture->GetLevelCount(), 1u);
    EXPECT_EQ(water.bumpTexture->width(), water.planePicture->width());
    EXPECT_EQ(water.bumpTexture->height(), water.planePicture->height());

    const auto& planes = device.state().clipPlanes;
    EXPECT_THAT(planes[0], ::testing::ElementsAre(0.0f, -1.0f, 0.0f, -1450.0f));
    EXPECT_THAT(planes[1], ::testing::ElementsAre(0.0f, 1.0f, 0.0f, 1450.0f));

    ASSERT_NE(water.waterTexture, nullptr);
    EXPECT_EQ(water.waterTexture->pool(), D3DPOOL_DEFAULT);
    for (const effects::NestedRenderTarget* t : {&water.mirrorTarget, &water.surfaceTarget}) {
        ASSERT_TRUE(t->created());
        EXPECT_EQ(t->texture->width(), 512u);
        EXPECT_EQ(t->texture->height(), 512u);
    }
    EXPECT_NE(water.effectQuad->shEf1, 0u);
}

TEST_F(WaterSegment, BumpMapIsBuiltFromThePlanePicturesBlue) {
    Load();
    D3DLOCKED_RECT source{}, bump{};
    ASSERT_EQ(water.planePicture->LockRect(0, &source, nullptr, 0), D3D_OK);
    ASSERT_EQ(water.bumpTexture->LockRect(0, &bump, nullptr, 0), D3D_OK);
    const uint32_t w = water.planePicture->width(), h = water.planePicture->height();
    Bytes expected(static_cast<size_t>(w) * h * 4);
    BuildBumpTexels(static_cast<const uint8_t*>(source.pBits), source.Pitch, expected.data(),
                    static_cast<int>(4 * w), w, h);
    for (uint32_t row = 0; row < h; ++row)
        EXPECT_EQ(0, std::memcmp(static_cast<const uint8_t*>(bump.pBits) + row * bump.Pitch,
                                 &expected[row * 4 * w], 4 * w))
            << row;
    water.planePicture->UnlockRect(0);
    water.bumpTexture->UnlockRect(0);
}

TEST_F(WaterSegment, FramePassesRunInOrderWithTheirTargetsStencilAndClipping) {
    Load();
    const size_t from = device.calls().size();
    water.DrawFrame(state, random, 100.0f, 1);

    gfx::Surface* back = nullptr;
    device.GetBackBuffer(0, &back);
    const std::string depth = Name(water.mirrorTarget.savedDepth);
    const std::string frame = "SetRenderTarget(" + Name(back) + ", " + depth + ")";
    const std::string plane = "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 2601, 0, 5000)";
    const std::string box = "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1)";
    const std::string depthAndStencil = "Clear(0, 0x6, 0xFF000000, 1, 0)";
    EXPECT_TRUE(InOrder(
        from,
        {// Frame states.
         Rs(D3DRS_ZWRITEENABLE, TRUE), Rs(D3DRS_ZENABLE, TRUE), Rs(D3DRS_LIGHTING, TRUE),
         Rs(D3DRS_CULLMODE, D3DCULL_CW), Rs(D3DRS_SRCBLEND, D3DBLEND_ONE),
         Rs(D3DRS_DESTBLEND, D3DBLEND_ZERO),
         // Mirror pass.
         "SetRenderTarget(" + Name(water.mirrorTarget.targetSurface) + ", " + depth + ")",
         "SetPixelShader(0)", depthAndStencil, Rs(D3DRS_CLIPPLANEENABLE, 1),
         Rs(D3DRS_CULLMODE, D3DCULL_NONE), box, frame,
         // Surface pass: the plane alone under a white ambient, then the ambient put back.
         "SetRenderTarget(" + Name(water.surfaceTarget.targetSurface) + ", " + depth + ")",
         "GetRenderState(D3DRS_AMBIENT)", Rs(D3DRS_AMBIENT, 0xFFFFFFFF),
         Rs(D3DRS_CLIPPLANEENABLE, 0), Rs(D3DRS_CULLMODE, D3DCULL_NONE),
         Rs(D3DRS_ALPHABLENDENABLE, TRUE), Rs(D3DRS_SRCBLEND, D3DBLEND_ONE),
         Rs(D3DRS_DESTBLEND, D3DBLEND_ZERO), Rs(D3DRS_ZWRITEENABLE, FALSE),
         Rs(D3DRS_ZENABLE, FALSE), "SetTexture(0, " + Name(water.bumpTexture) + ")",
         "SetPixelShader(0)", "SetVertexShader(0x112)", plane, Rs(D3DRS_AMBIENT, 0x00B78832), frame,
         // Main pass, marking the stencil.
         Rs(D3DRS_ZWRITEENABLE, TRUE), Rs(D3DRS_ZENABLE, TRUE), depthAndStencil,
         Rs(D3DRS_STENCILENABLE, TRUE), Rs(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP),
         Rs(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE), Rs(D3DRS_STENCILFUNC, D3DCMP_ALWAYS),
         Rs(D3DRS_STENCILREF, 1), Rs(D3DRS_STENCILMASK, 0xFFFF), Rs(D3DRS_CLIPPLANEENABLE, 2),
         Rs(D3DRS_CULLMODE, D3DCULL_CW), box,
         // Only unmarked pixels from here on.
         Rs(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP), Rs(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP),
         Rs(D3DRS_STENCILFUNC, D3DCMP_EQUAL), Rs(D3DRS_STENCILREF, 0),
         Rs(D3DRS_STENCILMASK, 0xFFFF), Rs(D3DRS_ZENABLE, FALSE),
         // Effect pass: mirror on stage 0, surface on stage 1, added.
         "SetPixelShader(" + gfx::RecordingDevice::PixelShaderName(water.effectQuad->shEf1) + ")",
         "SetTexture(1, " + Name(water.surfaceTarget.texture) + ")",
         "SetTexture(0, " + Name(water.mirrorTarget.texture) + ")",
         "SetTexture(2, " + Name(water.mirrorTarget.texture) + ")",
         "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)",
         // Water layer.
         Rs(D3DRS_CLIPPLANEENABLE, 0), Rs(D3DRS_CULLMODE, D3DCULL_NONE), Rs(D3DRS_LIGHTING, TRUE),
         Rs(D3DRS_ALPHABLENDENABLE, TRUE), Rs(D3DRS_SRCBLEND, D3DBLEND_ONE),
         Rs(D3DRS_DESTBLEND, D3DBLEND_ONE), Rs(D3DRS_ZWRITEENABLE, FALSE), Rs(D3DRS_ZENABLE, FALSE),
         "SetTexture(0, " + Name(water.waterTexture) + ")", plane,
         // Closing states.
         Rs(D3DRS_STENCILENABLE, FALSE), Rs(D3DRS_CULLMODE, D3DCULL_NONE),
         Rs(D3DRS_CLIPPLANEENABLE, 0)}));
    // The stage-2 bump matrix of the effect pass is the segment's 0.35.
    EXPECT_FLOAT_EQ(DWORDToFloat(device.state().stageStates[2][D3DTSS_BUMPENVMAT00]), 0.35f);
    EXPECT_FLOAT_EQ(DWORDToFloat(device.state().stageStates[2][D3DTSS_BUMPENVMAT11]), 0.35f);
    // The plane is drawn by the segment only: twice, never by scene drawing.
    int planeDraws = 0;
    for (const std::string& c : Calls(from)) planeDraws += c == plane;
    EXPECT_EQ(planeDraws, 2);
}

TEST_F(WaterSegment, MirrorPassReflectsEveryWorldMatrixAndLight) {
    Load();
    const size_t from = device.calls().size();
    water.DrawFrame(state, random, 100.0f, 1);
    const std::vector<gfx::RecordedCall>& calls = device.calls();
    const int mirrorBegin =
        device.find("SetRenderTarget(" + Name(water.mirrorTarget.targetSurface) + ", " +
                        Name(water.mirrorTarget.savedDepth) + ")",
                    from);
    const int surfaceBegin =
        device.find("SetRenderTarget(" + Name(water.surfaceTarget.targetSurface) + ", " +
                        Name(water.mirrorTarget.savedDepth) + ")",
                    from);
    ASSERT_GE(mirrorBegin, 0);
    ASSERT_GT(surfaceBegin, mirrorBegin);

    // The box's world matrix in the mirror pass is its frame-50 matrix times the mirror.
    SceneObject* box = Box();
    ASSERT_NE(box, nullptr);
    D3DXMATRIX expected;
    const D3DXMATRIX world = box->worldMatrix, mirror = MirrorMatrix();  // unmirrored again
    D3DXMatrixMultiply(&expected, &world, &mirror);
    const std::string boxDraw = "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1)";
    std::vector<float> lastWorld, worldsInMirror;
    std::vector<std::vector<float>> lights;
    for (int i = mirrorBegin; i < surfaceBegin; ++i) {
        if (calls[i].str() == "SetTransform(D3DTS_WORLD)") lastWorld = calls[i].floats;
        if (calls[i].str() == boxDraw) worldsInMirror = lastWorld;
        if (calls[i].name == "SetLight") lights.push_back(calls[i].floats);
    }
    ASSERT_EQ(worldsInMirror.size(), 16u);
    for (int k = 0; k < 16; ++k)
        EXPECT_NEAR(worldsInMirror[k], expected.m[k / 4][k % 4], 1e-3f) << k;

    // The update sets both device lights (the lamp, the spot); then all eight indices hold a
    // light (switching one off gives it the default light) and are set again, turned over. A
    // recorded light holds three colours (12 floats), then position, direction.
    D3DLIGHT8 lamp{}, spot{};
    ASSERT_EQ(device.GetLight(0, &lamp), D3D_OK);  // the main pass's, the right way up
    ASSERT_EQ(device.GetLight(1, &spot), D3D_OK);
    ASSERT_EQ(lights.size(), 10u);
    const std::vector<float>& mirroredLamp = lights[2];
    const std::vector<float>& mirroredSpot = lights[3];
    ASSERT_GE(mirroredLamp.size(), 18u);
    EXPECT_FLOAT_EQ(mirroredLamp[12], lamp.Position.x);
    EXPECT_NEAR(mirroredLamp[13], -lamp.Position.y - 2900.0f, 1e-3f);
    EXPECT_FLOAT_EQ(mirroredLamp[14], lamp.Position.z);
    ASSERT_GE(mirroredSpot.size(), 18u);
    EXPECT_NEAR(mirroredSpot[13], -spot.Position.y - 2900.0f, 1e-3f);
    EXPECT_FLOAT_EQ(mirroredSpot[15], spot.Direction.x);
    EXPECT_FLOAT_EQ(mirroredSpot[16], -spot.Direction.y);
    // Lights keep their switches: the mirror pass enables and disables nothing itself.
    int enables = 0;
    for (int i = device.find("GetLight(0)", static_cast<size_t>(mirrorBegin)); i < surfaceBegin;
         ++i)
        enables += calls[i].name == "LightEnable";
    EXPECT_EQ(enables, 0);
}

TEST_F(WaterSegment, ClipTimeHundredIsSceneFrameFiftyWithTheRippleAtPhaseTwenty) {
    Load();
    water.DrawFrame(state, random, 100.0f, 1);
    SceneObject* box = Box();
    ASSERT_NE(box, nullptr);
    const D3DMATRIX drawn = box->worldMatrix;
    scene::SetObjectMatrix(*box, 50.0f);
    EXPECT_EQ(std::memcmp(&drawn, &box->worldMatrix, sizeof drawn), 0);
    scene::SetObjectMatrix(*box, 100.0f);
    EXPECT_NE(std::memcmp(&drawn, &box->worldMatrix, sizeof drawn), 0);

    // The plane's coordinates are the ripple at phase 0.2 × 100.
    const gfx::VertexBuffer& vb = *water.waterPlane->vertexBuffer;
    Bytes grid(vb.data(), vb.data() + vb.size());
    Bytes expected = grid;
    WriteRipple(expected.data(), 20.0f);
    EXPECT_EQ(grid, expected);
    float uv[2];
    TexCoords(grid, 0, 0, uv);
    EXPECT_NE(uv[0], 0.0f);
}

TEST_F(WaterSegment, FrameEndsWithThePlanesStreamAndTheWaterLayersStates) {
    Load();
    water.DrawFrame(state, random, 300.0f, 1);
    const gfx::DeviceState& s = device.state();
    EXPECT_EQ(s.streams[0].buffer, water.waterPlane->vertexBuffer);
    EXPECT_EQ(s.streams[0].stride, 32u);
    EXPECT_EQ(s.indices, water.waterPlane->indexBuffer);
    EXPECT_EQ(s.vertexShader, 0x112u);
    EXPECT_EQ(s.pixelShader, 0u);
    EXPECT_EQ(s.textures[0], water.waterTexture);
    EXPECT_EQ(std::memcmp(&s.world, &water.waterPlane->worldMatrix, sizeof s.world), 0);
    const auto& rs = s.renderStates;
    EXPECT_EQ(rs[D3DRS_LIGHTING], static_cast<DWORD>(TRUE));
    EXPECT_EQ(rs[D3DRS_ALPHABLENDENABLE], static_cast<DWORD>(TRUE));
    EXPECT_EQ(rs[D3DRS_SRCBLEND], static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(rs[D3DRS_DESTBLEND], static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(rs[D3DRS_ZENABLE], static_cast<DWORD>(FALSE));
    EXPECT_EQ(rs[D3DRS_STENCILENABLE], static_cast<DWORD>(FALSE));
    EXPECT_EQ(rs[D3DRS_CULLMODE], static_cast<DWORD>(D3DCULL_NONE));
    EXPECT_EQ(rs[D3DRS_CLIPPLANEENABLE], 0u);
    EXPECT_EQ(water.waterPlane->visible, 0u);
    // The matrices are the scene's own again.
    SceneObject* box = Box();
    const D3DMATRIX drawn = box->worldMatrix;
    scene::SetObjectMatrix(*box, 150.0f);
    EXPECT_EQ(std::memcmp(&drawn, &box->worldMatrix, sizeof drawn), 0);
}

TEST_F(WaterSegment, ParticlesAreAddedAfterTheReflectionWithoutMarkingTheStencil) {
    SceneParts parts;
    parts.emitter = true;
    Load(parts);
    EXPECT_TRUE(reports.reports.empty()) << ::testing::PrintToString(reports.reports);
    ASSERT_EQ(water.scene->emitterCount, 1);
    const size_t from = device.calls().size();
    water.DrawFrame(state, random, 100.0f, 1);

    const std::string sparks = "DrawPrimitive(D3DPT_POINTLIST, 0, 4)";
    const int mainPass = device.find(Rs(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE), from);
    const int effect = device.find("DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)", from);
    ASSERT_GE(mainPass, 0);
    ASSERT_GT(effect, mainPass);
    // Drawn in the mirror pass as scene drawing draws them, not in the main pass.
    const int mirrored = device.find(sparks, from);
    EXPECT_GE(mirrored, 0);
    EXPECT_LT(mirrored, mainPass);
    const int after = device.find(sparks, static_cast<size_t>(mainPass));
    EXPECT_GT(after, effect);
    // With the stencil off and the emitter states of scene drawing, then the stencil back on
    // for the water layer.
    EXPECT_TRUE(InOrder(
        static_cast<size_t>(effect),
        {Rs(D3DRS_STENCILENABLE, FALSE), Rs(D3DRS_ZENABLE, TRUE), Rs(D3DRS_ZWRITEENABLE, FALSE),
         Rs(D3DRS_LIGHTING, FALSE), Rs(D3DRS_POINTSPRITEENABLE, TRUE),
         Rs(D3DRS_SRCBLEND, D3DBLEND_ONE), Rs(D3DRS_DESTBLEND, D3DBLEND_ONE), sparks,
         Rs(D3DRS_POINTSPRITEENABLE, FALSE), Rs(D3DRS_STENCILENABLE, TRUE),
         "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 2601, 0, 5000)"}));
    EXPECT_NE(water.scene->emitters, nullptr);  // given back after the main pass
}

TEST_F(WaterSegment, PlaneThatIsNoGridIsReportedAndLeftStill) {
    SceneParts parts;
    parts.planeSide = 10;
    Load(parts);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_THAT(reports.reports[0], HasSubstr("scene3\\scene123.3DS"));
    EXPECT_THAT(reports.reports[0], HasSubstr("\"PlaSea\" has 100 vertices"));
    EXPECT_FALSE(water.rippleGrid);
    ASSERT_NE(water.bumpTexture, nullptr);  // the rest of the water still works

    const gfx::VertexBuffer& vb = *water.waterPlane->vertexBuffer;
    const Bytes before(vb.data(), vb.data() + vb.size());
    const size_t from = device.calls().size();
    water.DrawFrame(state, random, 500.0f, 1);
    EXPECT_EQ(Bytes(vb.data(), vb.data() + vb.size()), before);
    EXPECT_TRUE(InOrder(from, {"DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 100, 0, 162)",
                               "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)",
                               "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 100, 0, 162)"}));
}

TEST_F(WaterSegment, SceneWithoutAPlaneIsReportedAndDrawsItsMirrorAlone) {
    SceneParts parts;
    parts.plane = false;
    parts.decoyPlane = false;
    Load(parts);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_THAT(reports.reports[0], HasSubstr("no water plane"));
    EXPECT_EQ(water.waterPlane, nullptr);
    EXPECT_EQ(water.bumpTexture, nullptr);
    const size_t from = device.calls().size();
    water.DrawFrame(state, random, 100.0f, 1);
    const std::string box = "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1)";
    EXPECT_TRUE(InOrder(from, {box, box, "DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2)"}));
    int draws = 0;
    for (const std::string& c : Calls(from)) draws += c.rfind("DrawIndexedPrimitive", 0) == 0;
    EXPECT_EQ(draws, 2);
}

TEST_F(WaterSegment, PlaneWithoutAPictureIsReportedAndGetsNoBumpMap) {
    SceneParts parts;
    parts.planePicture = false;
    Load(parts);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_THAT(reports.reports[0], HasSubstr("no picture"));
    EXPECT_EQ(water.bumpTexture, nullptr);
    EXPECT_TRUE(water.rippleGrid);
    water.DrawFrame(state, random, 100.0f, 1);  // still draws
    EXPECT_EQ(device.state().renderStates[D3DRS_STENCILENABLE], static_cast<DWORD>(FALSE));
}

TEST_F(WaterSegment, DrawBeforeLoadDoesNothing) {
    water.DrawFrame(state, random, 100.0f, 1);
    EXPECT_TRUE(device.calls().empty());
}

}  // namespace
