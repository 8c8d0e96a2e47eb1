#include "scene3ds/Load3dsScene.h"

#include "scene3ds/Scene3dsReader.h"
#include "scene3ds/SceneLog.h"

namespace scene3ds {

int Load3dsSceneFromMemory(const std::string& entryName, const uint8_t* data, size_t size,
                           Scene& scene) {
    SceneLog log(SceneLogPath);
    Scene3dsReader reader(entryName, data, size, scene, log);
    try {
        ReadEditorSection(reader);
        log.write("\n");
        log.write("Reading ok !!!!!!! . . .. . .. .. . .. \n");
        log.write("\n");
        ReadKeyframerSection(reader);
    } catch (const LoadAborted&) {
        // A fatal fault whose exit hook returned: keep what was read.
    }
    FillMissingTracks(scene);
    return 1;
}

}  // namespace scene3ds
