#include "app/SetupPicture.h"

#include "imaging/Decoders.h"

namespace app {

bool DecodeSetupPicture(imaging::Picture& picture, std::string* error) {
    std::string why;
    if (imaging::DecodeBmp(kSetupPictureBmp, kSetupPictureBmpSize, picture, why)) return true;
    if (error) *error = "the built-in setup picture is damaged: " + why;
    return false;
}

}  // namespace app
