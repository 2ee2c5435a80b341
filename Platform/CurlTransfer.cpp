#include "Platform/CurlTransfer.h"

#include <fmt/format.h>

#include <strings.h>

#include <algorithm>
#include <string_view>
#include <utility>

namespace tarvo {
namespace {

void append(CurlHeaderList& list, const std::string& line) {
    curl_slist* longer = curl_slist_append(list.get(), line.c_str());
    if (!longer) throw HttpTransport::Failure("out of memory while forming the request");
    static_cast<void>(list.release());
    list.reset(longer);
}

bool holdsLineBreakOrNul(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

bool isBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// curl reads "name:" with nothing after it as "leave this header out"; "name;" is its way of
// sending a header whose value is empty.
std::string headerLine(const std::string& name, const std::string& value) {
    return isBlank(value) ? name + ";" : name + ": " + value;
}

CurlHeaderList headerList(const HttpTransport::Headers& headers) {
    CurlHeaderList list;
    bool hasContentType = false;
    for (const auto& [name, value] : headers) {
        if (name.empty() || holdsLineBreakOrNul(name) || name.find(':') != std::string::npos) {
            throw HttpTransport::Failure("a header name holds a line break, a NUL byte or a colon");
        }
        if (holdsLineBreakOrNul(value)) {
            throw HttpTransport::Failure("the header " + name + " holds a line break or a NUL byte");
        }
        if (curl_strequal(name.c_str(), "content-type")) hasContentType = true;
        append(list, headerLine(name, value));
    }
    // curl would otherwise add a form content type to every body and ask large ones to wait
    // for a "100 Continue".
    if (!hasContentType) append(list, "Content-Type:");
    append(list, "Expect:");
    return list;
}

void check(CURLcode code) {
    if (code != CURLE_OK) throw HttpTransport::Failure(curl_easy_strerror(code));
}

} // namespace

CurlTransfer::CurlTransfer(HttpTransport::Request request)
    : request_(std::move(request)), headers_(headerList(request_.headers)) {}

void CurlTransfer::awaitOn(RunLoop& loop, std::coroutine_handle<> waiter) {
    std::lock_guard lock(mutex_);
    loop_ = &loop;
    waiter_ = waiter;
}

void CurlTransfer::abandon() {
    std::lock_guard lock(mutex_);
    loop_ = nullptr;
    waiter_ = {};
}

HttpTransport::Response CurlTransfer::take() {
    if (auto* failure = std::get_if<HttpTransport::Failure>(&*outcome_)) throw *failure;
    return std::move(std::get<HttpTransport::Response>(*outcome_));
}

void CurlTransfer::prepare(CURL* curl, CURLSH* share, const std::optional<std::string>& caFile,
                           const Clock& clock) {
    clock_ = &clock;
    moved();
    check(curl_easy_setopt(curl, CURLOPT_SHARE, share));
    check(curl_easy_setopt(curl, CURLOPT_URL, request_.url.c_str()));
    check(curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https"));
    check(curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L));
    check(curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L));
    check(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L));
    check(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L));
    if (caFile) check(curl_easy_setopt(curl, CURLOPT_CAINFO, caFile->c_str()));

    const auto& body = request_.body;
    if (body) {
        check(curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size())));
        check(curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->data()));
        if (request_.method != "POST") check(curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request_.method.c_str()));
    } else if (request_.method == "GET") {
        check(curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L));
    } else if (request_.method == "POST") {
        check(curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t{0}));
        check(curl_easy_setopt(curl, CURLOPT_POSTFIELDS, ""));
    } else {
        check(curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request_.method.c_str()));
    }
    check(curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers_.get()));
    check(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectBody));
    check(curl_easy_setopt(curl, CURLOPT_WRITEDATA, this));
    check(curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, noteHeader));
    check(curl_easy_setopt(curl, CURLOPT_HEADERDATA, this));
    check(curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L));
    check(curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, noteProgress));
    check(curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this));
    check(curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText_));
}

std::size_t CurlTransfer::collectBody(char* data, std::size_t size, std::size_t count, void* opaque) {
    auto* transfer = static_cast<CurlTransfer*>(opaque);
    const std::size_t length = size * count;
    transfer->moved();
    if (length > answerLimit - transfer->body_.size()) {
        transfer->tooLarge_ = true;
        return 0;
    }
    transfer->body_.append(data, length);
    return length;
}

// curl hands over every header line of every answer, interim ones (100 Continue) included: a
// status line starts the fields afresh, so only the final answer's cookies are kept.
std::size_t CurlTransfer::noteHeader(char* data, std::size_t size, std::size_t count, void* opaque) {
    auto* transfer = static_cast<CurlTransfer*>(opaque);
    transfer->moved();
    const std::size_t length = size * count;
    std::string_view line(data, length);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (line.starts_with("HTTP/")) {
        transfer->setCookies_.clear();
        return length;
    }
    constexpr std::string_view name = "set-cookie:";
    if (line.size() >= name.size() && strncasecmp(line.data(), name.data(), name.size()) == 0) {
        line.remove_prefix(name.size());
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        transfer->setCookies_.emplace_back(line);
    }
    return length;
}

int CurlTransfer::noteProgress(void* opaque, curl_off_t, curl_off_t downNow, curl_off_t, curl_off_t upNow) {
    auto* transfer = static_cast<CurlTransfer*>(opaque);
    if (downNow != transfer->downloaded_ || upNow != transfer->uploaded_) {
        transfer->downloaded_ = downNow;
        transfer->uploaded_ = upNow;
        transfer->moved();
    }
    return 0;
}

void CurlTransfer::finish(CURL* curl, CURLcode code) {
    if (tooLarge_) {
        fail(fmt::format("the answer is larger than {} MiB", answerLimit / (1024 * 1024)));
        return;
    }
    if (code != CURLE_OK) {
        std::string text = curl_easy_strerror(code);
        if (errorText_[0] != '\0') text += std::string(": ") + errorText_;
        fail(std::move(text));
        return;
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status == 0) {
        fail("no HTTP response");
        return;
    }
    deliver(HttpTransport::Response{static_cast<int>(status), std::move(body_), std::move(setCookies_)});
}

void CurlTransfer::fail(std::string text) { deliver(HttpTransport::Failure(text)); }

// Worded as curl words its own low-speed time-out, which this replaces.
std::string CurlTransfer::idleFailure() const {
    return fmt::format("{}: Operation too slow. Less than 1 bytes/sec transferred the last {:g} seconds",
                       curl_easy_strerror(CURLE_OPERATION_TIMEDOUT), request_.timeout.count() / 1000.0);
}

void CurlTransfer::deliver(Outcome outcome) {
    outcome_.emplace(std::move(outcome));
    std::lock_guard lock(mutex_);
    if (!loop_) return;
    loop_->post([this, keep = shared_from_this()] { resumeWaiter(); });
}

void CurlTransfer::resumeWaiter() {
    std::coroutine_handle<> waiter;
    {
        std::lock_guard lock(mutex_);
        waiter = std::exchange(waiter_, {});
    }
    if (waiter) waiter.resume();
}

} // namespace tarvo
