#pragma once

#include <nlohmann/json.hpp>

namespace tarvo {

// Every JSON value of the program. Objects keep their members in the order they were added, so
// a request body reads the same every time it is built.
using Json = nlohmann::ordered_json;

} // namespace tarvo
