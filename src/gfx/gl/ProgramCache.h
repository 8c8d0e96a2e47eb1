// Compiled stages and linked programs, each made once.
//
// A shader program is decoded and translated once, at its creation; a vertex program is
// compiled then too. A pixel program's code depends on the draw (which stages hold cube
// textures, fog, alpha test, points, projective coordinates: shader::PixelVariant), so it is
// compiled per variant, on the first draw that needs it. Fixed-function stages are generated
// and compiled on the first use of their state key, which holds the variant too.
//
// Any vertex stage links with any pixel stage (they share one varying interface, see
// GlslBuilder.h); links are cached by the pair of stage serials, so a draw whose states did
// not change reuses its program without a lookup and one whose states came back to an earlier
// combination finds it in O(1).
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gfx/Resources.h"
#include "gfx/gl/Device.h"
#include "gfx/gl/ff/StateKey.h"
#include "gfx/shader/Decoder.h"
#include "gfx/shader/GlslBuilder.h"

namespace gfx::gl {

// A compiled shader object; id 0 when compilation failed (serials stay unique either way).
struct CompiledShader {
    GLuint id = 0;
    uint32_t serial = 0;
};

// A translated pixel program and the variants compiled from it so far.
struct PixelProgram {
    shader::GlslStage stage;
    std::string what;                // names it in reports
    uint8_t sampledStages = 0;       // stages whose sampler the code reads
    bool honoursProjection = false;  // ps.1.0-1.3: D3DTTFF_PROJECTED divides its coordinates
    std::unordered_map<uint64_t, CompiledShader> variants;
};

// The translated and compiled form of a program, hung on the device's shader record. Copies of
// one program (the same tokens) share it.
struct ProgramStage final : BackendObject {
    CompiledShader vertex;          // a vertex program
    PixelProgram* pixel = nullptr;  // a pixel program (owned by the cache)
};

class ProgramCache {
  public:
    // Deletes every GL object the cache made (the context must be current).
    void destroy();

    // Builds the complete source for a stage and compiles it. A failure is reported once
    // on standard error with `what` naming the stage.
    CompiledShader compileVertex(const shader::GlslStage& stage, const std::string& what);
    CompiledShader compilePixel(const shader::GlslStage& stage, const std::string& what,
                                const shader::PixelVariant& variant = {});

    // Translates a decoded vertex program (`tokens` its stream) and compiles the result; id 0
    // (reported once) when either step fails. A program with the same tokens as one done
    // before gets that one's stage, so objects that each create their own copy of a program
    // share its shader and its links.
    CompiledShader translateVertex(const std::vector<DWORD>& tokens, const shader::Program& program,
                                   const std::string& what);
    // Translates a decoded pixel program, shared the same way; null (reported once) when it
    // has no translation.
    PixelProgram* translatePixel(const std::vector<DWORD>& tokens, const shader::Program& program,
                                 const std::string& what);
    // The program compiled for a variant, on its first use.
    const CompiledShader& pixelVariant(PixelProgram& program, const shader::PixelVariant& variant);

    // Fixed-function stages, generated and compiled on first use of a key.
    const CompiledShader& fixedVertex(const ff::VertexKey& key);
    const CompiledShader& fixedPixel(const ff::PixelKey& key);

    // The linked program of a pair; 0 when either stage or the link failed.
    GLuint link(const CompiledShader& vertex, const CompiledShader& pixel);

    const ProgramStats& stats() const { return stats_; }
    size_t programCount() const { return programs_.size(); }

  private:
    struct VertexHash {
        size_t operator()(const ff::VertexKey& k) const { return ff::HashKey(k); }
    };
    struct VertexEq {
        bool operator()(const ff::VertexKey& a, const ff::VertexKey& b) const {
            return ff::SameKey(a, b);
        }
    };
    struct PixelHash {
        size_t operator()(const ff::PixelKey& k) const { return ff::HashKey(k); }
    };
    struct PixelEq {
        bool operator()(const ff::PixelKey& a, const ff::PixelKey& b) const {
            return ff::SameKey(a, b);
        }
    };
    struct TokensHash {
        size_t operator()(const std::vector<DWORD>& t) const;
    };

    CompiledShader compile(GLenum type, const std::string& source, const std::string& what);

    std::unordered_map<ff::VertexKey, CompiledShader, VertexHash, VertexEq> fixedVertex_;
    std::unordered_map<ff::PixelKey, CompiledShader, PixelHash, PixelEq> fixedPixel_;
    std::unordered_map<uint64_t, GLuint> programs_;
    std::unordered_map<std::vector<DWORD>, CompiledShader, TokensHash> vertexPrograms_;
    // Null for tokens that had no translation.
    std::unordered_map<std::vector<DWORD>, std::unique_ptr<PixelProgram>, TokensHash>
        pixelPrograms_;
    std::vector<GLuint> shaders_;  // every shader object compiled here
    uint32_t nextSerial_ = 1;
    ProgramStats stats_;
};

}  // namespace gfx::gl
