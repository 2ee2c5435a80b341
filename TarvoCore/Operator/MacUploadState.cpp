#include "TarvoCore/Operator/MacUploadState.h"

#include "TarvoBase/JsonReader.h"

namespace tarvo {

MacUploadState MacUploadState::fromJson(const Json& json) {
    const JsonReader reader(json);
    return {reader.int64("received"),          reader.optionalInt64("total"),      reader.boolean("complete"),
            reader.optionalString("documentId"), reader.optionalBoolean("fileKept"), reader.optionalString("sentence")};
}

} // namespace tarvo
