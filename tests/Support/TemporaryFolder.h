#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace tarvo::testing {

// A fresh folder under the system's temporary folder, removed with everything in it when
// this goes away (even after a test took its permissions away).
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("tarvo-test-" + std::to_string(random()) + "-" +
                                                          std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Points the process's temporary folder (TMPDIR) at `folder` for as long as it lives.
class TemporaryFolderOverride {
public:
    explicit TemporaryFolderOverride(const std::filesystem::path& folder) {
        if (const char* old = std::getenv("TMPDIR")) previous_ = old;
        std::filesystem::create_directories(folder);
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolderOverride() {
        if (previous_.empty()) ::unsetenv("TMPDIR");
        else ::setenv("TMPDIR", previous_.c_str(), 1);
    }
    TemporaryFolderOverride(const TemporaryFolderOverride&) = delete;
    TemporaryFolderOverride& operator=(const TemporaryFolderOverride&) = delete;

private:
    std::string previous_;
};

} // namespace tarvo::testing
