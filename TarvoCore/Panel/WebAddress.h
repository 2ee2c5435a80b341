#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// An absolute address taken apart into the pieces the panel judges it by. Nothing is
// normalised: hosts keep their letter case, queries stay as written.
struct WebAddress {
    std::string scheme;
    // Absent when the address names no authority or an empty one ("about:blank", "file:///x").
    std::optional<std::string> host;
    // With percent escapes decoded; for an address without an authority, all after the scheme.
    std::string path;
    // As written, without the "?"; absent when there is no "?".
    std::optional<std::string> query;

    // Nothing for text that is no absolute address: no scheme, a space or control byte, or a
    // port that is not a number.
    static std::optional<WebAddress> parse(std::string_view text);

    bool operator==(const WebAddress&) const = default;
};

} // namespace tarvo
