#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

#include <filesystem>
#include <map>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

const std::map<std::string, std::string, std::less<>>& typesByExtension() {
    static const std::map<std::string, std::string, std::less<>> types{
        {"jpg", "image/jpeg"},       {"jpeg", "image/jpeg"},   {"png", "image/png"},      {"heic", "image/heic"},
        {"gif", "image/gif"},        {"webp", "image/webp"},   {"tiff", "image/tiff"},    {"avif", "image/avif"},
        {"mov", "video/quicktime"},  {"mp4", "video/mp4"},     {"m4v", "video/mp4"},      {"3gp", "video/3gpp"},
        {"pdf", "application/pdf"},  {"txt", "text/plain"},    {"csv", "text/csv"},       {"md", "text/markdown"},
        {"vcf", "text/vcard"},       {"caf", "audio/x-caf"},   {"amr", "audio/amr"},      {"m4a", "audio/x-m4a"},
        {"mp3", "audio/mpeg"},       {"wav", "audio/wav"},
    };
    return types;
}

} // namespace

std::string ChatDatabase::extensionOf(const std::optional<std::string>& filename) {
    if (!filename) return "";
    const std::string dotted = std::filesystem::path(lastPathComponent(*filename)).extension().string();
    return Text::lowercased(dotted.empty() ? dotted : dotted.substr(1));
}

ChatDatabase::ResolvedType ChatDatabase::resolveType(const std::optional<std::string>& mimeType,
                                                     const std::optional<std::string>& uti,
                                                     const std::optional<std::string>& filename) {
    const std::string ext = extensionOf(filename);
    const std::string u = Text::lowercased(uti.value_or(""));
    if (ext == "pluginpayloadattachment") return {"application/octet-stream", "link"};
    if (u == "com.apple.coreaudio-format") return {"audio/x-caf", "voice"};
    if (u == "org.3gpp.adaptive-multi-rate-audio") return {"audio/amr", "voice"};
    if (mimeType) {
        std::string trimmed = Text::trimmingWhitespace(*mimeType);
        if (!trimmed.empty()) return {std::move(trimmed), std::nullopt};
    }
    if (auto known = typesByExtension().find(ext); known != typesByExtension().end()) {
        return {known->second, std::nullopt};
    }
    return {"application/octet-stream", std::nullopt};
}

} // namespace tarvo
