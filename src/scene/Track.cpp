#include "scene/Track.h"

#include <algorithm>
#include <cstddef>

namespace scene {

namespace {

// Keys usable by set-up and sampling: a track never filled has none.
template <typename Key>
size_t UsableKeys(const Track<Key>& track) {
    return std::min<size_t>(track.keyCount, track.keys.size());
}

// One component's values, so that vector and scalar tracks share the formulas.
float Component(const VectorKey& key, int i) {
    return i == 0 ? key.value.x : i == 1 ? key.value.y : key.value.z;
}
float Component(const ScalarKey& key, int) { return key.value; }

void SetIn(VectorKey& key, int i, float v) {
    (i == 0 ? key.inTangent.x : i == 1 ? key.inTangent.y : key.inTangent.z) = v;
}
void SetIn(ScalarKey& key, int, float v) { key.inTangent = v; }
void SetOut(VectorKey& key, int i, float v) {
    (i == 0 ? key.outTangent.x : i == 1 ? key.outTangent.y : key.outTangent.z) = v;
}
void SetOut(ScalarKey& key, int, float v) { key.outTangent = v; }

float OutComponent(const VectorKey& key, int i) {
    return i == 0 ? key.outTangent.x : i == 1 ? key.outTangent.y : key.outTangent.z;
}
float OutComponent(const ScalarKey& key, int) { return key.outTangent; }
float InComponent(const VectorKey& key, int i) {
    return i == 0 ? key.inTangent.x : i == 1 ? key.inTangent.y : key.inTangent.z;
}
float InComponent(const ScalarKey& key, int) { return key.inTangent; }

template <typename Key>
void SetupTangents(Track<Key>& track, int components) {
    const size_t n = UsableKeys(track);
    if (n < 3) return;
    std::vector<Key>& k = track.keys;

    for (size_t i = 1; i + 1 < n; ++i) {
        const Key& prev = k[i - 1];
        Key& key = k[i];
        const Key& next = k[i + 1];
        const float t = key.tension, c = key.continuity, b = key.bias;
        const float span = next.frame - prev.frame;
        const float inScale = (key.frame - prev.frame) / span;
        const float outScale = (next.frame - key.frame) / span;
        for (int j = 0; j < components; ++j) {
            const float back = Component(key, j) - Component(prev, j);
            const float ahead = Component(next, j) - Component(key, j);
            SetIn(key, j,
                  inScale *
                      ((1 - t) * (1 - c) * (1 + b) * back + (1 - t) * (1 + c) * (1 - b) * ahead));
            SetOut(key, j,
                   outScale *
                       ((1 - t) * (1 + c) * (1 + b) * back + (1 - t) * (1 - c) * (1 - b) * ahead));
        }
    }

    // End keys: only the tangent that a segment reads.
    {
        Key& first = k[0];
        const float w =
            (0.25f - (k[1].frame - first.frame) / (2.0f * (k[2].frame - first.frame))) + 0.5f;
        for (int j = 0; j < components; ++j) {
            const float d = Component(k[2], j) - Component(first, j);
            const float step = Component(k[1], j) - Component(first, j);
            SetOut(first, j, (1 - first.tension) * (1.5f * (step - 0.5f * d) + w * d));
        }
    }
    {
        const size_t m = n - 1;
        Key& last = k[m];
        const float w =
            (0.25f - (last.frame - k[m - 1].frame) / (2.0f * (last.frame - k[m - 2].frame))) + 0.5f;
        for (int j = 0; j < components; ++j) {
            const float d = Component(last, j) - Component(k[m - 2], j);
            const float step = Component(last, j) - Component(k[m - 1], j);
            SetIn(last, j, (1 - last.tension) * (1.5f * (step - 0.5f * d) + w * d));
        }
    }
}

// The key whose segment holds `frame` (the first key with a later frame), or n when the frame
// is at or past the last key.
template <typename Key>
size_t SegmentEnd(const std::vector<Key>& keys, size_t n, float frame) {
    size_t i = 0;
    while (i < n && !(keys[i].frame > frame)) ++i;
    return i;
}

template <typename Key>
float Hermite(const Key& a, const Key& b, float frame, int j) {
    const float s = (frame - a.frame) / (b.frame - a.frame);
    const float s2 = s * s, s3 = s2 * s;
    const float h00 = 2 * s3 - 3 * s2 + 1;
    const float h10 = s3 - 2 * s2 + s;
    const float h01 = 3 * s2 - 2 * s3;
    const float h11 = s3 - s2;
    return h00 * Component(a, j) + h10 * OutComponent(a, j) + h01 * Component(b, j) +
           h11 * InComponent(b, j);
}

D3DXVECTOR3 ValueOf(const VectorKey& key) { return D3DXVECTOR3(key.value); }

}  // namespace

void SetupVectorTrack(Track<VectorKey>& track) { SetupTangents(track, 3); }

void SetupScalarTrack(Track<ScalarKey>& track) { SetupTangents(track, 1); }

void SetupRotationTrack(Track<RotationKey>& track) {
    const size_t n = UsableKeys(track);
    for (size_t j = 1; j < n; ++j) {
        const scene3ds::KeyQuaternion& p = track.keys[j - 1].quaternion;
        scene3ds::KeyQuaternion& q = track.keys[j].quaternion;
        const D3DXQUATERNION previous(p.x, p.y, p.z, p.w);
        const D3DXQUATERNION relative(q.x, q.y, q.z, q.w);
        D3DXQUATERNION absolute;
        D3DXQuaternionMultiply(&absolute, &previous, &relative);
        q = {absolute.x, absolute.y, absolute.z, absolute.w};
    }
}

D3DXVECTOR3 SampleVectorTrack(const Track<VectorKey>& track, float frame) {
    const size_t n = UsableKeys(track);
    const std::vector<VectorKey>& k = track.keys;
    if (n == 0) return D3DXVECTOR3();
    if (n == 1) return ValueOf(k[0]);
    if (n == 2) {
        const float s = (frame - k[0].frame) / (k[1].frame - k[0].frame);
        return ValueOf(k[1]) * s + ValueOf(k[0]) * (1.0f - s);
    }
    const size_t i = SegmentEnd(k, n, frame);
    if (i == n) return ValueOf(k[n - 1]);
    if (i == 0) return ValueOf(k[0]);
    return D3DXVECTOR3(Hermite(k[i - 1], k[i], frame, 0), Hermite(k[i - 1], k[i], frame, 1),
                       Hermite(k[i - 1], k[i], frame, 2));
}

float SampleScalarTrack(const Track<ScalarKey>& track, float frame) {
    const size_t n = UsableKeys(track);
    const std::vector<ScalarKey>& k = track.keys;
    if (n == 0) return 0.0f;
    if (n <= 2) return k[0].value;
    const size_t i = SegmentEnd(k, n, frame);
    if (i == n) return k[n - 1].value;
    if (i == 0) return k[0].value;
    return Hermite(k[i - 1], k[i], frame, 0);
}

D3DXQUATERNION SampleRotationTrack(const Track<RotationKey>& track, float) {
    if (UsableKeys(track) == 0) return D3DXQUATERNION();
    const scene3ds::KeyQuaternion& q = track.keys[0].quaternion;
    return D3DXQUATERNION(q.x, q.y, q.z, q.w);
}

}  // namespace scene
