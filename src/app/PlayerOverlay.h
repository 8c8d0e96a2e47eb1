// The player's overlay, drawn with Dear ImGui into the window over the presented picture
// (never into the back buffer): position, segments in force, frame time and rate, the A/V
// offset, and a timeline bar with the segment windows marked, on which a click or a drag asks
// for a seek. Hidden until shown; a notice (the A/V offset after [ or ]) shows for a second in
// the top-right corner either way.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio/Mp3Decoder.h"

struct ImGuiContext;
struct SDL_Window;
union SDL_Event;

namespace app {

// What the overlay shows of the player.
struct PlayerView {
    uint64_t position = 0;  // the frame on screen
    uint64_t length = 0;    // of the soundtrack; 0 while unknown
    audio::TrackFormat format;
    bool paused = false;
    double frameMs = 0.0;          // the last frame's time
    double framesPerSecond = 0.0;  // averaged
    int avOffsetMs = 0;
    int latencyMs = 0;
    bool canSeek = false;
};

// The position under `x` pixels from the left of a bar `width` pixels wide that spans
// [0, length), in whole sample frames of `bytesPerFrame`; held to the bar's ends.
uint64_t PositionOnBar(float x, float width, uint64_t length, uint64_t bytesPerFrame);

class PlayerOverlay {
  public:
    // With the GL context of `window` current. Null with a reason when ImGui's renderer cannot
    // start.
    static std::unique_ptr<PlayerOverlay> Create(SDL_Window* window, std::string* error);
    // Needs the same GL context current.
    ~PlayerOverlay();
    PlayerOverlay(const PlayerOverlay&) = delete;
    PlayerOverlay& operator=(const PlayerOverlay&) = delete;

    // Mouse and window events for ImGui.
    void HandleEvent(const SDL_Event& event);

    // Into the framebuffer bound now, `width` x `height` pixels. Nothing at all is drawn
    // while hidden without a notice.
    void Draw(int width, int height, const PlayerView& view);

    void setVisible(bool visible) { visible_ = visible; }
    bool visible() const { return visible_; }
    void ShowNotice(std::string text);

    // The position a click or drag on the bar asked for since the last call.
    std::optional<uint64_t> TakeSeekRequest();

    // Frames that drew anything, and where the bar was drawn last, in window coordinates
    // (tests).
    uint64_t framesDrawn() const { return framesDrawn_; }
    struct Area {
        float x = 0, y = 0, width = 0, height = 0;
    };
    Area barArea() const { return barArea_; }

  private:
    PlayerOverlay() = default;
    void DrawPanel(const PlayerView& view);
    void DrawBar(const PlayerView& view);

    ImGuiContext* imgui_ = nullptr;
    bool platformReady_ = false;
    bool rendererReady_ = false;
    bool visible_ = false;
    std::string notice_;
    std::chrono::steady_clock::time_point noticeUntil_{};
    std::optional<uint64_t> seekRequest_;
    std::optional<uint64_t> lastDragTarget_;
    uint64_t framesDrawn_ = 0;
    Area barArea_;
};

}  // namespace app
