// The keyframer section (0xB000): frame range, header, then one node per mesh, keyframer-only
// node, camera (followed by its target), omni light and spot light (followed by its target).
// The engine reads camera, light and target nodes by position, so the chunk order inside each
// node is fixed here.
#include <map>
#include <stdexcept>

#include "content/scenes/Scene3ds.h"

namespace content::scenes {

namespace {

constexpr uint16_t kNoParent = 0xFFFF;

// A key's spline flags: one bit for each parameter that is not zero, in the order written.
template <typename Key>
void KeyHeader(ChunkWriter& w, const Key& k) {
    if (k.frame < 0) throw std::invalid_argument("keyframer: negative frame");
    w.U32(static_cast<uint32_t>(k.frame));
    const float parameters[5] = {k.tension, k.continuity, k.bias, k.easeTo, k.easeFrom};
    uint16_t flags = 0;
    for (int bit = 0; bit < 5; ++bit)
        if (parameters[bit] != 0) flags = static_cast<uint16_t>(flags | 1u << bit);
    w.U16(flags);
    for (int bit = 0; bit < 5; ++bit)
        if (flags & 1u << bit) w.F32(parameters[bit]);
}

void TrackHeader(ChunkWriter& w, uint16_t id, size_t keys) {
    w.Begin(id);
    w.U16(0);  // flags
    w.U32(0);  // reserved
    w.U32(0);
    w.U32(static_cast<uint32_t>(keys));
}

template <typename Key>
void CheckOrder(const std::vector<Key>& keys, const std::string& what) {
    if (keys.empty()) throw std::invalid_argument(what + ": track without keys");
    for (size_t i = 1; i < keys.size(); ++i)
        if (keys[i].frame <= keys[i - 1].frame)
            throw std::invalid_argument(what + ": keys out of frame order");
}

// `exchange` is off for colour tracks, whose three values are red, green, blue.
void VectorTrack(ChunkWriter& w, uint16_t id, const VecTrack& track, bool exchange,
                 const std::string& what) {
    CheckOrder(track, what);
    TrackHeader(w, id, track.size());
    for (const VecKey& k : track) {
        KeyHeader(w, k);
        Vec3 v = exchange ? ToFile(k.value) : k.value;
        w.F32(v.x);
        w.F32(v.y);
        w.F32(v.z);
    }
    w.End();
}

void ScalarTrackChunk(ChunkWriter& w, uint16_t id, const ScalarTrack& track,
                      const std::string& what) {
    CheckOrder(track, what);
    TrackHeader(w, id, track.size());
    for (const ScalarKey& k : track) {
        KeyHeader(w, k);
        w.F32(k.value);
    }
    w.End();
}

void NodeHeader(ChunkWriter& w, uint16_t node, const std::string& name, uint16_t parent) {
    w.ChunkU16(0xB030, node);
    w.Begin(0xB010);
    w.Str(name);
    w.U16(0x4000);  // flags 1
    w.U16(0);       // flags 2
    w.U16(parent);
    w.End();
}

}  // namespace

NodeNumbers NumberNodes(const SceneDesc& s) {
    NodeNumbers n;
    uint32_t next = 0;
    n.object.assign(s.objects.size(), 0);
    for (size_t i = 0; i < s.objects.size(); ++i)
        if (!s.objects[i].dummy) n.object[i] = static_cast<uint16_t>(next++);
    for (size_t i = 0; i < s.omnis.size(); ++i) n.omni.push_back(static_cast<uint16_t>(next++));
    for (size_t i = 0; i < s.spots.size(); ++i, next += 2)
        n.spot.push_back(static_cast<uint16_t>(next));
    for (size_t i = 0; i < s.cameras.size(); ++i, next += 2)
        n.camera.push_back(static_cast<uint16_t>(next));
    for (size_t i = 0; i < s.objects.size(); ++i)
        if (s.objects[i].dummy) n.object[i] = static_cast<uint16_t>(next++);
    if (next >= kNoParent) throw std::invalid_argument("keyframer: too many nodes");
    return n;
}

void WriteKeyframer(ChunkWriter& w, const SceneDesc& s) {
    const NodeNumbers ids = NumberNodes(s);
    std::map<std::string, uint16_t> byName;
    for (size_t i = 0; i < s.objects.size(); ++i) byName[s.objects[i].name] = ids.object[i];

    w.Begin(0xB000);
    // The frame range first: the engine's reader steps to it from the section's first chunk.
    w.Begin(0xB008);
    w.U32(static_cast<uint32_t>(s.firstFrame));
    w.U32(static_cast<uint32_t>(s.lastFrame));
    w.End();
    w.Begin(0xB00A);  // header for the format's tools: revision, scene name, animation length
    w.U16(5);
    w.Str("KELVRA");
    w.U32(static_cast<uint32_t>(s.lastFrame));
    w.End();
    w.ChunkU32(0xB009, static_cast<uint32_t>(s.firstFrame));

    // Object nodes: keyframer-only nodes first, since they are the parents.
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < s.objects.size(); ++i) {
            const ObjectDesc& o = s.objects[i];
            if (o.dummy != (pass == 0)) continue;
            uint16_t parent = kNoParent;
            if (!o.parent.empty()) {
                auto it = byName.find(o.parent);
                if (it == byName.end())
                    throw std::invalid_argument("keyframer: unknown parent " + o.parent);
                parent = it->second;
            }
            w.Begin(0xB002);
            NodeHeader(w, ids.object[i], o.name, parent);
            w.Begin(0xB013);
            Vec3 pivot = ToFile(o.pivot);
            w.F32(pivot.x);
            w.F32(pivot.y);
            w.F32(pivot.z);
            w.End();
            VectorTrack(w, 0xB020, o.position, true, o.name);
            TrackHeader(w, 0xB021, 1);
            KeyHeader(w, ScalarKey{});  // frame 0, no spline parameters
            Vec3 axis = ToFile(o.rotationAxis);
            w.F32(o.rotationAngle);
            w.F32(axis.x);
            w.F32(axis.y);
            w.F32(axis.z);
            w.End();
            VectorTrack(w, 0xB022, o.scale.empty() ? Still(Vec3{1.0f, 1.0f, 1.0f}) : o.scale, true,
                        o.name);
            w.End();
        }
    }
    // Cameras, each followed by its target node.
    for (size_t i = 0; i < s.cameras.size(); ++i) {
        const CameraDesc& c = s.cameras[i];
        w.Begin(0xB003);
        NodeHeader(w, ids.camera[i], c.name, kNoParent);
        VectorTrack(w, 0xB020, c.position, true, c.name);  // third
        ScalarTrackChunk(w, 0xB023, c.fov, c.name);        // fourth
        ScalarTrackChunk(w, 0xB024, c.roll, c.name);       // fifth
        w.End();
        w.Begin(0xB004);
        NodeHeader(w, static_cast<uint16_t>(ids.camera[i] + 1), c.name, kNoParent);
        VectorTrack(w, 0xB020, c.target, true, c.name);  // third
        w.End();
    }
    // Omni lights: the colour track third, where the engine reads it.
    for (size_t i = 0; i < s.omnis.size(); ++i) {
        const OmniDesc& l = s.omnis[i];
        w.Begin(0xB005);
        NodeHeader(w, ids.omni[i], l.name, kNoParent);
        VectorTrack(w, 0xB025, l.colour, false, l.name);
        VectorTrack(w, 0xB020, l.position, true, l.name);
        w.End();
    }
    // Spot lights: position, colour, hotspot, falloff in third to sixth place; then the target.
    for (size_t i = 0; i < s.spots.size(); ++i) {
        const SpotDesc& l = s.spots[i];
        w.Begin(0xB007);
        NodeHeader(w, ids.spot[i], l.name, kNoParent);
        VectorTrack(w, 0xB020, l.position, true, l.name);
        VectorTrack(w, 0xB025, Still(l.colour), false, l.name);
        ScalarTrackChunk(w, 0xB027, l.hotspot, l.name);
        ScalarTrackChunk(w, 0xB028, l.falloff, l.name);
        ScalarTrackChunk(w, 0xB024, Still(0.0f), l.name);
        w.End();
        w.Begin(0xB006);
        NodeHeader(w, static_cast<uint16_t>(ids.spot[i] + 1), l.name, kNoParent);
        VectorTrack(w, 0xB020, l.target, true, l.name);
        w.End();
    }
    w.End();
}

}  // namespace content::scenes
