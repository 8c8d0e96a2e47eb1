// The one error report of start-up and loading: minimise the window, show the cursor and a
// message box captioned "Error!!!". Without a display the text goes to standard error as
// "Error!!!: <text>". It returns to its caller; it does not end the program.
//
// Faults the program cannot carry on from (a damaged pack, a missing soundtrack, no window)
// go through FatalError: the report above, then the process-wide fatal handler. The program
// installs a handler that ends it in order with a non-zero status; tests install one that
// records and returns, so callers of FatalError must still continue safely afterwards
// (return an empty result, never read garbage).
#pragma once

#include <functional>
#include <string>

namespace platform {

void ShowError(const std::string& text);

// A plain message box with a caption of the caller's choosing (scene preparation reports
// missing pictures this way); the window and cursor are left alone. Without a display:
// "<caption>: <text>" on standard error.
void ShowMessage(const std::string& caption, const std::string& text);

// Where reports go once the window has been minimised and the cursor shown. The default
// writes "<caption>: <text>" to standard error and, when SDL video is up, also shows a
// message box. Returns the previous handler; an empty function restores the default.
using ReportHandler = std::function<void(const std::string& caption, const std::string& text)>;
ReportHandler SetReportHandler(ReportHandler handler);

// ShowError(text), then the fatal handler. Without an installed handler the process exits
// with kFatalExitStatus.
void FatalError(const std::string& text);

// Runs after the report of a fatal fault. It should end the process; if it returns,
// FatalError returns too. Returns the previous handler; an empty function restores the default.
using FatalHandler = std::function<void(const std::string& text)>;
FatalHandler SetFatalHandler(FatalHandler handler);

// Exit status of a run ended by a fatal fault (1 is the closed window, 2 a usage error).
constexpr int kFatalExitStatus = 3;

}  // namespace platform

// The engine's name for the report, as the code above the platform layer calls it.
using platform::ShowError;
