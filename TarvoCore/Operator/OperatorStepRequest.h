#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "TarvoClient/JSONValue.h"
#include "TarvoCore/Operator/MacCapabilityClass.h"

namespace tarvo {

// One operator step as the service asked for it, after a strict parse: every name, text, id and
// number in it is within the limits below, so nothing downstream checks them again. Limits count
// UTF-16 code units.
class OperatorStepRequest {
public:
    struct Look {
        std::optional<std::string> app;
        bool operator==(const Look&) const = default;
    };
    struct ReadScreenText {
        std::optional<std::string> app;
        bool operator==(const ReadScreenText&) const = default;
    };
    struct ListFiles {
        std::string query;
        std::int64_t limit = listFilesDefault;
        std::optional<std::string> folder;
        bool operator==(const ListFiles&) const = default;
    };
    struct ReadFile {
        std::string ref;
        bool operator==(const ReadFile&) const = default;
    };
    struct SendFile {
        std::string ref;
        bool operator==(const SendFile&) const = default;
    };
    struct OpenApp {
        std::string app;
        bool operator==(const OpenApp&) const = default;
    };
    struct PressElement {
        std::string app;
        std::string element;
        bool operator==(const PressElement&) const = default;
    };
    struct TypeText {
        std::string app;
        std::optional<std::string> element;
        std::string text;
        bool operator==(const TypeText&) const = default;
    };
    struct Key {
        std::string app;
        std::string key;
        std::vector<std::string> modifiers;
        bool operator==(const Key&) const = default;
    };
    struct Scroll {
        std::string app;
        std::string direction;
        std::int64_t amount = 1;
        bool operator==(const Scroll&) const = default;
    };
    struct ListApps {
        bool operator==(const ListApps&) const = default;
    };
    using Value = std::variant<Look, ReadScreenText, ListFiles, ReadFile, SendFile, OpenApp, PressElement, TypeText,
                               Key, Scroll, ListApps>;

    static constexpr std::size_t appNameMax = 120;
    static constexpr std::size_t queryMax = 120;
    static constexpr std::size_t typeTextMax = 2000;
    static constexpr std::int64_t listFilesMax = 20;
    static constexpr std::int64_t listFilesDefault = 10;

    // The kinds the Mac offers beyond the screen kinds.
    static constexpr std::array<std::string_view, 8> protocolTwoKinds{
        "list_files", "read_file", "send_file", "open_app", "press_element", "type_text", "key", "scroll",
    };
    static constexpr std::array<std::string_view, 15> namedKeys{
        "return", "enter", "tab", "escape", "space", "delete", "forward_delete", "up",
        "down", "left", "right", "home", "end", "page_up", "page_down",
    };
    static constexpr std::array<std::string_view, 4> keyModifiers{"command", "option", "control", "shift"};
    static constexpr std::array<std::string_view, 4> directions{"up", "down", "left", "right"};

    OperatorStepRequest(Value value) : value_(std::move(value)) {}

    // The step object of an operator poll answer, or nothing when it is not exactly a step: an
    // unknown kind, a key its kind does not take, a value of the wrong JSON type, or a value over
    // its limit. Nothing is trimmed or cut to make a step fit; whole numbers may come as 3.0.
    static std::optional<OperatorStepRequest> parse(const JSONValue::Object& step);

    // 8 to 128 units, each one of A-Z, a-z, 0-9, "_" and "-".
    static bool isFileRef(std::string_view text);
    // 1 to 64 units, each one of A-Z, a-z, 0-9, "_", ".", ":" and "-".
    static bool isElementId(std::string_view text);
    // One of `namedKeys`, or a single "a"-"z" or "0"-"9".
    static bool isKeyName(std::string_view text);

    const Value& value() const { return value_; }
    // The kind string the step arrived with, such as "read_screen_text".
    std::string_view kind() const;
    MacCapabilityClass klass() const;
    // The app of the five acts; nothing for the other kinds.
    std::optional<std::string> actApp() const;

    bool operator==(const OperatorStepRequest&) const = default;

private:
    Value value_;
};

} // namespace tarvo
