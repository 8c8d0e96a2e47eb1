// Runs a built program the way a user would, from a shell in a chosen folder, keeping its
// exit status and everything it wrote to standard output and error.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

struct ProgramResult {
    int status = -1;  // -1 when the program did not exit on its own
    std::string output;
};

// `command` is a shell command line; it runs in `folder`, its output goes to a log beside.
inline ProgramResult RunProgramIn(const std::filesystem::path& folder, const std::string& command) {
    const std::filesystem::path log = folder.parent_path() / (folder.filename().string() + ".log");
    const std::string line =
        "cd '" + folder.string() + "' && { " + command + " ; } > '" + log.string() + "' 2>&1";
    const int status = std::system(line.c_str());
    ProgramResult result;
    std::ifstream in(log);
    result.output.assign(std::istreambuf_iterator<char>(in), {});
    std::filesystem::remove(log);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Files in `folder`, hidden ones included (a temporary file left behind counts).
inline size_t FilesIn(const std::filesystem::path& folder) {
    size_t n = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (!entry.is_directory()) ++n;
    return n;
}

}  // namespace testsupport
