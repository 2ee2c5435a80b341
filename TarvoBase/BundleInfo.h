#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoBase/Json.h"

namespace tarvo {

// What the build wrote beside a deliverable's executable, in "bundle-info.json": its version and
// build, and for the companion its update feed, the feed's public key and where the extension
// handler is. Read once; a change needs a restart.
class BundleInfo {
public:
    static constexpr std::string_view fileName = "bundle-info.json";

    static constexpr std::string_view shortVersionKey = "CFBundleShortVersionString";
    static constexpr std::string_view versionKey = "CFBundleVersion";
    static constexpr std::string_view feedURLKey = "SUFeedURL";
    static constexpr std::string_view publicEDKeyKey = "SUPublicEDKey";
    // The absolute path of the extension handler's executable.
    static constexpr std::string_view safariHandlerKey = "TarvoSafariHandler";

    // The file beside the running executable, read on first use.
    static const BundleInfo& main();
    // The file at `file`. A missing or unreadable file, or one that is not one JSON object, holds
    // no values.
    static BundleInfo read(const std::filesystem::path& file);

    BundleInfo() = default;

    // The value under `key`, only when it is a string.
    std::optional<std::string> string(std::string_view key) const;

private:
    explicit BundleInfo(Json values) : values_(std::move(values)) {}

    Json values_ = Json::object();
};

} // namespace tarvo
