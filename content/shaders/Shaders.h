// The pack's shader programs: assembly sources in content/shaders/ assembled at build time.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace content {

struct ShaderSource {
    const char* entry;  // pack entry name, "!shaders\..."
    const char* file;   // source file in content/shaders/
};

// Every program entry of the pack, with its source file.
std::span<const ShaderSource> ShaderSources();

// Reads and assembles one source file; throws std::runtime_error ("FILE:LINE:COLUMN: ...").
std::vector<uint32_t> AssembleShaderFile(const std::string& path);

}  // namespace content
