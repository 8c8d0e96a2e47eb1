#include "app/Program.h"

#include <cstdio>
#include <cstdlib>

#include "app/Capture.h"
#include "app/CommandLine.h"
#include "app/Engine.h"
#include "app/RuneplayPresentation.h"
#include "platform/ErrorReport.h"
#include "platform/Platform.h"

namespace app {

std::unique_ptr<Presentation> CreatePresentation() {
    return std::make_unique<RuneplayPresentation>();
}

int RunProgram(int argc, char** argv) {
    CommandLine commandLine = ParseCommandLine(argc, argv);
    if (commandLine.action == CommandLine::Action::Exit) {
        std::fputs(commandLine.message.c_str(), commandLine.exitStatus == 0 ? stdout : stderr);
        return commandLine.exitStatus;
    }
    int status = 0;
    {
        std::unique_ptr<Presentation> presentation = CreatePresentation();
        Engine engine(commandLine.options, *presentation);
        // A fatal fault anywhere in loading ends the program in order: the report has shown
        // the cursor; the sound stops and SDL restores the display before the exit.
        platform::SetFatalHandler([&engine](const std::string&) {
            engine.EndAfterFatal();
            platform::Shutdown();
            std::fflush(nullptr);
            std::exit(platform::kFatalExitStatus);
        });
        status = commandLine.options.render() ? RunRender(engine, *presentation) : engine.Run();
        platform::SetFatalHandler(nullptr);
        // The rendering device goes while the window its context draws into still exists.
        presentation.reset();
    }
    platform::Shutdown();  // gives a switched display mode back
    return status;
}

}  // namespace app
