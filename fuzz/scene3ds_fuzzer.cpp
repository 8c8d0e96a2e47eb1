// Fuzzes the .3ds loader on file images in memory, then sets up and samples every track of
// what it built, as preparation and drawing would.
#include <cstddef>
#include <cstdint>

#include "scene/Track.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"

namespace {

// A fatal scene error must not end the fuzzing run; the loader stops that load instead.
void KeepRunning(int) {}

template <typename Key, typename Sampler>
void Sample(const Track<Key>& track, Sampler sample) {
    for (float frame : {-1.0f, 0.0f, 0.5f, 7.0f, 1e6f}) sample(track, frame);
}

void Exercise(Scene& scene) {
    using namespace scene;
    for (SceneObject* o = scene.objects; o; o = o->next) {
        SetupVectorTrack(o->positionTrack);
        SetupVectorTrack(o->scaleTrack);
        SetupRotationTrack(o->rotationTrack);
        Sample(o->positionTrack, SampleVectorTrack);
        Sample(o->scaleTrack, SampleVectorTrack);
        Sample(o->rotationTrack, SampleRotationTrack);
        Material* material = scene3ds::ResolveMaterial(scene, o->materialName);
        (void)material;
        // Faces must name existing vertices.
        for (uint16_t index : o->faces) {
            if (index >= o->vertexCount) __builtin_trap();
        }
    }
    for (SceneCamera* c = scene.cameras; c; c = c->next) {
        SetupVectorTrack(c->positionTrack);
        SetupVectorTrack(c->targetTrack);
        SetupScalarTrack(c->rollTrack);
        SetupScalarTrack(c->fovTrack);
        Sample(c->fovTrack, SampleScalarTrack);
        Sample(c->targetTrack, SampleVectorTrack);
    }
    for (SceneLight* l = scene.omniLights; l; l = l->next) {
        SetupVectorTrack(l->colourTrack);
        Sample(l->colourTrack, SampleVectorTrack);
    }
    for (SceneSpotLight* s = scene.spotLights; s; s = s->next) {
        SetupScalarTrack(s->hotspotTrack);
        SetupScalarTrack(s->falloffTrack);
        Sample(s->hotspotTrack, SampleScalarTrack);
        Sample(s->falloffTrack, SampleScalarTrack);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scene3ds::SceneLogPath = "/dev/null";
    scene3ds::SceneExitHook = &KeepRunning;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Scene scene;
    Load3dsSceneFromMemory("fuzz.3ds", data, size, scene);
    Exercise(scene);
    return 0;
}
