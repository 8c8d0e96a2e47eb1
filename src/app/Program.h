// The program's entry: command line, engine run and exit status.
#pragma once

#include <memory>

#include "app/Presentation.h"

namespace app {

int RunProgram(int argc, char** argv);

// The presentation the program plays.
std::unique_ptr<Presentation> CreatePresentation();

}  // namespace app
