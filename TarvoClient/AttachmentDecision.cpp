#include "TarvoClient/AttachmentDecision.h"

#include "TarvoBase/JsonReader.h"

namespace tarvo {

AttachmentDecision AttachmentDecision::fromJson(const Json& json, std::string path) {
    const JsonReader reader(json, std::move(path));
    return {reader.string("externalId"), reader.optionalString("id"), reader.string("mediaClass"),
            reader.boolean("wantBytes"), reader.optionalString("reason")};
}

} // namespace tarvo
