#include "TarvoClient/RelayAttachment.h"

#include "TarvoBase/JsonReader.h"

namespace tarvo {

RelayAttachment RelayAttachment::fromJson(const Json& json, std::string path) {
    const JsonReader reader(json, std::move(path));
    return {reader.string("id"), reader.string("filename"), reader.string("mimeType"), reader.int64("sizeBytes")};
}

} // namespace tarvo
