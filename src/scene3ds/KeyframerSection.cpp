// The keyframer pass: frame range, then every node's tracks, matched to the editor records
// by name, plus the object hierarchy. Objects found only here are appended without geometry.
#include <cstdint>
#include <string>

#include "scene3ds/Scene3dsReader.h"

namespace scene3ds {

namespace {

// A frame for the integer log lines, kept inside int's range.
int FrameAsInt(float frame) {
    if (!(frame > -2147483648.0f)) return INT32_MIN;
    if (!(frame < 2147483648.0f)) return INT32_MAX;
    return static_cast<int>(frame);
}

// The name at the start of a node header chunk 0xB010; the cursor is left after it.
bool ReadNodeName(Scene3dsReader& r, const Chunk& header, ByteCursor& cursor, std::string& name) {
    cursor = ByteCursor(r.data, header.dataOffset(), header.end);
    std::string_view text;
    if (!r.readName(cursor, text, header.id)) return false;
    name.assign(text);
    return true;
}

void ReadNodeId(Scene3dsReader& r, const Chunk& c) {
    ByteCursor cursor(r.data, c.dataOffset(), c.end);
    uint16_t id;
    if (!cursor.u16(id)) {
        r.error(c.offset, "node number chunk 0xB030 holds fewer than 2 bytes");
        return;
    }
    r.currentNodeId = id;
    r.log.write("Object ID: %d \n", static_cast<int>(id));
}

// Selects (or creates) the object the node animates and sets its node number and parent.
SceneObject* ReadObjectHeader(Scene3dsReader& r, const Chunk& header) {
    ByteCursor cursor(r.data, header.dataOffset(), header.end);
    std::string name;
    if (!ReadNodeName(r, header, cursor, name)) return nullptr;
    r.log.write("Obj.track name: %s \n", name.c_str());
    const SceneName key = r.takeName(name, header.dataOffset());
    SceneObject* object = FindObject(r.scene, key);
    if (!object) {
        // A node without a mesh (a dummy): an object with tracks and no geometry.
        object = new SceneObject;
        Append(r.scene, object);
        r.lastObject = object;
        object->name = key;
    }
    object->nodeId = static_cast<int16_t>(r.currentNodeId);
    uint16_t parent;
    if (cursor.skip(4) && cursor.u16(parent)) {
        object->parentId = static_cast<int16_t>(parent);
        r.log.write("Obj. parent ID: %d \n", static_cast<int>(parent));
    } else {
        r.error(header.offset, "node header of %s holds no parent number", name.c_str());
    }
    return object;
}

void ReadPivot(Scene3dsReader& r, const Chunk& c, SceneObject& object) {
    ByteCursor cursor(r.data, c.dataOffset(), c.end);
    float file[3];
    if (!cursor.floats(file, 3)) {
        r.error(c.offset, "pivot chunk 0xB013 holds %zu bytes, 12 needed", cursor.remaining());
        return;
    }
    object.pivot[0] = file[0];
    object.pivot[1] = file[2];
    object.pivot[2] = file[1];
    r.log.write("Obj. Pivot X: %f Y: %f Z: %f \n", object.pivot[0], object.pivot[1],
                object.pivot[2]);
}

void ReadObjectNode(Scene3dsReader& r, const Chunk& node) {
    r.log.write("Read Mesh tracks ..... \n");
    SceneObject* current = nullptr;
    ChildWalk walk(r, node.dataOffset(), node.end, node.id);
    Chunk c;
    while (walk.next(c)) {
        switch (c.id) {
            case chunk::kNodeId:
                ReadNodeId(r, c);
                continue;
            case chunk::kNodeHeader:
                current = ReadObjectHeader(r, c);
                continue;
            case chunk::kPivot:
            case chunk::kPositionTrack:
            case chunk::kRotationTrack:
            case chunk::kScaleTrack:
                break;
            default:
                continue;
        }
        if (!current) {
            r.error(c.offset, "chunk 0x%04X comes before its node's header chunk 0xB010; skipped",
                    c.id);
            continue;
        }
        if (c.id == chunk::kPivot) {
            ReadPivot(r, c, *current);
        } else if (c.id == chunk::kPositionTrack) {
            ReadVectorTrack(r, c, current->positionTrack);
        } else if (c.id == chunk::kRotationTrack) {
            ReadRotationTrack(r, c, current->rotationTrack);
        } else {
            ReadVectorTrack(r, c, current->scaleTrack, "Read Scale Track : \n");
        }
    }
    r.log.write("\n");
}

// Steps over the node number chunk and reads the name of the header chunk after it.
bool ReadFixedNodeName(Scene3dsReader& r, const Chunk& node, ChildWalk& walk, std::string& name) {
    Chunk header;
    ByteCursor cursor(r.data, 0, 0);
    if (!walk.skip(1) || !walk.next(header)) {
        r.error(node.offset, "node chunk 0x%04X holds no header chunk in second place; skipped",
                node.id);
        return false;
    }
    return ReadNodeName(r, header, cursor, name);
}

void ReadCameraNode(Scene3dsReader& r, const Chunk& node) {
    r.log.write("Camera tracks..............    \n");
    ChildWalk walk(r, node.dataOffset(), node.end, node.id);
    std::string name;
    if (!ReadFixedNodeName(r, node, walk, name)) {
        r.lastCamera = nullptr;
        return;
    }
    SceneCamera* camera = FindCamera(r.scene, r.takeName(name, node.dataOffset()));
    // A target node must not attach to a camera other than its own.
    r.lastCamera = camera;
    if (!camera) {
        r.error(node.offset, "camera node names %s, which is no camera of the scene; skipped",
                name.c_str());
        return;
    }
    r.log.write("Cam Name: %s \n", camera->name.c_str());

    Chunk c;
    if (!walk.next(c) || c.id != chunk::kPositionTrack) r.fatal("Error in 3ds file \n");
    ReadVectorTrack(r, c, camera->positionTrack);
    if (!walk.next(c) || c.id != chunk::kFovTrack) r.fatal("Error in 3ds file \n");
    ReadScalarTrack(r, c, camera->fovTrack);
    if (!walk.next(c) || c.id != chunk::kRollTrack) r.fatal("Error in 3ds file \n");
    ReadScalarTrack(r, c, camera->rollTrack);
    r.log.write("\n");
}

void ReadCameraTargetNode(Scene3dsReader& r, const Chunk& node) {
    r.log.write("Camera target track........    \n");
    ChildWalk walk(r, node.dataOffset(), node.end, node.id);
    Chunk c;
    if (!walk.skip(2) || !walk.next(c) || c.id != chunk::kPositionTrack) {
        r.fatal("Error in 3ds file \n");
    }
    if (!r.lastCamera) {
        r.error(node.offset, "camera target node without a camera before it; skipped");
        return;
    }
    ReadVectorTrack(r, c, r.lastCamera->targetTrack);
}

void ReadOmniLightNode(Scene3dsReader& r, const Chunk& node) {
    r.log.write("Omni Light track........    \n");
    ChildWalk walk(r, node.dataOffset(), node.end, node.id);
    std::string name;
    if (!ReadFixedNodeName(r, node, walk, name)) return;
    r.log.write("Light name: %s \n", name.c_str());
    SceneLight* light = FindOmniLight(r.scene, r.takeName(name, node.dataOffset()));
    if (!light) {
        r.error(node.offset,
                "omni light node names %s, which is no omni light of the scene; "
                "skipped",
                name.c_str());
        return;
    }

    // The colour track is taken by position, whatever its id.
    Chunk c;
    if (!walk.next(c)) {
        r.error(node.offset, "omni light node of %s holds no tracks", name.c_str());
        r.log.write("\n");
        return;
    }
    r.log.write("Light Chunk ID: %x \n", static_cast<unsigned>(c.id));
    uint32_t keys;
    if (TrackKeyCount(r, c, keys)) r.log.write(" num_keys: %d \n", static_cast<int>(keys));
    ReadVectorTrack(r, c, light->colourTrack);

    bool found = c.id == chunk::kPositionTrack;
    while (!found && walk.next(c)) found = c.id == chunk::kPositionTrack;
    if (found) {
        ReadVectorTrack(r, c, light->positionTrack);
    } else {
        r.error(node.offset, "omni light node of %s holds no position track 0xB020", name.c_str());
    }
    r.log.write("\n");
}

void ReadSpotLightNode(Scene3dsReader& r, const Chunk& node) {
    r.log.write("Spot Light track........    \n");
    ChildWalk walk(r, node.dataOffset(), node.end, node.id);
    std::string name;
    if (!ReadFixedNodeName(r, node, walk, name)) {
        r.lastSpotLight = nullptr;
        return;
    }
    SceneSpotLight* light = FindSpotLight(r.scene, r.takeName(name, node.dataOffset()));
    r.lastSpotLight = light;
    r.log.write("Spot Light name: %s \n", name.c_str());
    if (!light) {
        r.error(node.offset,
                "spot light node names %s, which is no spot light of the scene; "
                "skipped",
                name.c_str());
        return;
    }

    // Third: position; fourth: not used; fifth: hotspot; sixth: falloff.
    Chunk c;
    bool complete = walk.next(c);
    if (complete) ReadVectorTrack(r, c, light->positionTrack);
    complete = complete && walk.skip(1) && walk.next(c);
    if (complete) {
        r.log.write("CHUNK: %x \n", static_cast<unsigned>(c.id));
        ReadScalarTrack(r, c, light->hotspotTrack);
    }
    complete = complete && walk.next(c);
    if (complete) {
        r.log.write("CHUNK: %x \n", static_cast<unsigned>(c.id));
        ReadScalarTrack(r, c, light->falloffTrack);
    } else {
        r.error(node.offset, "spot light node of %s holds fewer than six chunks", name.c_str());
    }
    for (const ScalarKey& key : light->hotspotTrack.keys) {
        r.log.write(" FRAME: %d , hotspot: %f \n", FrameAsInt(key.frame), key.value);
    }
    for (const ScalarKey& key : light->falloffTrack.keys) {
        r.log.write(" FRAME: %d , falloff: %f \n", FrameAsInt(key.frame), key.value);
    }
}

void ReadSpotTargetNode(Scene3dsReader& r, const Chunk& node) {
    r.log.write("Spot Light Target track........    \n");
    ChildWalk walk(r, node.dataOffset(), node.end, node.id);
    Chunk c;
    if (!walk.skip(2) || !walk.next(c)) {
        r.error(node.offset, "spot target node holds no track in third place; skipped");
        return;
    }
    if (!r.lastSpotLight) {
        r.error(node.offset, "spot target node without a spot light before it; skipped");
        return;
    }
    ReadVectorTrack(r, c, r.lastSpotLight->targetTrack);
}

void ReadFrameRange(Scene3dsReader& r, const Chunk& c) {
    ByteCursor cursor(r.data, c.dataOffset(), c.end);
    int32_t first, last;
    if (!cursor.i32(first) || !cursor.i32(last)) {
        r.error(c.offset, "frame range chunk 0xB008 holds fewer than 8 bytes");
        return;
    }
    r.scene.firstFrame = first;
    r.scene.lastFrame = last;
}

void ReadNodes(Scene3dsReader& r, ChildWalk& walk) {
    Chunk c;
    while (walk.next(c)) {
        switch (c.id) {
            case chunk::kObjectNode:
                ReadObjectNode(r, c);
                break;
            case chunk::kCameraNode:
                ReadCameraNode(r, c);
                break;
            case chunk::kCameraTargetNode:
                ReadCameraTargetNode(r, c);
                break;
            case chunk::kOmniLightNode:
                ReadOmniLightNode(r, c);
                break;
            case chunk::kSpotTargetNode:
                ReadSpotTargetNode(r, c);
                break;
            case chunk::kSpotLightNode:
                ReadSpotLightNode(r, c);
                break;
            default:
                break;
        }
        r.log.write("==================>>>> %x \n", static_cast<unsigned>(c.id));
    }
}

}  // namespace

void ReadKeyframerSection(Scene3dsReader& r) {
    Chunk first;
    if (ReadChunkHeader(r.data, kChunkHeaderSize, r.mainEnd, first) != HeaderStatus::Truncated &&
        first.id == chunk::kEditor) {
        r.fatal("Error in 3ds file !?!?! ");
    }

    ChildWalk search(r, kChunkHeaderSize, r.mainEnd, chunk::kMain);
    Chunk keyframer;
    bool found = false;
    while (!found && search.next(keyframer)) found = keyframer.id == chunk::kKeyframer;
    if (!found) {
        r.error(kChunkHeaderSize, "no keyframer chunk 0xB000 in the main chunk; nothing animated");
        return;
    }

    // Nodes follow the frame range; chunks before it are not nodes.
    ChildWalk walk(r, keyframer.dataOffset(), keyframer.end, chunk::kKeyframer);
    Chunk range;
    found = false;
    while (!found && walk.next(range)) found = range.id == chunk::kFrameRange;
    if (found) {
        ReadFrameRange(r, range);
        ReadNodes(r, walk);
        return;
    }
    r.error(keyframer.offset,
            "keyframer chunk 0xB000 holds no frame range chunk 0xB008; reading its nodes");
    ChildWalk nodes(r, keyframer.dataOffset(), keyframer.end, chunk::kKeyframer);
    ReadNodes(r, nodes);
}

}  // namespace scene3ds
