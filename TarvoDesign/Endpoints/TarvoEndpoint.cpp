#include "TarvoDesign/Endpoints/TarvoEndpoint.h"

#include <algorithm>
#include <stdexcept>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

// "." and ".." are unreserved, yet as a whole segment they name the current or the parent
// folder, and address resolution folds them away; encoded, they are plain text.
std::string encodedValue(std::string_view value) {
    if (value == ".") return "%2E";
    if (value == "..") return "%2E%2E";
    return Text::percentEncoded(value, "-._~");
}

} // namespace

std::optional<TarvoEndpoint> TarvoEndpoint::fromRawValue(std::string_view name) {
    const auto& cases = allCases();
    const auto found = std::lower_bound(cases.begin(), cases.end(), name, [](TarvoEndpoint endpoint, std::string_view wanted) {
        return endpoint.rawValue() < wanted;
    });
    if (found == cases.end() || found->rawValue() != name) return std::nullopt;
    return *found;
}

std::map<std::string, std::string> TarvoEndpoint::refusals() const {
    std::map<std::string, std::string> byCode;
    for (const Refusal& refusal : refusalList()) byCode.emplace(refusal.code, refusal.sentence);
    return byCode;
}

std::string TarvoEndpoint::path(const Parameters& parameters) const {
    std::string out;
    std::string_view rest = template_();
    for (std::size_t colon = rest.find(':'); colon != std::string_view::npos; colon = rest.find(':')) {
        out += rest.substr(0, colon);
        rest.remove_prefix(colon + 1);
        const std::string_view name = rest.substr(0, Text::letterOrNumberPrefixLength(rest));
        const auto value = parameters.find(name);
        if (value == parameters.end()) {
            throw std::invalid_argument("the path of " + std::string(rawValue()) + " needs a value for " +
                                        std::string(name));
        }
        out += encodedValue(value->second);
        rest.remove_prefix(name.size());
    }
    out += rest;
    return out;
}

std::string TarvoEndpoint::route(const Parameters& parameters) const {
    return std::string(prefix.substr(1)) + path(parameters);
}

} // namespace tarvo
