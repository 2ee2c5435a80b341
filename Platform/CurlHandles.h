#pragma once

#include <curl/curl.h>

#include <memory>

namespace tarvo {

// Owners of libcurl's handles, each released by its own cleanup call.

struct CurlEasyRelease {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyRelease>;

struct CurlMultiRelease {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
using CurlMulti = std::unique_ptr<CURLM, CurlMultiRelease>;

struct CurlShareRelease {
    void operator()(CURLSH* handle) const { curl_share_cleanup(handle); }
};
using CurlShare = std::unique_ptr<CURLSH, CurlShareRelease>;

struct CurlHeaderListRelease {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlHeaderList = std::unique_ptr<curl_slist, CurlHeaderListRelease>;

} // namespace tarvo
