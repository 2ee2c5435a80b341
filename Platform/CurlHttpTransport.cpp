#include "Platform/CurlHttpTransport.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <array>
#include <chrono>
#include <coroutine>
#include <cstdint>
#include <utility>

#include "Platform/CurlTransfer.h"
#include "TarvoBase/RunLoop.h"

namespace tarvo {
namespace {

// Handles kept for reuse once their transfers end; more are made when more run at once.
constexpr std::size_t spareLimit = 16;
const std::string shutDown = "the HTTP transport was shut down";

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
    events_.reset(epoll_create1(EPOLL_CLOEXEC));
    multi_.reset(curl_multi_init());
    wakeup_.reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    epoll_event wakeup{};
    wakeup.events = EPOLLIN;
    wakeup.data.fd = wakeup_.get();
    if (!share_ || !multi_ || !events_.isOpen() || !wakeup_.isOpen() ||
        epoll_ctl(events_.get(), EPOLL_CTL_ADD, wakeup_.get(), &wakeup) != 0 ||
        curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) != CURLSHE_OK ||
        curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION) != CURLSHE_OK ||
        curl_multi_setopt(multi_.get(), CURLMOPT_SOCKETFUNCTION, watchSocket) != CURLM_OK ||
        curl_multi_setopt(multi_.get(), CURLMOPT_SOCKETDATA, this) != CURLM_OK ||
        curl_multi_setopt(multi_.get(), CURLMOPT_TIMERFUNCTION, setTimer) != CURLM_OK ||
        curl_multi_setopt(multi_.get(), CURLMOPT_TIMERDATA, this) != CURLM_OK) {
        throw Failure("could not start the HTTP transport");
    }
    thread_ = std::thread([this] { serve(); });
}

CurlHttpTransport::~CurlHttpTransport() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake();
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
        transfer->fail(shutDown);
        return;
    }
    wake();
}

void CurlHttpTransport::wake() {
    const std::uint64_t one = 1;
    static_cast<void>(::write(wakeup_.get(), &one, sizeof(one)));
}

int CurlHttpTransport::watchSocket(CURL*, curl_socket_t socket, int what, void* opaque, void*) {
    const int events = static_cast<CurlHttpTransport*>(opaque)->events_.get();
    // curl says so before it closes the socket, so the descriptor is still this socket's.
    if (what == CURL_POLL_REMOVE) {
        epoll_ctl(events, EPOLL_CTL_DEL, socket, nullptr);
        return 0;
    }
    epoll_event watch{};
    watch.events = (what & CURL_POLL_IN ? EPOLLIN : 0u) | (what & CURL_POLL_OUT ? EPOLLOUT : 0u);
    watch.data.fd = socket;
    if (epoll_ctl(events, EPOLL_CTL_ADD, socket, &watch) == 0) return 0;
    return errno == EEXIST && epoll_ctl(events, EPOLL_CTL_MOD, socket, &watch) == 0 ? 0 : -1;
}

int CurlHttpTransport::setTimer(CURLM*, long milliseconds, void* opaque) {
    auto* transport = static_cast<CurlHttpTransport*>(opaque);
    transport->curlDue_.reset();
    if (milliseconds >= 0) transport->curlDue_ = transport->clock_->now() + std::chrono::milliseconds(milliseconds);
    return 0;
}

void CurlHttpTransport::serve() {
    std::array<epoll_event, 64> ready;
    for (;;) {
        const int count = epoll_wait(events_.get(), ready.data(), static_cast<int>(ready.size()), waitMilliseconds());
        for (int i = 0; i < count; ++i) {
            if (ready[i].data.fd != wakeup_.get()) {
                act(ready[i].data.fd, static_cast<int>(ready[i].events));
            } else if (!takeArriving()) {
                failAll(shutDown);
                return;
            }
        }
        if (curlDue_ && *curlDue_ <= clock_->now()) {
            curlDue_.reset();
            int active = 0;
            curl_multi_socket_action(multi_.get(), CURL_SOCKET_TIMEOUT, 0, &active);
        }
        collectFinished();
        failIdle();
    }
}

// False once the transport is stopping.
bool CurlHttpTransport::takeArriving() {
    std::uint64_t wakes = 0;
    static_cast<void>(::read(wakeup_.get(), &wakes, sizeof(wakes)));
    std::vector<std::shared_ptr<CurlTransfer>> arriving;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return false;
        arriving.swap(arriving_);
    }
    for (auto& transfer : arriving) begin(std::move(transfer));
    return true;
}

void CurlHttpTransport::act(curl_socket_t socket, int events) {
    int flags = 0;
    if (events & EPOLLIN) flags |= CURL_CSELECT_IN;
    if (events & EPOLLOUT) flags |= CURL_CSELECT_OUT;
    if (events & (EPOLLERR | EPOLLHUP)) flags |= CURL_CSELECT_ERR;
    int active = 0;
    curl_multi_socket_action(multi_.get(), socket, flags, &active);
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

// Until curl's next time-out or the first idle deadline, whichever is sooner; -1 for neither.
int CurlHttpTransport::waitMilliseconds() const {
    std::optional<Clock::Instant> due = curlDue_;
    for (const auto& [easy, running] : running_) {
        const auto deadline = running.transfer->idleDeadline();
        if (!due || deadline < *due) due = deadline;
    }
    if (!due) return -1;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - clock_->now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0));
}

} // namespace tarvo
