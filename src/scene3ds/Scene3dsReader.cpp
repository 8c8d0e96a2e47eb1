#include "scene3ds/Scene3dsReader.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace scene3ds {

Scene3dsReader::Scene3dsReader(std::string entryName_, const uint8_t* data_, size_t size_,
                               Scene& scene_, SceneLog& log_)
    : entryName(std::move(entryName_)),
      data(data_),
      size(data_ ? size_ : 0),
      scene(scene_),
      log(log_) {
    magicOk = size >= 2 && LoadU16(data) == chunk::kMain;
    // The main chunk's own length bounds every walk; a length that does not fit the buffer
    // is replaced by the buffer's end (the editor pass reports it).
    mainEnd = size;
    if (size >= kChunkHeaderSize) {
        const uint32_t length = LoadU32(data + 2);
        if (length >= kChunkHeaderSize && length <= size) mainEnd = length;
    }
    // Records already in the scene stay the tails the passes append after.
    for (SceneObject* o = scene.objects; o; o = o->next) lastObject = o;
    for (Material* m = scene.materials; m; m = m->next) lastMaterial = m;
    for (SceneCamera* c = scene.cameras; c; c = c->next) lastCamera = c;
    for (SceneLight* l = scene.omniLights; l; l = l->next) lastOmniLight = l;
    for (SceneSpotLight* s = scene.spotLights; s; s = s->next) lastSpotLight = s;
}

void Scene3dsReader::error(size_t offset, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    ReportSceneError(log, entryName, offset, text);
}

void Scene3dsReader::fatal(const char* text) {
    CountSceneFault();
    std::FILE* out = SceneFatalStream ? SceneFatalStream : stdout;
    std::fputs(text, out);
    std::fflush(out);
    log.flush();
    SceneExitHook(EXIT_FAILURE);
    throw LoadAborted{};
}

SceneName Scene3dsReader::takeName(std::string_view text, size_t offset) {
    if (SceneName::WouldTruncate(text)) {
        error(offset, "name \"%.*s\" is longer than %zu characters; cut to the first %zu",
              static_cast<int>(text.size()), text.data(), SceneName::kMaxLength,
              SceneName::kMaxLength);
    }
    return SceneName(text);
}

bool Scene3dsReader::readName(ByteCursor& cursor, std::string_view& out, uint16_t chunkId) {
    if (cursor.cString(out)) return true;
    error(cursor.offset(), "name in chunk 0x%04X has no terminating zero before the chunk ends",
          chunkId);
    return false;
}

bool Scene3dsReader::chunkAt(size_t offset, size_t limit, uint16_t parentId, Chunk& out) {
    const HeaderStatus status = ReadChunkHeader(data, offset, limit, out);
    if (status == HeaderStatus::Ok) return true;
    const bool usable = status == HeaderStatus::PastEnd;
    if (!reportedHeaders_.insert(offset).second) return usable;
    switch (status) {
        case HeaderStatus::Ok:
            return true;
        case HeaderStatus::Truncated:
            error(offset, "%zu stray bytes where a chunk header was due inside chunk 0x%04X",
                  limit > offset ? limit - offset : 0, parentId);
            return false;
        case HeaderStatus::TooShort:
            error(offset, "chunk 0x%04X inside chunk 0x%04X has length %u, below its 6-byte header",
                  out.id, parentId, out.length);
            return false;
        case HeaderStatus::PastEnd:
            error(offset,
                  "chunk 0x%04X of length %u runs past the end of chunk 0x%04X (%zu bytes "
                  "left); reading what is there",
                  out.id, out.length, parentId, limit - offset);
            return true;
    }
    return false;
}

bool ChildWalk::next(Chunk& out) {
    if (done_ || offset_ >= end_) return false;
    if (!reader_.chunkAt(offset_, end_, parentId_, out)) {
        done_ = true;
        return false;
    }
    if (out.end == end_ && out.offset + out.length != end_) done_ = true;
    offset_ = out.end;
    return true;
}

bool ChildWalk::skip(int count) {
    Chunk ignored;
    for (int i = 0; i < count; ++i) {
        if (!next(ignored)) return false;
    }
    return true;
}

}  // namespace scene3ds
