#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "Platform/CurlHttpTransport.h"
#include "Support/FakeService.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoClient/BrainClient.h"

namespace tarvo::testing {

// A signed-in client of the loopback service, and ways to run its calls to the end.
struct EndpointTest : ::testing::Test {
    RunLoop loop;
    FakeService service;

    std::shared_ptr<BrainClient> client(std::optional<std::string> baseURL = {}, bool signedIn = true) {
        std::optional<BrainClient::Credentials> credentials;
        if (signedIn) credentials = BrainClient::Credentials{"access-1", "refresh-1", "device-9"};
        return std::make_shared<BrainClient>(baseURL.value_or(service.baseURL()),
                                             ClientIdentity{"macos", 1234, "1.2.3", "Test Mac", std::nullopt},
                                             std::move(credentials), std::make_shared<CurlHttpTransport>());
    }

    template <class T>
    T run(Task<T> task) {
        return runUntilDone(loop, std::move(task));
    }

    // The failure's description, or "" when the call succeeded.
    template <class T>
    std::string failureOf(Task<T> task) {
        try {
            runUntilDone(loop, std::move(task));
            return "";
        } catch (const BrainClient::Failure& failure) {
            return failure.description();
        }
    }

    // The body of the one request sent, as JSON.
    Json onlyBodySent() {
        auto sent = service.requests();
        EXPECT_EQ(sent.size(), 1u);
        return sent.empty() ? Json() : Json::parse(sent.back().body);
    }
};

} // namespace tarvo::testing
