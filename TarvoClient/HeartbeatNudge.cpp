#include "TarvoClient/HeartbeatNudge.h"

#include "TarvoBase/JsonReader.h"

namespace tarvo {

HeartbeatNudge HeartbeatNudge::fromJson(const Json& json, std::string path) {
    const JsonReader reader(json, std::move(path));
    return {reader.string("turnId"), reader.string("title"), reader.string("body")};
}

} // namespace tarvo
