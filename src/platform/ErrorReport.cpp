#include "platform/ErrorReport.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Platform.h"
#include "platform/StatusLine.h"
#include "platform/Window.h"

namespace platform {

namespace {

ReportHandler& Reporter() {
    static ReportHandler handler;
    return handler;
}

FatalHandler& Fatal() {
    static FatalHandler handler;
    return handler;
}

void DefaultReport(const std::string& caption, const std::string& text) {
    // Standard error always gets the text, so a run from a terminal or a script keeps it
    // even after the box is dismissed.
    WriteErrorLine(caption + ": " + text);
    if (VideoAvailable())
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr);
}

void Report(const std::string& caption, const std::string& text) {
    if (Reporter())
        Reporter()(caption, text);
    else
        DefaultReport(caption, text);
}

}  // namespace

void ShowError(const std::string& text) {
    // The window goes out of the way first, so a full-screen demo cannot hide the box.
    if (Window* window = MainWindow()) window->minimise();
    ShowCursor(true);
    Report("Error!!!", text);
}

void ShowMessage(const std::string& caption, const std::string& text) { Report(caption, text); }

ReportHandler SetReportHandler(ReportHandler handler) {
    ReportHandler previous = std::move(Reporter());
    Reporter() = std::move(handler);
    return previous;
}

void FatalError(const std::string& text) {
    ShowError(text);
    if (Fatal()) {
        Fatal()(text);
        return;
    }
    std::exit(kFatalExitStatus);
}

FatalHandler SetFatalHandler(FatalHandler handler) {
    FatalHandler previous = std::move(Fatal());
    Fatal() = std::move(handler);
    return previous;
}

}  // namespace platform
