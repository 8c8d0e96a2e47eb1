// The program's entry: command line, setup dialog, engine run and exit status.
//
// With no arguments the setup dialog comes first; Cancel or closing it ends the program with
// status 0 before any window, device or sound exists. Headless runs, and runs given their
// display choice on the command line, skip it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "app/DeviceSetup.h"
#include "app/Presentation.h"

namespace app {

int RunProgram(int argc, char** argv);

// The presentation the program plays.
std::unique_ptr<Presentation> CreatePresentation();

// What RunProgram runs; tests replace the dialog and the presentation.
struct ProgramParts {
    // Fills the settings and returns 1 after OK, 0 after Cancel or closing, -1 with a reason
    // when the dialog cannot be shown. RunSetupDialog by default.
    std::function<int(DisplaySettings& settings, std::string* error)> setupDialog;
    // CreatePresentation by default.
    std::function<std::unique_ptr<Presentation>()> presentation;
    // Once the show has ended (Escape, or the window closed), the process ends there: the
    // display is given back and nothing is freed, as the original ends. Freeing the device,
    // scenes and pictures took longer under load than the whole way from Escape to the exit
    // otherwise. RunProgram(argc, argv) sets it; tests keep the orderly end.
    bool endProcessWithTheShow = false;
};
int RunProgram(int argc, char** argv, const ProgramParts& parts);

// The display settings of a run without the dialog: the --mode size in D3DFMT_X8R8G8B8 at
// the display's own refresh rate (recorded as 0), triple buffering as the dialog starts with
// it, windowed unless --fullscreen, and hardware vertex processing (this device has no other).
DisplaySettings SettingsFromOptions(const Options& options);
// The dialog's choice as the engine's window options: size, windowed or full screen, and the
// full-screen mode's depth and refresh rate.
void ApplyDisplaySettings(const DisplaySettings& settings, Options& options);

}  // namespace app
