#include "TarvoClient/HeartbeatResponse.h"

#include "TarvoBase/JsonReader.h"
#include "TarvoClient/JsonList.h"

namespace tarvo {
namespace {

std::map<std::string, std::string> textMap(const JsonReader& object) {
    std::map<std::string, std::string> texts;
    for (const auto& [key, value] : object.json().items()) {
        texts.emplace(key, JsonReader::asString(value, object.memberPath(key)));
    }
    return texts;
}

} // namespace

HeartbeatResponse HeartbeatResponse::fromJson(const Json& json, std::string path) {
    const JsonReader reader(json, std::move(path));
    HeartbeatResponse response;
    response.channels = stringList(reader.array("channels"), reader.memberPath("channels"));
    response.waitingJobs = reader.int64("waitingJobs");
    response.needsYou = reader.optionalInt64("needsYou");
    response.followUpCount = reader.optionalInt64("followUpCount");
    if (auto channelIds = reader.optionalObject("channelIds")) response.channelIds = textMap(*channelIds);
    if (const Json* unmatched = reader.optionalArray("unmatched")) {
        response.unmatched = stringList(*unmatched, reader.memberPath("unmatched"));
    }
    if (auto nudge = reader.optionalObject("nudge")) {
        response.nudge = HeartbeatNudge::fromJson(nudge->json(), reader.memberPath("nudge"));
    }
    response.macPermissionMode = reader.optionalString("macPermissionMode");
    return response;
}

} // namespace tarvo
