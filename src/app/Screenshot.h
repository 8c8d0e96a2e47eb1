// The frame on screen as a PNG file: the device's back buffer, which holds the last frame the
// timeline drew and nothing drawn into the window over it (the player's overlay).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// "runeplay-POSITION.png" for the frame at soundtrack byte `position`.
std::string ScreenshotName(uint64_t position);

// PNG bytes of 0xAARRGGBB pixels, rows from the top, as an RGB picture. False with a reason.
bool EncodePng(uint32_t width, uint32_t height, const std::vector<uint32_t>& argb,
               std::vector<uint8_t>& png, std::string* error);

// Reads the back buffer of the process-wide RenderDevice and writes it to `path` whole or not
// at all. False with a reason (no device, the buffer cannot be read, the system's reason the
// file cannot be written).
bool SaveBackBuffer(const std::string& path, std::string* error);

}  // namespace app
