// Builds .3ds files byte by byte for tests and fuzz seeds: chunks with computed (or forced)
// lengths and shorthands for the pieces the scene loader reads.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace test3ds {

class Chunk {
  public:
    explicit Chunk(uint16_t id) : id_(id) {}

    Chunk& u8(uint8_t v) {
        data_.push_back(v);
        return *this;
    }
    Chunk& u16(uint16_t v) {
        data_.push_back(static_cast<uint8_t>(v));
        data_.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    Chunk& u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) data_.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Chunk& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    Chunk& f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return u32(bits);
    }
    Chunk& floats(std::initializer_list<float> values) {
        for (float v : values) f32(v);
        return *this;
    }
    Chunk& floats(const std::vector<float>& values) {
        for (float v : values) f32(v);
        return *this;
    }
    // The text and its terminating zero.
    Chunk& str(const std::string& text) {
        data_.insert(data_.end(), text.begin(), text.end());
        data_.push_back(0);
        return *this;
    }
    Chunk& raw(const std::vector<uint8_t>& bytes) {
        data_.insert(data_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Chunk& add(const Chunk& child) { return raw(child.bytes()); }
    Chunk& add(std::initializer_list<Chunk> children) {
        for (const Chunk& c : children) add(c);
        return *this;
    }
    // Stores this length instead of the true one (damaged files).
    Chunk& length(uint32_t stored) {
        forcedLength_ = stored;
        return *this;
    }

    uint16_t id() const { return id_; }
    size_t size() const { return 6 + data_.size(); }

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out;
        const uint32_t length = forcedLength_.value_or(static_cast<uint32_t>(size()));
        out.push_back(static_cast<uint8_t>(id_));
        out.push_back(static_cast<uint8_t>(id_ >> 8));
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(length >> (8 * i)));
        out.insert(out.end(), data_.begin(), data_.end());
        return out;
    }

  private:
    uint16_t id_;
    std::vector<uint8_t> data_;
    std::optional<uint32_t> forcedLength_;
};

// ---------------------------------------------------------------- editor section

inline Chunk Version() { return Chunk(0x0002).u32(3); }

// A mesh object: vertices as file (x, y, z) triples, faces as index triples (flags 0), an
// optional face-material group and further chunks inside 0x4100 after the face list.
inline Chunk MeshObject(const std::string& name, const std::vector<float>& vertices,
                        const std::vector<uint16_t>& faces, const std::string& material = "",
                        std::initializer_list<Chunk> more = {}) {
    Chunk mesh(0x4100);
    Chunk vertexList(0x4110);
    vertexList.u16(static_cast<uint16_t>(vertices.size() / 3)).floats(vertices);
    mesh.add(vertexList);
    if (!faces.empty() || !material.empty()) {
        Chunk faceList(0x4120);
        faceList.u16(static_cast<uint16_t>(faces.size() / 3));
        for (size_t i = 0; i + 2 < faces.size(); i += 3) {
            faceList.u16(faces[i]).u16(faces[i + 1]).u16(faces[i + 2]).u16(0);
        }
        if (!material.empty()) {
            Chunk group(0x4130);
            group.str(material).u16(static_cast<uint16_t>(faces.size() / 3));
            for (size_t i = 0; i < faces.size() / 3; ++i) group.u16(static_cast<uint16_t>(i));
            faceList.add(group);
        }
        mesh.add(faceList);
    }
    mesh.add(more);
    return Chunk(0x4000).str(name).add(mesh);
}

inline Chunk ColourFloat(float r, float g, float b) { return Chunk(0x0010).floats({r, g, b}); }

// An omni light: position, colour and `extra` further nested chunks.
inline Chunk OmniLight(const std::string& name, std::initializer_list<float> position,
                       std::initializer_list<float> colour, int extra = 0) {
    Chunk light(0x4600);
    light.floats(position);
    light.add(Chunk(0x0010).floats(colour));
    for (int i = 0; i < extra; ++i) light.add(Chunk(static_cast<uint16_t>(0x4659 + i)).f32(1.0f));
    return Chunk(0x4000).str(name).add(light);
}

// A spot light: position, colour, three other chunks, then the 0x4610 in fifth place.
inline Chunk SpotLight(const std::string& name, std::initializer_list<float> position,
                       std::initializer_list<float> colour, std::initializer_list<float> target,
                       float hotspot, float falloff) {
    Chunk light(0x4600);
    light.floats(position);
    light.add(Chunk(0x0010).floats(colour));
    light.add(Chunk(0x4659).f32(0.0f));
    light.add(Chunk(0x465A).f32(1000.0f));
    light.add(Chunk(0x465B).f32(1.0f));
    light.add(Chunk(0x4610).floats(target).f32(hotspot).f32(falloff));
    return Chunk(0x4000).str(name).add(light);
}

inline Chunk Camera(const std::string& name, std::initializer_list<float> position,
                    std::initializer_list<float> target, float roll, float lens) {
    Chunk camera(0x4700);
    camera.floats(position).floats(target).f32(roll).f32(lens);
    return Chunk(0x4000).str(name).add(camera);
}

inline Chunk ColourProperty(uint16_t id, uint8_t r, uint8_t g, uint8_t b) {
    return Chunk(id).add(Chunk(0x0011).u8(r).u8(g).u8(b));
}

inline Chunk PercentProperty(uint16_t id, uint16_t percent) {
    return Chunk(id).add(Chunk(0x0030).u16(percent));
}

inline Chunk MapProperty(uint16_t id, const std::string& fileName) {
    return Chunk(id).add(Chunk(0x0030).u16(100)).add(Chunk(0xA300).str(fileName));
}

inline Chunk MaterialNamed(const std::string& name, std::initializer_list<Chunk> properties = {}) {
    return Chunk(0xAFFF).add(Chunk(0xA000).str(name)).add(properties);
}

// ---------------------------------------------------------------- keyframer section

struct Key {
    Key(int32_t frame_, std::vector<float> value_, uint16_t flags_ = 0,
        std::vector<float> parameters_ = {})
        : frame(frame_),
          value(std::move(value_)),
          flags(flags_),
          parameters(std::move(parameters_)) {}

    int32_t frame;
    std::vector<float> value;       // 3 floats, 1 float, or angle + axis
    uint16_t flags;                 // spline flags
    std::vector<float> parameters;  // one float per set flag bit, in bit order
};

inline Chunk TrackChunk(uint16_t id, const std::vector<Key>& keys) {
    Chunk track(id);
    track.u16(0).u32(0).u32(0).u32(static_cast<uint32_t>(keys.size()));
    for (const Key& k : keys) {
        track.i32(k.frame).u16(k.flags).floats(k.parameters).floats(k.value);
    }
    return track;
}

inline Chunk NodeId(uint16_t id) { return Chunk(0xB030).u16(id); }

inline Chunk NodeHeader(const std::string& name, uint16_t parent) {
    return Chunk(0xB010).str(name).u16(0).u16(0).u16(parent);
}

inline Chunk Pivot(float x, float y, float z) { return Chunk(0xB013).floats({x, y, z}); }

// A node: id chunk, header, then the given chunks.
inline Chunk Node(uint16_t nodeChunkId, uint16_t nodeNumber, const std::string& name,
                  uint16_t parent, std::initializer_list<Chunk> more = {}) {
    return Chunk(nodeChunkId).add(NodeId(nodeNumber)).add(NodeHeader(name, parent)).add(more);
}

inline Chunk FrameRange(int32_t first, int32_t last) { return Chunk(0xB008).i32(first).i32(last); }

inline Chunk Keyframer(int32_t first, int32_t last, std::initializer_list<Chunk> nodes = {}) {
    return Chunk(0xB000)
        .add(Chunk(0xB00A).u16(5).str("MAXSCENE").u32(100))
        .add(FrameRange(first, last))
        .add(nodes);
}

// A whole file: version chunk, editor chunk holding `editor`, then `after` (the keyframer),
// or an empty keyframer section for frames 0 to 100 when `after` is empty.
inline std::vector<uint8_t> File(std::initializer_list<Chunk> editor,
                                 std::initializer_list<Chunk> after = {}) {
    Chunk edit(0x3D3D);
    edit.add(Chunk(0x3D3E).u32(3));
    edit.add(editor);
    Chunk main(0x4D4D);
    main.add(Version()).add(edit);
    if (after.size() == 0) {
        main.add(Keyframer(0, 100));
    } else {
        main.add(after);
    }
    return main.bytes();
}

}  // namespace test3ds
