#pragma once

#include <gtest/gtest.h>
#include <strings.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "Platform/CurlHttpTransport.h"
#include "Support/CapturedPlainLog.h"
#include "Support/LoopWithFakeClock.h"
#include "TarvoBase/Spawn.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoClient/MemoryHttpTransport.h"

namespace tarvo::testing {

inline const ClientIdentity testIdentity{"macos", 1234, "1.2.3", "Test Mac", std::nullopt};
inline const BrainClient::Credentials signedIn{"access-1", "refresh-1", "device-9"};

// Every token pair a client hands its owner, in order.
struct TokensHeard {
    std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> pairs;

    BrainClient::TokensCallback callback() {
        return [this](const std::string& access, const std::string& refresh) {
            std::lock_guard lock(mutex);
            pairs.emplace_back(access, refresh);
        };
    }
};

// Service clients on a loop with a fake clock. `service` is the service in memory, for tests
// that judge answers; a test of the bytes on the wire gives `clientAt` the URL of a loopback
// server instead.
struct ClientTest : ::testing::Test, LoopWithFakeClock {
    static constexpr const char* memoryURL = "https://tarvo.test";

    std::shared_ptr<MemoryHttpTransport> memory = std::make_shared<MemoryHttpTransport>();
    MemoryHttpTransport& service = *memory;
    CapturedPlainLog log;
    TokensHeard heard;

    std::shared_ptr<BrainClient> client(std::optional<BrainClient::Credentials> credentials = signedIn) {
        return clientOf(memory, memoryURL, std::move(credentials));
    }

    // A client that reaches `baseURL` through curl.
    std::shared_ptr<BrainClient> clientAt(const std::string& baseURL,
                                          std::optional<BrainClient::Credentials> credentials = signedIn) {
        return clientOf(std::make_shared<CurlHttpTransport>(), baseURL, std::move(credentials));
    }

    std::shared_ptr<BrainClient> clientOf(std::shared_ptr<HttpTransport> transport, const std::string& baseURL,
                                          std::optional<BrainClient::Credentials> credentials = signedIn) {
        return std::make_shared<BrainClient>(baseURL, testIdentity, std::move(credentials), std::move(transport),
                                             heard.callback());
    }

    template <class T>
    T run(Task<T> task) {
        return runUntilDone(loop, std::move(task));
    }

    // The value, or the failure's description.
    template <class T, class Failure = BrainClient::Failure>
    std::variant<T, std::string> outcome(Task<T> task) {
        try {
            return run(std::move(task));
        } catch (const Failure& failure) {
            return failure.description();
        }
    }

    // The failure's description, or "" when the call succeeded.
    template <class T>
    std::string failureOf(Task<T> task) {
        try {
            run(std::move(task));
            return "";
        } catch (const BrainClient::Failure& failure) {
            return failure.description();
        }
    }

    static Json bodyOf(const HttpTransport::Request& request) {
        return request.body ? Json::parse(*request.body) : Json();
    }

    // The value of the request's header of that name (any letter case); none when absent.
    static std::optional<std::string> headerOf(const HttpTransport::Request& request, const std::string& name) {
        for (const auto& [key, value] : request.headers) {
            if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
        }
        return std::nullopt;
    }

    // The body of the one request sent, as JSON.
    Json onlyBodySent() const {
        auto sent = service.requests();
        EXPECT_EQ(sent.size(), 1u);
        return sent.empty() ? Json() : bodyOf(sent.back());
    }

    Json lastBodySent() const {
        auto sent = service.requests();
        return sent.empty() ? Json() : bodyOf(sent.back());
    }
};

inline HttpTransport::Response jsonAnswer(int status, const Json& body) { return {status, body.dump()}; }

} // namespace tarvo::testing
