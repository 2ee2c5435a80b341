#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace tarvo::testing {

// Writes an executable shell script at `path` that stands in for another program, and gives its
// path.
inline std::string writeStandIn(const std::filesystem::path& path, const std::string& body) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "#!/bin/sh\n" << body << "\n";
    }
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path.string();
}

} // namespace tarvo::testing
