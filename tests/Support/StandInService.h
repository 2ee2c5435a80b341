#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "Support/FakeService.h"
#include "TarvoBase/Clock.h"
#include "TarvoBase/Json.h"

namespace tarvo::testing {

// The service as a whole, on 127.0.0.1, for running the companion program against: every
// endpoint the companion calls answers as a willing service would, and every request goes into
// a record file as one JSON line, written before the answer leaves:
//   {"method", "path", "headers" (authorization, content-type, cookie, user-agent and the x-tarvo-
//    ones, names in lower case), "body" (the JSON body) or "bodyBase64" (any other body), "status", "answer",
//    "arrivedAtMicros" (when it arrived, on the machine's steady clock, which every process on
//    the machine shares)}.
//
// The script, a JSON object, may hold:
//   "relayJobs": jobs handed out in order, each once, by the claim; an attachment of a job may
//                carry its file's text in "data", which the claim leaves out and the fetch of
//                that attachment serves;
//   "answers":   [{"method", "path", "status", "body", "delayMs"}]: for that exact request,
//                every time, the answer of that status and body in place of the usual one
//                (when "status" is given) held back by "delayMs" (when that is given);
//   "refusedTokens": access and refresh tokens the service no longer knows: a request bearing
//                one, or a refresh offering one, is answered 401 "invalid_token".
// Refresh tokens rotate as the real service's do: each one is good for one refresh, and a
// refresh offering one again is answered 401 "reuse_detected".
class StandInService {
public:
    // At `port`, or at a free one when it is 0. Throws when the record cannot be written or the
    // script is not of the shape above.
    StandInService(const Json& script, const std::filesystem::path& record, int port = 0);

    StandInService(const StandInService&) = delete;
    StandInService& operator=(const StandInService&) = delete;

    int port() const { return service_.port(); }

private:
    ScriptedAnswer answer(const RecordedRequest& request);
    ScriptedAnswer usualAnswer(const RecordedRequest& request, const Json& body);
    Json heartbeat(const Json& body) const;
    Json claim(const Json& body);
    ScriptedAnswer jobFile(const std::string& jobId, const std::string& attachmentId) const;
    Json ingest(const Json& body);
    Json tokens();
    // The 401 for a request whose token the service does not take, if it is one.
    std::optional<ScriptedAnswer> tokenRefusal(const RecordedRequest& request, const Json& body);
    void write(const RecordedRequest& request, const Json& body, const ScriptedAnswer& answer,
               Clock::Instant arrived);

    // Only touched by `answer`, which the service calls one request at a time.
    std::ofstream record_;
    SystemClock clock_;
    struct Scripted {
        std::optional<ScriptedAnswer> answer;
        std::chrono::milliseconds delay{0};
    };
    std::map<std::pair<std::string, std::string>, Scripted> scripted_;
    std::deque<Json> waitingJobs_;
    std::set<std::string> refusedTokens_;
    std::set<std::string> usedRefreshTokens_;
    // The files of the jobs handed out, by job id and attachment id.
    std::map<std::pair<std::string, std::string>, Json> files_;
    // Numbers the tokens and upload ids handed out.
    std::int64_t serial_ = 0;
    // Declared last: requests may arrive as soon as it listens, and stop before the rest goes.
    FakeService service_;
};

} // namespace tarvo::testing
