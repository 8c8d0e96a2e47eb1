// Command line of sceneview: which scene, which camera and frame, where the picture goes and
// the per-scene settings a segment would make.
#pragma once

#include <cstdint>
#include <string>

namespace sceneview {

struct Options {
    std::string pack;    // pack file
    std::string entry;   // scene entry, e.g. scene3\scene123.3DS
    std::string prefix;  // ScenePathPrefix; the entry's folder when not given
    uint32_t camera = 1;
    float frame = 0;
    bool play = false;
    int width = 800;
    int height = 600;
    std::string out;  // PNG file: render headless; empty: show a window
    // Scene settings; the defaults are those of the water scene.
    uint32_t ambient = 0x00B78832;
    float attenuation[3] = {0.95f, 0.03f, 0.0f};
    bool fog = false;
    float fogDensity = 0;
    uint32_t fogColour = 0;
    float aspect = 0;          // 0: width / height
    uint32_t clearColour = 0;  // background
    int warmup = 120;          // updates before a still, half a frame apart (60 Hz)
    float framesPerSecond = 30;
    uint32_t quitAfter = 0;             // window: end after this many drawn frames (0: at Escape)
    std::string logPath = "/dev/null";  // the loader's account
    std::string pointPicture;           // flare picture; point.bmp here or beside the pack
};

// Parses argv. False with a message in `error` on a usage error; `help` set for -h/--help.
bool ParseOptions(int argc, char** argv, Options& options, std::string* error, bool* help);

const char* UsageText();

}  // namespace sceneview
