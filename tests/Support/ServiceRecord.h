#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TarvoBase/Json.h"

namespace tarvo::testing {

// The record the stand-in service writes (see StandInService.h): one JSON object per request.
class ServiceRecord {
public:
    explicit ServiceRecord(std::filesystem::path file) : file_(std::move(file)) {}

    const std::filesystem::path& path() const { return file_; }

    // Every request recorded so far, in the order they came. A last line still being written is
    // left for the next reading.
    std::vector<Json> requests() const;
    // Those of one method whose path is `path`, or starts with it when it ends in "/".
    std::vector<Json> requests(const std::string& method, const std::string& path) const;

    // Reads the record again and again until `holds` is true of it; false when it still is not
    // after `limit`.
    bool waitUntil(const std::function<bool(const ServiceRecord&)>& holds,
                   std::chrono::seconds limit = std::chrono::seconds(60)) const;

private:
    std::filesystem::path file_;
};

} // namespace tarvo::testing
