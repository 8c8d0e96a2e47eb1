#include "scene3ds/SceneModel.h"

namespace scene3ds {

std::string ScenePathPrefix;

namespace {

template <typename Record>
void DeleteList(Record* head) {
    while (head) {
        Record* next = head->next;
        delete head;
        head = next;
    }
}

template <typename Record>
void AppendLinked(Record*& head, Record* record) {
    record->next = nullptr;
    if (!head) {
        record->prev = nullptr;
        head = record;
        return;
    }
    Record* tail = head;
    while (tail->next) tail = tail->next;
    tail->next = record;
    record->prev = tail;
}

template <typename Record>
Record* FindByName(Record* head, const SceneName& name) {
    for (Record* r = head; r; r = r->next) {
        if (r->name == name) return r;
    }
    return nullptr;
}

}  // namespace

Scene::~Scene() {
    DeleteList(objects);
    DeleteList(materials);
    DeleteList(omniLights);
    DeleteList(spotLights);
    DeleteList(cameras);
}

void Append(Scene& scene, SceneObject* object) { AppendLinked(scene.objects, object); }
void Append(Scene& scene, SceneCamera* camera) { AppendLinked(scene.cameras, camera); }
void Append(Scene& scene, SceneLight* light) { AppendLinked(scene.omniLights, light); }
void Append(Scene& scene, SceneSpotLight* light) { AppendLinked(scene.spotLights, light); }

void Append(Scene& scene, Material* material) {
    material->next = nullptr;
    Material** link = &scene.materials;
    while (*link) link = &(*link)->next;
    *link = material;
}

Material* ResolveMaterial(const Scene& scene, const SceneName& materialName) {
    if (!materialName) return nullptr;
    Material* bound = scene.materials;
    for (Material* m = scene.materials; m; m = m->next) {
        if (m->name == materialName) bound = m;
    }
    return bound;
}

SceneObject* FindObject(const Scene& scene, const SceneName& name) {
    return FindByName(scene.objects, name);
}
SceneCamera* FindCamera(const Scene& scene, const SceneName& name) {
    return FindByName(scene.cameras, name);
}
SceneLight* FindOmniLight(const Scene& scene, const SceneName& name) {
    return FindByName(scene.omniLights, name);
}
SceneSpotLight* FindSpotLight(const Scene& scene, const SceneName& name) {
    return FindByName(scene.spotLights, name);
}

}  // namespace scene3ds
