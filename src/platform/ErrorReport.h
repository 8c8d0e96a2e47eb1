// The one error report of start-up and loading: minimise the window, show the cursor and a
// message box captioned "Error!!!". With no display the text goes to standard error as
// "Error!!!: <text>". It returns to its caller; it does not end the program.
#pragma once

#include <string>

namespace platform {

void ShowError(const std::string& text);

// A message box with a caption of the caller's choosing (scene preparation reports missing
// pictures this way). With no display: "<caption>: <text>" on standard error.
void ShowMessage(const std::string& caption, const std::string& text);

}  // namespace platform

// The engine's name for the report, as the code above the platform layer calls it.
using platform::ShowError;
