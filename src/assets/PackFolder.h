// Packs and folders: what the pack tool builds, lists and extracts.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "assets/PackArchive.h"
#include "assets/PackWriter.h"

namespace assets {

// Every regular file under `folder` as an entry named by its path relative to `folder` with
// backslash separators, sorted by name so the same folder always gives the same pack.
// False with a reason (a name over 49 bytes, an unreadable file, ...).
bool AddFolderToPack(const std::filesystem::path& folder, PackWriter& writer,
                     std::vector<std::string>* names, std::string* error);

// Where an entry goes when extracted below a folder: its name with backslashes and slashes as
// separators. Empty (with the reason in `why`) for names that would leave the folder or are
// not plain relative paths: absolute paths, drive letters, "." or ".." parts, empty parts.
std::filesystem::path SafeExtractPath(const std::string& entryName, std::string* why);

struct ExtractReport {
    std::vector<std::string> written;
    std::vector<std::string> skipped;  // "name: reason"
    std::string unwritten;             // the file whose write failed and stopped the extraction
};

// Writes every entry of `pack` below `folder`. Entries whose names are unsafe, or that a
// previous entry already claimed (names compare without letter case, and the first one wins
// as in lookups), are skipped and listed. False on a read or write failure; a file that
// could not be written is not left behind, cut off (`unwritten` names it).
bool ExtractPack(const PackArchive& pack, const std::filesystem::path& folder,
                 ExtractReport& report, std::string* error);

}  // namespace assets
