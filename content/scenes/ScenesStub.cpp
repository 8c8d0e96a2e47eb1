// Placeholder until this producer is written; replace this file.
#include "content/gen/Content.h"

namespace content {

void AddScenes(Output&) {}

}  // namespace content
