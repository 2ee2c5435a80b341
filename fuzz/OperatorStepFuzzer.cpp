#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "TarvoBase/JsonReader.h"
#include "TarvoBase/Text.h"
#include "TarvoClient/JSONValue.h"
#include "TarvoCore/Operator/FolderAccess.h"
#include "TarvoCore/Operator/OperatorStepRequest.h"

using tarvo::FolderAccess;
using tarvo::Text;
using Request = tarvo::OperatorStepRequest;

namespace {

void require(bool holds) {
    if (!holds) __builtin_trap();
}

bool contains(const auto& list, std::string_view text) { return std::ranges::find(list, text) != list.end(); }

// A name the parse trimmed: non-empty, within `max` units, nothing left to trim.
void requireName(const std::string& name, std::size_t max) {
    require(!name.empty() && Text::utf16Length(name) <= max && Text::trimmingWhitespaceAndNewlines(name) == name);
}

void requireApp(const std::optional<std::string>& app) {
    if (app) requireName(*app, Request::appNameMax);
}

// What every step that parses may be relied on for downstream.
struct Limits {
    void operator()(const Request::Look& step) const { requireApp(step.app); }
    void operator()(const Request::ReadScreenText& step) const { requireApp(step.app); }
    void operator()(const Request::ListFiles& step) const {
        requireName(step.query, Request::queryMax);
        require(step.limit >= 1 && step.limit <= Request::listFilesMax);
        require(!step.folder || FolderAccess::isValid(*step.folder));
    }
    void operator()(const Request::ReadFile& step) const { require(Request::isFileRef(step.ref)); }
    void operator()(const Request::SendFile& step) const { require(Request::isFileRef(step.ref)); }
    void operator()(const Request::OpenApp& step) const { requireApp(step.app); }
    void operator()(const Request::PressElement& step) const {
        requireApp(step.app);
        require(Request::isElementId(step.element));
    }
    void operator()(const Request::TypeText& step) const {
        requireApp(step.app);
        require(!step.element || Request::isElementId(*step.element));
        require(!step.text.empty() && Text::utf16Length(step.text) <= Request::typeTextMax);
    }
    void operator()(const Request::Key& step) const {
        requireApp(step.app);
        require(Request::isKeyName(step.key));
        require(step.modifiers.size() <= Request::keyModifiers.size());
        for (auto it = step.modifiers.begin(); it != step.modifiers.end(); ++it) {
            require(contains(Request::keyModifiers, *it) && std::find(step.modifiers.begin(), it, *it) == it);
        }
    }
    void operator()(const Request::Scroll& step) const {
        requireApp(step.app);
        require(contains(Request::directions, step.direction));
        require(step.amount >= 1 && step.amount <= 10);
    }
    void operator()(const Request::ListApps&) const {}
};

} // namespace

// Any bytes that read as a JSON object go to the step parser as the service's step would; a step
// that parses must keep every limit.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto json = tarvo::JsonReader::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!json || !json->is_object()) return 0;
    tarvo::JSONValue::Object step;
    try {
        step = tarvo::JSONValue::objectFromJson(*json);
    } catch (const tarvo::JsonReadError&) {
        return 0;
    }
    const auto request = Request::parse(step);
    if (!request) return 0;
    require(step.at("kind").string() == std::string(request->kind()));
    require(Request::parse(step) == request);
    std::visit(Limits{}, request->value());
    return 0;
}
