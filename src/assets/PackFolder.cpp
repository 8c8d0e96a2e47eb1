#include "assets/PackFolder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <system_error>

#include "platform/OutputFile.h"

namespace assets {

namespace fs = std::filesystem;

namespace {

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>& out, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot open " + path.string();
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        *error = "cannot read " + path.string();
        return false;
    }
    return true;
}

}  // namespace

bool AddFolderToPack(const fs::path& folder, PackWriter& writer, std::vector<std::string>* names,
                     std::string* error) {
    std::string localError;
    if (!error) error = &localError;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        *error = folder.string() + " is not a folder";
        return false;
    }
    std::vector<std::pair<std::string, fs::path>> files;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string name;
        for (const fs::path& part : fs::relative(it->path(), folder, ec)) {
            if (!name.empty()) name += '\\';
            name += part.string();
        }
        files.emplace_back(std::move(name), it->path());
    }
    if (ec) {
        *error = "cannot list " + folder.string() + ": " + ec.message();
        return false;
    }
    std::sort(files.begin(), files.end());
    for (const auto& [name, path] : files) {
        if (name.size() > PackArchive::kMaxStoredName) {
            *error = "the entry name " + name + " is longer than " +
                     std::to_string(PackArchive::kMaxStoredName) + " characters";
            return false;
        }
        std::vector<uint8_t> data;
        if (!ReadWholeFile(path, data, error)) return false;
        try {
            writer.Add(name, std::move(data));
        } catch (const std::invalid_argument& e) {
            *error = "cannot pack " + path.string() + ": " + e.what();
            return false;
        }
        if (names) names->push_back(name);
    }
    return true;
}

fs::path SafeExtractPath(const std::string& entryName, std::string* why) {
    std::string localWhy;
    if (!why) why = &localWhy;
    if (entryName.empty()) {
        *why = "empty name";
        return {};
    }
    if (entryName.size() >= 2 && entryName[1] == ':') {
        *why = "absolute path (drive letter)";
        return {};
    }
    fs::path result;
    size_t begin = 0;
    for (;;) {
        size_t end = entryName.find_first_of("\\/", begin);
        std::string part = entryName.substr(begin, end == std::string::npos ? end : end - begin);
        if (part.empty()) {
            *why = begin == 0 ? "absolute path" : "empty path component";
            return {};
        }
        if (part == "." || part == "..") {
            *why = "\"" + part + "\" in the path";
            return {};
        }
        result /= part;
        if (end == std::string::npos) break;
        begin = end + 1;
    }
    return result;
}

bool ExtractPack(const PackArchive& pack, const fs::path& folder, ExtractReport& report,
                 std::string* error) {
    std::string localError;
    if (!error) error = &localError;
    std::set<std::string> claimed;
    for (const PackEntry& entry : pack.entries()) {
        std::string why;
        fs::path relative = SafeExtractPath(entry.name, &why);
        if (relative.empty()) {
            report.skipped.push_back(entry.name + ": " + why);
            continue;
        }
        if (!claimed.insert(FoldPackName(entry.name)).second) {
            report.skipped.push_back(entry.name + ": hidden by an earlier entry of the same name");
            continue;
        }
        std::vector<uint8_t> data;
        if (!pack.TryReadEntry(entry, data, error)) return false;
        fs::path target = folder / relative;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        std::string reason;
        if (ec || !platform::WriteWholeFile(target.string(), data.data(), data.size(), &reason)) {
            *error = "cannot write " + target.string() + ": " + (ec ? ec.message() : reason);
            report.unwritten = target.string();
            return false;
        }
        report.written.push_back(entry.name);
    }
    return true;
}

}  // namespace assets
