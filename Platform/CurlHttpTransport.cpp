#include "Platform/CurlHttpTransport.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <utility>

namespace tarvo {
namespace {

struct EasyHandleRelease {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyHandleRelease>;

struct HeaderListRelease {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListRelease>;

void append(HeaderList& list, const std::string& line) {
    curl_slist* longer = curl_slist_append(list.get(), line.c_str());
    if (!longer) throw HttpTransport::Failure("out of memory while forming the request");
    list.release();
    list.reset(longer);
}

bool holdsLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

HeaderList headerList(const HttpTransport::Headers& headers) {
    HeaderList list;
    bool hasContentType = false;
    for (const auto& [name, value] : headers) {
        if (holdsLineBreak(name) || holdsLineBreak(value)) {
            throw HttpTransport::Failure("the header " + name + " holds a line break");
        }
        if (curl_strequal(name.c_str(), "content-type")) hasContentType = true;
        append(list, name + ": " + value);
    }
    // curl would otherwise add a form content type to every body and ask large ones to wait
    // for a "100 Continue".
    if (!hasContentType) append(list, "Content-Type:");
    append(list, "Expect:");
    return list;
}

size_t collectBody(char* data, size_t size, size_t count, void* into) {
    static_cast<std::string*>(into)->append(data, size * count);
    return size * count;
}

void check(CURLcode code) {
    if (code != CURLE_OK) throw HttpTransport::Failure(curl_easy_strerror(code));
}

} // namespace

CurlHttpTransport::CurlHttpTransport(std::optional<std::string> caFile) : caFile_(std::move(caFile)) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpTransport::Response CurlHttpTransport::perform(const Request& request) {
    EasyHandle handle(curl_easy_init());
    if (!handle) throw Failure("could not start a transfer");
    CURL* curl = handle.get();
    HeaderList headers = headerList(request.headers);
    std::string body;
    char errorText[CURL_ERROR_SIZE] = {};

    check(curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str()));
    check(curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https"));
    check(curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L));
    check(curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L));
    check(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L));
    check(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L));
    if (caFile_) check(curl_easy_setopt(curl, CURLOPT_CAINFO, caFile_->c_str()));
    // Like the time-out of the service's own clients: the connection may wait this long
    // without a byte moving, however long the whole exchange takes.
    const long idleSeconds = static_cast<long>(request.timeout.count());
    check(curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, idleSeconds));
    check(curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L));
    check(curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, idleSeconds));

    if (request.body) {
        check(curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body->size())));
        check(curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body->data()));
        if (request.method != "POST") check(curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str()));
    } else if (request.method == "GET") {
        check(curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L));
    } else if (request.method == "POST") {
        check(curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t{0}));
        check(curl_easy_setopt(curl, CURLOPT_POSTFIELDS, ""));
    } else {
        check(curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str()));
    }
    check(curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get()));
    check(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectBody));
    check(curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body));
    check(curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText));

    CURLcode outcome = curl_easy_perform(curl);
    if (outcome != CURLE_OK) {
        std::string text = curl_easy_strerror(outcome);
        if (errorText[0] != '\0') text += std::string(": ") + errorText;
        throw Failure(text);
    }
    long status = 0;
    check(curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status));
    if (status == 0) throw Failure("no HTTP response");
    return {static_cast<int>(status), std::move(body)};
}

} // namespace tarvo
