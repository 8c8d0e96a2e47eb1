// The scene producer: builds the eight scenes and adds them, their normals, textures and
// emitter parameters to the pack. KELVRA_SCENES_DIR=path also writes every scene entry loose
// under that folder (backslashes become folders) for inspection with tools/scenedump.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>

#include "assets/PackArchive.h"
#include "content/gen/Content.h"
#include "content/scenes/Scene3ds.h"
#include "content/scenes/Scenes.h"

namespace content::scenes {

std::vector<SceneFiles> BuildAllScenes() {
    std::vector<SceneFiles> all;
    all.push_back(BuildMetalPieceScene());
    all.push_back(BuildRingPieceScene());
    all.push_back(BuildRingCentreScene());
    all.push_back(BuildKnotScene());
    all.push_back(BuildGridCubeScene());
    all.push_back(BuildEndScene());
    all.push_back(BuildWaterScene());
    all.push_back(BuildScreenScene());
    return all;
}

std::string EngineMapName(const std::string& file) {
    std::string out = file;
    size_t dot = out.find('.');
    if (dot == std::string::npos || out.size() < dot + 4)
        throw std::invalid_argument("map name without a 3-letter extension: " + file);
    out.replace(dot + 1, 3, "jpg");
    return out;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> SceneEntries(const SceneFiles& s) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> entries;
    entries.emplace_back(s.entry(), Write3ds(s.scene));
    for (const ObjectDesc& o : s.scene.objects)
        entries.emplace_back("Nrm\\" + o.name + ".nrm",
                             o.dummy ? std::vector<uint8_t>{} : EncodeNormals(o.mesh));

    std::set<std::string> brought;
    for (const SceneTexture& t : s.textures) {
        if (!brought.insert(t.file).second)
            throw std::invalid_argument(s.entry() + ": texture " + t.file + " twice");
        entries.emplace_back(s.folder + t.file, EncodeJpeg(t.image, t.quality, t.fullChroma));
    }
    for (const MaterialDesc& m : s.scene.materials) {
        for (const std::string* map : {&m.texture, &m.opacityMap}) {
            if (!map->empty() && !brought.count(EngineMapName(*map)))
                throw std::invalid_argument(s.entry() + ": material " + m.name + " names " + *map +
                                            " but the scene has no " + EngineMapName(*map));
        }
    }
    for (const EmitterDesc& e : s.emitters) {
        if (!brought.count(e.texture))
            throw std::invalid_argument(s.entry() + ": emitter texture " + e.texture + " missing");
        entries.emplace_back(s.folder + e.object + ".bin", EncodeEmitter(e));
    }
    return entries;
}

void AddSceneEntries(Output& out, const std::vector<SceneFiles>& all) {
    const char* dump = std::getenv("KELVRA_SCENES_DIR");
    std::map<std::string, std::string> names;  // folded -> as made
    for (const SceneFiles& s : all) {
        for (auto& [name, bytes] : SceneEntries(s)) {
            // The normals folder is shared, so object names must differ across scenes too,
            // and in more than case, since the engine looks entries up without it.
            auto [earlier, added] = names.emplace(assets::FoldPackName(name), name);
            if (!added)
                throw std::invalid_argument("scene entry " + name + " made twice (as " +
                                            earlier->second + ")");
            if (dump && *dump) {
                std::string rel = name;
                for (char& c : rel)
                    if (c == '\\') c = '/';
                std::filesystem::path path = std::filesystem::path(dump) / rel;
                std::filesystem::create_directories(path.parent_path());
                FILE* f = std::fopen(path.string().c_str(), "wb");
                if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
                    if (f) std::fclose(f);
                    throw std::runtime_error("cannot write " + path.string());
                }
                std::fclose(f);
            }
            out.pack.Add(name, std::move(bytes));
        }
    }
}

}  // namespace content::scenes

namespace content {

void AddScenes(Output& out) { scenes::AddSceneEntries(out, scenes::BuildAllScenes()); }

}  // namespace content
