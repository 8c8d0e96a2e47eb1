// Vectors, matrices, quaternions and planes with the conventions and operation names of the
// Direct3D 8 utility library: row vectors multiplied on the left (p·M), translation in row
// 3, left-handed y-up space, quaternions (x, y, z, w) with w the scalar part, planes
// (a, b, c, d) with a·x + b·y + c·z + d = 0. Results agree with that library to single
// precision. Every operation writes through its first argument and returns it; the output
// may alias an input.
#pragma once

#include "gfx/d3d8types.h"

// π/180 in single precision: scene angles are degrees, the operations take radians.
constexpr float DEG_TO_RAD = 0.017453292f;

struct D3DXVECTOR3 : public D3DVECTOR {
    D3DXVECTOR3() : D3DVECTOR{0.0f, 0.0f, 0.0f} {}
    D3DXVECTOR3(float x_, float y_, float z_) : D3DVECTOR{x_, y_, z_} {}
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}  // NOLINT: implicit like the original
    explicit D3DXVECTOR3(const float* v) : D3DVECTOR{v[0], v[1], v[2]} {}

    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
    D3DXVECTOR3 operator*(float f) const { return {x * f, y * f, z * f}; }
    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    D3DXVECTOR3& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
};

inline D3DXVECTOR3 operator*(float f, const D3DXVECTOR3& v) { return v * f; }

struct D3DXQUATERNION {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;

    D3DXQUATERNION() = default;
    D3DXQUATERNION(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    bool operator==(const D3DXQUATERNION& q) const {
        return x == q.x && y == q.y && z == q.z && w == q.w;
    }
};

struct D3DXPLANE {
    float a = 0.0f, b = 0.0f, c = 0.0f, d = 0.0f;

    D3DXPLANE() = default;
    D3DXPLANE(float a_, float b_, float c_, float d_) : a(a_), b(b_), c(c_), d(d_) {}
};

// m[row][col], row 0 first; a zero matrix unless constructed otherwise.
struct D3DXMATRIX : public D3DMATRIX {
    D3DXMATRIX() : D3DMATRIX{} {}
    D3DXMATRIX(const D3DMATRIX& m_) : D3DMATRIX(m_) {}  // NOLINT: implicit like the original
    D3DXMATRIX(float m00, float m01, float m02, float m03, float m10, float m11, float m12,
               float m13, float m20, float m21, float m22, float m23, float m30, float m31,
               float m32, float m33)
        : D3DMATRIX{{{m00, m01, m02, m03},
                     {m10, m11, m12, m13},
                     {m20, m21, m22, m23},
                     {m30, m31, m32, m33}}} {}

    float& operator()(int row, int col) { return m[row][col]; }
    float operator()(int row, int col) const { return m[row][col]; }
    D3DXMATRIX operator*(const D3DXMATRIX& other) const;
    bool operator==(const D3DXMATRIX& other) const;
};

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zn,
                                       float zf);
D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* out, const D3DXPLANE* plane);

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* u, const D3DXVECTOR3* v);
float D3DXVec3Dot(const D3DXVECTOR3* u, const D3DXVECTOR3* v);
float D3DXVec3Length(const D3DXVECTOR3* v);
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p);

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out);
// The rotation q1 followed by the rotation q2 (the Hamilton product q2·q1).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1,
                                       const D3DXQUATERNION* q2);

// The rotation matrix of a unit quaternion, in the row-vector convention.
D3DXMATRIX* RotationMatrixFromQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);

// In place: q holds an axis in x, y, z and an angle (radians) in w; it becomes the rotation
// by that angle about that axis. The axis is used as it is, not normalised.
D3DXQUATERNION* QuaternionFromAngleAxis(D3DXQUATERNION* q);
