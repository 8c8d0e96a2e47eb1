#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "scene/D3DXMath.h"

namespace {

D3DXMATRIX Sample(float seed) {
    D3DXMATRIX m;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) m.m[i][j] = seed + 0.5f * i - 0.25f * j + 0.125f * i * j;
    }
    return m;
}

bool BitEqual(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(D3DXMath, DegreeFactorIsTheSinglePrecisionValue) { EXPECT_EQ(DEG_TO_RAD, 0.017453292f); }

TEST(D3DXMath, MultiplyIsRowTimesColumnAndSafeWhenTheOutputIsAnInput) {
    const D3DXMATRIX a = Sample(1.0f), b = Sample(-2.0f);
    D3DXMATRIX expected;
    D3DXMatrixMultiply(&expected, &a, &b);
    float e01 = 0;
    for (int k = 0; k < 4; ++k) e01 += a.m[0][k] * b.m[k][1];
    EXPECT_FLOAT_EQ(expected.m[0][1], e01);

    D3DXMATRIX left = a;
    D3DXMatrixMultiply(&left, &left, &b);
    EXPECT_EQ(left, expected);
    D3DXMATRIX right = b;
    D3DXMatrixMultiply(&right, &a, &right);
    EXPECT_EQ(right, expected);
    // A acts first: translating then scaling moves the translation.
    D3DXMATRIX translate, scale, ts;
    D3DXMatrixIdentity(&translate);
    translate.m[3][0] = 1;
    D3DXMatrixIdentity(&scale);
    scale.m[0][0] = 2;
    D3DXMatrixMultiply(&ts, &translate, &scale);
    EXPECT_EQ(ts.m[3][0], 2.0f);
}

TEST(D3DXMath, TransposeInPlace) {
    D3DXMATRIX m = Sample(3.0f);
    const D3DXMATRIX original = m;
    D3DXMatrixTranspose(&m, &m);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) EXPECT_EQ(m.m[i][j], original.m[j][i]);
    }
}

TEST(D3DXMath, NormaliseZeroNearUnitAndOther) {
    D3DXVECTOR3 zero(0, 0, 0), out(9, 9, 9);
    D3DXVec3Normalize(&out, &zero);
    EXPECT_EQ(out, D3DXVECTOR3(0, 0, 0));

    // Squared length within 0.00001 of 1: copied bit for bit.
    const D3DXVECTOR3 nearUnit(0.6f, 0.8000025f, 0.0f);
    D3DXVec3Normalize(&out, &nearUnit);
    EXPECT_TRUE(BitEqual(out.x, nearUnit.x) && BitEqual(out.y, nearUnit.y));

    const D3DXVECTOR3 v(3, 0, 4);
    D3DXVec3Normalize(&out, &v);
    EXPECT_FLOAT_EQ(out.x, 0.6f);
    EXPECT_FLOAT_EQ(out.z, 0.8f);

    // Below the tiny threshold the result is zero, just above it is normalised.
    const D3DXVECTOR3 tiny(9e-6f, 0, 0);  // squared 8.1e-11
    D3DXVec3Normalize(&out, &tiny);
    EXPECT_EQ(out.x, 0.0f);
    const D3DXVECTOR3 small(1.1e-5f, 0, 0);  // squared 1.21e-10
    D3DXVec3Normalize(&out, &small);
    EXPECT_FLOAT_EQ(out.x, 1.0f);
}

TEST(D3DXMath, TransformCoordDividesOnlyWhenWIsNotOne) {
    D3DXMATRIX affine;
    D3DXMatrixIdentity(&affine);
    affine.m[3][0] = 1.0f / 3.0f;
    affine.m[0][0] = 1.1f;
    const D3DXVECTOR3 p(0.7f, 2, 3);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &affine);
    EXPECT_TRUE(BitEqual(out.x, 0.7f * 1.1f + 1.0f / 3.0f));

    D3DXMATRIX projective;
    D3DXMatrixIdentity(&projective);
    projective.m[2][3] = 1.0f;  // w' = z + 1
    D3DXVec3TransformCoord(&out, &p, &projective);
    EXPECT_FLOAT_EQ(out.x, 0.7f / 4.0f);
    EXPECT_FLOAT_EQ(out.z, 3.0f / 4.0f);

    D3DXMATRIX translate;
    D3DXMatrixIdentity(&translate);
    translate.m[3][1] = 10;
    D3DXVec3TransformNormal(&out, &p, &translate);
    EXPECT_EQ(out, p);
}

TEST(D3DXMath, PerspectiveOfTheSceneCamera) {
    D3DXMATRIX m;
    D3DXMatrixPerspectiveFovLH(&m, 45.0f * DEG_TO_RAD, 4.0f / 3.0f, 1.0f, 54000.0f);
    EXPECT_EQ(m.m[2][2], 1.0000185f);
    EXPECT_EQ(m.m[3][2], -1.0000185f);
    EXPECT_EQ(m.m[2][3], 1.0f);
    EXPECT_EQ(m.m[3][3], 0.0f);
    EXPECT_FLOAT_EQ(m.m[1][1], 1.0f / std::tan(22.5f * DEG_TO_RAD));
    EXPECT_FLOAT_EQ(m.m[0][0], m.m[1][1] * 0.75f);
    EXPECT_EQ(m.m[0][1], 0.0f);
}

TEST(D3DXMath, LookAtMapsTheEyeToTheOriginAndTheTargetAlongZ) {
    const D3DXVECTOR3 eye(10, 5, -20), at(10, 5, 0), up(0, 1, 0);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXVECTOR3 e, t;
    D3DXVec3TransformCoord(&e, &eye, &view);
    D3DXVec3TransformCoord(&t, &at, &view);
    EXPECT_NEAR(e.x, 0, 1e-5);
    EXPECT_NEAR(e.z, 0, 1e-5);
    EXPECT_NEAR(t.x, 0, 1e-5);
    EXPECT_FLOAT_EQ(t.z, 20.0f);
    // Left-handed: +x stays to the right when looking down +z.
    const D3DXVECTOR3 right(11, 5, 0);
    D3DXVec3TransformCoord(&t, &right, &view);
    EXPECT_FLOAT_EQ(t.x, 1.0f);
}

TEST(D3DXMath, RotationAxisNormalisesTheAxis) {
    const D3DXVECTOR3 axis(0, 5, 0);
    D3DXMATRIX m;
    D3DXMatrixRotationAxis(&m, &axis, 90.0f * DEG_TO_RAD);
    const D3DXVECTOR3 x(1, 0, 0);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &x, &m);
    // A left-handed quarter turn about y takes +x to −z.
    EXPECT_NEAR(out.x, 0, 1e-6);
    EXPECT_FLOAT_EQ(out.z, -1.0f);
    EXPECT_FLOAT_EQ(m.m[3][3], 1.0f);
}

TEST(D3DXMath, ReflectAcrossTheWaterPlane) {
    const D3DXPLANE plane(0, 1, 0, 1450);
    D3DXMATRIX m;
    D3DXMatrixReflect(&m, &plane);
    const D3DXVECTOR3 p(3, 100, -7);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    EXPECT_EQ(out, D3DXVECTOR3(3, -100 - 2900, -7));
    // An unnormalised plane is normalised first.
    const D3DXPLANE twice(0, 2, 0, 2900);
    D3DXMATRIX m2;
    D3DXMatrixReflect(&m2, &twice);
    EXPECT_EQ(m2, m);
}

TEST(D3DXMath, PlaneNormalizeScalesAllFourOrGivesZero) {
    const D3DXPLANE p(0, 0, 4, 8);
    D3DXPLANE out;
    D3DXPlaneNormalize(&out, &p);
    EXPECT_FLOAT_EQ(out.c, 1.0f);
    EXPECT_FLOAT_EQ(out.d, 2.0f);
    const D3DXPLANE degenerate(0, 0, 0, 5);
    D3DXPlaneNormalize(&out, &degenerate);
    EXPECT_EQ(out.d, 0.0f);
}

TEST(D3DXMath, QuaternionProductIdentityAndOrder) {
    const D3DXQUATERNION identity(0, 0, 0, 1);
    const float s = std::sin(0.5f), c = std::cos(0.5f);
    const D3DXQUATERNION qx(s, 0, 0, c), qy(0, s, 0, c);
    D3DXQUATERNION out;
    D3DXQuaternionMultiply(&out, &qx, &identity);
    EXPECT_EQ(out, qx);
    D3DXQuaternionMultiply(&out, &identity, &qx);
    EXPECT_EQ(out, qx);

    // The first input acts first: compare with the matrices composed the same way.
    D3DXQUATERNION xy, yx;
    D3DXQuaternionMultiply(&xy, &qx, &qy);
    D3DXQuaternionMultiply(&yx, &qy, &qx);
    EXPECT_FALSE(xy == yx);
    D3DXMATRIX mx, my, mxy, fromQ;
    RotationMatrixFromQuaternion(&mx, &qx);
    RotationMatrixFromQuaternion(&my, &qy);
    D3DXMatrixMultiply(&mxy, &mx, &my);
    RotationMatrixFromQuaternion(&fromQ, &xy);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(fromQ.m[i][j], mxy.m[i][j], 1e-6f);
    }
}

TEST(D3DXMath, QuaternionMatchesTheAxisRotationMatrix) {
    D3DXQUATERNION q(0.0f, 0.6f, 0.8f, 1.2f);  // axis in x, y, z; angle in w
    QuaternionFromAngleAxis(&q);
    EXPECT_FLOAT_EQ(q.w, std::cos(0.6f));
    EXPECT_FLOAT_EQ(q.y, 0.6f * std::sin(0.6f));
    D3DXMATRIX fromQ, fromAxis;
    RotationMatrixFromQuaternion(&fromQ, &q);
    const D3DXVECTOR3 axis(0.0f, 0.6f, 0.8f);
    D3DXMatrixRotationAxis(&fromAxis, &axis, 1.2f);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(fromQ.m[i][j], fromAxis.m[i][j], 1e-6f);
    }
}

TEST(D3DXMath, CrossProductIsLeftToRight) {
    const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &x, &y);
    EXPECT_EQ(out, D3DXVECTOR3(0, 0, 1));
    D3DXVec3Cross(&out, &y, &x);
    EXPECT_EQ(out, D3DXVECTOR3(0, 0, -1));
}
