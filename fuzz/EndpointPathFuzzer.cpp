#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "TarvoBase/Text.h"
#include "TarvoClient/BrainClientFailure.h"
#include "TarvoClient/PathSegment.h"
#include "TarvoDesign/Endpoints/TarvoEndpoint.h"

// Ids from the service or from local files, made into request paths: the endpoint catalogue's
// `path` (first byte even; the next two bytes pick the endpoint, then each parameter's value is
// a length byte and that many bytes) or the service client's `pathSegment` (odd; the rest is the
// id).
//
// Each value is one segment of the path whatever it holds: the path has the template's segments,
// its own ones unchanged, and each parameter's segment decodes to exactly its value, holds no
// "/", "?" or "#", and is never "." or "..". A parameter left without a value is refused. The
// client's segment holds only unreserved ASCII and escapes, and it refuses exactly the ids that
// would name another path: "", "." and "..".
namespace {

using namespace tarvo;
using fuzz::require;

std::vector<std::string_view> segments(std::string_view path) {
    std::vector<std::string_view> parts;
    require(path.starts_with('/'));
    path.remove_prefix(1);
    for (auto slash = path.find('/'); slash != std::string_view::npos; slash = path.find('/')) {
        parts.push_back(path.substr(0, slash));
        path.remove_prefix(slash + 1);
    }
    parts.push_back(path);
    return parts;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The segment's escapes undone; nothing when an escape is not "%" and two upper-case hex digits.
std::optional<std::string> decoded(std::string_view segment) {
    std::string out;
    for (std::size_t at = 0; at < segment.size(); ++at) {
        if (segment[at] != '%') {
            out += segment[at];
            continue;
        }
        if (at + 2 >= segment.size()) return std::nullopt;
        const int high = hexDigit(segment[at + 1]);
        const int low = hexDigit(segment[at + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        at += 2;
    }
    return out;
}

void requireOneSegment(std::string_view segment, std::string_view value) {
    require(segment.find_first_of("/?#") == std::string_view::npos);
    require(segment != "." && segment != "..");
    require(decoded(segment) == std::string(value));
}

bool isUnreservedAscii(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

void clientSegment(std::string_view id) {
    std::optional<std::string> segment;
    try {
        segment = pathSegment(id, "fuzzed id");
    } catch (const BrainClientFailure& failure) {
        require(failure.kind() == BrainClientFailure::Kind::transport);
    }
    require(segment.has_value() == (id != "" && id != "." && id != ".."));
    if (!segment) return;
    requireOneSegment(*segment, id);
    for (std::size_t at = 0; at < segment->size(); ++at) {
        if ((*segment)[at] == '%') {
            at += 2;
            continue;
        }
        require(isUnreservedAscii((*segment)[at]));
    }
}

void catalogue(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return;
    const TarvoEndpoint endpoint = TarvoEndpoint::allCases()[(data[0] << 8 | data[1]) % TarvoEndpoint::caseCount];
    data += 2;
    size -= 2;

    // The template's segments, and the names of its parameters in order.
    const std::vector<std::string_view> shape = segments(endpoint.template_());
    TarvoEndpoint::Parameters parameters;
    bool lacking = false;
    for (const std::string_view part : shape) {
        if (!part.starts_with(':')) continue;
        const std::string name(part.substr(1, Text::letterOrNumberPrefixLength(part.substr(1))));
        if (size == 0) {
            lacking = true;
            continue;
        }
        const std::size_t length = std::min<std::size_t>(data[0], size - 1);
        parameters[name] = std::string(fuzz::text(data + 1, length));
        data += 1 + length;
        size -= 1 + length;
    }

    std::optional<std::string> path;
    try {
        path = endpoint.path(parameters);
    } catch (const std::invalid_argument&) {
    }
    require(path.has_value() == !lacking);
    if (!path) return;
    require(endpoint.route(parameters) == "v1" + *path);

    const std::vector<std::string_view> made = segments(*path);
    require(made.size() == shape.size());
    for (std::size_t index = 0; index < shape.size(); ++index) {
        const std::string_view part = shape[index];
        if (!part.starts_with(':')) {
            require(made[index] == part);
            continue;
        }
        const std::size_t nameLength = Text::letterOrNumberPrefixLength(part.substr(1));
        const std::string_view rest = part.substr(1 + nameLength);
        require(made[index].ends_with(rest));
        const std::string_view value = made[index].substr(0, made[index].size() - rest.size());
        requireOneSegment(value, parameters.at(std::string(part.substr(1, nameLength))));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if (data[0] % 2 == 0) {
        catalogue(data + 1, size - 1);
    } else {
        clientSegment(fuzz::text(data + 1, size - 1));
    }
    return 0;
}
