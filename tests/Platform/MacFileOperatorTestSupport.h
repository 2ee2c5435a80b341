#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <variant>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "Platform/MacFileOperator.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoCore/Operator/CheckedFile.h"
#include "TarvoCore/Operator/FileIdentity.h"

namespace tarvo::testing {

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Sets the modification time, in whole seconds since the epoch.
inline void touchAt(const std::filesystem::path& path, std::int64_t seconds) {
    const struct utimbuf times{static_cast<time_t>(seconds), static_cast<time_t>(seconds)};
    ASSERT_EQ(::utime(path.c_str(), &times), 0) << path;
}

// The file as the core hands it over: opened once after its checks, under `home`.
inline CheckedFile checked(const std::filesystem::path& path, const std::filesystem::path& home) {
    const auto status = FileCalls::lstat(path);
    if (!status) throw std::runtime_error("no file at " + path.string());
    auto opened = CheckedFile::open(path.string(), home.string(), FileIdentity::of(*status));
    if (!std::holds_alternative<CheckedFile>(opened)) throw std::runtime_error("not opened: " + path.string());
    return std::get<CheckedFile>(std::move(opened));
}

// The reader process the tests start: the document reader alone, built beside the tests.
inline DocumentReader documentReader() { return DocumentReader(TARVO_DOCUMENT_READER); }

// A file operator for `home` that is signed out.
inline MacFileOperator signedOutOperator(const std::filesystem::path& home) {
    return MacFileOperator([]() -> Task<std::shared_ptr<BrainClient>> { co_return nullptr; }, home.string(),
                           documentReader());
}

} // namespace tarvo::testing
