#include "app/PlayerOverlay.h"

#include <SDL.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include <algorithm>

#include "app/PlayerLabels.h"

namespace app {

namespace {

constexpr const char* kGlslVersion = "#version 330 core";
constexpr auto kNoticeTime = std::chrono::seconds(1);
constexpr float kMargin = 10.0f;
constexpr float kLaneHeight = 18.0f;

// One colour per segment, in schedule order.
constexpr ImU32 kSegmentColours[kSegmentLabelCount] = {
    IM_COL32(200, 170, 60, 255),  IM_COL32(60, 120, 200, 255),  IM_COL32(90, 160, 210, 255),
    IM_COL32(170, 90, 190, 255),  IM_COL32(200, 90, 80, 255),   IM_COL32(80, 170, 110, 255),
    IM_COL32(210, 130, 50, 255),  IM_COL32(130, 130, 150, 255), IM_COL32(220, 180, 170, 255),
    IM_COL32(230, 230, 230, 255),
};

}  // namespace

uint64_t PositionOnBar(float x, float width, uint64_t length, uint64_t bytesPerFrame) {
    if (width <= 0.0f || length == 0) return 0;
    const double fraction = std::clamp(static_cast<double>(x) / width, 0.0, 1.0);
    const uint64_t bpf = std::max<uint64_t>(bytesPerFrame, 1);
    const uint64_t frames = length / bpf;
    return std::min(static_cast<uint64_t>(fraction * static_cast<double>(frames)), frames) * bpf;
}

std::unique_ptr<PlayerOverlay> PlayerOverlay::Create(SDL_Window* window, std::string* error) {
    std::unique_ptr<PlayerOverlay> overlay(new PlayerOverlay());
    ImGuiContext* previous = ImGui::GetCurrentContext();
    overlay->imgui_ = ImGui::CreateContext();
    ImGui::SetCurrentContext(overlay->imgui_);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    // The player shows and hides the cursor itself: the show keeps it hidden.
    io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;
    ImGui::StyleColorsDark();
    ImGui::GetStyle().WindowRounding = 4.0f;
    overlay->platformReady_ = ImGui_ImplSDL2_InitForOpenGL(window, nullptr);
    overlay->rendererReady_ = overlay->platformReady_ && ImGui_ImplOpenGL3_Init(kGlslVersion);
    ImGui::SetCurrentContext(previous);
    if (!overlay->rendererReady_) {
        if (error) *error = "ImGui's SDL or OpenGL back end could not start";
        return nullptr;
    }
    return overlay;
}

PlayerOverlay::~PlayerOverlay() {
    if (!imgui_) return;
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(imgui_);
    if (rendererReady_) ImGui_ImplOpenGL3_Shutdown();
    if (platformReady_) ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(imgui_);
    ImGui::SetCurrentContext(previous == imgui_ ? nullptr : previous);
}

void PlayerOverlay::HandleEvent(const SDL_Event& event) {
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(imgui_);
    ImGui_ImplSDL2_ProcessEvent(&event);
    ImGui::SetCurrentContext(previous);
}

void PlayerOverlay::ShowNotice(std::string text) {
    notice_ = std::move(text);
    noticeUntil_ = std::chrono::steady_clock::now() + kNoticeTime;
}

std::optional<uint64_t> PlayerOverlay::TakeSeekRequest() {
    std::optional<uint64_t> request = seekRequest_;
    seekRequest_.reset();
    return request;
}

void PlayerOverlay::Draw(int width, int height, const PlayerView& view) {
    const bool notice = !notice_.empty() && std::chrono::steady_clock::now() < noticeUntil_;
    if (!visible_ && !notice) return;
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(imgui_);
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    // The drawable size decides; the platform back end only knows the window's.
    ImGuiIO& io = ImGui::GetIO();
    if (io.DisplaySize.x <= 0 || io.DisplaySize.y <= 0) {
        io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
        io.DisplayFramebufferScale = ImVec2(1, 1);
    }
    ImGui::NewFrame();
    if (visible_) DrawPanel(view);
    if (notice) {
        ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x - kMargin, kMargin), ImGuiCond_Always,
                                ImVec2(1, 0));
        ImGui::SetNextWindowBgAlpha(0.6f);
        ImGui::Begin("##notice", nullptr,
                     ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                         ImGuiWindowFlags_NoInputs | ImGuiWindowFlags_NoSavedSettings |
                         ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav);
        ImGui::TextUnformatted(notice_.c_str());
        ImGui::End();
    }
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    ImGui::SetCurrentContext(previous);
    ++framesDrawn_;
}

void PlayerOverlay::DrawPanel(const PlayerView& view) {
    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(kMargin, io.DisplaySize.y - kMargin), ImGuiCond_Always,
                            ImVec2(0, 1));
    ImGui::SetNextWindowSize(ImVec2(std::max(io.DisplaySize.x - 2 * kMargin, 100.0f), 0));
    ImGui::SetNextWindowBgAlpha(0.75f);
    ImGui::Begin("##player", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoFocusOnAppearing |
                     ImGuiWindowFlags_NoNav);
    ImGui::Text("%s / %s%s", FormatPosition(view.position, view.format).c_str(),
                FormatPosition(view.length, view.format).c_str(), view.paused ? "   paused" : "");
    ImGui::SameLine(0, 30);
    ImGui::Text("byte %llu", static_cast<unsigned long long>(view.position));
    ImGui::Text("Segments: %s", SegmentsAt(view.position).c_str());
    ImGui::SameLine(0, 30);
    ImGui::Text("Frame %.1f ms, %.1f fps", view.frameMs, view.framesPerSecond);
    ImGui::SameLine(0, 30);
    ImGui::TextUnformatted(AvOffsetText(view.avOffsetMs, view.latencyMs).c_str());
    if (!view.canSeek) ImGui::TextDisabled("Seeking is not available in this presentation");
    DrawBar(view);
    ImGui::End();
}

void PlayerOverlay::DrawBar(const PlayerView& view) {
    const float width = std::max(ImGui::GetContentRegionAvail().x, 1.0f);
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const ImVec2 size(width, 2 * kLaneHeight + 6);
    ImGui::InvisibleButton("##timeline", size);
    barArea_ = {origin.x, origin.y, size.x, size.y};
    if (ImGui::IsItemActive() && view.length > 0 && view.canSeek) {
        const uint64_t target = PositionOnBar(ImGui::GetIO().MousePos.x - origin.x, width,
                                              view.length, view.format.bytesPerFrame());
        // A drag asks again only where the pointer has moved to another position.
        if (target != lastDragTarget_) seekRequest_ = target;
        lastDragTarget_ = target;
    } else {
        lastDragTarget_.reset();
    }

    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(origin, ImVec2(origin.x + size.x, origin.y + size.y),
                        IM_COL32(30, 30, 30, 230));
    if (view.length == 0) return;
    const double length = static_cast<double>(view.length);
    auto xOf = [&](double position) {
        return origin.x + static_cast<float>(std::clamp(position / length, 0.0, 1.0)) * width;
    };
    for (int i = 0; i < kSegmentLabelCount; ++i) {
        const SegmentLabel& s = kSegmentLabels[i];
        const double from = static_cast<double>(std::max<int64_t>(s.window.after, 0));
        const double to = static_cast<double>(s.window.before);
        const float x0 = xOf(from), x1 = std::max(xOf(to), x0 + 1.0f);
        const float y0 = origin.y + 2 + s.lane * (kLaneHeight + 2);
        draw->AddRectFilled(ImVec2(x0, y0), ImVec2(x1, y0 + kLaneHeight), kSegmentColours[i]);
        const char letter[2] = {s.letter, 0};
        if (x1 - x0 > 10) draw->AddText(ImVec2(x0 + 3, y0 + 2), IM_COL32(0, 0, 0, 255), letter);
    }
    const float x = xOf(static_cast<double>(view.position));
    draw->AddLine(ImVec2(x, origin.y), ImVec2(x, origin.y + size.y), IM_COL32(255, 255, 255, 255),
                  2.0f);
}

}  // namespace app
