// Placeholder until this producer is written; replace this file.
#include "content/gen/Content.h"

namespace content {

void AddShaders(Output&) {}

}  // namespace content
