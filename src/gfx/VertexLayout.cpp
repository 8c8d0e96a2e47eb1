#include "gfx/VertexLayout.h"

#include <cstring>

namespace gfx {

UINT VertexElementSize(D3DVSDT_TYPE type) {
    switch (type) {
        case D3DVSDT_FLOAT1:
            return 4;
        case D3DVSDT_FLOAT2:
            return 8;
        case D3DVSDT_FLOAT3:
            return 12;
        case D3DVSDT_FLOAT4:
            return 16;
        case D3DVSDT_D3DCOLOR:
            return 4;
        case D3DVSDT_UBYTE4:
            return 4;
        case D3DVSDT_SHORT2:
            return 4;
        case D3DVSDT_SHORT4:
            return 8;
    }
    return 0;
}

bool LayoutFromFvf(DWORD fvf, VertexLayout& layout) {
    layout = VertexLayout{};
    layout.fvf = fvf;
    UINT offset = 0;
    auto add = [&](UINT reg, D3DVSDT_TYPE type) {
        layout.elements.push_back({0, offset, reg, type});
        offset += VertexElementSize(type);
    };
    switch (fvf & D3DFVF_POSITION_MASK) {
        case D3DFVF_XYZ:
            add(D3DVSDE_POSITION, D3DVSDT_FLOAT3);
            break;
        case D3DFVF_XYZRHW:
            add(D3DVSDE_POSITION, D3DVSDT_FLOAT4);
            layout.pretransformed = true;
            break;
        default:
            return false;  // no position, or blend weights: not used by the engine
    }
    if (fvf & D3DFVF_NORMAL) add(D3DVSDE_NORMAL, D3DVSDT_FLOAT3);
    if (fvf & D3DFVF_PSIZE) add(D3DVSDE_PSIZE, D3DVSDT_FLOAT1);
    if (fvf & D3DFVF_DIFFUSE) add(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR);
    if (fvf & D3DFVF_SPECULAR) add(D3DVSDE_SPECULAR, D3DVSDT_D3DCOLOR);
    UINT texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (texCount > 8) return false;
    // Bits 16.. would give 1, 3 or 4 coordinate sets; the engine only uses pairs.
    if (fvf & 0xFFFF0000u) return false;
    for (UINT i = 0; i < texCount; ++i) add(D3DVSDE_TEXCOORD0 + i, D3DVSDT_FLOAT2);
    layout.texCoordCount = texCount;
    layout.streamStride[0] = offset;
    return true;
}

UINT FvfStride(DWORD fvf) {
    VertexLayout layout;
    return LayoutFromFvf(fvf, layout) ? layout.streamStride[0] : 0;
}

bool ParseDeclaration(const DWORD* tokens, size_t maxTokens, VertexLayout& layout,
                      std::string& error) {
    layout = VertexLayout{};
    if (!tokens) {
        error = "vertex declaration is null";
        return false;
    }
    UINT stream = 0;
    size_t i = 0;
    while (i < maxTokens) {
        const DWORD token = tokens[i];
        if (token == D3DVSD_END()) {
            layout.declarationTokens = i + 1;
            return true;
        }
        const DWORD kind = token >> D3DVSD_TOKENTYPESHIFT;
        switch (kind) {
            case D3DVSD_TOKEN_NOP:
                ++i;
                break;
            case D3DVSD_TOKEN_STREAM:
                if (token & 0x10000000u) {
                    error = "tessellator stream at declaration token " + std::to_string(i);
                    return false;
                }
                stream = token & 0xF;
                ++i;
                break;
            case D3DVSD_TOKEN_STREAMDATA: {
                if (token & 0x10000000u) {  // skip: dwords of padding in the stream
                    layout.streamStride[stream] += ((token >> 16) & 0xF) * 4;
                } else {
                    const DWORD reg = token & 0x1F;
                    const DWORD type = (token >> 16) & 0xF;
                    if (reg > 15 || type > D3DVSDT_SHORT4) {
                        error = "bad register or type at declaration token " + std::to_string(i);
                        return false;
                    }
                    VertexElement e;
                    e.stream = stream;
                    e.offset = layout.streamStride[stream];
                    e.reg = reg;
                    e.type = static_cast<D3DVSDT_TYPE>(type);
                    layout.elements.push_back(e);
                    layout.streamStride[stream] += VertexElementSize(e.type);
                }
                ++i;
                break;
            }
            case D3DVSD_TOKEN_CONSTMEM: {
                const DWORD count = (token >> 25) & 0xF;
                const DWORD address = token & 0x7F;
                // The block loads into c0..c95 whenever the shader is selected.
                if (count == 0 || address + count > kDeclarationConstants) {
                    error = "constant block of " + std::to_string(count) + " registers at c" +
                            std::to_string(address) + " does not fit c0..c" +
                            std::to_string(kDeclarationConstants - 1) + " at declaration token " +
                            std::to_string(i);
                    return false;
                }
                if (i + 1 + 4 * static_cast<size_t>(count) > maxTokens) {
                    error =
                        "constant block runs past the declaration at token " + std::to_string(i);
                    return false;
                }
                ConstantLoad load;
                load.firstRegister = address;
                load.values.resize(4 * count);
                std::memcpy(load.values.data(), tokens + i + 1, 16 * count);
                layout.constants.push_back(std::move(load));
                i += 1 + 4 * count;
                break;
            }
            case D3DVSD_TOKEN_EXT: {
                const DWORD count = (token >> 24) & 0x1F;
                i += 1 + count;
                break;
            }
            default:
                error = "unknown token type " + std::to_string(kind) + " at declaration token " +
                        std::to_string(i);
                return false;
        }
    }
    error = "vertex declaration has no end token within " + std::to_string(maxTokens) + " tokens";
    return false;
}

}  // namespace gfx
