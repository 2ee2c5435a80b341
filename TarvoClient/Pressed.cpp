#include "TarvoClient/Pressed.h"

#include "TarvoBase/JsonReader.h"

namespace tarvo {

Pressed Pressed::fromJson(const Json& json, std::string path) {
    const JsonReader reader(json, std::move(path));
    return {reader.string("digest"), reader.string("at")};
}

} // namespace tarvo
