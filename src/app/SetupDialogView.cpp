#include "app/SetupDialogView.h"

#include <cfloat>
#include <cmath>
#include <filesystem>

namespace app {

namespace {

// A rectangle of the dialog template, in dialog units.
struct Units {
    float x, y, w, h;
};

constexpr Units kOk{14, 104, 36, 14};
constexpr Units kCancel{62, 104, 36, 14};
constexpr Units kResolutionList{13, 19, 89, 95};
constexpr Units kResolutionLabel{27, 11, 70, 8};
constexpr Units kDeviceList{13, 44, 89, 80};
constexpr Units kDeviceLabel{43, 35, 28, 8};
constexpr Units kTripleBuffering{23, 82, 66, 8};
constexpr Units kChooseGroup{7, 2, 102, 122};
constexpr Units kPicture{118, 7, 91, 74};
constexpr Units kTitleGroup{118, 84, 88, 41};
constexpr Units kTitle{124, 96, 75, 8};
constexpr Units kVersion{129, 106, 63, 11};
constexpr Units kWindowed{24, 66, 65, 10};

// A closed drop-down list is about 12 units tall; the rest of its height is the open list.
constexpr float kClosedListUnits = 12;

constexpr ImU32 kFace = IM_COL32(212, 208, 200, 255);
constexpr ImU32 kShadow = IM_COL32(128, 128, 128, 255);
constexpr ImU32 kLight = IM_COL32(255, 255, 255, 255);
constexpr ImU32 kBlack = IM_COL32(0, 0, 0, 255);
const ImVec4 kHighlight{10 / 255.0f, 36 / 255.0f, 106 / 255.0f, 1.0f};

float Px(float units) { return std::round(units * kPixelsPerDialogUnit); }
ImVec2 Min(const Units& u) { return {Px(u.x), Px(u.y)}; }
ImVec2 Max(const Units& u) { return {Px(u.x + u.w), Px(u.y + u.h)}; }
ImVec2 Size(const Units& u) { return {Px(u.w), Px(u.h)}; }

ImVec4 Rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f, 1.0f}; }

void Text(ImDrawList* dl, ImVec2 at, const char* text) {
    dl->AddText({std::floor(at.x), std::floor(at.y)}, kBlack, text);
}

// Text centred across the rectangle, at its top.
void CentredText(ImDrawList* dl, const Units& u, const char* text, bool middle = false) {
    const ImVec2 size = ImGui::CalcTextSize(text);
    const ImVec2 min = Min(u), max = Max(u);
    float y = min.y;
    if (middle) y = min.y + (max.y - min.y - size.y) * 0.5f;
    Text(dl, {min.x + (max.x - min.x - size.x) * 0.5f, y}, text);
}

// An etched frame whose top line runs through the middle of the title.
void GroupBox(ImDrawList* dl, const Units& u, const char* title) {
    const float line = ImGui::GetFontSize() * 0.5f;
    ImVec2 min = Min(u), max = Max(u);
    min.y = std::floor(min.y + line);
    dl->AddRect({min.x + 1, min.y + 1}, {max.x + 1, max.y + 1}, kLight);
    dl->AddRect(min, max, kShadow);
    if (!title) return;
    const ImVec2 size = ImGui::CalcTextSize(title);
    const ImVec2 at{min.x + 8, Min(u).y};
    dl->AddRectFilled({at.x - 2, at.y}, {at.x + size.x + 2, at.y + size.y}, kFace);
    Text(dl, at, title);
}

// A drop-down list of `entries` with the selection `selected`; returns the entry chosen this
// frame, or -1.
template <typename Entries>
int DropDown(const char* id, const Units& u, const Entries& entries, size_t count, int selected) {
    ImGui::SetCursorPos(Min(u));
    ImGui::SetNextItemWidth(Px(u.w));
    const char* preview =
        selected >= 0 && static_cast<size_t>(selected) < count ? entries(selected) : "";
    ImGui::SetNextWindowSizeConstraints({0, 0}, {FLT_MAX, Px(u.h - kClosedListUnits)});
    int chosen = -1;
    if (ImGui::BeginCombo(id, preview)) {
        for (size_t i = 0; i < count; ++i) {
            const int index = static_cast<int>(i);
            const bool isSelected = index == selected;
            ImGui::PushID(index);
            if (isSelected) ImGui::PushStyleColor(ImGuiCol_Text, Rgb(255, 255, 255));
            if (ImGui::Selectable(entries(index), isSelected)) chosen = index;
            if (isSelected) {
                ImGui::PopStyleColor();
                ImGui::SetItemDefaultFocus();
            }
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    return chosen;
}

// A check box whose square is centred on the height of its template rectangle.
bool CheckBox(const char* label, const Units& u, bool checked) {
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, {2, 1});
    const float box = ImGui::GetFrameHeight();
    ImGui::SetCursorPos({Px(u.x), std::round(Px(u.y) + (Px(u.h) - box) * 0.5f)});
    bool value = checked;
    ImGui::Checkbox(label, &value);
    ImGui::PopStyleVar();
    return value;
}

bool PushButton(const char* label, const Units& u, bool isDefault) {
    ImGui::SetCursorPos(Min(u));
    const bool pressed = ImGui::Button(label, Size(u));
    if (isDefault) {
        // The default button's extra black frame.
        const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
        ImGui::GetWindowDrawList()->AddRect({min.x - 1, min.y - 1}, {max.x + 1, max.y + 1}, kBlack);
    }
    return pressed;
}

void Picture(ImDrawList* dl, ImTextureID picture) {
    const ImVec2 min = Min(kPicture), max = Max(kPicture);
    const float side = max.y - min.y;
    const float left = std::round(min.x + (max.x - min.x - side) * 0.5f);
    if (picture) dl->AddImage(picture, {left + 1, min.y + 1}, {left + side - 1, max.y - 1});
    dl->AddRect({left, min.y}, {left + side, max.y}, kShadow);
}

}  // namespace

int DialogPixelWidth() { return static_cast<int>(Px(kDialogWidthUnits)); }

int DialogPixelHeight(const SetupDialog& dialog) {
    return static_cast<int>(Px(kDialogHeightUnits)) +
           (dialog.notice().empty() ? 0 : kNoticeBandHeight);
}

std::string SetupDialogView::Configure() {
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
    // Keyboard navigation needs every key mapped; a platform back end maps them to its own
    // key codes, and without one (headless) they stay on slots no event fills.
    for (int key = 0; key < ImGuiKey_COUNT; ++key) io.KeyMap[key] = key;

    ImGuiStyle& style = ImGui::GetStyle();
    ImGui::StyleColorsLight(&style);
    style.WindowPadding = {0, 0};
    style.WindowRounding = 0;
    style.WindowBorderSize = 0;
    style.PopupRounding = 0;
    style.PopupBorderSize = 1;
    style.FrameRounding = 0;
    style.FrameBorderSize = 1;
    style.FramePadding = {4, 4};
    style.ItemInnerSpacing = {6, 4};
    style.ScrollbarRounding = 0;
    style.ScrollbarSize = 16;
    style.GrabRounding = 0;
    style.AntiAliasedLines = false;
    style.AntiAliasedFill = false;
    ImVec4* c = style.Colors;
    c[ImGuiCol_Text] = Rgb(0, 0, 0);
    c[ImGuiCol_TextDisabled] = Rgb(128, 128, 128);
    c[ImGuiCol_WindowBg] = Rgb(212, 208, 200);
    c[ImGuiCol_PopupBg] = Rgb(255, 255, 255);
    c[ImGuiCol_Border] = Rgb(128, 128, 128);
    c[ImGuiCol_BorderShadow] = {0, 0, 0, 0};
    c[ImGuiCol_FrameBg] = c[ImGuiCol_FrameBgHovered] = c[ImGuiCol_FrameBgActive] =
        Rgb(255, 255, 255);
    c[ImGuiCol_Button] = Rgb(212, 208, 200);
    c[ImGuiCol_ButtonHovered] = Rgb(226, 223, 216);
    c[ImGuiCol_ButtonActive] = Rgb(190, 186, 178);
    c[ImGuiCol_CheckMark] = Rgb(0, 0, 0);
    c[ImGuiCol_Header] = c[ImGuiCol_HeaderActive] = kHighlight;
    c[ImGuiCol_HeaderHovered] = Rgb(200, 210, 235);
    c[ImGuiCol_ScrollbarBg] = Rgb(236, 234, 230);
    c[ImGuiCol_ScrollbarGrab] = Rgb(212, 208, 200);
    c[ImGuiCol_ScrollbarGrabHovered] = c[ImGuiCol_ScrollbarGrabActive] = Rgb(190, 186, 178);
    c[ImGuiCol_NavHighlight] = Rgb(0, 0, 0);

    static const char* const kFonts[] = {
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
        "/usr/share/fonts/TTF/DejaVuSans.ttf",
        "/usr/share/fonts/dejavu/DejaVuSans.ttf",
        "/usr/share/fonts/dejavu-sans-fonts/DejaVuSans.ttf",
    };
    for (const char* path : kFonts) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) continue;
        ImFontConfig config;
        config.OversampleH = 2;
        config.OversampleV = 1;
        if (io.Fonts->AddFontFromFileTTF(path, kDialogFontPixels, &config)) return path;
    }
    ImFontConfig config;
    config.SizePixels = 13.0f;
    io.Fonts->AddFontDefault(&config);
    return {};
}

void SetupDialogView::Draw(SetupDialog& dialog, ImTextureID picture) {
    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos({0, 0});
    ImGui::SetNextWindowSize(io.DisplaySize);
    constexpr ImGuiWindowFlags kFlags =
        ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
        ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoScrollWithMouse;
    ImGui::Begin("##setup", nullptr, kFlags);
    ImDrawList* dl = ImGui::GetWindowDrawList();

    GroupBox(dl, kChooseGroup, "Choose ...");
    GroupBox(dl, kTitleGroup, nullptr);
    Text(dl, Min(kResolutionLabel), "Select Resolution");
    Text(dl, Min(kDeviceLabel), "Device");
    Picture(dl, picture);
    CentredText(dl, kTitle, "Tarn`s Runeplay");
    dl->AddRect(Min(kVersion), Max(kVersion), kBlack);
    CentredText(dl, kVersion, "v1.0b", true);

    // In tab order after the two buttons; drawn first so their lists open over the rest.
    const auto& entries = dialog.resolutionEntries();
    const int resolution = DropDown(
        "##1001", kResolutionList, [&](int i) { return entries[static_cast<size_t>(i)].c_str(); },
        entries.size(), dialog.resolutionSelection());
    if (resolution >= 0) dialog.SelectResolution(resolution);
    const int device = DropDown(
        "##1002", kDeviceList,
        [](int i) { return SetupDialog::kDeviceEntries[static_cast<size_t>(i)]; },
        SetupDialog::kDeviceEntries.size(), dialog.deviceSelection());
    if (device >= 0) dialog.SelectDevice(device);

    dialog.SetTripleBuffering(
        CheckBox("Triple Buffering", kTripleBuffering, dialog.tripleBuffering()));
    dialog.SetWindowed(CheckBox("Windowed", kWindowed, dialog.windowedChecked()));

    if (PushButton("OK", kOk, true)) dialog.Ok();
    if (PushButton("Cancel", kCancel, false)) dialog.Cancel();

    if (!dialog.notice().empty()) {
        const float top = Px(kDialogHeightUnits);
        dl->AddLine({8, top}, {io.DisplaySize.x - 8, top}, kShadow);
        dl->AddLine({8, top + 1}, {io.DisplaySize.x - 8, top + 1}, kLight);
        dl->AddText(ImGui::GetFont(), ImGui::GetFontSize(), {Px(7), top + 6}, kBlack,
                    dialog.notice().c_str(), nullptr, io.DisplaySize.x - Px(14));
    }
    ImGui::End();
    listOpen_ = ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopup);
}

void SetupDialogView::KeyPressed(SetupDialog& dialog, DialogKey key) {
    if (listOpen_) return;
    if (key == DialogKey::Enter)
        dialog.Ok();
    else
        dialog.Cancel();
}

}  // namespace app
