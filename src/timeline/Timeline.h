// The timeline: once per frame it reads the soundtrack position, draws every segment whose
// window holds it into the frame target, copies the frame to the back buffer with a blurred
// glow added, lays the direct overlays on top (people and end pictures, picture cuts,
// flashes, the frame-rate counter while Space is held), presents, and ticks the frame clock.
//
// Scheduling is by soundtrack position only; within a segment motion runs on the segment's
// own timer, started on its first frame. What carries over from frame to frame: the timers,
// shotIndex, speedFactor and cutPending (advanced by the picture cuts, never reset), and the
// picture screen scene's screenCounter (kept by that scene, effects::screenScene).
#pragma once

#include <cstdint>

#include "effects/objects/RenderTarget.h"
#include "gfx/RenderDevice.h"
#include "timeline/SceneTimer.h"
#include "timeline/Schedule.h"

namespace timeline {

// The pictures the timeline binds itself, loaded by the load routine.
struct ShowPictures {
    IDirect3DTexture8* title = nullptr;  // "!textures\mirrane.jpeg"
    IDirect3DTexture8* cuts[kCutCount] = {};
    IDirect3DTexture8* people = nullptr;  // "!textures\p_zo_people.jpg"
    IDirect3DTexture8* stagi = nullptr;
    IDirect3DTexture8* p3 = nullptr;
    IDirect3DTexture8* gret[4] = {};
    IDirect3DTexture8* inserts[5] = {};  // "!textureswstawka1.jpg" ... 5
    IDirect3DTexture8* endScreen = nullptr;
    IDirect3DTexture8* p1 = nullptr;
};

class Timeline {
  public:
    virtual ~Timeline() = default;

    // One frame, from reading the position to ticking the frame clock.
    void Frame();

    // The pieces of a frame, in the order Frame runs them (public for tests).
    void DrawSegments();
    void Glow();
    void DrawDirectOverlays();

    void SegmentA();
    void SegmentB();
    void SegmentC();
    void SegmentD();
    void SegmentE();
    void SegmentF();
    void SegmentG();
    void SegmentH();
    void SegmentI();
    void SegmentJ();
    void PictureCuts();
    void FlashesAndCounter();

    // Off, the segments skip the scene effects (water, screen, metal and the shader scenes)
    // and draw only their pictures, sprites and flashes: the frame-time harness measures
    // what the overlays and the glow cost on their own this way.
    bool drawScenes = true;

    uint32_t position = 0;  // read at the start of the frame
    int32_t shotIndex = 0;  // picture cuts completed (0..7)
    float speedFactor = 0.7f;
    int32_t cutPending[kCutCount] = {1, 1, 1, 1, 1, 1, 1};

    // Segment timers (segment D's is the picture screen scene's clip timer).
    SceneTimer timerA, timerB, timerC, timerE, timerF, timerG, timerH, timerI, timerJ;
    SceneTimer peopleFadeOut;  // segment E
    SceneTimer strengthRamp;   // segment G
    SceneTimer fadeTimer;      // segment H
    SceneTimer cutTimers[kCutCount];
};

// The process-wide timeline, its render targets and its pictures.
extern Timeline theTimeline;
extern effects::RenderTarget FrameTarget;
extern effects::RenderTarget GlowTargetA;
extern effects::RenderTarget GlowTargetB;
extern ShowPictures showPictures;

// The frame's soundtrack position: the player's byte position, held at the largest 32-bit
// value beyond it (a track would have to play for hours to get there).
uint32_t ReadSoundtrackPosition();

// Glow strength set by the segments: the glow's screen effect quad's `strength`.
void SetGlowStrength(float strength);

}  // namespace timeline
