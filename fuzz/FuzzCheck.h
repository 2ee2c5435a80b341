#pragma once

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <signal.h>
#include <unistd.h>

#include "TarvoBase/Json.h"
#include "TarvoBase/PlainLog.h"

// What the fuzz targets share: how a property that fails stops the run, how JSON values are
// compared whatever the order of their members, and a folder for the readers of files.
namespace tarvo::fuzz {

// A property that does not hold is a fault like a crash: libFuzzer keeps the input.
inline void require(bool holds) {
    if (!holds) __builtin_trap();
}

// The bytes as text.
inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Equal values, members in any order and numbers by value (3 and 3.0 are one number).
inline bool sameValue(const Json& a, const Json& b) {
    if (a.is_object() && b.is_object()) {
        if (a.size() != b.size()) return false;
        for (const auto& [key, value] : a.items()) {
            const auto other = b.find(key);
            if (other == b.end() || !sameValue(value, *other)) return false;
        }
        return true;
    }
    if (a.is_array() && b.is_array()) {
        if (a.size() != b.size()) return false;
        for (std::size_t index = 0; index < a.size(); ++index) {
            if (!sameValue(a[index], b[index])) return false;
        }
        return true;
    }
    return a == b;
}

// Containers around the deepest value: a scalar is 0, an empty array 1.
inline std::size_t depth(const Json& value) {
    std::size_t deepest = 0;
    if (!value.is_structured()) return 0;
    for (const auto& element : value) deepest = std::max(deepest, depth(element));
    return deepest + 1;
}

// A folder of this process's own, in memory where the machine has such a file system (a reader
// that writes flushes every file). libFuzzer ends without running exit handlers, so the folders of
// runs that have ended are removed when the next one makes its own. Lines the readers log are
// dropped: a fuzzer logs a damaged file on nearly every run.
inline const std::filesystem::path& workFolder() {
    static const std::filesystem::path folder = [] {
        namespace fs = std::filesystem;
        PlainLog::setSink([](std::string_view) {});
        std::error_code error;
        const fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
        constexpr std::string_view prefix = "tarvo-fuzz-";
        for (const auto& entry : fs::directory_iterator(base, error)) {
            const std::string name = entry.path().filename().string();
            if (!name.starts_with(prefix)) continue;
            const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
            const bool ended = pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
            if (ended) fs::remove_all(entry.path(), error);
        }
        const fs::path mine = base / (std::string(prefix) + std::to_string(::getpid()));
        fs::remove_all(mine, error);
        require(fs::create_directory(mine, error));
        return mine;
    }();
    return folder;
}

// Empties the folder for the next run.
inline void clearWorkFolder() {
    for (const auto& entry : std::filesystem::directory_iterator(workFolder())) {
        std::filesystem::remove_all(entry.path());
    }
}

} // namespace tarvo::fuzz
