#include "Platform/CurlHttpTransport.h"

#include <algorithm>
#include <chrono>
#include <coroutine>
#include <utility>

#include "Platform/CurlTransfer.h"
#include "TarvoBase/RunLoop.h"

namespace tarvo {
namespace {

// Handles kept for reuse once their transfers end; more are made when more run at once.
constexpr std::size_t spareLimit = 16;
// The longest the I/O thread sleeps with nothing to watch; a new transfer wakes it at once.
constexpr std::chrono::milliseconds longestPoll = std::chrono::minutes(1);

} // namespace

// Hands the transfer to the I/O thread once the task has suspended, and keeps the task's loop
// waiting for the outcome.
class CurlHttpTransport::Handover {
public:
    Handover(CurlHttpTransport& transport, std::shared_ptr<CurlTransfer> transfer)
        : transport_(transport), transfer_(std::move(transfer)) {}
    ~Handover() { transfer_->abandon(); }

    Handover(const Handover&) = delete;
    Handover& operator=(const Handover&) = delete;

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> awaiting) {
        RunLoop& loop = RunLoop::current();
        hold_.emplace(loop);
        transfer_->awaitOn(loop, awaiting);
        transport_.start(transfer_);
    }
    Response await_resume() { return transfer_->take(); }

private:
    CurlHttpTransport& transport_;
    std::shared_ptr<CurlTransfer> transfer_;
    std::optional<RunLoop::Hold> hold_;
};

CurlHttpTransport::CurlHttpTransport(std::optional<std::string> caFile, std::shared_ptr<Clock> clock)
    : caFile_(std::move(caFile)), clock_(std::move(clock)) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    share_.reset(curl_share_init());
    multi_.reset(curl_multi_init());
    if (!share_ || !multi_ || curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) != CURLSHE_OK ||
        curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION) != CURLSHE_OK) {
        throw Failure("could not start the HTTP transport");
    }
    thread_ = std::thread([this] { serve(); });
}

CurlHttpTransport::~CurlHttpTransport() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    curl_multi_wakeup(multi_.get());
    thread_.join();
}

Task<HttpTransport::Response> CurlHttpTransport::perform(Request request) {
    Handover handover(*this, std::make_shared<CurlTransfer>(std::move(request)));
    co_return co_await handover;
}

void CurlHttpTransport::start(std::shared_ptr<CurlTransfer> transfer) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            arriving_.push_back(std::move(transfer));
            transfer = nullptr;
        }
    }
    if (transfer) {
        transfer->fail("the HTTP transport was shut down");
        return;
    }
    curl_multi_wakeup(multi_.get());
}

void CurlHttpTransport::serve() {
    std::vector<std::shared_ptr<CurlTransfer>> arriving;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
            arriving.swap(arriving_);
        }
        for (auto& transfer : arriving) begin(std::move(transfer));
        arriving.clear();
        int active = 0;
        curl_multi_perform(multi_.get(), &active);
        collectFinished();
        failIdle();
        curl_multi_poll(multi_.get(), nullptr, 0, pollMilliseconds(), nullptr);
    }
    failAll("the HTTP transport was shut down");
}

void CurlHttpTransport::begin(std::shared_ptr<CurlTransfer> transfer) {
    CurlEasy easy;
    if (spare_.empty()) {
        easy.reset(curl_easy_init());
    } else {
        easy = std::move(spare_.back());
        spare_.pop_back();
    }
    if (!easy) {
        transfer->fail("could not start a transfer");
        return;
    }
    try {
        transfer->prepare(easy.get(), share_.get(), caFile_, *clock_);
    } catch (const Failure& failure) {
        transfer->fail(failure.what());
        recycle(std::move(easy));
        return;
    }
    if (curl_multi_add_handle(multi_.get(), easy.get()) != CURLM_OK) {
        transfer->fail("could not start a transfer");
        recycle(std::move(easy));
        return;
    }
    CURL* key = easy.get();
    running_.emplace(key, Running{std::move(easy), std::move(transfer)});
}

void CurlHttpTransport::collectFinished() {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
        if (message->msg != CURLMSG_DONE) continue;
        const CURLcode code = message->data.result;
        Running done = end(message->easy_handle);
        done.transfer->finish(done.easy.get(), code);
        recycle(std::move(done.easy));
    }
}

void CurlHttpTransport::failIdle() {
    const auto now = clock_->now();
    std::vector<CURL*> idle;
    for (const auto& [easy, running] : running_) {
        if (running.transfer->idleDeadline() <= now) idle.push_back(easy);
    }
    for (CURL* easy : idle) {
        Running stalled = end(easy);
        stalled.transfer->fail(stalled.transfer->idleFailure());
        recycle(std::move(stalled.easy));
    }
}

void CurlHttpTransport::failAll(const std::string& text) {
    while (!running_.empty()) end(running_.begin()->first).transfer->fail(text);
    std::vector<std::shared_ptr<CurlTransfer>> arriving;
    {
        std::lock_guard lock(mutex_);
        arriving.swap(arriving_);
    }
    for (const auto& transfer : arriving) transfer->fail(text);
}

CurlHttpTransport::Running CurlHttpTransport::end(CURL* easy) {
    auto node = running_.extract(easy);
    curl_multi_remove_handle(multi_.get(), easy);
    return std::move(node.mapped());
}

void CurlHttpTransport::recycle(CurlEasy easy) {
    if (spare_.size() >= spareLimit) return;
    curl_easy_reset(easy.get());
    spare_.push_back(std::move(easy));
}

int CurlHttpTransport::pollMilliseconds() const {
    auto wait = longestPoll;
    const auto now = clock_->now();
    for (const auto& [easy, running] : running_) {
        wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(running.transfer->idleDeadline() - now));
    }
    return static_cast<int>(std::max(wait, std::chrono::milliseconds(0)).count());
}

} // namespace tarvo
