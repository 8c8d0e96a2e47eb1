// A pack for tests of the whole presentation: every entry of the generated pack (programs,
// scenes, soundtrack), with the pictures the load routine reads replaced by synthetic ones
// drawn here. Overlay tests and the reference stills then depend on this file only, not on
// how the pack's own pictures look (or whether the generated pack holds them yet).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace assets {
class PackWriter;
}

namespace testsupport {

// The picture entries the load routine reads, in load order.
const std::vector<std::string>& ShowPictureNames();

// Adds the synthetic pictures under the load routine's names.
void AddShowPictures(assets::PackWriter& writer);

// Writes the pack to `path`. False with a reason when the generated pack cannot be read or
// the file cannot be written.
bool WriteShowPack(const std::string& generatedPack, const std::string& path, std::string* error);

// Copies the pack at `from` to `to`, each entry's bytes passed through `edit` (by name) on the
// way: a pack damaged or cut in one place. False with a reason when either file fails.
bool CopyPackEditing(const std::string& from, const std::string& to,
                     const std::function<void(const std::string&, std::vector<uint8_t>&)>& edit,
                     std::string* error);

// A small pack for overlay tests: the programs assembled from `shaderSourceDir` (the
// content's shader sources) and the synthetic pictures, nothing else.
bool WriteOverlayPack(const std::string& shaderSourceDir, const std::string& path,
                      std::string* error);

// The show pack of the build's generated pack, written into the temporary folder once for a
// test suite (SetUpTestSuite) and removed after it (TearDownTestSuite).
struct SuiteShowPack {
    static std::string& Path();
    // Fails the calling test suite when the pack cannot be written.
    static void Write(const std::string& generatedPack, const std::string& tag);
    static void Remove();
};

}  // namespace testsupport
