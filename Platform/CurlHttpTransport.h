#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Platform/CurlHandles.h"
#include "TarvoBase/Clock.h"
#include "TarvoBase/FileDescriptor.h"
#include "TarvoClient/HttpTransport.h"

namespace tarvo {

class CurlTransfer;

// HTTP and HTTPS through libcurl. Every transfer runs on one multi handle driven by one I/O
// thread that waits on the transfers' sockets, so a held request never holds up another, and
// connections, DNS answers and TLS sessions are reused from one transfer to the next. Sends
// exactly the headers it is given (no content type of its own, no "Expect: 100-continue"),
// follows no redirect, verifies certificates, and fails an answer larger than 64 MiB.
class CurlHttpTransport : public HttpTransport {
public:
    // `caFile` replaces the system's certificate authorities, for a service with its own. The
    // clock measures idle time on the I/O thread, so it must be one that moves by itself.
    explicit CurlHttpTransport(std::optional<std::string> caFile = std::nullopt,
                               std::shared_ptr<Clock> clock = std::make_shared<SystemClock>());
    // Fails the transfers still running, each resuming its task, and joins the I/O thread.
    ~CurlHttpTransport() override;

    CurlHttpTransport(const CurlHttpTransport&) = delete;
    CurlHttpTransport& operator=(const CurlHttpTransport&) = delete;

    // The transport must outlive the start of the transfer (the task's first resumption).
    Task<Response> perform(Request request) override;

private:
    class Handover;
    struct Running {
        CurlEasy easy;
        std::shared_ptr<CurlTransfer> transfer;
    };

    static int watchSocket(CURL* easy, curl_socket_t socket, int what, void* transport, void* socketData);
    static int setTimer(CURLM* multi, long milliseconds, void* transport);

    void start(std::shared_ptr<CurlTransfer> transfer);
    void wake();
    void serve();
    bool takeArriving();
    void act(curl_socket_t socket, int events);
    void begin(std::shared_ptr<CurlTransfer> transfer);
    void collectFinished();
    void failIdle();
    void failAll(const std::string& text);
    Running end(CURL* easy);
    void recycle(CurlEasy easy);
    int waitMilliseconds() const;

    const std::optional<std::string> caFile_;
    const std::shared_ptr<Clock> clock_;

    // The I/O thread's own. Declared so that the easy handles go before the multi handle, that
    // (whose clean-up still calls back about its sockets) before what its callbacks touch, and
    // all of them before the share.
    CurlShare share_;
    FileDescriptor events_;
    std::optional<Clock::Instant> curlDue_;
    CurlMulti multi_;
    std::vector<CurlEasy> spare_;
    std::map<CURL*, Running> running_;

    FileDescriptor wakeup_;
    std::mutex mutex_;
    std::vector<std::shared_ptr<CurlTransfer>> arriving_;
    bool stopping_ = false;

    std::thread thread_;
};

} // namespace tarvo
