// The content generator's shared pieces: the pack being built and the producers that fill it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "assets/PackWriter.h"

namespace content {

// Everything the generator makes: pack entries plus loose files written beside the pack.
struct Output {
    assets::PackWriter pack;
    std::map<std::string, std::vector<uint8_t>> looseFiles;  // e.g. "point.bmp"
    std::string sourceDir;                                    // the content/ folder
};

// Each producer adds its entries; all must be deterministic (same bytes on every run).
void AddShaders(Output& out);   // content/shaders: "!shaders\..." programs
void AddMusic(Output& out);     // content/music: "morvek.mp3"
void AddPictures(Output& out);  // content/pictures: "!textures\...", "numbers\...", point.bmp
void AddScenes(Output& out);    // content/scenes: .3ds scenes, their textures, normals, emitters

}  // namespace content
