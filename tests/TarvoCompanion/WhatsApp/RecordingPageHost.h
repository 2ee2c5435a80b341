#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TarvoCore/WhatsApp/PageHost.h"

namespace tarvo::testing {

// A page host in front of another that keeps what reached the page and in which of its pages:
// each script, and "insertText" or "pressReturn" for input, with the number of pages that had
// ended before it.
class RecordingPageHost final : public PageHost {
public:
    struct Call {
        std::string what;
        int pagesEndedBefore = 0;
    };

    explicit RecordingPageHost(std::shared_ptr<PageHost> inner) : inner_(std::move(inner)) {}

    std::vector<Call> calls;
    int pagesEnded() const { return *pagesEnded_; }

    void setUserAgent(std::string value) override { inner_->setUserAgent(std::move(value)); }
    void addScriptAtDocumentStart(std::string source) override { inner_->addScriptAtDocumentStart(std::move(source)); }
    void setPageSize(int width, int height) override { inner_->setPageSize(width, height); }
    void onPageEnd(std::function<void()> ended) override {
        inner_->onPageEnd([count = pagesEnded_, ended = std::move(ended)] {
            ++*count;
            if (ended) ended();
        });
    }
    Task<void> navigate(std::string address, Duration within) override {
        return inner_->navigate(std::move(address), within);
    }
    Task<std::optional<std::string>> currentAddress(Duration within) override { return inner_->currentAddress(within); }
    Task<std::optional<std::string>> evaluate(std::string script, Duration within) override {
        record(script);
        return inner_->evaluate(std::move(script), within);
    }
    Task<std::optional<std::string>> callAsyncFunction(std::string body, Json arguments, Duration within) override {
        record(body);
        return inner_->callAsyncFunction(std::move(body), std::move(arguments), within);
    }
    Task<void> insertText(std::string text, Duration within) override {
        record("insertText");
        return inner_->insertText(std::move(text), within);
    }
    Task<void> pressReturn(Duration within) override {
        record("pressReturn");
        return inner_->pressReturn(within);
    }
    Task<std::string> captureScreenshot(Duration within) override { return inner_->captureScreenshot(within); }

private:
    void record(const std::string& what) { calls.push_back({what, *pagesEnded_}); }

    const std::shared_ptr<PageHost> inner_;
    // Shared with the inner host's hook, which may outlive this.
    const std::shared_ptr<int> pagesEnded_ = std::make_shared<int>(0);
};

} // namespace tarvo::testing
