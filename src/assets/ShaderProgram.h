// Compiled shader programs from the pack ("!shaders\..." entries) and their creation on the
// device. The host never reads or changes the tokens: an entry reaches the device byte for
// byte, with its byte size.
#pragma once

#include <string>
#include <vector>

#include "gfx/RenderDevice.h"

namespace assets {

struct ShaderProgram {
    std::vector<DWORD> tokens;  // the entry's bytes, in 32-bit units (a partial tail zero-padded)
    UINT byteSize = 0;          // the entry's size exactly
    bool loaded = false;        // false when the entry could not be read

    const DWORD* function() const { return tokens.empty() ? nullptr : tokens.data(); }
};

// Reads an entry whole from the process pack (ReadPackEntry). A missing entry is reported by
// the pack itself; the result then has loaded == false.
ShaderProgram ReadShaderProgram(const std::string& entryName);

// Reads the entry and creates a vertex shader with the given declaration (usage 0). A program
// the device cannot accept is reported with the entry name and what is wrong; the handle is
// then the device's handle of a failed creation, which draws nothing, and the caller carries
// on as the original did with its ignored result. 0 when the entry is missing.
DWORD CreateVertexProgram(IDirect3DDevice8& device, const std::string& entryName,
                          const DWORD* declaration);
// Reads the entry and creates a pixel shader, in the same way.
DWORD CreatePixelProgram(IDirect3DDevice8& device, const std::string& entryName);

}  // namespace assets
