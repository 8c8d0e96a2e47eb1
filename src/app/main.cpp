// runeplay: plays the presentation in kelvra.dat until Escape.
#include "app/Program.h"

int main(int argc, char** argv) { return app::RunProgram(argc, argv); }
