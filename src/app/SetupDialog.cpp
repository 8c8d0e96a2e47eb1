#include "app/SetupDialog.h"

namespace app {

SetupDialog::SetupDialog(ModeList modes, DisplaySettings& settings)
    : modes_(std::move(modes)), settings_(settings) {}

void SetupDialog::InitDialog() {
    tripleBuffering_ = true;
    if (!modes_.modes.empty()) {
        resolutionEntries_ = modes_.labels;
    } else if (modes_.desktop) {
        resolutionEntries_ = {modes_.desktopLabel};
        notice_ =
            "The display offers no mode of at least 640 x 480 at 60 Hz; its desktop mode is "
            "offered instead.";
    } else {
        resolutionEntries_.clear();
        notice_ = "The display offers no mode to choose from.";
    }
    resolutionSelection_ = resolutionEntries_.empty() ? -1 : 0;
    for (size_t i = 0; i < modes_.modes.size(); ++i) {
        const DisplayMode& m = modes_.modes[i];
        if (m.width == 800 && m.height == 600 && m.format == D3DFMT_X8R8G8B8)
            resolutionSelection_ = static_cast<int>(i);
    }
    deviceSelection_ = settings_.hardwareVertexProcessing ? kTnlHalDevice : 0;
    settings_.windowed = 0;
}

void SetupDialog::SelectResolution(int index) {
    if (ended_ || index < 0 || static_cast<size_t>(index) >= resolutionEntries_.size()) return;
    resolutionSelection_ = index;
    rememberedResolution_ = index;  // CBN_SELENDOK
}

void SetupDialog::SelectDevice(int index) {
    if (ended_ || index < 0 || static_cast<size_t>(index) >= kDeviceEntries.size()) return;
    deviceSelection_ = index;
}

const DisplayMode* SetupDialog::SelectedMode() const {
    if (resolutionSelection_ < 0) return nullptr;
    const size_t i = static_cast<size_t>(resolutionSelection_);
    if (!modes_.modes.empty()) return i < modes_.modes.size() ? &modes_.modes[i] : nullptr;
    return modes_.desktop && i == 0 ? &*modes_.desktop : nullptr;
}

std::string SetupDialog::SelectedLabel() const {
    return resolutionSelection_ >= 0 &&
                   static_cast<size_t>(resolutionSelection_) < resolutionEntries_.size()
               ? resolutionEntries_[static_cast<size_t>(resolutionSelection_)]
               : std::string();
}

bool SetupDialog::Ok() {
    if (ended_) return false;
    const DisplayMode* mode = SelectedMode();
    if (!mode) {
        notice_ = "No display mode can be chosen: the display offers none.";
        return false;
    }
    if (!UsableBackBufferFormat(mode->format)) {
        notice_ = "The mode " + SelectedLabel() +
                  " cannot be used for drawing; please choose a 16- or 32-bit mode.";
        return false;
    }
    settings_.backBufferCount = tripleBuffering_ ? 2 : 1;
    settings_.windowed = windowedChecked_ ? 1 : 0;
    settings_.width = static_cast<int32_t>(mode->width);
    settings_.height = static_cast<int32_t>(mode->height);
    settings_.refreshRate = mode->refreshRate;
    settings_.format = mode->format;
    if (deviceSelection_ == kTnlHalDevice) settings_.hardwareVertexProcessing = 1;
    End(1);
    return true;
}

void SetupDialog::End(int result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
}

}  // namespace app
