// The eight scenes as they land in the pack, read back with the independent chunk walker of
// ChunkWalk.h: chunk lengths add up, the chunks the engine's reader finds by position are in
// their places, each object has its normals file, emitters and textures are there.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "ChunkWalk.h"
#include "content/gen/Content.h"

namespace content_test {
namespace {

struct Mesh3ds {
    std::string name, material;
    std::vector<std::array<float, 3>> positions;  // file frame
    std::vector<std::array<uint16_t, 3>> faces;
    size_t uvCount = 0;
};
struct Light3ds {
    std::string name;
    std::vector<uint16_t> children;
};
struct Material3ds {
    std::string name, texture, opacity;
};
struct Node3ds {
    uint16_t id;
    std::string name;
    std::vector<uint16_t> children;
    uint16_t parent = 0;
};
struct Scene3ds {
    std::vector<Mesh3ds> meshes;
    std::vector<Light3ds> lights;
    std::vector<std::string> cameras;
    std::vector<Material3ds> materials;
    std::vector<Node3ds> nodes;  // keyframer top level, in order (ids other than nodes too)
    bool rangeFirst = false;     // 0xB008 is the keyframer's first chunk
    bool lengthsOk = true;
};

std::string MapName(const Bytes& b, const Chunk& map, bool& ok) {
    auto kids = Children(b, map.start + 6, map.end(), &ok);
    if (kids.size() < 2 || kids[1].id != 0xA300) {
        ok = false;
        return {};
    }
    return CStr(b, kids[1].start + 6);
}

Scene3ds Parse(const Bytes& b) {
    Scene3ds s;
    bool& ok = s.lengthsOk;
    if (b.size() < 6 || U16(b, 0) != 0x4D4D || U32(b, 2) != b.size()) {
        ok = false;
        return s;
    }
    auto top = Children(b, 6, b.size(), &ok);
    if (top.empty() || top[0].id != 0x0002) ok = false;
    for (const Chunk& c : top) {
        if (c.id == 0x3D3D) {
            for (const Chunk& e : Children(b, c.start + 6, c.end(), &ok)) {
                if (e.id == 0xAFFF) {
                    Material3ds m;
                    for (const Chunk& k : Children(b, e.start + 6, e.end(), &ok)) {
                        if (k.id == 0xA000) m.name = CStr(b, k.start + 6);
                        if (k.id == 0xA200) m.texture = MapName(b, k, ok);
                        if (k.id == 0xA210) m.opacity = MapName(b, k, ok);
                        if (k.id >= 0xA010 && k.id <= 0xA053 && k.id != 0xA000)
                            Children(b, k.start + 6, k.end(), &ok);
                    }
                    s.materials.push_back(m);
                } else if (e.id == 0x4000) {
                    std::string name = CStr(b, e.start + 6);
                    size_t body = e.start + 6 + name.size() + 1;
                    auto kinds = Children(b, body, e.end(), &ok);
                    if (kinds.empty()) continue;
                    const Chunk& kind = kinds[0];
                    if (kind.id == 0x4100) {
                        Mesh3ds m;
                        m.name = name;
                        for (const Chunk& k : Children(b, kind.start + 6, kind.end(), &ok)) {
                            if (k.id == 0x4110) {
                                uint16_t n = U16(b, k.start + 6);
                                if (k.length != 8u + 12u * n) ok = false;
                                for (uint16_t i = 0; i < n; ++i) {
                                    size_t at = k.start + 8 + 12 * i;
                                    m.positions.push_back(
                                        {F32(b, at), F32(b, at + 4), F32(b, at + 8)});
                                }
                            } else if (k.id == 0x4140) {
                                m.uvCount = U16(b, k.start + 6);
                                if (k.length != 8u + 8u * m.uvCount) ok = false;
                            } else if (k.id == 0x4120) {
                                uint16_t n = U16(b, k.start + 6);
                                for (uint16_t i = 0; i < n; ++i) {
                                    size_t at = k.start + 8 + 8 * i;
                                    m.faces.push_back({U16(b, at), U16(b, at + 2), U16(b, at + 4)});
                                }
                                auto groups = Children(b, k.start + 8 + 8 * n, k.end(), &ok);
                                if (!groups.empty() && groups[0].id == 0x4130)
                                    m.material = CStr(b, groups[0].start + 6);
                            }
                        }
                        s.meshes.push_back(m);
                    } else if (kind.id == 0x4600) {
                        Light3ds l{name, {}};
                        for (const Chunk& k : Children(b, kind.start + 18, kind.end(), &ok)) {
                            l.children.push_back(k.id);
                            if (k.id == 0x4610) Children(b, k.start + 26, k.end(), &ok);
                        }
                        s.lights.push_back(l);
                    } else if (kind.id == 0x4700) {
                        s.cameras.push_back(name);
                        Children(b, kind.start + 38, kind.end(), &ok);
                    }
                }
            }
        } else if (c.id == 0xB000) {
            bool range = false;
            const std::vector<Chunk> kids = Children(b, c.start + 6, c.end(), &ok);
            s.rangeFirst = !kids.empty() && kids[0].id == 0xB008 && kids[0].length == 14;
            for (const Chunk& k : kids) {
                if (k.id == 0xB008) {
                    range = true;
                    continue;
                }
                if (k.id < 0xB002 || k.id > 0xB007) continue;
                Node3ds n{k.id, {}, {}};
                for (const Chunk& t : Children(b, k.start + 6, k.end(), &ok)) {
                    n.children.push_back(t.id);
                    if (t.id == 0xB010) {
                        n.name = CStr(b, t.start + 6);
                        n.parent = U16(b, t.start + 6 + n.name.size() + 1 + 4);
                    }
                    if (t.id >= 0xB020 && t.id <= 0xB028) {
                        // Key count 16 bytes in; every key at least frame + flags.
                        if (t.length < 20 || U32(b, t.start + 16) == 0) ok = false;
                    }
                }
                s.nodes.push_back(n);
            }
            if (!range) ok = false;
        }
    }
    return s;
}

class SceneFiles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        content::Output out;
        content::AddScenes(out);
        pack_ = new std::map<std::string, Bytes>(ReadPack(out.pack.Build()));
    }
    static void TearDownTestSuite() {
        delete pack_;
        pack_ = nullptr;
    }
    static const Bytes& Entry(const std::string& name) {
        static const Bytes none;
        auto it = pack_->find(name);
        return it == pack_->end() ? none : it->second;
    }
    static bool Has(const std::string& name) { return pack_->count(name) != 0; }

    static inline std::map<std::string, Bytes>* pack_ = nullptr;
};

const char* const kScenes[] = {"Objs\\szk.3ds",        "Objs\\hau.3ds",    "Objs\\tlo.3ds",
                               "Objs\\stagi.3ds",      "Objs\\wcube.3ds",  "Objs\\endscene.3ds",
                               "scene3\\scene123.3DS", "Scene2\\Scene.3ds"};

std::string Folder(const std::string& entry) { return entry.substr(0, entry.find('\\') + 1); }

TEST_F(SceneFiles, EveryChunkLengthAddsUp) {
    for (const char* name : kScenes) {
        ASSERT_TRUE(Has(name)) << name;
        Scene3ds s = Parse(Entry(name));
        EXPECT_TRUE(s.lengthsOk) << name;
        EXPECT_TRUE(s.rangeFirst) << name << ": the frame range must come first in 0xB000";
        EXPECT_FALSE(s.meshes.empty()) << name;
        for (const Mesh3ds& m : s.meshes) {
            EXPECT_LE(m.name.size(), 10u) << m.name;
            EXPECT_EQ(m.uvCount, m.positions.size()) << m.name;
            EXPECT_FALSE(m.material.empty()) << m.name << ": no face-material group first";
            for (const auto& f : m.faces)
                for (uint16_t i : f) ASSERT_LT(i, m.positions.size()) << m.name;
        }
    }
}

TEST_F(SceneFiles, LightsKeepTheirChunksWhereTheReaderLooks) {
    for (const char* name : kScenes) {
        Scene3ds s = Parse(Entry(name));
        for (const Light3ds& l : s.lights) {
            ASSERT_GE(l.children.size(), 5u) << l.name;
            EXPECT_EQ(l.children[0], 0x0010) << l.name << ": colour first";
        }
        // Node order: spot nodes are followed by their target; camera nodes likewise.
        for (size_t i = 0; i < s.nodes.size(); ++i) {
            const Node3ds& n = s.nodes[i];
            ASSERT_GE(n.children.size(), 3u);
            EXPECT_EQ(n.children[0], 0xB030);
            EXPECT_EQ(n.children[1], 0xB010);
            if (n.id == 0xB003) {
                ASSERT_GE(n.children.size(), 5u);
                EXPECT_EQ(n.children[2], 0xB020) << n.name;
                EXPECT_EQ(n.children[3], 0xB023) << n.name;
                EXPECT_EQ(n.children[4], 0xB024) << n.name;
                ASSERT_LT(i + 1, s.nodes.size());
                EXPECT_EQ(s.nodes[i + 1].id, 0xB004) << n.name << ": target node must follow";
                EXPECT_EQ(s.nodes[i + 1].name, n.name);
                EXPECT_EQ(s.nodes[i + 1].children[2], 0xB020);
            }
            if (n.id == 0xB005) {
                EXPECT_EQ(n.children[2], 0xB025) << n.name << ": colour track third";
                EXPECT_NE(std::find(n.children.begin(), n.children.end(), 0xB020),
                          n.children.end());
            }
            if (n.id == 0xB007) {
                ASSERT_GE(n.children.size(), 6u);
                EXPECT_EQ(n.children[2], 0xB020);
                EXPECT_EQ(n.children[4], 0xB027);
                EXPECT_EQ(n.children[5], 0xB028);
                ASSERT_LT(i + 1, s.nodes.size());
                EXPECT_EQ(s.nodes[i + 1].id, 0xB006);
            }
            if (n.id == 0xB002) {
                for (uint16_t id : {0xB013, 0xB020, 0xB021, 0xB022})
                    EXPECT_NE(std::find(n.children.begin(), n.children.end(), id), n.children.end())
                        << n.name << " lacks " << std::hex << id;
            }
        }
        // Spots: 0x4610 fifth; omni lights: something else fifth. Every light has its node.
        size_t spots = 0;
        for (const Light3ds& l : s.lights) {
            bool spot = l.children[4] == 0x4610;
            spots += spot;
            bool found = false;
            for (const Node3ds& n : s.nodes)
                found |= n.name == l.name && n.id == (spot ? 0xB007 : 0xB005);
            EXPECT_TRUE(found) << l.name;
        }
        size_t spotNodes = 0, cameraNodes = 0;
        for (const Node3ds& n : s.nodes) {
            spotNodes += n.id == 0xB007;
            cameraNodes += n.id == 0xB003;
        }
        EXPECT_EQ(spots, spotNodes) << name;
        EXPECT_EQ(s.cameras.size(), cameraNodes) << name;
    }
}

TEST_F(SceneFiles, LoadedScenesHaveWhatTheirSegmentsPickByName) {
    Scene3ds water = Parse(Entry("scene3\\scene123.3DS"));
    EXPECT_GE(water.cameras.size(), 8u);
    const Mesh3ds* plane = nullptr;
    for (const Mesh3ds& m : water.meshes)
        if (m.name.rfind("Pla", 0) == 0) plane = &m;
    ASSERT_NE(plane, nullptr);
    ASSERT_EQ(plane->positions.size(), 2601u);
    for (int i = 0; i < 51; ++i) {
        for (int j = 0; j < 51; ++j) {
            const auto& p = plane->positions[51 * i + j];
            EXPECT_FLOAT_EQ(p[2], -1450.0f);  // file z is the engine's height
            if (j > 0) {
                EXPECT_GT(p[0], plane->positions[51 * i + j - 1][0]);  // along a row
            }
            if (i > 0) {
                EXPECT_NE(p[1], plane->positions[51 * (i - 1) + j][1]);  // next row
            }
        }
    }
    bool flare = false, emitters = false;
    for (const Light3ds& l : water.lights) flare |= l.name.rfind("flr", 0) == 0;
    EXPECT_TRUE(flare);
    size_t emitterCount = 0;
    for (const Mesh3ds& m : water.meshes)
        emitterCount += m.name.size() > 7 && m.name.rfind("emitter", 0) == 0;
    emitters = emitterCount >= 2;
    EXPECT_TRUE(emitters);
    bool transparentWithOpacity = false, sphere = false;
    for (const Material3ds& m : water.materials) transparentWithOpacity |= !m.opacity.empty();
    const Bytes& file = Entry("scene3\\scene123.3DS");
    for (size_t i = 0; i + 6 <= file.size(); ++i)
        sphere |= U16(file, i) == 0xA085 && U32(file, i + 2) == 6;
    EXPECT_TRUE(transparentWithOpacity);
    EXPECT_TRUE(sphere);

    Scene3ds screen = Parse(Entry("Scene2\\Scene.3ds"));
    EXPECT_GE(screen.cameras.size(), 6u);
    const Mesh3ds* ekr = nullptr;
    for (const Mesh3ds& m : screen.meshes)
        if (m.name.rfind("ekr", 0) == 0) ekr = &m;
    ASSERT_NE(ekr, nullptr);
    bool textured = false;
    for (const Material3ds& m : screen.materials)
        textured |= m.name == ekr->material && !m.texture.empty();
    EXPECT_TRUE(textured);

    Scene3ds end = Parse(Entry("Objs\\endscene.3ds"));
    EXPECT_GE(end.cameras.size(), 1u);
}

// The engine looks names up without case, so "Box" and "BOX" would share a normals file.
std::string Folded(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

TEST_F(SceneFiles, ObjectNamesAreUniqueAcrossScenesApartFromCase) {
    std::map<std::string, std::string> objects;  // folded name -> scene
    for (const char* name : kScenes) {
        Scene3ds s = Parse(Entry(name));
        std::set<std::string> meshNames;
        for (const Mesh3ds& m : s.meshes) {
            meshNames.insert(m.name);
            auto [at, added] = objects.emplace(Folded(m.name), name);
            EXPECT_TRUE(added) << m.name << " in " << name << " and " << at->second;
        }
        // Keyframer-only nodes are objects of the engine too, with their own normals entry.
        for (const Node3ds& node : s.nodes) {
            if (node.id != 0xB002 || meshNames.count(node.name)) continue;
            auto [at, added] = objects.emplace(Folded(node.name), name);
            EXPECT_TRUE(added) << node.name << " in " << name << " and " << at->second;
        }
    }
}

TEST_F(SceneFiles, EveryObjectHasNormalsInItsVertexOrder) {
    for (const char* name : kScenes) {
        Scene3ds s = Parse(Entry(name));
        for (const Mesh3ds& m : s.meshes) {
            const Bytes& n = Entry("Nrm\\" + m.name + ".nrm");
            ASSERT_EQ(n.size(), m.positions.size() * 12) << m.name;
            // Faces wind counter-clockwise seen from the side their normals face, in the
            // engine's y-up frame (file (x, y, z) read as (x, z, y)), which D3DCULL_CW keeps.
            size_t wrong = 0;
            auto eng = [&](uint16_t i) {
                const auto& p = m.positions[i];
                return std::array<double, 3>{p[0], p[2], p[1]};
            };
            for (const auto& f : m.faces) {
                auto a = eng(f[0]), b = eng(f[1]), c = eng(f[2]);
                double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
                double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
                double cr[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                u[0] * v[1] - u[1] * v[0]};
                double dot = 0;
                for (uint16_t k : f)
                    for (int d = 0; d < 3; ++d) dot += cr[d] * F32(n, k * 12 + d * 4);
                wrong += dot >= 0;
            }
            EXPECT_EQ(wrong, 0u) << m.name;
            for (size_t i = 0; i < m.positions.size(); ++i) {
                double x = F32(n, i * 12), y = F32(n, i * 12 + 4), z = F32(n, i * 12 + 8);
                ASSERT_NEAR(x * x + y * y + z * z, 1.0, 1e-3) << m.name << " vertex " << i;
            }
        }
        // Keyframer-only nodes have an empty normals entry.
        std::set<std::string> meshNames;
        for (const Mesh3ds& m : s.meshes) meshNames.insert(m.name);
        for (const Node3ds& node : s.nodes) {
            if (node.id != 0xB002 || meshNames.count(node.name)) continue;
            ASSERT_TRUE(Has("Nrm\\" + node.name + ".nrm")) << node.name;
            EXPECT_TRUE(Entry("Nrm\\" + node.name + ".nrm").empty());
        }
    }
}

TEST_F(SceneFiles, EmittersAndTexturesAreInThePack) {
    for (const char* name : kScenes) {
        const std::string folder = Folder(name);
        Scene3ds s = Parse(Entry(name));
        for (const Material3ds& m : s.materials) {
            for (const std::string& map : {m.texture, m.opacity}) {
                if (map.empty()) continue;
                std::string rewritten = map.substr(0, map.find('.') + 1) + "jpg";
                const Bytes& jpg = Entry(folder + rewritten);
                ASSERT_GE(jpg.size(), 4u) << folder + rewritten;
                EXPECT_EQ(jpg[0], 0xFF);
                EXPECT_EQ(jpg[1], 0xD8);
            }
        }
        for (const Mesh3ds& m : s.meshes) {
            if (m.name.size() <= 7 || m.name.rfind("emitter", 0) != 0) continue;
            const Bytes& e = Entry(folder + m.name + ".bin");
            ASSERT_GE(e.size(), 34u) << m.name;
            EXPECT_GT(U32(e, 0), 0u);
            EXPECT_GT(F32(e, 8), 0.0f);   // life range
            EXPECT_GT(F32(e, 12), 0.0f);  // speed
            EXPECT_GT(F32(e, 16), 0.0f);  // point size
            EXPECT_LT(F32(e, 24), F32(e, 28));
            ASSERT_EQ(e.back(), 0);
            std::string texture = CStr(e, 32);
            EXPECT_EQ(e.size(), 33 + texture.size());
            EXPECT_LE(texture.size(), 15u);
            EXPECT_TRUE(Has(folder + texture)) << folder + texture;
        }
    }
}

}  // namespace
}  // namespace content_test
