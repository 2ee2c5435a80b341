#include "Support/StandInService.h"

#include <cctype>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <vector>

#include "TarvoBase/Base64.h"
#include "TarvoBase/JsonReader.h"

namespace tarvo::testing {
namespace {

// Far enough ahead that the companion never renews a token for its age.
constexpr std::int64_t tokenExpiry = 4'000'000'000;
// How long a poll that may wait is held: long enough to keep a polling link from spinning,
// short enough not to hold up the end.
constexpr std::chrono::milliseconds operatorPollHold{1500};

const Json channelIds{{"imessage", "channel-imessage"}, {"sms", "channel-sms"}, {"whatsapp", "channel-whatsapp"}};

std::vector<std::string> segments(const std::string& target) {
    std::vector<std::string> parts;
    const std::string path = target.substr(0, target.find('?'));
    std::size_t start = 1;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

ScriptedAnswer json(int status, const Json& body) {
    return ScriptedAnswer{.status = status, .body = body.dump(), .headers = {{"Content-Type", "application/json"}}};
}

ScriptedAnswer notFound(const std::string& what) {
    return json(404, Json{{"code", "not_found"}, {"message", what}});
}

std::string lowercase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool recordedHeader(const std::string& name) {
    return name == "authorization" || name == "content-type" || name == "cookie" || name == "user-agent" ||
           name.starts_with("x-tarvo-");
}

std::string mediaClass(const std::string& mimeType) {
    for (const char* kind : {"image", "video", "audio"}) {
        if (mimeType.starts_with(std::string(kind) + "/")) return kind;
    }
    return "file";
}

std::string accessToken(std::int64_t serial) {
    const Json claims{{"sub", "stand-in-device"}, {"exp", tokenExpiry}, {"serial", serial}};
    return Base64::encodeUrl(std::string(R"({"alg":"HS256","typ":"JWT"})")) + "." + Base64::encodeUrl(claims.dump()) +
           ".c3RhbmQtaW4";
}

} // namespace

StandInService::StandInService(const Json& script, const std::filesystem::path& record, int port)
    : record_(record, std::ios::trunc), service_(port) {
    if (!record_) throw std::runtime_error("cannot write the record " + record.string());
    if (!script.is_object()) throw std::runtime_error("the script is not a JSON object");
    const JsonReader reader(script, "script");
    if (const Json* jobs = reader.optionalArray("relayJobs")) {
        for (const Json& job : *jobs) waitingJobs_.push_back(job);
    }
    if (const Json* answers = reader.optionalArray("answers")) {
        for (std::size_t i = 0; i < answers->size(); ++i) {
            const JsonReader entry((*answers)[i], JsonReader::elementPath("script.answers", i));
            Scripted& scripted = scripted_[{entry.string("method"), entry.string("path")}];
            if (const auto status = entry.optionalInt64("status")) {
                const Json body = entry.json().value("body", Json(nullptr));
                scripted.answer = body.is_null() ? ScriptedAnswer{.status = static_cast<int>(*status)}
                                                 : json(static_cast<int>(*status), body);
            }
            scripted.delay = std::chrono::milliseconds(entry.optionalInt64("delayMs").value_or(0));
        }
    }
    if (const Json* refused = reader.optionalArray("refusedTokens")) {
        for (const Json& token : *refused) refusedTokens_.insert(token.get<std::string>());
    }
    service_.answerRest([this](const RecordedRequest& request) { return answer(request); });
}

ScriptedAnswer StandInService::answer(const RecordedRequest& request) {
    const Clock::Instant arrived = clock_.now();
    const Json body = JsonReader::parse(request.body).value_or(Json(nullptr));
    const auto scripted = scripted_.find({request.method, request.path});
    const bool replaced = scripted != scripted_.end() && scripted->second.answer;
    const std::optional<ScriptedAnswer> refusal = tokenRefusal(request, body);
    ScriptedAnswer chosen = refusal ? *refusal : replaced ? *scripted->second.answer : usualAnswer(request, body);
    if (scripted != scripted_.end()) chosen.delay = scripted->second.delay;
    write(request, body, chosen, arrived);
    return chosen;
}

ScriptedAnswer StandInService::usualAnswer(const RecordedRequest& request, const Json& body) {
    const std::vector<std::string> path = segments(request.path);
    const auto is = [&](const char* method, std::vector<std::string> pattern) {
        if (request.method != method || path.size() != pattern.size()) return false;
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (pattern[i] != "*" && pattern[i] != path[i]) return false;
        }
        return true;
    };
    if (is("POST", {"v1", "relay", "heartbeat"})) return json(200, heartbeat(body));
    if (is("POST", {"v1", "relay", "jobs", "claim"})) return json(200, claim(body));
    if (is("GET", {"v1", "relay", "jobs", "*", "attachments", "*"})) return jobFile(path[3], path[5]);
    if (is("POST", {"v1", "relay", "jobs", "*", "result"})) return json(200, Json::object());
    if (is("POST", {"v1", "ingest"})) return json(200, ingest(body));
    if (is("POST", {"v1", "ingest", "attachments", "*", "bytes"})) return json(200, Json::object());
    if (is("POST", {"v1", "ingest", "message-events"})) return json(200, Json::object());
    if (is("POST", {"v1", "auth", "refresh"})) return json(200, tokens());
    if (is("POST", {"v1", "devices", "pair", "start"})) {
        return json(200, Json{{"userCode", "STND-1234"},
                              {"deviceCode", "stand-in-device-code"},
                              {"verificationUrl", "http://127.0.0.1:" + std::to_string(port()) + "/pair"},
                              {"expiresInSeconds", 600},
                              {"intervalSeconds", 1}});
    }
    if (is("POST", {"v1", "devices", "pair", "poll"})) {
        Json approved = tokens();
        approved["status"] = "approved";
        approved["deviceId"] = "stand-in-device";
        approved["userId"] = "stand-in-user";
        return json(200, approved);
    }
    if (is("POST", {"api", "auth", "companion"})) {
        ScriptedAnswer session = json(200, Json::object());
        session.headers.emplace_back("Set-Cookie", "tarvo_session=stand-in; Path=/; HttpOnly");
        return session;
    }
    if (is("POST", {"v1", "mac", "operator", "next"})) {
        ScriptedAnswer nothing = json(200, Json{{"kind", "idle"}});
        const Json wait = body.is_object() ? body.value("wait", Json(0)) : Json(0);
        if (wait.is_number_integer() && wait.get<std::int64_t>() > 0) nothing.delay = operatorPollHold;
        return nothing;
    }
    return notFound("nothing answers " + request.method + " " + request.path);
}

std::optional<ScriptedAnswer> StandInService::tokenRefusal(const RecordedRequest& request, const Json& body) {
    const std::string bearer = request.header("Authorization");
    if (bearer.starts_with("Bearer ") && refusedTokens_.contains(bearer.substr(7))) {
        return json(401, Json{{"code", "invalid_token"}, {"message", "This sign-in is no longer valid."}});
    }
    if (request.method != "POST" || segments(request.path) != std::vector<std::string>{"v1", "auth", "refresh"} ||
        !body.is_object() || !body.value("refreshToken", Json(nullptr)).is_string()) {
        return std::nullopt;
    }
    const std::string offered = body["refreshToken"];
    if (refusedTokens_.contains(offered)) {
        return json(401, Json{{"code", "invalid_token"}, {"message", "This sign-in is no longer valid."}});
    }
    if (!usedRefreshTokens_.insert(offered).second) {
        return json(401, Json{{"code", "reuse_detected"}, {"message", "This refresh token was used already."}});
    }
    return std::nullopt;
}

Json StandInService::heartbeat(const Json& body) const {
    const Json channels = body.is_object() ? body.value("channels", Json::array()) : Json::array();
    return Json{{"channels", channels},
                {"waitingJobs", static_cast<std::int64_t>(waitingJobs_.size())},
                {"channelIds", channelIds}};
}

Json StandInService::claim(const Json& body) {
    std::int64_t limit = 1;
    if (body.is_object() && body.value("limit", Json(nullptr)).is_number_integer()) {
        limit = body.at("limit").get<std::int64_t>();
    }
    Json jobs = Json::array();
    while (limit-- > 0 && !waitingJobs_.empty()) {
        Json job = std::move(waitingJobs_.front());
        waitingJobs_.pop_front();
        if (job.contains("attachments") && job["attachments"].is_array()) {
            for (Json& file : job["attachments"]) {
                files_[{job.value("id", ""), file.value("id", "")}] = file;
                file.erase("data");
            }
        }
        jobs.push_back(std::move(job));
    }
    return Json{{"jobs", jobs}};
}

ScriptedAnswer StandInService::jobFile(const std::string& jobId, const std::string& attachmentId) const {
    const auto file = files_.find({jobId, attachmentId});
    if (file == files_.end() || !file->second.contains("data")) {
        return notFound("no file " + attachmentId + " of job " + jobId);
    }
    const std::string data = file->second.value("data", "");
    return json(200, Json{{"id", attachmentId},
                          {"filename", file->second.value("filename", "")},
                          {"mimeType", file->second.value("mimeType", "application/octet-stream")},
                          {"sizeBytes", static_cast<std::int64_t>(data.size())},
                          {"dataBase64", Base64::encode(data)}});
}

// Wants the bytes of every file, each under an id of its own.
Json StandInService::ingest(const Json& body) {
    Json decisions = Json::array();
    if (body.is_object() && body.value("attachments", Json(nullptr)).is_array()) {
        for (const Json& file : body["attachments"]) {
            decisions.push_back(Json{{"externalId", file.value("externalId", "")},
                                     {"id", "upload-" + std::to_string(++serial_)},
                                     {"mediaClass", mediaClass(file.value("mimeType", ""))},
                                     {"wantBytes", true}});
        }
    }
    return Json{{"attachments", decisions}};
}

Json StandInService::tokens() {
    ++serial_;
    return Json{{"accessToken", accessToken(serial_)}, {"refreshToken", "stand-in-refresh-" + std::to_string(serial_)}};
}

void StandInService::write(const RecordedRequest& request, const Json& body, const ScriptedAnswer& answer,
                           Clock::Instant arrived) {
    Json headers = Json::object();
    for (const auto& [name, value] : request.headers) {
        if (recordedHeader(lowercase(name))) headers[lowercase(name)] = value;
    }
    Json line{{"method", request.method}, {"path", request.path}, {"headers", headers}, {"status", answer.status}};
    if (!body.is_null()) {
        line["body"] = body;
    } else if (!request.body.empty()) {
        line["bodyBase64"] = Base64::encode(request.body);
    }
    line["answer"] = JsonReader::parse(answer.body).value_or(Json(nullptr));
    line["arrivedAtMicros"] =
        std::chrono::duration_cast<std::chrono::microseconds>(arrived.time_since_epoch()).count();
    record_ << line.dump() << '\n' << std::flush;
}

} // namespace tarvo::testing
