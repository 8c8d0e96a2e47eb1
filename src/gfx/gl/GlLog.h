// Problems the back end meets while drawing (a program that does not compile, a draw that
// would read past a buffer) go to standard error once each, so a broken state repeated
// every frame does not flood the terminal.
#pragma once

#include <string>

namespace gfx::gl {

// Writes "gfx: <message>" to standard error unless the same message was written before.
void ReportOnce(const std::string& message);

}  // namespace gfx::gl
