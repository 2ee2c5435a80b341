#include "TarvoClient/IngestResponse.h"

#include "TarvoBase/JsonReader.h"
#include "TarvoClient/JsonList.h"

namespace tarvo {

IngestResponse IngestResponse::fromJson(const Json& json, std::string path) {
    const JsonReader reader(json, std::move(path));
    IngestResponse response;
    if (const Json* attachments = reader.optionalArray("attachments")) {
        response.attachments = recordList<AttachmentDecision>(*attachments, reader.memberPath("attachments"));
    }
    return response;
}

} // namespace tarvo
