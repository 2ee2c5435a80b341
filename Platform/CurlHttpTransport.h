#pragma once

#include <optional>
#include <string>

#include "TarvoClient/HttpTransport.h"

namespace tarvo {

// HTTP and HTTPS through libcurl, one handle per transfer. Sends exactly the headers it is
// given (no content type of its own, no "Expect: 100-continue"), follows no redirect, and
// verifies certificates.
class CurlHttpTransport : public HttpTransport {
public:
    // `caFile` replaces the system's certificate authorities, for a service with its own.
    explicit CurlHttpTransport(std::optional<std::string> caFile = std::nullopt);

    Response perform(const Request& request) override;

private:
    std::optional<std::string> caFile_;
};

} // namespace tarvo
