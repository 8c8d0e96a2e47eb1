#include "scene/D3DXMath.h"

#include <cmath>

namespace {

constexpr float kUnitTolerance = 0.00001f;
// Just below 1e-10 in single precision, as the original library compares.
constexpr float kTinyLengthSq = 9.9999994e-11f;

}  // namespace

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& other) const {
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, this, &other);
    return out;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& other) const {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (m[i][j] != other.m[i][j]) return false;
        }
    }
    return true;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX product;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            product.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] +
                              a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
        }
    }
    *out = product;
    return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX t;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) t.m[i][j] = m->m[j][i];
    }
    *out = t;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, axis);
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1.0f - c;
    const float x = n.x, y = n.y, z = n.z;
    *out = D3DXMATRIX(t * x * x + c, t * x * y + s * z, t * x * z - s * y, 0.0f,  //
                      t * x * y - s * z, t * y * y + c, t * y * z + s * x, 0.0f,  //
                      t * x * z + s * y, t * y * z - s * x, t * z * z + c, 0.0f,  //
                      0.0f, 0.0f, 0.0f, 1.0f);
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 z = *at - *eye;
    D3DXVec3Normalize(&z, &z);
    D3DXVECTOR3 x;
    D3DXVec3Cross(&x, up, &z);
    D3DXVec3Normalize(&x, &x);
    D3DXVECTOR3 y;
    D3DXVec3Cross(&y, &z, &x);
    *out = D3DXMATRIX(x.x, y.x, z.x, 0.0f,  //
                      x.y, y.y, z.y, 0.0f,  //
                      x.z, y.z, z.z, 0.0f,  //
                      -D3DXVec3Dot(&x, eye), -D3DXVec3Dot(&y, eye), -D3DXVec3Dot(&z, eye), 1.0f);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zn,
                                       float zf) {
    const float h = std::cos(fovY / 2.0f) / std::sin(fovY / 2.0f);
    const float w = h / aspect;
    const float q = zf / (zf - zn);
    *out = D3DXMATRIX();
    out->m[0][0] = w;
    out->m[1][1] = h;
    out->m[2][2] = q;
    out->m[2][3] = 1.0f;
    out->m[3][2] = -zn * q;
    return out;
}

D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* out, const D3DXPLANE* plane) {
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, plane);
    const float a = p.a, b = p.b, c = p.c, d = p.d;
    *out = D3DXMATRIX(1.0f - 2.0f * a * a, -2.0f * a * b, -2.0f * a * c, 0.0f,  //
                      -2.0f * a * b, 1.0f - 2.0f * b * b, -2.0f * b * c, 0.0f,  //
                      -2.0f * a * c, -2.0f * b * c, 1.0f - 2.0f * c * c, 0.0f,  //
                      -2.0f * a * d, -2.0f * b * d, -2.0f * c * d, 1.0f);
    return out;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* u, const D3DXVECTOR3* v) {
    *out = D3DXVECTOR3(u->y * v->z - u->z * v->y, u->z * v->x - u->x * v->z,
                       u->x * v->y - u->y * v->x);
    return out;
}

float D3DXVec3Dot(const D3DXVECTOR3* u, const D3DXVECTOR3* v) {
    return u->x * v->x + u->y * v->y + u->z * v->z;
}

float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3Dot(v, v)); }

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    const float lengthSq = D3DXVec3Dot(v, v);
    if (std::fabs(lengthSq - 1.0f) <= kUnitTolerance) {
        *out = *v;
    } else if (lengthSq > kTinyLengthSq) {
        *out = *v * (1.0f / std::sqrt(lengthSq));
    } else {
        *out = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    }
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const float x = v->x, y = v->y, z = v->z;
    const float tx = x * m->m[0][0] + y * m->m[1][0] + z * m->m[2][0] + m->m[3][0];
    const float ty = x * m->m[0][1] + y * m->m[1][1] + z * m->m[2][1] + m->m[3][1];
    const float tz = x * m->m[0][2] + y * m->m[1][2] + z * m->m[2][2] + m->m[3][2];
    const float tw = x * m->m[0][3] + y * m->m[1][3] + z * m->m[2][3] + m->m[3][3];
    if (std::fabs(tw - 1.0f) <= kUnitTolerance) {
        *out = D3DXVECTOR3(tx, ty, tz);
    } else {
        *out = D3DXVECTOR3(tx / tw, ty / tw, tz / tw);
    }
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const float x = v->x, y = v->y, z = v->z;
    *out = D3DXVECTOR3(x * m->m[0][0] + y * m->m[1][0] + z * m->m[2][0],
                       x * m->m[0][1] + y * m->m[1][1] + z * m->m[2][1],
                       x * m->m[0][2] + y * m->m[1][2] + z * m->m[2][2]);
    return out;
}

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p) {
    const float lengthSq = p->a * p->a + p->b * p->b + p->c * p->c;
    if (std::fabs(lengthSq - 1.0f) <= kUnitTolerance) {
        *out = *p;
    } else if (lengthSq > kTinyLengthSq) {
        const float inv = 1.0f / std::sqrt(lengthSq);
        *out = D3DXPLANE(p->a * inv, p->b * inv, p->c * inv, p->d * inv);
    } else {
        *out = D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
    }
    return out;
}

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
    *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    return out;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1,
                                       const D3DXQUATERNION* q2) {
    const D3DXQUATERNION a = *q1, b = *q2;
    *out = D3DXQUATERNION(b.w * a.x + b.x * a.w + b.y * a.z - b.z * a.y,
                          b.w * a.y - b.x * a.z + b.y * a.w + b.z * a.x,
                          b.w * a.z + b.x * a.y - b.y * a.x + b.z * a.w,
                          b.w * a.w - b.x * a.x - b.y * a.y - b.z * a.z);
    return out;
}

D3DXMATRIX* RotationMatrixFromQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
    const float x = q->x, y = q->y, z = q->z, w = q->w;
    *out = D3DXMATRIX(1.0f - 2.0f * y * y - 2.0f * z * z, 2.0f * (x * y + z * w),
                      2.0f * (x * z - y * w), 0.0f,  //
                      2.0f * (x * y - z * w), 1.0f - 2.0f * x * x - 2.0f * z * z,
                      2.0f * (y * z + x * w), 0.0f,  //
                      2.0f * (x * z + y * w), 2.0f * (y * z - x * w),
                      1.0f - 2.0f * x * x - 2.0f * y * y, 0.0f,  //
                      0.0f, 0.0f, 0.0f, 1.0f);
    return out;
}

D3DXQUATERNION* QuaternionFromAngleAxis(D3DXQUATERNION* q) {
    const float angle = q->w;
    const float s = std::sin(angle / 2.0f);
    *q = D3DXQUATERNION(q->x * s, q->y * s, q->z * s, std::cos(angle / 2.0f));
    return q;
}
