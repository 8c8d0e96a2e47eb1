// Kept apart from the in-memory loader so that code that never touches the pack (tests,
// tools reading loose files) does not need the pack reader linked in.
#include "assets/PackArchive.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"

namespace scene3ds {

int Load3dsScene(const std::string& entryName, Scene& scene) {
    uint8_t* block = assets::ReadPackEntry(entryName);
    if (!block) {
        SceneLog log(SceneLogPath);
        ReportSceneError(log, entryName,
                         "the pack holds no such entry (or it cannot be read); "
                         "nothing read");
        return 1;
    }
    const size_t size = assets::GlobalPack().lastSize;
    Load3dsSceneFromMemory(entryName, block, size, scene);
    assets::FreePackEntry(block);
    return 1;
}

}  // namespace scene3ds
