#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "FuzzCheck.h"
#include "JSONValueWriter.h"
#include "TarvoBase/JsonReadError.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoClient/JSONValue.h"

// Any text to the bounded parser, and what it parses to the decoder of step payloads and permits.
//
// The parser takes exactly the JSON texts nested no deeper than its bound, and reads them as
// JSON does; the decoder takes every value the parser gives except one holding a number too
// large for a double, and keeps every member and element, numbers as doubles.
namespace {

using namespace tarvo;
using fuzz::require;

bool allFinite(const Json& value) {
    if (value.is_number_float()) return std::isfinite(value.get<double>());
    if (!value.is_structured()) return true;
    return std::all_of(value.begin(), value.end(), allFinite);
}

// Deeper than any record of the service or a page.
constexpr std::size_t bound = 256;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The depth below is measured by recursion, which a longer text could take past the stack.
    if (size > 65536) return 0;
    const auto text = fuzz::text(data, size);
    const std::optional<Json> bounded = JsonReader::parse(text);
    const Json whole = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
    if (whole.is_discarded()) {
        require(!bounded);
        return 0;
    }
    // A value at the bound itself may hold scalars or not, so only the levels on either side of
    // it are certain.
    const std::size_t levels = fuzz::depth(whole);
    if (levels <= bound) require(bounded.has_value());
    if (levels > bound + 1) require(!bounded);
    if (!bounded) return 0;
    require(*bounded == whole);

    std::optional<JSONValue> decoded;
    try {
        decoded = JSONValue::fromJson(*bounded);
    } catch (const JsonReadError&) {
        require(!allFinite(*bounded));
        return 0;
    }
    require(allFinite(*bounded));
    require(fuzz::sameValue(fuzz::jsonOf(*decoded), *bounded));
    require(JSONValue::fromJson(fuzz::jsonOf(*decoded)) == *decoded);
    return 0;
}
