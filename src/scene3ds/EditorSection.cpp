// The editor pass: meshes, lights and cameras from the 0x4000 named objects and materials
// from 0xAFFF, in file order, with the running account in the log.
#include <algorithm>

#include "scene3ds/Scene3dsReader.h"

namespace scene3ds {

namespace {

constexpr size_t kVertexBytes = 12;
constexpr size_t kFaceBytes = 8;
constexpr size_t kTexCoordBytes = 8;

// File (x, y, z) is z-up; the engine is y-up.
void StoreExchanged(const float file[3], float out[3]) {
    out[0] = file[0];
    out[1] = file[2];
    out[2] = file[1];
}

void ReadVertexList(Scene3dsReader& r, const Chunk& c, SceneObject& object) {
    ByteCursor cursor(r.data, c.dataOffset(), c.end);
    uint16_t count = 0;
    if (!cursor.u16(count)) {
        r.error(c.offset, "vertex list chunk 0x4110 holds no vertex count");
        return;
    }
    size_t n = count;
    const size_t fit = cursor.remaining() / kVertexBytes;
    if (n > fit) {
        r.error(cursor.offset(),
                "vertex count %u needs %zu bytes but chunk 0x4110 holds %zu; reading %zu "
                "vertices",
                count, n * kVertexBytes, cursor.remaining(), fit);
        n = fit;
    }
    object.vertexCount = static_cast<int32_t>(n);
    object.positions.assign(3 * n, 0.0f);
    object.normals.assign(3 * n, 0.0f);
    object.texCoords.assign(2 * n, 0.0f);
    for (size_t i = 0; i < n; ++i) {
        float file[3];
        cursor.floats(file, 3);
        StoreExchanged(file, &object.positions[3 * i]);
        // A planar default that a later 0x4140 chunk overwrites.
        object.texCoords[2 * i] = object.positions[3 * i];
        object.texCoords[2 * i + 1] = object.positions[3 * i + 1];
    }
}

void ReadFaceMaterial(Scene3dsReader& r, const Chunk& group, SceneObject& object) {
    ByteCursor cursor(r.data, group.dataOffset(), group.end);
    std::string_view name;
    if (!r.readName(cursor, name, chunk::kFaceMaterial)) return;
    object.materialName = r.takeName(name, group.dataOffset());
    r.log.write(" Name mat: %s \n", object.materialName.c_str());
}

void ReadFaceList(Scene3dsReader& r, const Chunk& c, SceneObject& object) {
    ByteCursor cursor(r.data, c.dataOffset(), c.end);
    uint16_t count = 0;
    if (!cursor.u16(count)) {
        r.error(c.offset, "face list chunk 0x4120 holds no face count");
        return;
    }
    size_t n = count;
    const size_t fit = cursor.remaining() / kFaceBytes;
    if (n > fit) {
        r.error(cursor.offset(),
                "face count %u needs %zu bytes but chunk 0x4120 holds %zu; reading %zu faces",
                count, n * kFaceBytes, cursor.remaining(), fit);
        n = fit;
    }
    object.faceCount = static_cast<int32_t>(n);
    object.faces.assign(3 * n, 0);
    for (size_t i = 0; i < n; ++i) {
        uint16_t flags;
        cursor.u16(object.faces[3 * i]);
        cursor.u16(object.faces[3 * i + 1]);
        cursor.u16(object.faces[3 * i + 2]);
        cursor.u16(flags);
    }
    // Only a material group right after the last face counts; without a complete face list
    // its position is unknown.
    if (n != count || cursor.remaining() == 0) return;
    Chunk group;
    if (r.chunkAt(cursor.offset(), c.end, chunk::kFaceList, group) &&
        group.id == chunk::kFaceMaterial) {
        ReadFaceMaterial(r, group, object);
    }
}

void ReadTexCoords(Scene3dsReader& r, const Chunk& c, SceneObject& object) {
    ByteCursor cursor(r.data, c.dataOffset(), c.end);
    uint16_t ignoredCount;
    if (!cursor.u16(ignoredCount)) {
        r.error(c.offset, "texture coordinate chunk 0x4140 holds no count");
        return;
    }
    const size_t vertices = static_cast<size_t>(object.vertexCount);
    const size_t pairs = cursor.remaining() / kTexCoordBytes;
    if (vertices == 0 && pairs > 0) {
        // The pairs are matched to vertices by position, so they need the vertex list first.
        r.error(c.offset,
                "texture coordinate chunk 0x4140 comes before the vertex list; its %zu pairs "
                "are ignored",
                pairs);
        return;
    }
    if (pairs < vertices) {
        r.error(cursor.offset(),
                "texture coordinate chunk 0x4140 holds %zu pairs for %zu vertices; the rest "
                "keep their planar default",
                pairs, vertices);
    }
    const size_t n = std::min(pairs, vertices);
    for (size_t i = 0; i < n; ++i) cursor.floats(&object.texCoords[2 * i], 2);
}

void LogAxesRow(SceneLog& log, const float row[4], bool third) {
    log.write(" x: %f    ", row[0]);
    log.write(" y: %f    ", row[1]);
    log.write(" z: %f    ", row[2]);
    if (third) {
        log.write(" z: %f  \n", row[3]);
    } else {
        log.write(" w: %f  \n", row[3]);
    }
}

// Expresses the vertices read so far in the frame the chunk describes (axes and origin).
void ReadLocalAxes(Scene3dsReader& r, const Chunk& c, SceneObject& object) {
    ByteCursor cursor(r.data, c.dataOffset(), c.end);
    float file[12];
    if (!cursor.floats(file, 12)) {
        r.error(c.offset,
                "local axes chunk 0x4160 holds %zu bytes, 48 needed; vertices left as read",
                cursor.remaining());
        return;
    }
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) m[row][col] = file[3 * row + col];
    }
    // z-up to y-up on both sides: rows 1 and 2, then columns 1 and 2.
    for (int col = 0; col < 3; ++col) std::swap(m[1][col], m[2][col]);
    for (int row = 0; row < 3; ++row) std::swap(m[row][1], m[row][2]);
    const float origin[3] = {file[9], file[11], file[10]};

    float inverse[3][3];
    bool degenerate = false;
    for (int col = 0; col < 3; ++col) {
        const float lengthSq =
            m[0][col] * m[0][col] + m[1][col] * m[1][col] + m[2][col] * m[2][col];
        if (!(lengthSq > 0.0f)) degenerate = true;
        for (int row = 0; row < 3; ++row)
            inverse[row][col] = degenerate ? 0.0f : m[row][col] / lengthSq;
    }

    LogAxesRow(r.log, m[0], false);
    LogAxesRow(r.log, m[1], false);
    LogAxesRow(r.log, m[2], true);
    LogAxesRow(r.log, m[3], false);
    r.log.write("  x: %f    ", origin[0]);
    r.log.write("  y: %f    ", origin[1]);
    r.log.write("  z: %f  \n", origin[2]);

    if (degenerate) {
        r.error(c.offset, "local axes chunk 0x4160 has a zero-length axis; vertices left as read");
        return;
    }
    for (size_t v = 0; v < static_cast<size_t>(object.vertexCount); ++v) {
        float* p = &object.positions[3 * v];
        const float d[3] = {p[0] - origin[0], p[1] - origin[1], p[2] - origin[2]};
        for (int row = 0; row < 3; ++row) {
            p[row] = inverse[row][0] * d[0] + inverse[row][1] * d[1] + inverse[row][2] * d[2];
        }
    }
}

// Faces naming vertices the object does not have would send the device past its buffer.
void DropFacesOutsideVertices(Scene3dsReader& r, size_t faceListOffset, SceneObject& object) {
    const size_t vertices = static_cast<size_t>(object.vertexCount);
    std::vector<uint16_t> kept;
    kept.reserve(object.faces.size());
    size_t dropped = 0;
    for (size_t f = 0; f + 2 < object.faces.size(); f += 3) {
        const uint16_t* face = &object.faces[f];
        if (face[0] < vertices && face[1] < vertices && face[2] < vertices) {
            kept.insert(kept.end(), face, face + 3);
        } else {
            ++dropped;
        }
    }
    if (dropped == 0) return;
    r.error(faceListOffset, "%zu faces of object %s name vertices beyond its %zu; they are dropped",
            dropped, object.name.c_str(), vertices);
    object.faces = std::move(kept);
    object.faceCount = static_cast<int32_t>(object.faces.size() / 3);
}

void ReadTriangleMesh(Scene3dsReader& r, const Chunk& mesh) {
    r.log.write("\n");
    r.log.write("\n");
    r.log.write("\n");
    r.log.write("Read OBJECT trigonometry... \n");
    auto* object = new SceneObject;
    Append(r.scene, object);
    r.lastObject = object;
    r.log.write("OBJECT name: %s \n", r.currentName.c_str());
    object->name = r.currentName;
    object->nodeId = static_cast<int16_t>(r.nodeCounter);
    if (object->name.size() > 7 && object->name.startsWith("emitter")) {
        object->isEmitter = 1;
        ++r.scene.emitterCount;
    }

    size_t faceListOffset = 0;
    ChildWalk walk(r, mesh.dataOffset(), mesh.end, chunk::kTriangleMesh);
    Chunk c;
    while (walk.next(c)) {
        switch (c.id) {
            case chunk::kVertexList:
                ReadVertexList(r, c, *object);
                break;
            case chunk::kFaceList:
                faceListOffset = c.offset;
                ReadFaceList(r, c, *object);
                break;
            case chunk::kTexCoords:
                ReadTexCoords(r, c, *object);
                break;
            case chunk::kLocalAxes:
                ReadLocalAxes(r, c, *object);
                break;
            default:
                break;
        }
        r.log.write("Chunk: %x \n", static_cast<unsigned>(c.id));
    }
    DropFacesOutsideVertices(r, faceListOffset, *object);
    ++r.scene.objectCount;
}

// The colour chunk must come first after the position; the original files always have it.
void ReadLightColour(Scene3dsReader& r, const Chunk& light, size_t offset, float colour[3]) {
    // Damage here was already reported by the walk that looked for the fifth chunk.
    Chunk c;
    const HeaderStatus status = ReadChunkHeader(r.data, offset, light.end, c);
    if (status == HeaderStatus::Truncated || status == HeaderStatus::TooShort ||
        c.id != chunk::kColourFloat) {
        r.fatal("Error in light chunk !! \n");
    }
    ByteCursor cursor(r.data, c.dataOffset(), c.end);
    if (!cursor.floats(colour, 3)) {
        r.error(c.offset, "light colour chunk 0x0010 holds %zu bytes, 12 needed; colour left white",
                cursor.remaining());
    }
}

void ReadOmniLight(Scene3dsReader& r, const Chunk& light, const float position[3],
                   size_t afterPosition) {
    r.log.write("Read Omni LIGHT data............ \n");
    auto* omni = new SceneLight;
    Append(r.scene, omni);
    r.lastOmniLight = omni;
    omni->isFlare = r.currentName.startsWith("flr") ? 1 : 0;
    omni->name = r.currentName;
    omni->nodeId = static_cast<int16_t>(r.nodeCounter);
    StoreExchanged(position, omni->position);
    ReadLightColour(r, light, afterPosition, omni->colour);
    ++r.scene.omniLightCount;
    ++r.nodeCounter;
}

void ReadSpotLight(Scene3dsReader& r, const Chunk& light, const float position[3],
                   size_t afterPosition, const Chunk& spot) {
    r.log.write("Read Spot Light Chunk ....... \n");
    auto* s = new SceneSpotLight;
    Append(r.scene, s);
    r.lastSpotLight = s;
    s->name = r.currentName;
    s->nodeId = static_cast<int16_t>(r.nodeCounter);
    StoreExchanged(position, s->position);
    r.log.write(" X: %f  Y: %f  Z:%f \n", s->position[0], s->position[1], s->position[2]);
    ReadLightColour(r, light, afterPosition, s->colour);

    ByteCursor cursor(r.data, spot.dataOffset(), spot.end);
    float values[5];
    if (cursor.floats(values, 5)) {
        StoreExchanged(values, s->target);
        r.log.write(" X: %f  Y: %f  Z:%f \n", s->target[0], s->target[1], s->target[2]);
        s->hotspot = values[3];
        r.log.write(" Hotspot : %f \n", s->hotspot);
        s->falloff = values[4];
        r.log.write(" Falloff : %f \n", s->falloff);
    } else {
        r.error(spot.offset,
                "spot light chunk 0x4610 holds %zu bytes, 20 needed; no target or cone",
                cursor.remaining());
    }
    r.nodeCounter = static_cast<uint16_t>(r.nodeCounter + 2);
}

void ReadLight(Scene3dsReader& r, const Chunk& light) {
    ByteCursor cursor(r.data, light.dataOffset(), light.end);
    float position[3];
    if (!cursor.floats(position, 3)) {
        r.error(light.offset, "light chunk 0x4600 holds no position; light %s dropped",
                r.currentName.c_str());
        return;
    }
    // The kind is decided by the fifth nested chunk: a spot light has its 0x4610 there.
    ChildWalk walk(r, cursor.offset(), light.end, chunk::kLight);
    Chunk fifth;
    bool hasFifth = walk.skip(4) && walk.next(fifth);
    if (hasFifth) r.log.write(" %x \n", static_cast<unsigned>(fifth.id));
    if (hasFifth && fifth.id == chunk::kSpotLight) {
        ReadSpotLight(r, light, position, cursor.offset(), fifth);
    } else {
        ReadOmniLight(r, light, position, cursor.offset());
    }
}

void ReadCamera(Scene3dsReader& r, const Chunk& c) {
    r.log.write("Read CAMERA data........... \n");
    auto* camera = new SceneCamera;
    Append(r.scene, camera);
    r.lastCamera = camera;
    camera->name = r.currentName;
    r.log.write("Camera Name: %s \n ", camera->name.c_str());
    camera->nodeId = static_cast<int16_t>(r.nodeCounter);
    ByteCursor cursor(r.data, c.dataOffset(), c.end);
    float values[8];
    if (cursor.floats(values, 8)) {
        StoreExchanged(&values[0], camera->position);
        StoreExchanged(&values[3], camera->target);
        camera->roll = values[6];
        camera->fov = values[7];
    } else {
        r.error(c.offset,
                "camera chunk 0x4700 holds %zu bytes, 32 needed; camera left at the origin",
                cursor.remaining());
    }
    ++r.scene.cameraCount;
}

void ReadNamedObject(Scene3dsReader& r, const Chunk& c) {
    ByteCursor cursor(r.data, c.dataOffset(), c.end);
    std::string_view name;
    if (!r.readName(cursor, name, chunk::kNamedObject)) return;
    r.currentName = r.takeName(name, c.dataOffset());
    // Only the chunk right after the name decides what the object is.
    if (cursor.remaining() == 0) return;
    Chunk kind;
    if (!r.chunkAt(cursor.offset(), c.end, chunk::kNamedObject, kind)) return;
    switch (kind.id) {
        case chunk::kTriangleMesh:
            ReadTriangleMesh(r, kind);
            ++r.nodeCounter;
            break;
        case chunk::kLight:
            ReadLight(r, kind);
            break;
        case chunk::kCamera:
            ReadCamera(r, kind);
            r.nodeCounter = static_cast<uint16_t>(r.nodeCounter + 2);
            break;
        default:
            break;
    }
}

// Reports a main chunk whose stored length does not fit the file.
void CheckMainLength(Scene3dsReader& r) {
    if (r.size < kChunkHeaderSize) {
        r.error(0, "the file has %zu bytes, fewer than the main chunk's 6-byte header", r.size);
        return;
    }
    const uint32_t length = LoadU32(r.data + 2);
    if (length < kChunkHeaderSize) {
        r.error(2,
                "main chunk length %u is below its 6-byte header; reading to the end of the file",
                length);
    } else if (length > r.size) {
        r.error(2,
                "main chunk length %u runs past the end of the file (%zu bytes); reading what is "
                "there",
                length, r.size);
    }
}

}  // namespace

void ReadEditorSection(Scene3dsReader& r) {
    r.log.write("Read data from 3D STUDIO file......... ... .  \n");
    if (!r.magicOk) {
        r.log.write("Error in 3ds file !!! \n");
        return;
    }
    CheckMainLength(r);

    ChildWalk search(r, kChunkHeaderSize, r.mainEnd, chunk::kMain);
    Chunk editor;
    bool found = false;
    while (!found && search.next(editor)) found = editor.id == chunk::kEditor;
    if (!found) {
        r.error(kChunkHeaderSize, "no editor chunk 0x3D3D in the main chunk; no objects read");
        return;
    }

    r.log.write("Reading objects ..... . . .. \n");
    r.log.write("\n");
    ChildWalk walk(r, editor.dataOffset(), editor.end, chunk::kEditor);
    Chunk c;
    while (walk.next(c)) {
        if (c.id == chunk::kNamedObject) {
            ReadNamedObject(r, c);
        } else if (c.id == chunk::kMaterial) {
            ReadMaterial(r, c);
        }
    }
}

}  // namespace scene3ds
