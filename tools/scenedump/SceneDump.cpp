#include "SceneDump.h"

#include <cstdio>
#include <map>
#include <set>
#include <vector>

namespace {

std::string Number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string Triple(const float v[3]) {
    return "(" + Number(v[0]) + ", " + Number(v[1]) + ", " + Number(v[2]) + ")";
}

std::string NameOr(const scene3ds::SceneName& name, const char* none = "-") {
    return name.isSet() ? name.str() : none;
}

template <typename Key>
std::string Keys(const Track<Key>& track) {
    return std::to_string(track.keys.size());
}

void DumpObjects(const Scene& scene, std::ostream& out) {
    out << "Objects:\n";
    for (const SceneObject* o = scene.objects; o; o = o->next) {
        out << "  " << NameOr(o->name) << "  node " << o->nodeId << "  parent " << o->parentId
            << "  vertices " << o->vertexCount << "  faces " << o->faceCount << "  material "
            << NameOr(o->materialName) << "  pivot " << Triple(o->pivot);
        if (o->isEmitter) out << "  emitter";
        if (o->vertexCount == 0 && o->faceCount == 0) out << "  (no geometry)";
        out << "\n    keys: position " << Keys(o->positionTrack) << ", rotation "
            << Keys(o->rotationTrack) << ", scale " << Keys(o->scaleTrack) << "\n";
    }
}

void DumpMaterials(const Scene& scene, std::ostream& out) {
    out << "Materials:\n";
    for (const Material* m = scene.materials; m; m = m->next) {
        out << "  " << NameOr(m->name) << "  ambient " << Triple(m->ambient) << "  diffuse "
            << Triple(m->diffuse) << "  specular " << Triple(m->specular) << "\n    shininess "
            << Number(m->shininess) << "  strength " << Number(m->shininessStrength) << "  opacity "
            << Number(m->opacity) << "  texture " << NameOr(m->textureName) << "  opacity map "
            << NameOr(m->opacityMapName);
        if (m->transparent) out << "  transparent";
        if (m->sphereMapped) out << "  sphere-mapped";
        out << "\n";
    }
}

void DumpCameras(const Scene& scene, std::ostream& out) {
    out << "Cameras:\n";
    for (const SceneCamera* c = scene.cameras; c; c = c->next) {
        out << "  " << NameOr(c->name) << "  node " << c->nodeId << "  position "
            << Triple(c->position) << "  target " << Triple(c->target) << "  roll "
            << Number(c->roll) << "  lens " << Number(c->fov) << "\n    keys: position "
            << Keys(c->positionTrack) << ", target " << Keys(c->targetTrack) << ", roll "
            << Keys(c->rollTrack) << ", fov " << Keys(c->fovTrack) << "\n";
    }
}

void DumpLights(const Scene& scene, std::ostream& out) {
    out << "Omni lights:\n";
    for (const SceneLight* l = scene.omniLights; l; l = l->next) {
        out << "  " << NameOr(l->name) << "  node " << l->nodeId << "  position "
            << Triple(l->position) << "  colour " << Triple(l->colour);
        if (l->isFlare) out << "  flare";
        out << "\n    keys: position " << Keys(l->positionTrack) << ", colour "
            << Keys(l->colourTrack) << "\n";
    }
    out << "Spot lights:\n";
    for (const SceneSpotLight* s = scene.spotLights; s; s = s->next) {
        out << "  " << NameOr(s->name) << "  node " << s->nodeId << "  position "
            << Triple(s->position) << "  target " << Triple(s->target) << "  hotspot "
            << Number(s->hotspot) << "  falloff " << Number(s->falloff) << "  colour "
            << Triple(s->colour) << "\n    keys: position " << Keys(s->positionTrack) << ", target "
            << Keys(s->targetTrack) << ", hotspot " << Keys(s->hotspotTrack) << ", falloff "
            << Keys(s->falloffTrack) << "\n";
    }
}

// Objects under their parents; an object whose parent is no object's node is a root.
void DumpNodeTree(const Scene& scene, std::ostream& out) {
    std::multimap<int16_t, const SceneObject*> children;
    std::set<int16_t> nodeIds;
    for (const SceneObject* o = scene.objects; o; o = o->next) nodeIds.insert(o->nodeId);
    std::vector<const SceneObject*> roots;
    for (const SceneObject* o = scene.objects; o; o = o->next) {
        if (o->parentId != o->nodeId && nodeIds.count(o->parentId)) {
            children.emplace(o->parentId, o);
        } else {
            roots.push_back(o);
        }
    }
    out << "Node tree:\n";
    std::set<const SceneObject*> shown;
    const auto show = [&](const auto& self, const SceneObject* o, int depth) -> void {
        out << std::string(2 * depth + 2, ' ') << NameOr(o->name) << " (" << o->nodeId << ")";
        if (!shown.insert(o).second) {
            out << " ...\n";
            return;
        }
        out << "\n";
        const auto range = children.equal_range(o->nodeId);
        for (auto it = range.first; it != range.second; ++it) self(self, it->second, depth + 1);
    };
    for (const SceneObject* root : roots) show(show, root, 0);
    // Objects caught in a parent cycle are reachable from no root.
    for (const SceneObject* o = scene.objects; o; o = o->next) {
        if (!shown.count(o)) show(show, o, 0);
    }
}

}  // namespace

void DumpScene(const Scene& scene, const std::string& title, std::ostream& out) {
    int flares = 0;
    for (const SceneLight* l = scene.omniLights; l; l = l->next) flares += l->isFlare ? 1 : 0;
    int spots = 0;
    for (const SceneSpotLight* s = scene.spotLights; s; s = s->next) ++spots;
    int materials = 0;
    for (const Material* m = scene.materials; m; m = m->next) ++materials;
    int nodes = 0;
    for (const SceneObject* o = scene.objects; o; o = o->next) ++nodes;

    out << "Scene " << title << ": " << scene.objectCount << " meshes (" << scene.emitterCount
        << " emitters), " << nodes - scene.objectCount << " keyframer-only objects, " << materials
        << " materials, " << scene.cameraCount << " cameras, " << scene.omniLightCount
        << " omni lights (" << flares << " flares), " << spots << " spot lights; frames "
        << scene.firstFrame << ".." << scene.lastFrame << "\n";
    DumpObjects(scene, out);
    DumpMaterials(scene, out);
    DumpCameras(scene, out);
    DumpLights(scene, out);
    DumpNodeTree(scene, out);
}
