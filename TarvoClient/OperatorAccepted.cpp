#include "TarvoClient/OperatorAccepted.h"

#include "TarvoBase/JsonReader.h"

namespace tarvo {

OperatorAccepted OperatorAccepted::fromJson(const Json& json, std::string path) {
    const JsonReader reader(json, std::move(path));
    return {reader.optionalBoolean("accepted")};
}

} // namespace tarvo
