#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/CurlHttpTransport.h"
#include "Support/FakeService.h"
#include "TarvoClient/BrainClient.h"

namespace tarvo::testing {

// The service on 127.0.0.1 as the capture passes meet it: a client signed in to it, and the
// messages it was handed.
inline std::shared_ptr<BrainClient> clientSignedInTo(const FakeService& service) {
    return std::make_shared<BrainClient>(service.baseURL(),
                                         ClientIdentity{"macos", 1234, "1.2.3", "Test Mac", std::nullopt},
                                         BrainClient::Credentials{"access-1", "refresh-1", "device-9"},
                                         std::make_shared<CurlHttpTransport>());
}

inline std::vector<Json> ingestedBodies(const FakeService& service) {
    std::vector<Json> bodies;
    for (const auto& request : service.requests("POST", "/v1/ingest")) bodies.push_back(Json::parse(request.body));
    return bodies;
}

inline std::vector<std::string> ingestedIds(const FakeService& service) {
    std::vector<std::string> ids;
    for (const Json& body : ingestedBodies(service)) ids.push_back(body.at("externalMessageId").get<std::string>());
    return ids;
}

} // namespace tarvo::testing
