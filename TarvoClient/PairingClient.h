#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "TarvoBase/Json.h"
#include "TarvoBase/Task.h"
#include "TarvoClient/ClientIdentity.h"
#include "TarvoClient/HttpTransport.h"
#include "TarvoClient/PairingClientFailure.h"

namespace tarvo {

// The two unauthenticated calls of pairing a Mac by a device code: start, then poll until the
// user approves or refuses in the browser or the code runs out. Keeps no state between calls,
// so calls may run concurrently and a copy serves as well as the original.
class PairingClient {
public:
    using Failure = PairingClientFailure;

    // The service's times are bounded so that no answer can overflow a deadline built on them.
    static constexpr std::int64_t longestExpirySeconds = 24 * 60 * 60;
    static constexpr std::int64_t longestIntervalSeconds = 60 * 60;

    struct Started {
        std::string userCode;
        std::string deviceCode;
        std::string verificationUrl;
        // 0 to `longestExpirySeconds`.
        std::int64_t expiresInSeconds = 600;
        // 1 to `longestIntervalSeconds`.
        std::int64_t intervalSeconds = 3;

        bool operator==(const Started&) const = default;
    };

    struct Approved {
        std::string accessToken;
        std::string refreshToken;
        std::string deviceId;
        std::string userId;

        bool operator==(const Approved&) const = default;
    };
    struct Pending {
        bool operator==(const Pending&) const = default;
    };
    struct Denied {
        bool operator==(const Denied&) const = default;
    };
    struct Expired {
        bool operator==(const Expired&) const = default;
    };
    using Poll = std::variant<Approved, Pending, Denied, Expired>;

    PairingClient(std::string baseURL, ClientIdentity identity, std::shared_ptr<HttpTransport> session);

    // `extra` is a JSON object of fields describing this Mac; the identity's platform and
    // device name replace members of those names.
    Task<Started> start(Json extra) const;
    Task<Poll> poll(std::string deviceCode) const;

private:
    static Task<Started> startAs(PairingClient client, Json extra);
    static Task<Poll> pollAs(PairingClient client, std::string deviceCode);
    // The answer's JSON object; a body that is not one reads as an empty object.
    static Task<Json> post(PairingClient client, std::string path, Json body);

    std::string baseURL_;
    ClientIdentity identity_;
    std::shared_ptr<HttpTransport> session_;
};

} // namespace tarvo
