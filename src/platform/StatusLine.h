// Standard error carries both a status line rewritten in place (the progress of a pre-roll or
// a capture, which never ends its line) and messages (errors, "gfx: ..." reports). A message
// written while a status line is open would land at the end of it, where nobody reading the
// lines that begin "gfx:" finds it; so messages go through here, and each first ends an open
// status line. The status line goes on below, on its next update.
#pragma once

#include <string>

namespace platform {

// Rewrites the status line with `text` (from the start of the line, not ended).
void WriteStatusLine(const std::string& text);

// Ends an open status line with a newline; nothing when none is open.
void EndStatusLine();

// Writes `line` and a newline to standard error on a line of its own, and flushes.
void WriteErrorLine(const std::string& line);

}  // namespace platform
