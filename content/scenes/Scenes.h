// The eight scenes of the pack and what travels with each: its textures and emitter files.
// Every builder is deterministic.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "content/gen/Content.h"
#include "content/gen/Image.h"
#include "content/scenes/Emitters.h"
#include "content/scenes/SceneDesc.h"

namespace content::scenes {

struct SceneTexture {
    std::string file;  // as stored: "ROCK.jpg" in the scene's folder
    Image image;
    int quality = 88;
    bool fullChroma = false;
};

struct SceneFiles {
    std::string folder;  // pack folder with its backslash: "Objs\", "scene3\", "Scene2\"
    std::string file;    // "szk.3ds"
    SceneDesc scene;
    std::vector<SceneTexture> textures;
    std::vector<EmitterDesc> emitters;
    std::string entry() const { return folder + file; }
};

SceneFiles BuildMetalPieceScene();  // Objs\szk.3ds
SceneFiles BuildRingPieceScene();   // Objs\hau.3ds
SceneFiles BuildRingCentreScene();  // Objs\tlo.3ds
SceneFiles BuildKnotScene();        // Objs\stagi.3ds
SceneFiles BuildGridCubeScene();    // Objs\wcube.3ds
SceneFiles BuildEndScene();         // Objs\endscene.3ds
SceneFiles BuildWaterScene();       // scene3\scene123.3DS
SceneFiles BuildScreenScene();      // Scene2\Scene.3ds

// All eight, in the order above.
std::vector<SceneFiles> BuildAllScenes();

// The name under which the engine looks a material map up: the three characters after the
// first '.' become "jpg" ("ROCK.TGA" -> "ROCK.jpg").
std::string EngineMapName(const std::string& file);

// Every pack entry of one scene: the .3ds file, a normals file per object, textures and emitter
// parameter files. Throws when a material names a texture the scene does not bring.
std::vector<std::pair<std::string, std::vector<uint8_t>>> SceneEntries(const SceneFiles& s);

// Adds the entries of every scene to the pack. Throws std::invalid_argument when two entries
// would have the same name apart from case (two objects sharing a normals file).
void AddSceneEntries(Output& out, const std::vector<SceneFiles>& scenes);

}  // namespace content::scenes
