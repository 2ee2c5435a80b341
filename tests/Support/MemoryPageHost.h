#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "TarvoCore/WhatsApp/PageHost.h"

namespace tarvo::testing {

// The page host in memory, for the channel's logic without a browser: it keeps what is asked
// of the page and answers every script through `answer`, which may throw a
// `PageHost::Failure` to stand for a script that threw, a deadline or a browser that went.
class MemoryPageHost final : public PageHost {
public:
    // The script's text and, for an asynchronous function, its arguments (null for `evaluate`).
    using Answer = std::function<std::optional<std::string>(const std::string& script, const Json& arguments)>;

    Answer answer = [](const std::string&, const Json&) -> std::optional<std::string> { return std::nullopt; };

    std::string userAgent;
    std::vector<std::string> documentStartScripts;
    std::vector<std::string> navigations;
    std::optional<std::string> address;
    // Every script run, in order.
    std::vector<std::string> scripts;
    // What was typed into the page, a Return as "\r".
    std::string typed;

    void setUserAgent(std::string value) override { userAgent = std::move(value); }
    void addScriptAtDocumentStart(std::string source) override { documentStartScripts.push_back(std::move(source)); }

    Task<void> navigate(std::string to, Duration) override {
        navigations.push_back(to);
        address = std::move(to);
        co_return;
    }
    Task<std::optional<std::string>> currentAddress(Duration) override { co_return address; }

    Task<std::optional<std::string>> evaluate(std::string script, Duration) override {
        scripts.push_back(script);
        co_return answer(script, Json());
    }
    Task<std::optional<std::string>> callAsyncFunction(std::string body, Json arguments, Duration) override {
        scripts.push_back(body);
        co_return answer(body, arguments);
    }

    Task<void> insertText(std::string text, Duration) override {
        typed += text;
        co_return;
    }
    Task<void> pressReturn(Duration) override {
        typed += "\r";
        co_return;
    }
};

} // namespace tarvo::testing
