#include "assets/ShaderProgram.h"

#include <cstring>
#include <set>

#include "assets/PackArchive.h"
#include "gfx/shader/TokenCheck.h"
#include "platform/ErrorReport.h"

namespace assets {
namespace {

// Several effects create the same entry (the bump-lit scenes share their programs), and each
// problem of a pack is one box, not one per creation.
void ReportOnce(const std::string& text) {
    static std::set<std::string> reported;
    if (reported.insert(GlobalPack().archivePath() + '\n' + text).second) platform::ShowError(text);
}

// The device would refuse a malformed stream silently; say which entry and why.
bool CheckProgram(const ShaderProgram& program, const std::string& entryName,
                  gfx::shader::ShaderType type) {
    std::string error;
    if (program.byteSize % 4 != 0) {
        ReportOnce(entryName + ": " + std::to_string(program.byteSize) +
                   " bytes is not a whole number of 32-bit tokens");
        return false;
    }
    if (!gfx::shader::CheckTokens(program.function(), program.byteSize / 4, type, error)) {
        ReportOnce(entryName + ": " + error);
        return false;
    }
    return true;
}

}  // namespace

ShaderProgram ReadShaderProgram(const std::string& entryName) {
    ShaderProgram program;
    uint8_t* block = ReadPackEntry(entryName);
    if (!block) return program;
    program.byteSize = GlobalPack().lastSize;
    program.tokens.assign((program.byteSize + 3) / 4, 0);
    if (program.byteSize) std::memcpy(program.tokens.data(), block, program.byteSize);
    // The device keeps its own copy of the tokens, so the block is not needed afterwards.
    FreePackEntry(block);
    program.loaded = true;
    return program;
}

// A program the device refuses is still handed over: the device's handle for a failed
// creation then draws nothing, where 0 would quietly select another pipeline.
DWORD CreateVertexProgram(IDirect3DDevice8& device, const std::string& entryName,
                          const DWORD* declaration) {
    const ShaderProgram program = ReadShaderProgram(entryName);
    if (!program.loaded) return 0;
    const bool checked = CheckProgram(program, entryName, gfx::shader::ShaderType::Vertex);
    DWORD handle = 0;
    if (FAILED(device.CreateVertexShader(declaration, program.function(), program.byteSize, &handle,
                                         0)) &&
        checked)
        ReportOnce(entryName + ": the device refused the vertex program");
    return handle;
}

DWORD CreatePixelProgram(IDirect3DDevice8& device, const std::string& entryName) {
    const ShaderProgram program = ReadShaderProgram(entryName);
    if (!program.loaded) return 0;
    const bool checked = CheckProgram(program, entryName, gfx::shader::ShaderType::Pixel);
    DWORD handle = 0;
    if (FAILED(device.CreatePixelShader(program.function(), program.byteSize, &handle)) && checked)
        ReportOnce(entryName + ": the device refused the pixel program");
    return handle;
}

}  // namespace assets
