#include "scene/Emitters.h"

#include <gmock/gmock.h>

#include <cmath>
#include <limits>

#include "PreparedSceneFixture.h"
#include "scene/Random.h"

using namespace test3ds;
using namespace scenetest;
using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

// A vertex of the emitter's buffer as a draw left it.
struct BufferVertex {
    float x, y, z;
    uint32_t colour;
};

BufferVertex VertexAt(const scene::EmitterRecord& r, uint32_t i) {
    BufferVertex v;
    std::memcpy(&v, r.vertexBuffer->data() + size_t{i} * 16, sizeof v);
    return v;
}

// ---------------------------------------------------------------- the generator

TEST(SceneRandom, IsTheClassicGeneratorFromStateOne) {
    scene::RandomGenerator random;
    EXPECT_EQ(random.Next(), 41);
    EXPECT_EQ(random.Next(), 18467);
    EXPECT_EQ(random.Next(), 6334);
    EXPECT_EQ(random.Next(), 26500);
    EXPECT_EQ(random.state,
              1u * 214013u * 214013u * 214013u * 214013u +
                  2531011u * (1u + 214013u + 214013u * 214013u + 214013u * 214013u * 214013u));
}

TEST(SceneRandom, ACopyRepeatsTheSequence) {
    scene::RandomGenerator random;
    random.Next();
    scene::RandomGenerator copy = random;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(copy.Next(), random.Next());
}

TEST(SceneRandom, FractionSpansMinusOneToJustBelowOne) {
    EXPECT_EQ(scene::RandomFraction(0), -1.0f);
    EXPECT_EQ(scene::RandomFraction(16384), 0.0f);
    EXPECT_EQ(scene::RandomFraction(24576), 0.5f);
    EXPECT_EQ(scene::RandomFraction(32767), 16383.0f / 16384.0f);
}

// ---------------------------------------------------------------- the parameter file

TEST(EmitterFileParsing, ReadsEveryField) {
    EmitterFile f;
    f.count = 300;
    f.texture = "fire.jpg";
    const Bytes b = f.bytes();
    scene::EmitterParameters p;
    std::string reason;
    ASSERT_TRUE(scene::ParseEmitterParameters(b.data(), b.size(), p, &reason)) << reason;
    EXPECT_EQ(p.particleCount, 300u);
    EXPECT_EQ(p.spread, 0.5f);
    EXPECT_EQ(p.lifeRange, 10.0f);
    EXPECT_EQ(p.speed, 2.0f);
    EXPECT_EQ(p.pointSize, 8.0f);
    EXPECT_EQ(p.red, 0x10);
    EXPECT_EQ(p.alpha, 0x40);
    EXPECT_EQ(p.startFrame, 100.0f);
    EXPECT_EQ(p.endFrame, 200.0f);
    EXPECT_STREQ(p.textureName, "fire.jpg");
    EXPECT_FALSE(p.textureNameCut);
}

TEST(EmitterFileParsing, RefusesShortAndImplausibleFiles) {
    scene::EmitterParameters p;
    std::string reason;
    Bytes b = EmitterFile{}.bytes();
    EXPECT_FALSE(scene::ParseEmitterParameters(b.data(), 31, p, &reason));
    EXPECT_THAT(reason, HasSubstr("31 bytes"));
    EXPECT_FALSE(scene::ParseEmitterParameters(nullptr, 0, p, &reason));

    EmitterFile none;
    none.count = 0;
    b = none.bytes();
    EXPECT_FALSE(scene::ParseEmitterParameters(b.data(), b.size(), p, &reason));
    EXPECT_THAT(reason, HasSubstr("no particles"));

    EmitterFile many;
    many.count = scene::kMaxParticles + 1;
    b = many.bytes();
    EXPECT_FALSE(scene::ParseEmitterParameters(b.data(), b.size(), p, &reason));
    EXPECT_THAT(reason, HasSubstr("1000001 particles"));
    many.count = scene::kMaxParticles;
    b = many.bytes();
    EXPECT_TRUE(scene::ParseEmitterParameters(b.data(), b.size(), p, &reason));

    EmitterFile odd;
    odd.speed = std::nanf("");
    b = odd.bytes();
    EXPECT_FALSE(scene::ParseEmitterParameters(b.data(), b.size(), p, &reason));
    EXPECT_THAT(reason, HasSubstr("not a number"));
}

// An end frame of +infinity is a colour that never ends; infinities are kept as they are.
TEST(EmitterFileParsing, InfinitiesAreNumbers) {
    EmitterFile f;
    f.end = std::numeric_limits<float>::infinity();
    f.start = -std::numeric_limits<float>::infinity();
    const Bytes b = f.bytes();
    scene::EmitterParameters p;
    std::string reason;
    ASSERT_TRUE(scene::ParseEmitterParameters(b.data(), b.size(), p, &reason)) << reason;
    EXPECT_EQ(p.endFrame, std::numeric_limits<float>::infinity());
    EXPECT_EQ(p.startFrame, -std::numeric_limits<float>::infinity());
}

TEST(EmitterFileParsing, TextureNameIsCutToFifteenCharacters) {
    EmitterFile f;
    f.texture = "abcdefghijklmnopqrst.jpg";
    Bytes b = f.bytes();
    scene::EmitterParameters p;
    ASSERT_TRUE(scene::ParseEmitterParameters(b.data(), b.size(), p, nullptr));
    EXPECT_STREQ(p.textureName, "abcdefghijklmno");
    EXPECT_TRUE(p.textureNameCut);

    f.texture = "abcdefghijk.jpg";  // exactly 15 with its NUL in sixteenth place
    b = f.bytes();
    ASSERT_TRUE(scene::ParseEmitterParameters(b.data(), b.size(), p, nullptr));
    EXPECT_STREQ(p.textureName, "abcdefghijk.jpg");
    EXPECT_FALSE(p.textureNameCut);

    // A name that ends with the file, without its NUL, is taken as far as it goes.
    b.pop_back();
    b.pop_back();
    ASSERT_TRUE(scene::ParseEmitterParameters(b.data(), b.size(), p, nullptr));
    EXPECT_STREQ(p.textureName, "abcdefghijk.jp");
}

TEST(EmitterColour, AlphaThenRedGreenBlue) {
    EXPECT_EQ(scene::EmitterColour(0x10, 0x20, 0x30, 0x40), 0x40102030u);
}

// ---------------------------------------------------------------- set-up, update, draw

class Emitters : public PreparedSceneTest {
  protected:
    // One emitter object with the given file-order vertices (file x, y, z).
    void PrepareEmitter(const EmitterFile& file, const std::vector<float>& vertices,
                        bool withTexture = true) {
        entries["scene3\\emitter01.bin"] = file.bytes();
        if (withTexture) entries["scene3\\" + file.texture] = SmallJpeg(0xFFFFFFFFu);
        LoadAndPrepare(File({MeshObject("emitter01", vertices, kFace, "")},
                            {Keyframer(0, 100, {ObjectNode(0, "emitter01")})}));
        ASSERT_EQ(scene.emitterCount, 1);
        ASSERT_EQ(particles.emitters.size(), 1u);
        record = &scene.emitters[0];
    }
    std::vector<scene::Particle>& Particles() { return particles.emitters[0]; }
    void UpdateAt(float frame) { scene::UpdateEmitter(*record, Particles(), frame, random); }

    scene::EmitterRecord* record = nullptr;
};

TEST_F(Emitters, SetUpSpreadsSpawnPointsOverTheObjectAndWaitsForTheFirstUpdate) {
    EmitterFile f;
    f.count = 50;
    PrepareEmitter(f, {-10, 5, 2, 40, 7, 3, 20, 9, 30});  // stored (x, z, y)
    ASSERT_TRUE(record->active());
    EXPECT_EQ(record->texture->pool(), D3DPOOL_DEFAULT);
    EXPECT_STREQ(record->textureName, "spark.jpg");
    EXPECT_THAT(record->extent, ElementsAre(40.0f, 2.0f, 9.0f));
    EXPECT_EQ(record->vertexBuffer->size(), 50u * 16);
    EXPECT_EQ(record->vertexBuffer->fvf(), 0x42u);
    EXPECT_EQ(record->vertexBuffer->pool(), D3DPOOL_MANAGED);
    ASSERT_EQ(record->startParticles.size(), 50u);
    ASSERT_EQ(Particles().size(), 50u);
    for (uint32_t i = 0; i < 50; ++i) {
        const float* s = &record->spawnPoints[3 * i];
        EXPECT_LE(std::fabs(s[0]), 40.0f);
        EXPECT_EQ(s[1], 2.0f);
        EXPECT_LE(std::fabs(s[2]), 9.0f);
        const scene::Particle& p = Particles()[i];
        EXPECT_EQ(p.life, -1.0f);
        EXPECT_EQ(p.velocity[1], 1.0f);
        EXPECT_LE(std::fabs(p.velocity[0]), 0.5f);
        EXPECT_EQ(p.x, s[0]);
        EXPECT_EQ(p.colour, scene::kUnbornParticleColour);
    }
}

TEST_F(Emitters, SpawnPointsFollowTheGeneratorInItsOrder) {
    EmitterFile f;
    f.count = 1;
    f.spread = 1.0f;
    PrepareEmitter(f, {50, 20, 0, 0, 0, 0, 0, 0, 0});  // stored (50, 0, 20)
    // From state 1: 41, 18467, 6334, 26500.
    EXPECT_EQ(record->spawnPoints[0], scene::RandomFraction(41) * 50.0f);
    EXPECT_EQ(record->spawnPoints[2], scene::RandomFraction(18467) * 20.0f);
    EXPECT_EQ(Particles()[0].velocity[0], scene::RandomFraction(6334));
    EXPECT_EQ(Particles()[0].velocity[2], scene::RandomFraction(26500));
}

TEST_F(Emitters, ObjectLeftOfMinusOneHundredStillSpreadsOverPlusMinusOneHundred) {
    EmitterFile f;
    f.count = 200;
    PrepareEmitter(f, {-300, -400, 0, -250, -500, 0, -200, -450, 0});
    EXPECT_EQ(record->extent[0], -100.0f);
    EXPECT_EQ(record->extent[2], -100.0f);
    float lowest = 0, highest = 0;
    for (uint32_t i = 0; i < 200; ++i) {
        lowest = std::min(lowest, record->spawnPoints[3 * i]);
        highest = std::max(highest, record->spawnPoints[3 * i]);
    }
    EXPECT_LT(lowest, -50.0f);
    EXPECT_GT(highest, 50.0f);
    EXPECT_LE(highest, 100.0f);
}

TEST_F(Emitters, ColourOnlyStrictlyInsideTheFrameWindow) {
    EmitterFile f;
    f.life = 0;  // every particle is reborn on every update
    PrepareEmitter(f, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    const std::pair<float, uint32_t> cases[] = {
        {100.0f, 0u}, {100.5f, 0x40102030u}, {199.0f, 0x40102030u}, {200.0f, 0u}};
    for (const auto& [frame, colour] : cases) {
        UpdateAt(frame);
        for (uint32_t i = 0; i < record->particleCount; ++i)
            EXPECT_EQ(Particles()[i].colour, colour) << "frame " << frame;
    }
}

TEST_F(Emitters, AnEndFrameOfInfinityColoursForEver) {
    EmitterFile f;
    f.life = 0;
    f.end = std::numeric_limits<float>::infinity();
    PrepareEmitter(f, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    ASSERT_TRUE(record->active());
    for (const float frame : {100.5f, 1e6f, 3e38f}) {
        UpdateAt(frame);
        for (uint32_t i = 0; i < record->particleCount; ++i)
            EXPECT_EQ(Particles()[i].colour, 0x40102030u) << "frame " << frame;
    }
}

TEST_F(Emitters, LifeRangeZeroRebornsEveryParticleOnEveryUpdate) {
    EmitterFile f;
    f.life = 0;
    PrepareEmitter(f, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    for (int step = 0; step < 3; ++step) {
        const uint32_t before = random.state;
        UpdateAt(150);
        // Three draws per reborn particle: life and two velocity components.
        uint32_t expected = before;
        for (uint32_t i = 0; i < 3 * record->particleCount; ++i)
            expected = expected * 214013u + 2531011u;
        EXPECT_EQ(random.state, expected);
        for (uint32_t i = 0; i < record->particleCount; ++i) {
            EXPECT_EQ(Particles()[i].life, -1.0f);
            EXPECT_EQ(Particles()[i].x, record->spawnPoints[3 * i]);  // never moves
        }
    }
}

TEST_F(Emitters, ParticleRisesBySpeedTimesVelocityEachUpdate) {
    EmitterFile f;
    f.count = 1;
    f.spread = 0;
    f.speed = 2;
    PrepareEmitter(f, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    UpdateAt(150);  // first rebirth at the spawn point
    Particles()[0].life = 100.0f;
    const float y0 = Particles()[0].y;
    EXPECT_THAT(Particles()[0].velocity, ElementsAre(0.0f, 1.0f, 0.0f));
    UpdateAt(151);
    EXPECT_EQ(Particles()[0].y, y0 + 2.0f);
    UpdateAt(152);
    EXPECT_EQ(Particles()[0].y, y0 + 4.0f);
    EXPECT_EQ(Particles()[0].life, 98.0f);
}

TEST_F(Emitters, RebirthGoesThroughTheObjectsWorldMatrix) {
    EmitterFile f;
    f.count = 3;
    f.spread = 0;
    f.life = 0;
    PrepareEmitter(f, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    // Scale 2, a quarter turn about y, then moved by (10, 20, 30).
    D3DXMATRIX world(0, 0, -2, 0, 0, 2, 0, 0, 2, 0, 0, 0, 10, 20, 30, 1);
    scene.objects->worldMatrix = world;
    UpdateAt(150);
    for (uint32_t i = 0; i < 3; ++i) {
        const float* s = &record->spawnPoints[3 * i];
        const scene::Particle& p = Particles()[i];
        EXPECT_FLOAT_EQ(p.x, 2 * s[2] + 10);
        EXPECT_FLOAT_EQ(p.y, 2 * s[1] + 20);
        EXPECT_FLOAT_EQ(p.z, -2 * s[0] + 30);
        // (0, 1, 0) through the upper 3 × 3 only.
        EXPECT_THAT(p.velocity, ElementsAre(0.0f, 2.0f, 0.0f));
    }
}

TEST_F(Emitters, AnUpdateMovesOnlyTheParticlesItIsGiven) {
    EmitterFile f;
    f.count = 20;
    PrepareEmitter(f, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    UpdateAt(150);
    const std::vector<scene::Particle> snapshot = Particles();
    const scene::RandomGenerator generator = random;
    for (int step = 0; step < 5; ++step) UpdateAt(151.0f + static_cast<float>(step));
    // The same particles and generator again give the same run.
    std::vector<scene::Particle> again = snapshot;
    scene::RandomGenerator replay = generator;
    for (int step = 0; step < 5; ++step)
        scene::UpdateEmitter(*record, again, 151.0f + static_cast<float>(step), replay);
    EXPECT_EQ(replay.state, random.state);
    for (size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].x, Particles()[i].x) << i;
        EXPECT_EQ(again[i].y, Particles()[i].y) << i;
        EXPECT_EQ(again[i].life, Particles()[i].life) << i;
    }
    // Fewer particles than the record holds: only those move, and nothing reads past them.
    std::vector<scene::Particle> few(record->startParticles.begin(),
                                     record->startParticles.begin() + 3);
    scene::UpdateEmitter(*record, few, 150, replay);
    EXPECT_EQ(few.size(), 3u);
    EXPECT_NE(few[0].life, -1.0f);
}

TEST_F(Emitters, DrawCopiesPositionsAndColoursIntoTheBuffer) {
    EmitterFile f;
    f.count = 5;
    PrepareEmitter(f, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    UpdateAt(150);
    Particles()[2].colour = 0x12345678u;
    scene::DrawEmitter(*record, Particles());
    for (uint32_t i = 0; i < 5; ++i) {
        const BufferVertex v = VertexAt(*record, i);
        EXPECT_EQ(v.x, Particles()[i].x) << i;
        EXPECT_EQ(v.y, Particles()[i].y) << i;
        EXPECT_EQ(v.z, Particles()[i].z) << i;
        EXPECT_EQ(v.colour, Particles()[i].colour) << i;
    }
}

TEST_F(Emitters, DrawIsOnePointListWithTheSharedIdentity) {
    EmitterFile f;
    f.pointSize = 12.5f;
    PrepareEmitter(f, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    device.clearCalls();
    scene::DrawEmitter(*record, Particles());
    EXPECT_THAT(
        device.callStrings(),
        ElementsAre(
            "SetTexture(0, tex#" + std::to_string(record->texture->serial()) + ")",
            "SetTexture(1, null)", "SetTexture(2, null)", "SetTexture(3, null)",
            "SetTransform(D3DTS_WORLD)", "SetRenderState(D3DRS_POINTSIZE, 12.5)",
            "SetStreamSource(0, vb#" + std::to_string(record->vertexBuffer->serial()) + ", 16)",
            "SetVertexShader(0x42)", "SetPixelShader(0)", "DrawPrimitive(D3DPT_POINTLIST, 0, 4)"));
    const auto world = device.callsNamed("SetTransform")[0].floats;
    EXPECT_THAT(world, ElementsAre(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
}

TEST_F(Emitters, MissingTextureIsReportedWithItsNameAndTheEmitterStillRuns) {
    PrepareEmitter(EmitterFile{}, {0, 0, 0, 1, 0, 0, 0, 1, 0}, false);
    // The pack reports the missing entry, preparation the texture it could not make.
    EXPECT_EQ(reports.fatals.size(), 1u);
    EXPECT_THAT(reports.reports, Contains("scene3\\spark.jpg: spark.jpg"));
    EXPECT_TRUE(record->active());
    EXPECT_EQ(record->texture, nullptr);
    device.clearCalls();
    scene::DrawEmitter(*record, Particles());
    EXPECT_EQ(device.find("SetTexture(0, null)"), 0);
}

TEST_F(Emitters, DamagedFileLeavesTheEmitterOutSafely) {
    entries["scene3\\emitter01.bin"] = Bytes{1, 2, 3, 4, 5};
    LoadAndPrepare(File({MeshObject("emitter01", {0, 0, 0, 1, 0, 0, 0, 1, 0}, kFace, "")},
                        {Keyframer(0, 100, {ObjectNode(0, "emitter01")})}));
    ASSERT_EQ(scene.emitterCount, 1);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_THAT(reports.reports[0], HasSubstr("scene3\\emitter01.bin"));
    EXPECT_THAT(reports.reports[0], HasSubstr("5 bytes"));
    EXPECT_FALSE(scene.emitters[0].active());
    device.clearCalls();
    Update(10);
    Draw();
    EXPECT_EQ(device.find("DrawPrimitive(D3DPT_POINTLIST, 0, 0)"), -1);
    EXPECT_TRUE(device.callsNamed("DrawPrimitive").empty());
}

TEST_F(Emitters, AbsurdParticleCountIsRefusedWithAMessage) {
    EmitterFile f;
    f.count = 4000000000u;
    entries["scene3\\emitter01.bin"] = f.bytes();
    LoadAndPrepare(File({MeshObject("emitter01", {0, 0, 0, 1, 0, 0, 0, 1, 0}, kFace, "")},
                        {Keyframer(0, 100, {ObjectNode(0, "emitter01")})}));
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_THAT(reports.reports[0], HasSubstr("4000000000 particles"));
    EXPECT_FALSE(scene.emitters[0].active());
    EXPECT_TRUE(scene.emitters[0].spawnPoints.empty());
}

TEST_F(Emitters, MissingFileIsReportedByThePack) {
    LoadAndPrepare(File({MeshObject("emitter01", {0, 0, 0, 1, 0, 0, 0, 1, 0}, kFace, "")},
                        {Keyframer(0, 100, {ObjectNode(0, "emitter01")})}));
    ASSERT_EQ(reports.fatals.size(), 1u);
    EXPECT_THAT(reports.fatals[0], HasSubstr("emitter01.bin"));
    EXPECT_FALSE(scene.emitters[0].active());
}

}  // namespace
