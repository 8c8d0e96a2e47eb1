#include <gtest/gtest.h>

#include <cmath>

#include "scene/Track.h"

using scene::SampleRotationTrack;
using scene::SampleScalarTrack;
using scene::SampleVectorTrack;
using scene::SetupRotationTrack;
using scene::SetupScalarTrack;
using scene::SetupVectorTrack;

namespace {

struct VK {
    float frame;
    float x, y, z;
    float tension = 0, continuity = 0, bias = 0;
};

Track<VectorKey> Vectors(std::initializer_list<VK> keys) {
    Track<VectorKey> track;
    track.reset(static_cast<uint32_t>(keys.size()));
    size_t i = 0;
    for (const VK& k : keys) {
        VectorKey& key = track.keys[i++];
        key.frame = k.frame;
        key.value = {k.x, k.y, k.z};
        key.tension = k.tension;
        key.continuity = k.continuity;
        key.bias = k.bias;
    }
    return track;
}

Track<ScalarKey> Scalars(std::initializer_list<std::pair<float, float>> keys) {
    Track<ScalarKey> track;
    track.reset(static_cast<uint32_t>(keys.size()));
    size_t i = 0;
    for (const auto& [frame, value] : keys) {
        track.keys[i].frame = frame;
        track.keys[i++].value = value;
    }
    return track;
}

}  // namespace

TEST(TrackSampling, ThreeKeysHitTheMiddleKeyAndHoldTheLast) {
    Track<VectorKey> t = Vectors({{0, 0, 0, 0}, {10, 5, -5, 2}, {20, 7, 1, 9}});
    SetupVectorTrack(t);
    EXPECT_EQ(SampleVectorTrack(t, 10), D3DXVECTOR3(5, -5, 2));
    EXPECT_EQ(SampleVectorTrack(t, 20), D3DXVECTOR3(7, 1, 9));
    EXPECT_EQ(SampleVectorTrack(t, 25), D3DXVECTOR3(7, 1, 9));
    EXPECT_EQ(SampleVectorTrack(t, 0), D3DXVECTOR3(0, 0, 0));
    // Before the first key: the first key's value.
    EXPECT_EQ(SampleVectorTrack(t, -5), D3DXVECTOR3(0, 0, 0));
}

TEST(TrackSampling, TwoVectorKeysInterpolateAndExtrapolateAlongTheLine) {
    Track<VectorKey> t = Vectors({{0, 0, 0, 0}, {10, 10, 20, -10}});
    SetupVectorTrack(t);
    EXPECT_EQ(SampleVectorTrack(t, 5), D3DXVECTOR3(5, 10, -5));
    EXPECT_EQ(SampleVectorTrack(t, 15), D3DXVECTOR3(15, 30, -15));
    EXPECT_EQ(SampleVectorTrack(t, -10), D3DXVECTOR3(-10, -20, 10));
}

TEST(TrackSampling, OneKeyIsConstant) {
    Track<VectorKey> t = Vectors({{3, 1, 2, 3}});
    SetupVectorTrack(t);
    EXPECT_EQ(SampleVectorTrack(t, -100), D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(SampleVectorTrack(t, 100), D3DXVECTOR3(1, 2, 3));
}

TEST(TrackSampling, TwoScalarKeysDoNotBlend) {
    Track<ScalarKey> t = Scalars({{0, 45}, {10, 60}});
    SetupScalarTrack(t);
    for (float f : {-5.0f, 0.0f, 5.0f, 10.0f, 50.0f}) EXPECT_EQ(SampleScalarTrack(t, f), 45.0f);
}

TEST(TrackSampling, ScalarTrackOfThreeKeysFollowsTheHermiteCurve) {
    Track<ScalarKey> t = Scalars({{0, 0}, {10, 10}, {20, 40}});
    SetupScalarTrack(t);
    EXPECT_EQ(SampleScalarTrack(t, 10), 10.0f);
    EXPECT_EQ(SampleScalarTrack(t, 30), 40.0f);
    // Middle key tangents (40 − 0) / 2 = 20; first out-tangent 1.5·10 − 0.25·40 = 5.
    EXPECT_FLOAT_EQ(t.keys[1].inTangent, 20.0f);
    EXPECT_FLOAT_EQ(t.keys[0].outTangent, 5.0f);
    // s = 0.5: 0.5·0 + 0.125·5 + 0.5·10 − 0.125·20
    EXPECT_FLOAT_EQ(SampleScalarTrack(t, 5), 0.625f + 5.0f - 2.5f);
}

TEST(TrackSampling, ConstantValuesStayConstantWhateverTheParameters) {
    Track<VectorKey> t = Vectors({{0, 4, 4, 4, 0.3f, -0.7f, 0.9f},
                                  {7, 4, 4, 4, -0.5f, 0.2f, -1},
                                  {9, 4, 4, 4, 0.9f, 1, 0.4f},
                                  {30, 4, 4, 4, 1, -1, 0}});
    SetupVectorTrack(t);
    for (float f = 0; f <= 30; f += 0.75f) EXPECT_EQ(SampleVectorTrack(t, f), D3DXVECTOR3(4, 4, 4));
}

TEST(TrackSetup, EvenlySpacedInnerTangentsAreHalfTheNeighbourDifference) {
    Track<VectorKey> t = Vectors({{0, 0, 1, 2}, {10, 3, 1, 5}, {20, 10, -3, 6}, {30, 11, 0, 0}});
    SetupVectorTrack(t);
    for (int i = 1; i <= 2; ++i) {
        const VectorKey& k = t.keys[i];
        EXPECT_FLOAT_EQ(k.inTangent.x, (t.keys[i + 1].value.x - t.keys[i - 1].value.x) / 2);
        EXPECT_FLOAT_EQ(k.outTangent.x, (t.keys[i + 1].value.x - t.keys[i - 1].value.x) / 2);
        EXPECT_FLOAT_EQ(k.inTangent.y, (t.keys[i + 1].value.y - t.keys[i - 1].value.y) / 2);
        EXPECT_FLOAT_EQ(k.outTangent.z, (t.keys[i + 1].value.z - t.keys[i - 1].value.z) / 2);
    }
    // First out-tangent 1.5·(P1 − P0) − 0.25·(P2 − P0).
    EXPECT_FLOAT_EQ(t.keys[0].outTangent.x, 1.5f * 3 - 0.25f * 10);
    EXPECT_FLOAT_EQ(t.keys[0].outTangent.z, 1.5f * 3 - 0.25f * 4);
    // Last in-tangent 1.5·(P3 − P2) − 0.25·(P3 − P1).
    EXPECT_FLOAT_EQ(t.keys[3].inTangent.x, 1.5f * 1 - 0.25f * 8);
    EXPECT_FLOAT_EQ(t.keys[3].inTangent.y, 1.5f * 3 - 0.25f * -1);
}

TEST(TrackSetup, UnevenSpacingWeighsTheEndTangents) {
    Track<ScalarKey> t = Scalars({{0, 0}, {2, 1}, {10, 5}, {11, 3}});
    SetupScalarTrack(t);
    // First: w = (0.25 − 2/20) + 0.5 = 0.65; d = 5; O0 = 1.5·(1 − 2.5) + 0.65·5.
    EXPECT_FLOAT_EQ(t.keys[0].outTangent, 1.5f * (1 - 2.5f) + 0.65f * 5);
    // Last: w = (0.25 − 1/18) + 0.5; d = 3 − 1 = 2; I3 = 1.5·(−2 − 1) + w·2.
    const float w = (0.25f - 1.0f / 18.0f) + 0.5f;
    EXPECT_FLOAT_EQ(t.keys[3].inTangent, 1.5f * (-2 - 1) + w * 2);
    // Inner key 1: span 10, in-weight 0.2, out-weight 0.8, back 1, ahead 4.
    EXPECT_FLOAT_EQ(t.keys[1].inTangent, 0.2f * (1 + 4));
    EXPECT_FLOAT_EQ(t.keys[1].outTangent, 0.8f * (1 + 4));
}

TEST(TrackSetup, ContinuityAndBiasWeighBackAndAheadDifferently) {
    Track<ScalarKey> t = Scalars({{0, 0}, {10, 2}, {20, 8}});
    t.keys[1].continuity = 0.5f;
    t.keys[1].bias = -0.25f;
    SetupScalarTrack(t);
    const float back = 2, ahead = 6, c = 0.5f, b = -0.25f;
    EXPECT_FLOAT_EQ(t.keys[1].inTangent,
                    0.5f * ((1 - c) * (1 + b) * back + (1 + c) * (1 - b) * ahead));
    EXPECT_FLOAT_EQ(t.keys[1].outTangent,
                    0.5f * ((1 + c) * (1 + b) * back + (1 - c) * (1 - b) * ahead));
}

TEST(TrackSetup, TensionOneMakesEveryTangentZero) {
    Track<VectorKey> t = Vectors({{0, 0, 1, 2, 1}, {10, 3, 1, 5, 1}, {20, 10, -3, 6, 1}});
    SetupVectorTrack(t);
    EXPECT_EQ(t.keys[0].outTangent.x, 0.0f);
    EXPECT_EQ(t.keys[1].inTangent.y, 0.0f);
    EXPECT_EQ(t.keys[1].outTangent.z, 0.0f);
    EXPECT_EQ(t.keys[2].inTangent.x, 0.0f);
}

TEST(TrackSetup, VectorSetupIsRepeatable) {
    Track<VectorKey> t = Vectors({{0, 0, 1, 2}, {10, 3, 1, 5}, {25, 10, -3, 6}});
    SetupVectorTrack(t);
    const Track<VectorKey> once = t;
    SetupVectorTrack(t);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(t.keys[i].inTangent.x, once.keys[i].inTangent.x);
        EXPECT_EQ(t.keys[i].outTangent.y, once.keys[i].outTangent.y);
    }
}

TEST(TrackRotation, RelativeQuarterTurnsComposeAndSamplingGivesTheFirstKey) {
    Track<RotationKey> t;
    t.reset(3);
    const float s = std::sin(0.25f * 3.14159265f), c = std::cos(0.25f * 3.14159265f);
    for (int i = 0; i < 3; ++i) {
        t.keys[i].frame = static_cast<float>(10 * i);
        t.keys[i].quaternion = {0, s, 0, c};
    }
    SetupRotationTrack(t);
    const auto about = [](const scene3ds::KeyQuaternion& q) {
        return 2.0f * std::atan2(q.y, q.w) * 180.0f / 3.14159265f;
    };
    EXPECT_NEAR(about(t.keys[0].quaternion), 90.0f, 1e-3);
    EXPECT_NEAR(about(t.keys[1].quaternion), 180.0f, 1e-3);
    EXPECT_NEAR(about(t.keys[2].quaternion), 270.0f, 1e-3);
    EXPECT_NEAR(t.keys[2].quaternion.x, 0.0f, 1e-7);
    for (float f : {-3.0f, 0.0f, 15.0f, 100.0f}) {
        const D3DXQUATERNION q = SampleRotationTrack(t, f);
        EXPECT_EQ(q.y, s);
        EXPECT_EQ(q.w, c);
    }
}

TEST(TrackRotation, SingleKeyIsLeftAlone) {
    Track<RotationKey> t;
    t.reset(1);
    t.keys[0].quaternion = {0.1f, 0.2f, 0.3f, 0.9f};
    SetupRotationTrack(t);
    EXPECT_EQ(t.keys[0].quaternion.x, 0.1f);
    EXPECT_EQ(SampleRotationTrack(t, 5).w, 0.9f);
}

TEST(TrackSampling, UnfilledTracksGiveNeutralValuesInsteadOfReadingNothing) {
    const Track<VectorKey> v;
    const Track<ScalarKey> s;
    const Track<RotationKey> r;
    EXPECT_EQ(SampleVectorTrack(v, 3), D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(SampleScalarTrack(s, 3), 0.0f);
    EXPECT_EQ(SampleRotationTrack(r, 3), D3DXQUATERNION(0, 0, 0, 1));
}
