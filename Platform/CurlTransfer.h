#pragma once

#include <curl/curl.h>

#include <coroutine>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/CurlHandles.h"
#include "TarvoBase/Clock.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoClient/HttpTransport.h"

namespace tarvo {

// One exchange on the transport's I/O thread, shared by that thread and the task awaiting it.
// The I/O thread drives the curl side and hands the outcome back to the loop that awaited it;
// once the awaiting side has gone, the outcome goes nowhere.
class CurlTransfer : public std::enable_shared_from_this<CurlTransfer> {
public:
    static constexpr std::size_t answerLimit = std::size_t{64} * 1024 * 1024;

    // Refuses, before anything is sent, a header that would not reach the other end as given.
    explicit CurlTransfer(HttpTransport::Request request);

    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // The awaiting side, on its loop's thread.
    void awaitOn(RunLoop& loop, std::coroutine_handle<> waiter);
    void abandon();
    HttpTransport::Response take();

    // The I/O thread. `prepare` readies a fresh or reset handle and starts the idle time.
    void prepare(CURL* easy, CURLSH* share, const std::optional<std::string>& caFile, const Clock& clock);
    Clock::Instant idleDeadline() const { return lastActivity_ + request_.timeout; }
    void finish(CURL* easy, CURLcode code);
    void fail(std::string text);
    std::string idleFailure() const;

private:
    using Outcome = std::variant<HttpTransport::Response, HttpTransport::Failure>;

    static std::size_t collectBody(char* data, std::size_t size, std::size_t count, void* transfer);
    static std::size_t noteHeader(char* data, std::size_t size, std::size_t count, void* transfer);
    static int noteProgress(void* transfer, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                            curl_off_t upNow);
    void moved() { lastActivity_ = clock_->now(); }
    void deliver(Outcome outcome);
    void resumeWaiter();

    const HttpTransport::Request request_;
    const CurlHeaderList headers_;

    const Clock* clock_ = nullptr;
    Clock::Instant lastActivity_{};
    curl_off_t downloaded_ = 0;
    curl_off_t uploaded_ = 0;
    std::string body_;
    std::vector<std::string> setCookies_;
    bool tooLarge_ = false;
    char errorText_[CURL_ERROR_SIZE] = {};
    std::optional<Outcome> outcome_;

    std::mutex mutex_;
    RunLoop* loop_ = nullptr;
    std::coroutine_handle<> waiter_;
};

} // namespace tarvo
