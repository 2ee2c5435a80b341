#pragma once

#include "Support/FakeService.h"
#include "TarvoBase/Json.h"

namespace tarvo::testing {

// The service's answers to a pairing it starts with the code "WXYZ-1234" and keeps pending.
inline void answerPendingPairing(FakeService& service) {
    service.answerJson("POST", "/v1/devices/pair/start", 200,
                       Json{{"userCode", "WXYZ-1234"},
                            {"deviceCode", "device-code-1"},
                            {"verificationUrl", "https://tarvo.example/pair"},
                            {"expiresInSeconds", 900},
                            {"intervalSeconds", 5}});
    service.answerJson("POST", "/v1/devices/pair/poll", 200, Json{{"status", "pending"}});
}

} // namespace tarvo::testing
