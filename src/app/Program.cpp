#include "app/Program.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/Capture.h"
#include "app/CommandLine.h"
#include "app/DisplayModes.h"
#include "app/Engine.h"
#include "app/Preflight.h"
#include "app/RuneplayPresentation.h"
#include "app/SetupDialog.h"
#include "platform/ErrorReport.h"
#include "platform/Platform.h"

namespace app {

std::unique_ptr<Presentation> CreatePresentation() {
    return std::make_unique<RuneplayPresentation>();
}

DisplaySettings SettingsFromOptions(const Options& options) {
    DisplaySettings s;
    s.width = options.width;
    s.height = options.height;
    s.refreshRate = static_cast<uint32_t>(std::max(options.refreshRate, 0));
    s.format = D3DFMT_X8R8G8B8;
    s.backBufferCount = 2;
    s.windowed = options.windowMode == platform::WindowMode::Windowed ? 1 : 0;
    s.hardwareVertexProcessing = 1;
    return s;
}

void ApplyDisplaySettings(const DisplaySettings& settings, Options& options) {
    options.width = settings.width;
    options.height = settings.height;
    options.windowMode =
        settings.windowed ? platform::WindowMode::Windowed : platform::WindowMode::Fullscreen;
    options.bitsPerPixel = LabelBits(settings.format, 0);
    options.refreshRate = static_cast<int>(settings.refreshRate);
}

int RunProgram(int argc, char** argv) {
    ProgramParts parts;
    parts.endProcessWithTheShow = true;
    return RunProgram(argc, argv, parts);
}

int RunProgram(int argc, char** argv, const ProgramParts& parts) {
    CommandLine commandLine = ParseCommandLine(argc, argv);
    if (commandLine.action == CommandLine::Action::Exit) {
        std::fputs(commandLine.message.c_str(), commandLine.exitStatus == 0 ? stdout : stderr);
        return commandLine.exitStatus;
    }
    Options options = commandLine.options;
    if (const std::optional<int> refused = Preflight(options)) return *refused;
    // Stills and captures take their size from the command line.
    if (options.headless || options.noDialog || options.render()) {
        displaySettings = SettingsFromOptions(options);
    } else {
        std::string error;
        const int chosen = parts.setupDialog ? parts.setupDialog(displaySettings, &error)
                                             : RunSetupDialog(displaySettings, &error);
        if (chosen != 1) {
            if (chosen < 0)
                ShowError("Cannot open the setup dialog: " + error +
                          " (runeplay --headless runs without a display)");
            platform::Shutdown();
            return chosen < 0 ? platform::kFatalExitStatus : 0;
        }
        ApplyDisplaySettings(displaySettings, options);
    }
    int status = 0;
    {
        std::unique_ptr<Presentation> presentation =
            parts.presentation ? parts.presentation() : CreatePresentation();
        Engine engine(options, *presentation);
        // A fatal fault anywhere in loading ends the program in order: the report has shown
        // the cursor; the sound stops and SDL restores the display before the exit.
        platform::SetFatalHandler([&engine](const std::string&) {
            engine.EndAfterFatal();
            platform::Shutdown();
            std::fflush(nullptr);
            std::exit(platform::kFatalExitStatus);
        });
        status = options.render() ? RunRender(engine, *presentation) : engine.Run();
        platform::SetFatalHandler(nullptr);
        if (parts.endProcessWithTheShow && !options.render()) {
            platform::Shutdown();  // the window goes, a switched display mode comes back
            std::fflush(nullptr);
            std::_Exit(status);
        }
        // The rendering device goes while the window its context draws into still exists.
        presentation.reset();
    }
    platform::Shutdown();  // gives a switched display mode back
    return status;
}

}  // namespace app
