// The setup dialog's picture: a 128 x 128 24-bit BMP file built into the program from the
// content generator's painting (content/setup_picture.cmake writes its source).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/Picture.h"

namespace app {

extern const uint8_t kSetupPictureBmp[];
extern const size_t kSetupPictureBmpSize;

// Decodes the built-in file; false only if the build produced a broken one.
bool DecodeSetupPicture(imaging::Picture& picture, std::string* error);

}  // namespace app
