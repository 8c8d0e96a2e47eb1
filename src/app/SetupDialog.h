// The setup dialog without a window: its controls' state and what it does with them, message
// by message as the dialog procedure of the original handled them. A front end draws it and
// forwards the user's input (SetupDialogView, SetupDialogWindow); tests drive it directly.
//
//   InitDialog   "Triple Buffering" checked; the resolution list filled with the mode labels,
//                the last 800 x 600 D3DFMT_X8R8G8B8 mode selected (else the first); the device
//                list "Hal Device", "T&L Hal Device", "Ref Device" with the entry
//                hardwareVertexProcessing (0 or 1) selected; windowed = 0.
//   Ok           backBufferCount (2 with "Triple Buffering", else 1), then windowed, then the
//                selected mode's width, height, refresh rate and format, then
//                hardwareVertexProcessing = 1 when "T&L Hal Device" is selected (the other
//                entries leave it as the enumeration found it); the dialog ends with 1.
//   Cancel/Close the dialog ends with 0.
//
// Where the display offers no qualifying mode the list holds the desktop's own mode as one
// clearly labelled entry, and a notice says why. OK is refused, with a notice, when no mode
// is selected at all (the original read the mode before the first, or past the end) and
// when the selected mode's format cannot be a back buffer; the dialog then stays open.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/DeviceSetup.h"
#include "app/DisplayModes.h"

namespace app {

class SetupDialog {
  public:
    // Control ids of the dialog template.
    static constexpr int kIdOk = 1;
    static constexpr int kIdCancel = 2;
    static constexpr int kIdResolution = 1001;
    static constexpr int kIdDevice = 1002;
    static constexpr int kIdTripleBuffering = 1005;
    static constexpr int kIdWindowed = 1014;

    static constexpr const char* kCaption = "Engine setup......... . . . .  . ";
    static constexpr std::array<const char*, 3> kDeviceEntries = {"Hal Device", "T&L Hal Device",
                                                                  "Ref Device"};
    static constexpr int kTnlHalDevice = 1;

    // `settings` receives the choice on OK (its hardwareVertexProcessing should hold what the
    // enumeration found; RunSetupDialog sets it from `modes`).
    SetupDialog(ModeList modes, DisplaySettings& settings);

    void InitDialog();

    // The user's input on the controls. A selection made in the resolution list ends with
    // CBN_SELENDOK, which remembers it.
    void SelectResolution(int index);
    void SelectDevice(int index);
    void SetTripleBuffering(bool checked) { tripleBuffering_ = checked; }
    void SetWindowed(bool checked) { windowedChecked_ = checked; }
    // IDOK; false (and a notice) when refused.
    bool Ok();
    void Cancel() { End(0); }
    void Close() { End(0); }

    bool ended() const { return ended_; }
    // 1 after OK, 0 after Cancel or closing.
    int result() const { return result_; }

    const std::vector<std::string>& resolutionEntries() const { return resolutionEntries_; }
    int resolutionSelection() const { return resolutionSelection_; }
    int rememberedResolution() const { return rememberedResolution_; }
    int deviceSelection() const { return deviceSelection_; }
    bool tripleBuffering() const { return tripleBuffering_; }
    bool windowedChecked() const { return windowedChecked_; }
    // Shown below the controls; empty when all is well.
    const std::string& notice() const { return notice_; }
    const ModeList& modes() const { return modes_; }

  private:
    const DisplayMode* SelectedMode() const;
    std::string SelectedLabel() const;
    void End(int result);

    ModeList modes_;
    DisplaySettings& settings_;
    std::vector<std::string> resolutionEntries_;
    int resolutionSelection_ = -1;
    int rememberedResolution_ = -1;
    int deviceSelection_ = -1;
    bool tripleBuffering_ = false;
    bool windowedChecked_ = false;
    std::string notice_;
    bool ended_ = false;
    int result_ = 0;
};

// The whole dialog on this machine: enumerates the modes, shows the dialog window and runs
// it until it ends. Returns 1 after OK (with `settings` filled), 0 after Cancel or closing,
// and -1 with a reason in `error` when the dialog cannot be shown (no display, no OpenGL).
int RunSetupDialog(DisplaySettings& settings, std::string* error);

}  // namespace app
