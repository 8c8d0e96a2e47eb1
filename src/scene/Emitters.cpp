#include "scene/Emitters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "assets/PackArchive.h"
#include "assets/TextureLoading.h"
#include "gfx/GlobalDevice.h"
#include "platform/ErrorReport.h"

namespace scene {

namespace {

uint32_t U32At(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

float F32At(const uint8_t* p) {
    const uint32_t bits = U32At(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

struct ParticleVertex {
    float x, y, z;
    D3DCOLOR colour;
};
static_assert(sizeof(ParticleVertex) == kParticleStride);

}  // namespace

bool ParseEmitterParameters(const uint8_t* data, size_t size, EmitterParameters& out,
                            std::string* reason) {
    auto fail = [&](std::string text) {
        if (reason) *reason = std::move(text);
        return false;
    };
    if (!data || size < kEmitterFileFixedSize)
        return fail("holds " + std::to_string(size) + " bytes, an emitter file needs at least " +
                    std::to_string(kEmitterFileFixedSize));
    EmitterParameters p;
    p.particleCount = U32At(data);
    p.spread = F32At(data + 4);
    p.lifeRange = F32At(data + 8);
    p.speed = F32At(data + 12);
    p.pointSize = F32At(data + 16);
    p.red = data[20];
    p.green = data[21];
    p.blue = data[22];
    p.alpha = data[23];
    p.startFrame = F32At(data + 24);
    p.endFrame = F32At(data + 28);

    if (p.particleCount == 0) return fail("asks for no particles");
    if (p.particleCount > kMaxParticles)
        return fail("asks for " + std::to_string(p.particleCount) + " particles, more than the " +
                    std::to_string(kMaxParticles) + " allowed");
    // Infinities mean something (an end frame of +infinity: the colour never ends) and work out
    // as the arithmetic gives; only a NaN is no number at all.
    const float numbers[] = {p.spread, p.lifeRange, p.speed, p.pointSize, p.startFrame, p.endFrame};
    for (float f : numbers) {
        if (std::isnan(f)) return fail("holds a value that is not a number (NaN)");
    }

    // The name runs to its NUL; the record keeps 15 characters.
    const uint8_t* name = data + kEmitterFileFixedSize;
    const size_t available = size - kEmitterFileFixedSize;
    size_t length = 0;
    while (length < available && length < kEmitterTextureNameLength + 1 && name[length] != 0)
        ++length;
    if (length > kEmitterTextureNameLength) {
        length = kEmitterTextureNameLength;
        p.textureNameCut = true;
    }
    std::memcpy(p.textureName, name, length);
    p.textureName[length] = 0;
    out = p;
    return true;
}

const D3DXMATRIX& EmitterWorldMatrix() {
    static const D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return identity;
}

SceneParticles StartParticles(const scene3ds::Scene& scene) {
    SceneParticles particles;
    if (!scene.emitters || scene.emitterCount <= 0) return particles;
    particles.emitters.reserve(static_cast<size_t>(scene.emitterCount));
    for (int32_t i = 0; i < scene.emitterCount; ++i)
        particles.emitters.push_back(scene.emitters[i].startParticles);
    return particles;
}

bool SetupEmitter(EmitterRecord& record, const std::string& pathPrefix,
                  scene3ds::SceneObject& object, RandomGenerator& random) {
    record = EmitterRecord{};
    record.pathPrefix = pathPrefix;
    record.object = &object;

    const std::string entry = pathPrefix + object.name.str() + ".bin";
    uint8_t* block = ReadPackEntry(entry);
    if (!block) return false;  // the pack has reported the missing entry
    EmitterParameters p;
    std::string reason;
    const bool parsed = ParseEmitterParameters(block, assets::GlobalPack().lastSize, p, &reason);
    assets::FreePackEntry(block);
    if (!parsed) {
        ShowError("Emitter file " + entry + " " + reason + "; the emitter is left out");
        return false;
    }
    if (p.textureNameCut)
        std::fprintf(stderr, "%s: texture name longer than %zu characters, cut to \"%s\"\n",
                     entry.c_str(), kEmitterTextureNameLength, p.textureName);

    std::memcpy(record.textureName, p.textureName, sizeof record.textureName);
    record.startFrame = p.startFrame;
    record.endFrame = p.endFrame;
    record.lifeRange = p.lifeRange;
    record.speed = p.speed;
    record.spread = p.spread;
    record.pointSize = p.pointSize;
    record.red = p.red;
    record.green = p.green;
    record.blue = p.blue;
    record.alpha = p.alpha;

    const std::string textureEntry = pathPrefix + record.textureName;
    record.texture = LoadJpegTexture(textureEntry, D3DPOOL_DEFAULT);
    if (!record.texture) platform::ShowMessage(textureEntry, record.textureName);

    const uint32_t count = p.particleCount;
    record.spawnPoints.assign(size_t{count} * 3, 0.0f);

    // Largest x and z start at −100, so even an object left of or behind its origin spreads
    // its particles over ±100. An object without vertices spawns at height 0.
    float largestX = -100.0f, largestZ = -100.0f;
    const size_t vertices =
        std::min(object.positions.size() / 3, static_cast<size_t>(std::max(object.vertexCount, 0)));
    for (size_t i = 0; i < vertices; ++i) {
        largestX = std::max(largestX, object.positions[3 * i]);
        largestZ = std::max(largestZ, object.positions[3 * i + 2]);
    }
    const float height = vertices > 0 ? object.positions[1] : 0.0f;
    record.extent[0] = largestX;
    record.extent[1] = height;
    record.extent[2] = largestZ;

    RenderDevice->CreateVertexBuffer(count * kParticleStride, 0, kParticleFvf, D3DPOOL_MANAGED,
                                     &record.vertexBuffer);
    if (!record.vertexBuffer) return false;
    record.startParticles.assign(count, Particle{});
    for (uint32_t k = 0; k < count; ++k) {
        float* spawn = &record.spawnPoints[3 * size_t{k}];
        Particle& p = record.startParticles[k];
        spawn[0] = random.NextFraction() * largestX;
        spawn[1] = height;
        spawn[2] = random.NextFraction() * largestZ;
        p.life = -1.0f;
        p.velocity[0] = random.NextFraction() * record.spread;
        p.velocity[1] = 1.0f;
        p.velocity[2] = random.NextFraction() * record.spread;
        p.x = spawn[0];
        p.y = spawn[1];
        p.z = spawn[2];
    }
    record.particleCount = count;
    return true;
}

void UpdateEmitter(const EmitterRecord& record, std::vector<Particle>& particles, float frame,
                   RandomGenerator& random) {
    if (!record.active()) return;
    const D3DCOLOR colour = (record.startFrame < frame && frame < record.endFrame)
                                ? EmitterColour(record.red, record.green, record.blue, record.alpha)
                                : 0;
    const D3DXMATRIX& world = record.object->worldMatrix;
    const size_t count = std::min<size_t>(record.particleCount, particles.size());
    for (size_t i = 0; i < count; ++i) {
        Particle& p = particles[i];
        p.x += record.speed * p.velocity[0];
        p.y += record.speed * p.velocity[1];
        p.z += record.speed * p.velocity[2];

        if (p.life < 0.0f) {
            // A negative draw gives a negative life: the particle is reborn again next update.
            p.life = random.NextFraction() * record.lifeRange;
            p.colour = colour;
            const D3DXVECTOR3 spawn(&record.spawnPoints[3 * i]);
            D3DXVECTOR3 position;
            D3DXVec3TransformCoord(&position, &spawn, &world);
            p.x = position.x;
            p.y = position.y;
            p.z = position.z;
            const float vx = random.NextFraction() * record.spread;
            const float vz = random.NextFraction() * record.spread;
            const D3DXVECTOR3 local(vx, 1.0f, vz);
            D3DXVECTOR3 moved;
            D3DXVec3TransformNormal(&moved, &local, &world);
            p.velocity[0] = moved.x;
            p.velocity[1] = moved.y;
            p.velocity[2] = moved.z;
        }
        p.life -= 1.0f;
    }
}

void DrawEmitter(const EmitterRecord& record, const std::vector<Particle>& particles) {
    if (!record.active()) return;
    const UINT count = static_cast<UINT>(std::min<size_t>(record.particleCount, particles.size()));
    BYTE* data = nullptr;
    if (count == 0 || FAILED(record.vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data)
        return;
    for (UINT i = 0; i < count; ++i) {
        const Particle& p = particles[i];
        const ParticleVertex v{p.x, p.y, p.z, p.colour};
        std::memcpy(data + size_t{i} * kParticleStride, &v, sizeof v);
    }
    record.vertexBuffer->Unlock();
    RenderDevice->SetTexture(0, record.texture);
    for (DWORD stage = 1; stage <= 3; ++stage) RenderDevice->SetTexture(stage, nullptr);
    RenderDevice->SetTransform(D3DTS_WORLD, &EmitterWorldMatrix());
    RenderDevice->SetRenderState(D3DRS_POINTSIZE, FloatToDWORD(record.pointSize));
    RenderDevice->SetStreamSource(0, record.vertexBuffer, kParticleStride);
    RenderDevice->SetVertexShader(kParticleFvf);
    RenderDevice->SetPixelShader(0);
    RenderDevice->DrawPrimitive(D3DPT_POINTLIST, 0, count);
}

}  // namespace scene
