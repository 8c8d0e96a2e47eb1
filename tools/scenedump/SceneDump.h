// A readable listing of a loaded scene: records, node tree and track key counts.
#pragma once

#include <ostream>
#include <string>

#include "scene3ds/SceneModel.h"

void DumpScene(const Scene& scene, const std::string& title, std::ostream& out);
