#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Timer.h"
#include "TarvoCore/WhatsApp/PageHost.h"

namespace tarvo::testing {

// The page host in memory, for the channel's logic without a browser: it keeps what is asked
// of the page and answers every script through `answer`, which may throw a
// `PageHost::Failure` to stand for a script that threw, a deadline or a browser that went.
// A script for which `holds` is true is answered only when the test says so (`answerHeld`), or
// fails as a browser's call does once its deadline has passed on the loop's clock.
class MemoryPageHost final : public PageHost {
public:
    // The script's text and, for an asynchronous function, its arguments (null for `evaluate`).
    using Answer = std::function<std::optional<std::string>(const std::string& script, const Json& arguments)>;
    using Holds = std::function<bool(const std::string& script, const Json& arguments)>;

    Answer answer = [](const std::string&, const Json&) -> std::optional<std::string> { return std::nullopt; };
    Holds holds = nullptr;

    std::string userAgent;
    std::vector<std::string> documentStartScripts;
    std::optional<std::pair<int, int>> pageSize;
    std::vector<std::string> navigations;
    std::optional<std::string> address;
    // Every script run, in order.
    std::vector<std::string> scripts;
    // What was typed into the page, a Return as "\r".
    std::string typed;
    // What a screenshot shows; no picture makes the call fail.
    std::string picture = "\x89PNG\r\n\x1a\n";
    // The pages that ended so far.
    int pagesEnded = 0;

    void setUserAgent(std::string value) override { userAgent = std::move(value); }
    void addScriptAtDocumentStart(std::string source) override { documentStartScripts.push_back(std::move(source)); }
    void setPageSize(int width, int height) override { pageSize = std::pair(width, height); }
    void onPageEnd(std::function<void()> ended) override { pageEnded_ = std::move(ended); }

    Task<void> navigate(std::string to, Duration) override {
        navigations.push_back(to);
        address = std::move(to);
        co_return;
    }
    Task<std::optional<std::string>> currentAddress(Duration) override { co_return address; }

    Task<std::optional<std::string>> evaluate(std::string script, Duration within) override {
        return run(std::move(script), Json(), within);
    }
    Task<std::optional<std::string>> callAsyncFunction(std::string body, Json arguments, Duration within) override {
        return run(std::move(body), std::move(arguments), within);
    }

    Task<void> insertText(std::string text, Duration) override {
        typed += text;
        co_return;
    }
    Task<void> pressReturn(Duration) override {
        typed += "\r";
        co_return;
    }
    Task<std::string> captureScreenshot(Duration) override {
        if (picture.empty()) throw Failure(Failure::Kind::browser, "no picture");
        co_return picture;
    }

    // How many held scripts still wait for their answer.
    std::size_t waiting() const {
        std::size_t count = 0;
        for (const auto& held : held_) count += held->isSettled() ? 0 : 1;
        return count;
    }
    // Answers the oldest held script that still waits; false when none does.
    bool answerHeld(std::optional<std::string> text) {
        for (const auto& held : held_) {
            if (held->succeed(text)) return true;
        }
        return false;
    }
    // The browser went: every held script fails as a call to a browser that ended does, and the
    // next page has nothing loaded.
    void endPage() {
        ++pagesEnded;
        address.reset();
        for (const auto& held : std::exchange(held_, {})) {
            held->fail(std::make_exception_ptr(Failure(Failure::Kind::browser, "the browser ended")));
        }
        if (pageEnded_) pageEnded_();
    }

private:
    using Held = OneShotResult<std::optional<std::string>>;

    Task<std::optional<std::string>> run(std::string script, Json arguments, Duration within) {
        scripts.push_back(script);
        if (!holds || !holds(script, arguments)) co_return answer(script, arguments);
        auto held = std::make_shared<Held>();
        held_.push_back(held);
        // A timer of the loop's own, not a hold: nothing on another thread owes this answer.
        Timer deadline = RunLoop::current().schedule(within, [held] {
            held->fail(std::make_exception_ptr(Failure(Failure::Kind::deadline, "the page had not answered by its deadline")));
        });
        std::optional<std::string> text;
        try {
            text = co_await *held;
        } catch (...) {
            deadline.invalidate();
            throw;
        }
        deadline.invalidate();
        co_return text;
    }

    std::function<void()> pageEnded_;
    std::vector<std::shared_ptr<Held>> held_;
};

} // namespace tarvo::testing
