#include "TarvoClient/ClaimResponse.h"

#include "TarvoBase/JsonReader.h"
#include "TarvoClient/JsonList.h"

namespace tarvo {

ClaimResponse ClaimResponse::fromJson(const Json& json, std::string path) {
    const JsonReader reader(json, std::move(path));
    return {recordList<RelayJob>(reader.array("jobs"), reader.memberPath("jobs"))};
}

} // namespace tarvo
