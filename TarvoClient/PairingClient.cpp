#include "TarvoClient/PairingClient.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>
#include <utility>

#include "TarvoBase/JsonReader.h"
#include "TarvoClient/RequestBody.h"
#include "TarvoClient/ServiceRequest.h"

namespace tarvo {
namespace {

std::optional<std::string> textMember(const Json& object, const char* key) {
    auto member = object.find(key);
    if (member == object.end() || !member->is_string()) return std::nullopt;
    return member->get<std::string>();
}

// A whole number that fits 64 bits (3.0 counts), else `fallback`.
std::int64_t integerMember(const Json& object, const char* key, std::int64_t fallback) {
    auto member = object.find(key);
    if (member == object.end()) return fallback;
    try {
        return JsonReader::asInt64(*member, key);
    } catch (const JsonReadError&) {
        return fallback;
    }
}

bool isHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// An absolute URI: a scheme, ":", and a non-empty rest made only of the characters a URI may
// hold, every "%" starting an escape. The browser is asked to open it.
bool isAbsoluteURL(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == 0 || colon == std::string_view::npos || colon + 1 == text.size()) return false;
    if (!std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    for (char c : text.substr(0, colon)) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
    }
    static constexpr std::string_view marks = "-._~:/?#[]@!$&'()*+,;=";
    for (std::size_t i = colon + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2])) return false;
            i += 2;
        } else if (!std::isalnum(static_cast<unsigned char>(c)) && marks.find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// The host named by a URL such as "https://user@[::1]:8443/api"; empty when there is none.
std::string hostOf(std::string_view url) {
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos) return {};
    std::string_view authority = url.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        return close == std::string_view::npos ? std::string{} : std::string(authority.substr(1, close - 1));
    }
    return std::string(authority.substr(0, authority.find(':')));
}

} // namespace

PairingClient::PairingClient(std::string baseURL, ClientIdentity identity, std::shared_ptr<HttpTransport> session)
    : baseURL_(std::move(baseURL)), identity_(std::move(identity)), session_(std::move(session)) {}

Task<PairingClient::Started> PairingClient::start(Json extra) const {
    return startAs(*this, std::move(extra));
}

Task<PairingClient::Poll> PairingClient::poll(std::string deviceCode) const {
    return pollAs(*this, std::move(deviceCode));
}

Task<PairingClient::Started> PairingClient::startAs(PairingClient client, Json extra) {
    Json body = std::move(extra);
    body["platform"] = client.identity_.platform;
    body["deviceName"] = client.identity_.deviceName;
    Json answer = co_await post(client, "/v1/devices/pair/start", std::move(body));

    auto userCode = textMember(answer, "userCode");
    auto deviceCode = textMember(answer, "deviceCode");
    auto verificationUrl = textMember(answer, "verificationUrl");
    if (!userCode || !deviceCode || !verificationUrl || !isAbsoluteURL(*verificationUrl)) {
        throw Failure::refused("Tarvo did not return a usable pairing.");
    }
    const std::int64_t expiresIn = integerMember(answer, "expiresInSeconds", 600);
    const std::int64_t interval = integerMember(answer, "intervalSeconds", 3);
    co_return Started{std::move(*userCode), std::move(*deviceCode), std::move(*verificationUrl),
                      std::clamp<std::int64_t>(expiresIn, 0, longestExpirySeconds),
                      std::clamp<std::int64_t>(interval, 1, longestIntervalSeconds)};
}

Task<PairingClient::Poll> PairingClient::pollAs(PairingClient client, std::string deviceCode) {
    Json body = Json::object();
    body["deviceCode"] = std::move(deviceCode);
    Json answer = co_await post(client, "/v1/devices/pair/poll", std::move(body));

    const std::string status = textMember(answer, "status").value_or("pending");
    if (status == "approved") {
        auto accessToken = textMember(answer, "accessToken");
        auto refreshToken = textMember(answer, "refreshToken");
        auto deviceId = textMember(answer, "deviceId");
        auto userId = textMember(answer, "userId");
        if (!accessToken || !refreshToken || !deviceId || !userId) {
            throw Failure::refused("Tarvo approved this device but sent no session.");
        }
        co_return Approved{std::move(*accessToken), std::move(*refreshToken), std::move(*deviceId),
                           std::move(*userId)};
    }
    if (status == "denied") co_return Denied{};
    if (status == "expired") co_return Expired{};
    co_return Pending{};
}

Task<Json> PairingClient::post(PairingClient client, std::string path, Json body) {
    HttpTransport::Response response;
    try {
        response = co_await ServiceRequest::perform(
            client.session_, ServiceRequest::identifiedPost(client.baseURL_, path, client.identity_,
                                                           requestBody(body, IllFormedText::repair)));
    } catch (const HttpTransport::Failure& failure) {
        std::string host = hostOf(client.baseURL_);
        throw Failure::transport((host.empty() ? "Tarvo" : host) + " — " + failure.what());
    }
    auto answer = JsonReader::parse(response.body);
    if (!answer || !answer->is_object()) answer = Json::object();
    if (response.status >= 200 && response.status <= 299) co_return std::move(*answer);
    if (auto message = textMember(*answer, "message")) throw Failure::refused(std::move(*message));
    throw Failure::refused("Tarvo refused the request (" + std::to_string(response.status) + ").");
}

} // namespace tarvo
