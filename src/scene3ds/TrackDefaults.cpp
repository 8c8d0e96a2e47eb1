// Tracks the keyframer section left empty get one key holding the record's loaded value, so
// that every track can be set up and sampled.
#include "scene3ds/Scene3dsReader.h"

namespace scene3ds {

namespace {

void FillVector(Track<VectorKey>& track, float x, float y, float z) {
    if (track.filled()) return;
    track.reset(1);
    track.keys[0].value = {x, y, z};
}

void FillVector(Track<VectorKey>& track, const float value[3]) {
    FillVector(track, value[0], value[1], value[2]);
}

void FillScalar(Track<ScalarKey>& track, float value) {
    if (track.filled()) return;
    track.reset(1);
    track.keys[0].value = value;
}

void FillIdentity(Track<RotationKey>& track) {
    if (track.filled()) return;
    track.reset(1);
    track.keys[0].quaternion = {0.0f, 0.0f, 0.0f, 1.0f};
}

}  // namespace

void FillMissingTracks(Scene& scene) {
    for (SceneObject* o = scene.objects; o; o = o->next) {
        FillVector(o->positionTrack, 0.0f, 0.0f, 0.0f);
        FillVector(o->scaleTrack, 1.0f, 1.0f, 1.0f);
        FillIdentity(o->rotationTrack);
    }
    for (SceneCamera* c = scene.cameras; c; c = c->next) {
        FillVector(c->positionTrack, c->position);
        FillVector(c->targetTrack, c->target);
        FillScalar(c->rollTrack, c->roll);
        FillScalar(c->fovTrack, c->fov);
    }
    for (SceneLight* l = scene.omniLights; l; l = l->next) {
        FillVector(l->positionTrack, l->position);
        // Colour keys hold red, blue, green, as a colour track read from the file does.
        FillVector(l->colourTrack, l->colour[0], l->colour[2], l->colour[1]);
    }
    for (SceneSpotLight* s = scene.spotLights; s; s = s->next) {
        FillVector(s->positionTrack, s->position);
        FillVector(s->targetTrack, s->target);
        FillScalar(s->hotspotTrack, s->hotspot);
        FillScalar(s->falloffTrack, s->falloff);
    }
}

}  // namespace scene3ds
