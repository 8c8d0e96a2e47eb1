// The setup dialog's picture: the title lettering on a pale photograph of the presentation's
// landscape, 128 x 128, for a 24-bit bitmap resource.
#pragma once

#include "content/gen/Image.h"

namespace content::pictures {

inline constexpr int kSetupPictureSize = 128;

// 128 x 128, opaque (alpha 255 everywhere); EncodeBmp24 turns it into the bitmap file.
Image MakeSetupPicture();

}  // namespace content::pictures
