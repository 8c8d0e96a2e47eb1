// Fuzzes the per-object files of scene preparation: the input is an emitter parameter file
// and, at the same time, the object's normals file. Both go into a scratch pack; the parser
// reads the parameters, an emitter is set up on a state device for an object whose vertices
// also come from the input, updated across its frame window and drawn; the normals are loaded
// and the object's buffers built.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/PackArchive.h"
#include "assets/PackWriter.h"
#include "gfx/GlobalDevice.h"
#include "gfx/StateDevice.h"
#include "platform/ErrorReport.h"
#include "scene/Emitters.h"
#include "scene/ObjectBuffers.h"

namespace {

// Set-up cost grows with the particle count; larger counts only add time, not paths.
constexpr uint32_t kMaxFuzzedParticles = 4096;

std::string g_path;

void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "emitter_fuzzer: %s %s\n", what, detail.c_str());
    std::abort();
}

float FloatAt(const uint8_t* data, size_t size, size_t at) {
    float f = 0;
    if (at + 4 <= size) std::memcpy(&f, data + at, 4);
    return f;
}

void CheckParameters(const uint8_t* data, size_t size, const scene::EmitterParameters& p) {
    if (p.particleCount == 0 || p.particleCount > scene::kMaxParticles)
        Fail("particle count out of range");
    for (float f : {p.spread, p.lifeRange, p.speed, p.pointSize, p.startFrame, p.endFrame})
        if (!std::isfinite(f)) Fail("non-finite parameter accepted");
    const size_t length = std::strlen(p.textureName);
    if (length > scene::kEmitterTextureNameLength) Fail("texture name too long");
    if (std::memcmp(p.textureName, data + scene::kEmitterFileFixedSize, length) != 0)
        Fail("texture name differs from the file");
    const size_t rest = size - scene::kEmitterFileFixedSize;
    const bool cut = length == scene::kEmitterTextureNameLength && rest > length &&
                     data[scene::kEmitterFileFixedSize + length] != 0;
    if (cut != p.textureNameCut) Fail("texture name cut flag is wrong");
}

void RunEmitter(scene3ds::SceneObject& object, bool parsed, const scene::EmitterParameters& p) {
    scene::EmitterRecord record;
    scene::RandomGenerator random;
    const bool set = scene::SetupEmitter(record, "fz\\", object, random);
    std::vector<scene::Particle> particles = record.startParticles;
    if (!parsed) {
        if (set || record.active() || !record.spawnPoints.empty() || !particles.empty())
            Fail("a refused file made particles");
        scene::UpdateEmitter(record, particles, 1.0f, random);
        scene::DrawEmitter(record, particles);
        return;
    }
    if (!set || !record.active() || record.particleCount != p.particleCount ||
        record.spawnPoints.size() != size_t{p.particleCount} * 3 ||
        particles.size() != p.particleCount ||
        record.vertexBuffer->size() != p.particleCount * scene::kParticleStride)
        Fail("set-up of a good file went wrong");

    const D3DCOLOR colour = scene::EmitterColour(p.red, p.green, p.blue, p.alpha);
    const float mid = p.startFrame + (p.endFrame - p.startFrame) * 0.5f;
    for (float frame : {p.startFrame, mid, mid, p.endFrame, p.endFrame + 1.0f}) {
        scene::UpdateEmitter(record, particles, frame, random);
        // Every particle was born on the first update; a colour is the file's or none.
        for (const scene::Particle& particle : particles)
            if (particle.colour != colour && particle.colour != 0)
                Fail("particle colour from nowhere");
    }
    scene::DrawEmitter(record, particles);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* dir = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    g_path = std::string(dir) + "/runeplay-emitter-fuzz-" + std::to_string(getpid()) + ".dat";
    // Missing textures and damaged files are reported; the run goes on.
    platform::SetReportHandler([](const std::string&, const std::string&) {});
    platform::SetFatalHandler([](const std::string&) {});
    std::atexit([] { std::remove(g_path.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    scene::EmitterParameters p;
    std::string reason;
    const bool parsed = scene::ParseEmitterParameters(data, size, p, &reason);
    if (parsed)
        CheckParameters(data, size, p);
    else if (reason.empty())
        Fail("refusal without a reason");

    assets::PackWriter writer;
    writer.Add("fz\\emitter01.bin", data, size);
    writer.Add("Nrm\\emitter01.nrm", data, size);
    std::string error;
    if (!writer.WriteFile(g_path, &error)) Fail("cannot write the scratch pack", error);
    if (!assets::GlobalPack().Open(g_path)) Fail("cannot open the scratch pack");

    gfx::StateDevice device{gfx::DeviceParams{}};
    RenderDevice = &device;

    // An object of up to four vertices whose coordinates are the file's first floats.
    scene3ds::SceneObject object;
    object.name = scene3ds::SceneName("emitter01");
    object.isEmitter = 1;
    object.vertexCount = static_cast<int32_t>(size % 5);
    for (int32_t i = 0; i < object.vertexCount * 3; ++i)
        object.positions.push_back(FloatAt(data, size, 4 + 4 * static_cast<size_t>(i)));
    if (object.vertexCount >= 3) {
        object.faces = {0, 1, 2};
        object.faceCount = 1;
    }

    if (!parsed || p.particleCount <= kMaxFuzzedParticles) RunEmitter(object, parsed, p);

    scene::LoadObjectNormals(object);
    if (object.normals.size() != size_t(object.vertexCount) * 3) Fail("normals of the wrong size");
    const size_t copied = std::min(object.normals.size() * 4, size / 4 * 4);
    if (copied && std::memcmp(object.normals.data(), data, copied) != 0)
        Fail("normals differ from the file");
    scene::BuildObjectBuffers(object);
    if ((object.vertexBuffer != nullptr) != (object.vertexCount >= 3))
        Fail("buffers built for the wrong objects");

    RenderDevice = nullptr;
    return 0;
}
