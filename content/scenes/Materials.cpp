// Material chunks (0xAFFF). The engine reads name, the three colours, the two shininess
// percentages, transparency, texture and opacity maps and the 0xA085 flag; the rest is written
// so that the format's own tools see a complete material.
#include <stdexcept>

#include "content/scenes/Scene3ds.h"

namespace content::scenes {

namespace {

void Colour(ChunkWriter& w, uint16_t id, Rgb8 c) {
    w.Begin(id);
    w.Begin(0x0011);  // 24-bit colour
    w.U8(c.r);
    w.U8(c.g);
    w.U8(c.b);
    w.End();
    w.Begin(0x0012);  // the same, gamma-corrected form
    w.U8(c.r);
    w.U8(c.g);
    w.U8(c.b);
    w.End();
    w.End();
}

void Percent(ChunkWriter& w, uint16_t id, int percent) {
    if (percent < 0 || percent > 100) throw std::invalid_argument("material percentage");
    w.Begin(id);
    w.ChunkU16(0x0030, static_cast<uint16_t>(percent));
    w.End();
}

void Map(ChunkWriter& w, uint16_t id, const std::string& file) {
    // The engine rewrites the three characters after the first '.' to "jpg".
    size_t dot = file.find('.');
    if (dot == std::string::npos || file.size() - dot - 1 != 3)
        throw std::invalid_argument("material map '" + file + "' needs a 3-letter extension");
    w.Begin(id);
    w.ChunkU16(0x0030, 100);  // first: the map's strength
    w.Begin(0xA300);          // second: the file name
    w.Name(file, 12);
    w.End();
    w.ChunkU16(0xA351, 0);      // tiling flags: repeat
    w.ChunkF32(0xA353, 0.07f);  // filter blur
    w.End();
}

}  // namespace

void WriteMaterial(ChunkWriter& w, const MaterialDesc& m) {
    w.Begin(0xAFFF);
    w.Begin(0xA000);
    w.Str(m.name);
    w.End();
    Colour(w, 0xA010, m.ambient);
    Colour(w, 0xA020, m.diffuse);
    Colour(w, 0xA030, m.specular);
    Percent(w, 0xA040, m.shininess);
    Percent(w, 0xA041, m.shinStrength);
    Percent(w, 0xA050, m.transparency);
    Percent(w, 0xA052, 0);  // transparency falloff
    Percent(w, 0xA053, 0);  // reflection blur
    w.ChunkU16(0xA100, 3);  // Phong shading
    if (m.twoSided) w.Empty(0xA081);
    if (m.sphereMap) w.Empty(0xA085);
    if (!m.texture.empty()) Map(w, 0xA200, m.texture);
    if (!m.opacityMap.empty()) Map(w, 0xA210, m.opacityMap);
    w.End();
}

}  // namespace content::scenes
