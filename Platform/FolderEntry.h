#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include <sys/stat.h>

#include "TarvoBase/FileCalls.h"
#include "TarvoCore/Operator/FolderAccess.h"

namespace tarvo {

// What a walk of the user's folders needs to know of one entry.
struct FolderEntry {
    // The one kind of package a home folder here holds: bundles in the home platform's manner,
    // whose insides are a program's, not the user's files.
    static bool isPackage(std::string_view name) {
        constexpr std::array<std::string_view, 3> endings{".app", ".bundle", ".framework"};
        return std::ranges::any_of(endings, [&](std::string_view ending) {
            return name.size() > ending.size() && name.ends_with(ending);
        });
    }

    static bool isHidden(std::string_view name) { return name.starts_with('.'); }

    // The entry itself, never what a link names; nothing when it cannot be looked at.
    static std::optional<struct stat> status(const std::filesystem::path& path) {
        try {
            return FileCalls::lstat(path);
        } catch (const std::system_error&) {
            return std::nullopt;
        }
    }

    static std::chrono::system_clock::time_point modifiedAt(const struct stat& status) {
        return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(status.st_mtim.tv_sec) + std::chrono::nanoseconds(status.st_mtim.tv_nsec)));
    }

    // A plain file a walk keeps. No file system here records when a file came into its folder,
    // and nothing here lives only in a cloud.
    static FolderAccess::Found found(const std::filesystem::path& path, const struct stat& status) {
        FoundFile file;
        file.path = path.string();
        file.bytes = static_cast<std::int64_t>(status.st_size);
        file.modifiedAt = modifiedAt(status);
        return {std::move(file), std::nullopt};
    }
};

} // namespace tarvo
