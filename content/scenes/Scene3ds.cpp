#include "content/scenes/Scene3ds.h"

#include <set>
#include <stdexcept>

namespace content::scenes {

namespace {

void Point(ChunkWriter& w, Vec3 engine) {
    Vec3 f = ToFile(engine);
    w.F32(f.x);
    w.F32(f.y);
    w.F32(f.z);
}

void CheckName(const std::string& name, std::set<std::string>& seen, const char* what) {
    if (name.empty() || name.size() > 10)
        throw std::invalid_argument(std::string(what) + " name '" + name + "' must be 1..10 chars");
    if (!seen.insert(name).second)
        throw std::invalid_argument(std::string(what) + " name '" + name + "' used twice");
}

// One triangle mesh. The file holds vertices placed in the world as at the first frame, and a
// mesh matrix (0x4160) whose inverse takes them back to the object's own frame.
void Mesh4100(ChunkWriter& w, const ObjectDesc& o) {
    const FinishedMesh& m = o.mesh;
    const Vec3 at = o.position.front().value;
    const Vec3 scale = o.scale.empty() ? Vec3{1.0f, 1.0f, 1.0f} : o.scale.front().value;
    if (scale.x == 0 || scale.y == 0 || scale.z == 0)
        throw std::invalid_argument(o.name + ": zero scale at the first frame");

    w.Begin(0x4100);
    w.Begin(0x4110);
    w.U16(static_cast<uint16_t>(m.positions.size()));
    for (Vec3 p : m.positions) Point(w, Vec3{p.x * scale.x, p.y * scale.y, p.z * scale.z} + at);
    w.End();

    w.Begin(0x4140);
    w.U16(static_cast<uint16_t>(m.uvs.size()));
    for (Vec2 t : m.uvs) {
        w.F32(t.u);
        w.F32(t.v);
    }
    w.End();

    // Axes in file order (x, then file y = engine z, then file z = engine y), then the origin.
    w.Begin(0x4160);
    Vec3 fs = ToFile(scale);
    const float axes[9] = {fs.x, 0, 0, 0, fs.y, 0, 0, 0, fs.z};
    for (float a : axes) w.F32(a);
    Point(w, at);
    w.End();

    w.Begin(0x4120);
    w.U16(static_cast<uint16_t>(m.faces.size()));
    // The y/z exchange mirrors space, so the winding is reversed to keep faces facing out.
    for (const auto& f : m.faces) {
        w.U16(f[0]);
        w.U16(f[2]);
        w.U16(f[1]);
        w.U16(0x0007);  // all three edges visible
    }
    w.Begin(0x4130);  // first (and only) face-material group
    w.Str(o.material);
    w.U16(static_cast<uint16_t>(m.faces.size()));
    for (size_t i = 0; i < m.faces.size(); ++i) w.U16(static_cast<uint16_t>(i));
    w.End();
    w.Begin(0x4150);  // smoothing groups: one group; hard edges are split vertices
    for (size_t i = 0; i < m.faces.size(); ++i) w.U32(1);
    w.End();
    w.End();
    w.End();
}

}  // namespace

std::vector<uint8_t> Write3ds(const SceneDesc& s) {
    std::set<std::string> names, materialNames;
    for (const MaterialDesc& m : s.materials) CheckName(m.name, materialNames, "material");
    for (const ObjectDesc& o : s.objects) {
        CheckName(o.name, names, "object");
        if (o.position.empty()) throw std::invalid_argument(o.name + ": no position key");
        if (!o.dummy) {
            if (o.mesh.positions.empty() || o.mesh.faces.empty())
                throw std::invalid_argument(o.name + ": mesh without geometry");
            if (!materialNames.count(o.material))
                throw std::invalid_argument(o.name + ": unknown material " + o.material);
        }
    }
    for (const OmniDesc& l : s.omnis) CheckName(l.name, names, "light");
    for (const SpotDesc& l : s.spots) CheckName(l.name, names, "light");
    for (const CameraDesc& c : s.cameras) CheckName(c.name, names, "camera");
    if (s.lastFrame <= s.firstFrame) throw std::invalid_argument("empty frame range");

    ChunkWriter w;
    w.Begin(0x4D4D);
    w.ChunkU32(0x0002, 3);  // format version, first inside the main chunk

    w.Begin(0x3D3D);
    w.ChunkU32(0x3D3E, 3);  // mesh version
    for (const MaterialDesc& m : s.materials) WriteMaterial(w, m);
    w.ChunkF32(0x0100, 1.0f);  // one unit

    for (const ObjectDesc& o : s.objects) {
        if (o.dummy) continue;
        w.Begin(0x4000);
        w.Str(o.name);
        Mesh4100(w, o);
        w.End();
    }
    for (const OmniDesc& l : s.omnis) {
        w.Begin(0x4000);
        w.Str(l.name);
        w.Begin(0x4600);
        Point(w, l.position.front().value);
        Vec3 c = l.colour.front().value;
        w.Begin(0x0010);  // colour first: the engine insists
        w.F32(c.x);
        w.F32(c.y);
        w.F32(c.z);
        w.End();
        w.ChunkF32(0x4659, 10.0f);    // inner range
        w.ChunkF32(0x465A, 6000.0f);  // outer range
        w.ChunkF32(0x465B, 1.0f);     // multiplier
        w.Empty(0x4625);              // attenuation on; fifth chunk, not a spot
        w.End();
        w.End();
    }
    for (const SpotDesc& l : s.spots) {
        w.Begin(0x4000);
        w.Str(l.name);
        w.Begin(0x4600);
        Point(w, l.position.front().value);
        // The engine lights a spot with the file's green and blue in each other's place, so
        // they are stored exchanged and the light shines in the colour the scene asks for.
        w.Begin(0x0010);
        w.F32(l.colour.x);
        w.F32(l.colour.z);
        w.F32(l.colour.y);
        w.End();
        w.ChunkF32(0x4659, 10.0f);
        w.ChunkF32(0x465A, 9000.0f);
        w.ChunkF32(0x465B, 1.0f);
        w.Begin(0x4610);  // fifth: the spot chunk
        Point(w, l.target.front().value);
        w.F32(l.hotspot.front().value);
        w.F32(l.falloff.front().value);
        w.ChunkF32(0x4656, 0.0f);  // roll
        w.End();
        w.End();
        w.End();
    }
    for (const CameraDesc& c : s.cameras) {
        w.Begin(0x4000);
        w.Str(c.name);
        w.Begin(0x4700);
        Point(w, c.position.front().value);
        Point(w, c.target.front().value);
        w.F32(c.roll.front().value);
        // Lens in millimetres for the field of view, as the format's tools store it.
        double half = c.fov.front().value * kPi / 360.0;
        w.F32(static_cast<float>(21.6 * Cos(half) / Sin(half)));
        w.Begin(0x4720);
        w.F32(1.0f);
        w.F32(54000.0f);
        w.End();
        w.End();
        w.End();
    }
    w.End();  // 0x3D3D

    WriteKeyframer(w, s);
    w.End();  // 0x4D4D
    return w.Take();
}

}  // namespace content::scenes
