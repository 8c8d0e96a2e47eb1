// Where each vertex input register comes from: parsed from a vertex declaration or derived
// from an FVF code. Fixed-function formats feed the registers the original runtime used
// (position 0, normal 3, diffuse 5, specular 6, texture coordinates 7..14).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "gfx/d3d8types.h"

namespace gfx {

struct VertexElement {
    UINT stream = 0;
    UINT offset = 0;  // bytes from the start of the vertex
    UINT reg = 0;     // input register v0..v15
    D3DVSDT_TYPE type = D3DVSDT_FLOAT3;
};

struct ConstantLoad {  // D3DVSD_CONST: constants written when the shader is selected
    UINT firstRegister = 0;
    std::vector<float> values;  // 4 per register
};

struct VertexLayout {
    std::vector<VertexElement> elements;
    std::vector<ConstantLoad> constants;
    std::array<UINT, 16> streamStride{};  // sum of element sizes per stream (declarations)
    bool pretransformed = false;          // FVF with D3DFVF_XYZRHW
    UINT texCoordCount = 0;               // FVF only
    DWORD fvf = 0;                        // 0 for declarations
    size_t declarationTokens = 0;         // tokens of a parsed declaration, end token included
};

// Byte size of one element of the given type.
UINT VertexElementSize(D3DVSDT_TYPE type);

// Byte size of one vertex of an FVF code (0 for an unsupported code).
UINT FvfStride(DWORD fvf);

// Layout of an FVF code; false for codes with blend weights or other unsupported parts.
bool LayoutFromFvf(DWORD fvf, VertexLayout& layout);

// Vertex shader constant registers a declaration's constant blocks can load (c0..c95).
constexpr UINT kDeclarationConstants = 96;

// Parses a declaration token list up to D3DVSD_END(). At most `maxTokens` tokens are read;
// a list without an end token, an unknown token type, a register above 15 or a constant block
// that is empty or reaches past c95 is refused with a message naming the token index.
bool ParseDeclaration(const DWORD* tokens, size_t maxTokens, VertexLayout& layout,
                      std::string& error);

}  // namespace gfx
