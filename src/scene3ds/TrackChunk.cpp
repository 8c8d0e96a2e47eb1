// Keyframer track chunks: 6-byte header, 16-bit flags, 8 reserved bytes, 32-bit key count,
// then the keys. A key is a 32-bit frame, 16-bit spline flags, one float for each flagged
// parameter (tension, continuity, bias, ease to, ease from) and the value.
#include <cmath>

#include "scene3ds/Scene3dsReader.h"

namespace scene3ds {

namespace {

constexpr size_t kKeyCountOffset = 16;
constexpr size_t kFirstKeyOffset = 20;
constexpr size_t kKeyHeaderBytes = 6;

// Frame and spline parameters; the ease values are read past and dropped.
template <typename Key>
bool ReadKeyHeader(ByteCursor& cursor, Key& key) {
    int32_t frame;
    uint16_t flags;
    if (!cursor.i32(frame) || !cursor.u16(flags)) return false;
    key.frame = static_cast<float>(frame);
    float* parameters[3] = {&key.tension, &key.continuity, &key.bias};
    for (int bit = 0; bit < 5; ++bit) {
        if (!(flags & (1u << bit))) continue;
        float value;
        if (!cursor.f32(value)) return false;
        if (bit < 3) *parameters[bit] = value;
    }
    return true;
}

bool ReadValue(ByteCursor& cursor, VectorKey& key) {
    float file[3];
    if (!cursor.floats(file, 3)) return false;
    key.value = {file[0], file[2], file[1]};
    return true;
}

bool ReadValue(ByteCursor& cursor, ScalarKey& key) { return cursor.f32(key.value); }

// Angle and axis to a quaternion, the axis exchanged like a coordinate and not normalised:
// the rotation relative to the previous key.
bool ReadValue(ByteCursor& cursor, RotationKey& key) {
    float angleAxis[4];
    if (!cursor.floats(angleAxis, 4)) return false;
    const float angle = angleAxis[0];
    key.quaternion = {angleAxis[1], angleAxis[3], angleAxis[2], angle};
    const float s = std::sin(angle / 2.0f);
    key.quaternion.x *= s;
    key.quaternion.y *= s;
    key.quaternion.z *= s;
    key.quaternion.w = std::cos(angle / 2.0f);
    return true;
}

constexpr size_t ValueBytes(const VectorKey*) { return 12; }
constexpr size_t ValueBytes(const ScalarKey*) { return 4; }
constexpr size_t ValueBytes(const RotationKey*) { return 16; }

void LogKey(SceneLog& log, const VectorKey& key) {
    log.write("Frame:  %f  ", key.frame);
    log.write(" X:  %f     ", key.value.x);
    log.write(" Y:  %f     ", key.value.y);
    log.write(" Z:  %f  \n ", key.value.z);
}

void LogKey(SceneLog&, const ScalarKey&) {}

void LogKey(SceneLog& log, const RotationKey& key) {
    const KeyQuaternion& q = key.quaternion;
    log.write("\n");
    for (int i = 0; i < 2; ++i) {
        log.write(" FRAME: %f , W: %f , X: %f  Y: %f  Z: %f \n", key.frame, q.w, q.x, q.y, q.z);
    }
}

template <typename Key>
void ReadTrack(Scene3dsReader& r, const Chunk& c, Track<Key>& track, const char* announce) {
    uint32_t declared;
    if (!TrackKeyCount(r, c, declared)) {
        r.error(c.offset, "track chunk 0x%04X holds %zu bytes, too few for its key count", c.id,
                c.end - c.offset);
        return;
    }
    ByteCursor cursor(r.data, c.offset + kFirstKeyOffset, c.end);
    const size_t fit =
        cursor.remaining() / (kKeyHeaderBytes + ValueBytes(static_cast<Key*>(nullptr)));
    size_t count = declared;
    if (count > fit) {
        r.error(c.offset + kKeyCountOffset,
                "track chunk 0x%04X declares %u keys but at most %zu fit in it", c.id, declared,
                fit);
        count = fit;
    }
    track.reset(static_cast<uint32_t>(count));
    if (announce) r.log.write("%s", announce);

    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t keyOffset = cursor.offset();
        Key key{};
        if (!ReadKeyHeader(cursor, key) || !ReadValue(cursor, key)) {
            r.error(keyOffset,
                    "key %zu of track chunk 0x%04X runs past the chunk's end; %zu keys kept", i,
                    c.id, kept);
            break;
        }
        // Interpolation divides by the frame spans between keys.
        if (kept > 0 && !(key.frame > track.keys[kept - 1].frame)) {
            r.error(keyOffset,
                    "key at frame %.0f of track chunk 0x%04X does not follow frame %.0f; dropped",
                    key.frame, c.id, track.keys[kept - 1].frame);
            continue;
        }
        track.keys[kept++] = key;
        LogKey(r.log, key);
    }
    track.keys.resize(kept);
    track.keyCount = static_cast<uint32_t>(kept);
}

}  // namespace

bool TrackKeyCount(const Scene3dsReader& r, const Chunk& c, uint32_t& count) {
    if (c.end - c.offset < kFirstKeyOffset) return false;
    count = LoadU32(r.data + c.offset + kKeyCountOffset);
    return true;
}

void ReadVectorTrack(Scene3dsReader& r, const Chunk& c, Track<VectorKey>& track,
                     const char* announce) {
    ReadTrack(r, c, track, announce);
}

void ReadScalarTrack(Scene3dsReader& r, const Chunk& c, Track<ScalarKey>& track) {
    ReadTrack(r, c, track, nullptr);
}

void ReadRotationTrack(Scene3dsReader& r, const Chunk& c, Track<RotationKey>& track) {
    ReadTrack(r, c, track, nullptr);
}

}  // namespace scene3ds
