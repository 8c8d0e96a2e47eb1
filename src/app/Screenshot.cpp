#include "app/Screenshot.h"

#include <stb/stb_image_write.h>

#include "gfx/GlobalDevice.h"
#include "platform/OutputFile.h"

namespace app {

std::string ScreenshotName(uint64_t position) {
    return "runeplay-" + std::to_string(position) + ".png";
}

bool EncodePng(uint32_t width, uint32_t height, const std::vector<uint32_t>& argb,
               std::vector<uint8_t>& png, std::string* error) {
    if (width == 0 || height == 0 || argb.size() != static_cast<size_t>(width) * height) {
        if (error) *error = "no picture to write";
        return false;
    }
    std::vector<uint8_t> rgb(argb.size() * 3);
    for (size_t i = 0; i < argb.size(); ++i) {
        rgb[3 * i] = static_cast<uint8_t>(argb[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(argb[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(argb[i]);
    }
    png.clear();
    auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        const auto* bytes = static_cast<const uint8_t*>(data);
        out->insert(out->end(), bytes, bytes + size);
    };
    if (!stbi_write_png_to_func(append, &png, static_cast<int>(width), static_cast<int>(height), 3,
                                rgb.data(), static_cast<int>(width * 3))) {
        if (error) *error = "the picture cannot be encoded as PNG";
        return false;
    }
    return true;
}

bool SaveBackBuffer(const std::string& path, std::string* error) {
    IDirect3DSurface8* back = nullptr;
    std::vector<uint32_t> argb;
    if (!RenderDevice || FAILED(RenderDevice->GetBackBuffer(0, &back)) || !back ||
        FAILED(RenderDevice->ReadPixels(back, argb))) {
        if (error) *error = "the frame on screen cannot be read back";
        return false;
    }
    std::vector<uint8_t> png;
    if (!EncodePng(back->width(), back->height(), argb, png, error)) return false;
    return platform::WriteWholeFile(path, png.data(), png.size(), error);
}

}  // namespace app
