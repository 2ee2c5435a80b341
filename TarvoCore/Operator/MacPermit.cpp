#include "TarvoCore/Operator/MacPermit.h"

namespace tarvo {
namespace {

std::vector<std::string> strings(const JSONValue::Object& permit, const std::string& key) {
    std::vector<std::string> out;
    const auto found = permit.find(key);
    if (found == permit.end()) return out;
    const auto* elements = std::get_if<JSONValue::Array>(&found->second.value());
    if (!elements) return out;
    for (const JSONValue& element : *elements) {
        if (out.size() == MacPermit::maxEntries) break;
        if (auto text = element.string()) out.push_back(std::move(*text));
    }
    return out;
}

} // namespace

std::optional<MacPermit> MacPermit::from(const std::optional<JSONValue::Object>& permit) {
    if (!permit) return std::nullopt;
    const auto sent = permit->find("mode");
    if (sent == permit->end()) return std::nullopt;
    const auto text = sent->second.string();
    const auto mode = text ? macPermissionMode(*text) : std::nullopt;
    if (!mode) return std::nullopt;
    return MacPermit{*mode, strings(*permit, "folders"), strings(*permit, "apps")};
}

} // namespace tarvo
