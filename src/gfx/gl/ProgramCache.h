// Compiled stages and linked programs, each made once.
//
// A vertex or pixel stage is either generated from the fixed-function key at its first draw
// or translated and compiled from a shader program once, at the program's creation (its code
// does not depend on the textures bound). Any vertex stage links with any pixel stage (they
// share one varying
// interface, see GlslBuilder.h); links are cached by the pair of stage serials, so a draw
// whose states did not change reuses its program without a lookup and one whose states
// came back to an earlier combination finds it in O(1).
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "gfx/Resources.h"
#include "gfx/gl/Device.h"
#include "gfx/gl/ff/StateKey.h"
#include "gfx/shader/Decoder.h"
#include "gfx/shader/GlslInterface.h"

namespace gfx::gl {

// A compiled shader object; id 0 when compilation failed (serials stay unique either way).
struct CompiledShader {
    GLuint id = 0;
    uint32_t serial = 0;
};

// A program's compiled stage. A pixel program also has its plain build (GlslBuilder.h) for
// draws with no fog, alpha test, sprites or cube textures; for a vertex program `plain` is
// `shader`.
struct TranslatedStage {
    CompiledShader shader;
    CompiledShader plain;
};

// The compiled stage of a vertex or pixel program, hung on the device's shader record.
struct ProgramStage final : BackendObject {
    TranslatedStage stage;
};

class ProgramCache {
  public:
    // Deletes every GL object the cache made (the context must be current).
    void destroy();

    // Builds the complete source for a stage and compiles it. A failure is reported once
    // on standard error with `what` naming the stage.
    CompiledShader compileVertex(const shader::GlslStage& stage, const std::string& what);
    CompiledShader compilePixel(const shader::GlslStage& stage, const std::string& what,
                                bool plain = false);

    // Translates a decoded program (`tokens` its stream) and compiles the result; id 0
    // (reported once) when either step fails. A program with the same tokens as one done
    // before gets that one's stage, so objects that each create their own copy of a program
    // share its shader and its links.
    TranslatedStage translateVertex(const std::vector<DWORD>& tokens,
                                    const shader::Program& program, const std::string& what);
    TranslatedStage translatePixel(const std::vector<DWORD>& tokens, const shader::Program& program,
                                   const std::string& what);

    // Fixed-function stages, generated and compiled on first use of a key (its `plain` byte
    // chooses the build).
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

    CompiledShader compile(GLenum type, const std::string& source, const std::string& what);
    TranslatedStage translate(bool pixel, const std::vector<DWORD>& tokens,
                              const shader::Program& program, const std::string& what);
    struct TokensHash {
        size_t operator()(const std::vector<DWORD>& t) const;
    };

    std::unordered_map<ff::VertexKey, CompiledShader, VertexHash, VertexEq> fixedVertex_;
    std::unordered_map<ff::PixelKey, CompiledShader, PixelHash, PixelEq> fixedPixel_;
    std::unordered_map<uint64_t, GLuint> programs_;
    std::unordered_map<std::vector<DWORD>, TranslatedStage, TokensHash> vertexPrograms_,
        pixelPrograms_;
    std::vector<GLuint> shaders_;  // every shader object compiled here
    uint32_t nextSerial_ = 1;
    ProgramStats stats_;
};

}  // namespace gfx::gl
