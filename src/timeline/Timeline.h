// The timeline: once per frame it reads the soundtrack position, draws every segment whose
// window holds it into the frame target, has the glow copy the frame to the back buffer with
// a blurred copy added, lays the direct overlays on top (people and end pictures, picture
// cuts, flashes, the frame-rate counter while Space is held), presents, and ticks the frame
// clock.
//
// Scheduling is by soundtrack position only; within a segment motion runs on the segment's
// own timer, started on its first frame. Everything that carries over from frame to frame is
// in the ShowState the caller passes; the timeline itself holds none of it.
#pragma once

#include <cstdint>

#include "effects/objects/RenderTarget.h"
#include "gfx/RenderDevice.h"
#include "timeline/Schedule.h"
#include "timeline/ShowState.h"

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

    // One frame at the soundtrack's position, from reading it to ticking the frame clock.
    void Frame(ShowState& show);
    // The same at a position the caller gives (a run on the virtual clock).
    void FrameAt(ShowState& show, uint32_t position);

    // The pieces of a frame, in the order FrameAt runs them (public for tests).
    void DrawSegments(ShowState& show);
    void DrawDirectOverlays(ShowState& show);

    void SegmentA(ShowState& show);
    void SegmentB(ShowState& show);
    void SegmentC(ShowState& show);
    void SegmentD(ShowState& show);
    void SegmentE(ShowState& show);
    void SegmentF(ShowState& show);
    void SegmentG(ShowState& show);
    void SegmentH(ShowState& show);
    void SegmentI(ShowState& show);
    void SegmentJ(ShowState& show);
    void PictureCuts(ShowState& show);
    void FlashesAndCounter(ShowState& show);

    // Off, the segments skip the scene effects (water, screen, metal and the shader scenes)
    // and draw only their pictures, sprites and flashes: the frame-time harness measures
    // what the overlays and the glow cost on their own this way.
    bool drawScenes = true;
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

}  // namespace timeline
