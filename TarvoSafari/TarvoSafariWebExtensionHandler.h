#pragma once

#include <string_view>

#include "TarvoBase/BundleInfo.h"
#include "TarvoBase/Json.h"

namespace tarvo {

// The native side of the browser extension: it answers the extension's hello with the version
// and build of its own bundle, and every other message with a refusal. It keeps no state between
// messages and shares nothing with the companion.
class TarvoSafariWebExtensionHandler {
public:
    static constexpr std::string_view helloKind = "tarvo.safari.hello";
    // The extension's own identifier: the subsystem of the handler's log lines.
    static constexpr std::string_view extensionIdentifier = "com.tarvo.companion.safari";

    explicit TarvoSafariWebExtensionHandler(BundleInfo bundle) : bundle_(std::move(bundle)) {}

    // The reply to one message, the bytes of a JSON object whose "kind" is the hello kind
    // exactly; anything else (not JSON, not an object, no "kind", a "kind" that is not that
    // string) is refused. No other member is read.
    Json answer(std::string_view message) const;
    // {"ok": false, "error": "unknown_kind"}, and its log line.
    static Json refusal();

private:
    BundleInfo bundle_;
};

} // namespace tarvo
