// One 0xAFFF material: name, colours, shininess, transparency and map names.
#include "scene3ds/Scene3dsReader.h"

namespace scene3ds {

namespace {

constexpr float kByteToUnit = 0.003921569f;  // 1/255

// The first nested chunk of a colour or percentage property.
bool FirstNested(Scene3dsReader& r, const Chunk& property, Chunk& nested) {
    ChildWalk walk(r, property.dataOffset(), property.end, property.id);
    if (walk.next(nested)) return true;
    r.error(property.offset, "material property chunk 0x%04X holds no value chunk", property.id);
    return false;
}

// Three bytes red, green, blue of the 24-bit colour chunk that must come first.
bool ReadColour24(Scene3dsReader& r, const Chunk& property, float out[3]) {
    Chunk nested;
    if (!FirstNested(r, property, nested)) return false;
    if (nested.end - nested.dataOffset() < 3) {
        r.error(nested.offset, "colour chunk 0x%04X of property 0x%04X holds fewer than 3 bytes",
                nested.id, property.id);
        return false;
    }
    const uint8_t* rgb = r.data + nested.dataOffset();
    for (int i = 0; i < 3; ++i) out[i] = rgb[i] * kByteToUnit;
    return true;
}

bool ReadPercentage(Scene3dsReader& r, const Chunk& property, uint16_t& out) {
    Chunk nested;
    if (!FirstNested(r, property, nested)) return false;
    ByteCursor cursor(r.data, nested.dataOffset(), nested.end);
    if (cursor.u16(out)) return true;
    r.error(nested.offset, "percentage chunk 0x%04X of property 0x%04X holds fewer than 2 bytes",
            nested.id, property.id);
    return false;
}

// The map's file name with the three characters after its first '.' replaced by "jpg": the
// pack holds every scene picture as JPEG.
bool ReadMapName(Scene3dsReader& r, const Chunk& map, SceneName& out) {
    ChildWalk walk(r, map.dataOffset(), map.end, map.id);
    Chunk nameChunk;
    if (!walk.skip(1) || !walk.next(nameChunk)) {
        r.error(map.offset, "map chunk 0x%04X holds no file name chunk", map.id);
        return false;
    }
    ByteCursor cursor(r.data, nameChunk.dataOffset(), nameChunk.end);
    std::string_view fileName;
    if (!r.readName(cursor, fileName, nameChunk.id)) return false;

    std::string name(fileName);
    const size_t dot = name.find('.');
    if (dot == std::string::npos || name.size() - dot - 1 < 3) {
        const std::string rewritten = name.substr(0, dot) + ".jpg";
        r.error(nameChunk.dataOffset(),
                "map file name \"%s\" has no three-character extension; looked for as \"%s\"",
                name.c_str(), rewritten.c_str());
        name = rewritten;
    } else {
        name.replace(dot + 1, 3, "jpg");
    }
    out = r.takeName(name, nameChunk.dataOffset());
    return true;
}

}  // namespace

void ReadMaterial(Scene3dsReader& r, const Chunk& materialChunk) {
    r.log.write("Read  Material chunk ...........\n ");
    auto* material = new Material;
    Append(r.scene, material);
    r.lastMaterial = material;

    ChildWalk walk(r, materialChunk.dataOffset(), materialChunk.end, chunk::kMaterial);
    Chunk c;
    while (walk.next(c)) {
        switch (c.id) {
            case chunk::kMaterialName: {
                ByteCursor cursor(r.data, c.dataOffset(), c.end);
                std::string_view name;
                if (!r.readName(cursor, name, c.id)) break;
                material->name = r.takeName(name, c.dataOffset());
                r.log.write("Material Name: %s \n ", material->name.c_str());
                break;
            }
            case chunk::kAmbient:
                if (ReadColour24(r, c, material->ambient)) {
                    r.log.write("Ambient R: %f  \n", material->ambient[0]);
                    r.log.write("Ambient G: %f  \n", material->ambient[1]);
                    r.log.write("Ambient B: %f  \n", material->ambient[2]);
                    r.log.write(" \n ");
                }
                break;
            case chunk::kDiffuse:
                ReadColour24(r, c, material->diffuse);
                break;
            case chunk::kSpecular:
                ReadColour24(r, c, material->specular);
                break;
            case chunk::kShininess: {
                uint16_t percent;
                if (!ReadPercentage(r, c, percent)) break;
                material->shininess = static_cast<float>(percent);
                r.log.write("Shiness: %f  \n", material->shininess);
                break;
            }
            case chunk::kShininessStrength: {
                uint16_t percent;
                if (!ReadPercentage(r, c, percent)) break;
                material->shininessStrength = static_cast<float>(percent * 0.01);
                r.log.write("Shiness strenght: %f  \n", material->shininessStrength);
                break;
            }
            case chunk::kTransparency: {
                uint16_t percent;
                if (!ReadPercentage(r, c, percent)) break;
                material->transparent = 0;
                material->opacity = static_cast<float>((100 - percent) * 0.01);
                if (material->opacity < 1.0f) material->transparent = 1;
                break;
            }
            case chunk::kSphereMap:
                material->sphereMapped = 1;
                break;
            case chunk::kTextureMap:
                if (ReadMapName(r, c, material->textureName)) {
                    r.log.write("File Name: %s \n", material->textureName.c_str());
                }
                break;
            case chunk::kOpacityMap:
                if (ReadMapName(r, c, material->opacityMapName)) {
                    material->opacity = 1.0f;
                    material->transparent = 1;
                    material->hasOpacityMap = 1;
                    r.log.write("Material opacity map: %s \n", material->opacityMapName.c_str());
                }
                break;
            default:  // 0xA081, 0xA084, 0xA220 and the rest carry nothing the engine uses
                break;
        }
    }
    r.log.write("\n");
}

}  // namespace scene3ds
