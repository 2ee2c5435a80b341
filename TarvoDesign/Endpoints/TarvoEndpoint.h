#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarvo {

// One endpoint of the service's HTTP API: its path template below the version prefix, its
// method, the caller the service admits, and the refusals the service may answer with. Pure
// data: the columns are constants of each case. The companion's service client builds the
// paths it calls itself; this catalogue describes the whole API once.
class TarvoEndpoint {
public:
    // The case's name is its raw value ("claimRelayJobs"); in ascending order of the names.
    enum Case : std::uint16_t {
#include "TarvoDesign/Endpoints/TarvoEndpointCases.inc"
    };
    static constexpr std::size_t caseCount = 363;

    struct Refusal {
        std::string_view code;
        std::string_view sentence;
    };
    // Parameter name to value.
    using Parameters = std::map<std::string, std::string, std::less<>>;

    // The version prefix of every path.
    static constexpr std::string_view prefix = "/v1";

    constexpr TarvoEndpoint(Case value) : value_(value) {}

    // Every case, in declaration order.
    static const std::array<TarvoEndpoint, caseCount>& allCases();
    // The case named exactly so (letter case counts), or none.
    static std::optional<TarvoEndpoint> fromRawValue(std::string_view name);

    Case value() const { return value_; }
    std::string_view rawValue() const;
    // Begins with "/"; a segment ":name" is a parameter.
    std::string_view template_() const;
    // "GET", "POST", "PUT", "PATCH" or "DELETE".
    std::string_view method() const;
    // "user", "owner_admin", "none", "api_key", "connector" or "oauth_client".
    std::string_view auth() const;
    // Refusal code to its sentence, a new dictionary on each call.
    std::map<std::string, std::string> refusals() const;
    // The same, as the case's static list.
    std::span<const Refusal> refusalList() const;

    // The template with each parameter replaced by its value, encoded: letters, numbers and
    // "-._~" stay, every other byte (a "/" included) is percent-encoded, and a value that is
    // exactly "." or ".." is encoded whole, so that no value can add, remove or climb a path
    // segment. Parameters the template does not name are ignored. A parameter it names but
    // `parameters` lacks throws std::invalid_argument: such a path is never to be sent.
    std::string path(const Parameters& parameters) const;
    // The prefix and the path without the leading "/", to resolve against a base address:
    // "v1/relay/jobs/claim".
    std::string route(const Parameters& parameters) const;

    bool operator==(const TarvoEndpoint&) const = default;

private:
    Case value_;
};

} // namespace tarvo

template <>
struct std::hash<tarvo::TarvoEndpoint> {
    std::size_t operator()(const tarvo::TarvoEndpoint& endpoint) const noexcept {
        return std::hash<std::uint16_t>()(endpoint.value());
    }
};
