#include "TarvoCore/Operator/OperatorStepRequest.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/FolderAccess.h"

namespace tarvo {
namespace {

using Request = OperatorStepRequest;

// A key the step did not send, a key sent with an acceptable value, or a key sent with a value
// that makes the whole step invalid.
template <typename T>
struct Read {
    std::optional<T> value;
    bool valid = true;

    static Read absent() { return {}; }
    static Read invalid() { return {std::nullopt, false}; }
};

const JSONValue* member(const JSONValue::Object& step, const std::string& key) {
    const auto found = step.find(key);
    return found == step.end() ? nullptr : &found->second;
}

const std::string* stringOf(const JSONValue* value) {
    return value ? std::get_if<std::string>(&value->value()) : nullptr;
}

bool contains(const auto& list, std::string_view text) { return std::ranges::find(list, text) != list.end(); }

bool onlyKeys(const JSONValue::Object& step, std::span<const std::string_view> allowed) {
    return std::ranges::all_of(step, [&](const auto& entry) { return contains(allowed, entry.first); });
}

bool fitsUnits(std::string_view text, std::size_t max) { return !text.empty() && Text::utf16Length(text) <= max; }

// Trimmed of white space and newlines, then non-empty and within `max`.
Read<std::string> trimmedName(const JSONValue* value, std::size_t max) {
    if (!value) return Read<std::string>::absent();
    const std::string* text = stringOf(value);
    if (!text) return Read<std::string>::invalid();
    std::string trimmed = Text::trimmingWhitespaceAndNewlines(*text);
    if (!fitsUnits(trimmed, max)) return Read<std::string>::invalid();
    return {std::move(trimmed)};
}

// A JSON number without a fraction within [low, high]; absent gives `fallback`.
Read<std::int64_t> wholeNumber(const JSONValue* value, std::int64_t low, std::int64_t high, std::int64_t fallback) {
    if (!value) return {fallback};
    const double* number = std::get_if<double>(&value->value());
    if (!number || !std::isfinite(*number) || std::trunc(*number) != *number) return Read<std::int64_t>::invalid();
    if (*number < static_cast<double>(low) || *number > static_cast<double>(high)) return Read<std::int64_t>::invalid();
    return {static_cast<std::int64_t>(*number)};
}

// A present JSON string that `accepts` passes.
template <typename Accepts>
std::optional<std::string> checkedString(const JSONValue* value, Accepts accepts) {
    const std::string* text = stringOf(value);
    if (!text || !accepts(*text)) return std::nullopt;
    return *text;
}

bool onlyScalarsOf(std::string_view text, std::string_view punctuation) {
    // Every accepted scalar is ASCII, so checking bytes checks scalars (and units).
    return std::ranges::all_of(text, [&](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               punctuation.find(c) != std::string_view::npos;
    });
}

std::optional<Request> listFiles(const JSONValue::Object& step) {
    const auto query = trimmedName(member(step, "query"), Request::queryMax);
    const auto limit = wholeNumber(member(step, "limit"), 1, Request::listFilesMax, Request::listFilesDefault);
    if (!query.value || !limit.valid) return std::nullopt;
    std::optional<std::string> folder;
    if (const JSONValue* sent = member(step, "folder")) {
        folder = checkedString(sent, FolderAccess::isValid);
        if (!folder) return std::nullopt;
    }
    return Request{Request::ListFiles{*query.value, *limit.value, std::move(folder)}};
}

std::optional<Request> typeText(const JSONValue::Object& step, std::string app) {
    std::optional<std::string> element;
    if (const JSONValue* sent = member(step, "element")) {
        element = checkedString(sent, Request::isElementId);
        if (!element) return std::nullopt;
    }
    auto text = checkedString(member(step, "text"), [](std::string_view t) { return fitsUnits(t, Request::typeTextMax); });
    if (!text) return std::nullopt;
    return Request{Request::TypeText{std::move(app), std::move(element), std::move(*text)}};
}

std::optional<Request> key(const JSONValue::Object& step, std::string app) {
    auto name = checkedString(member(step, "key"), Request::isKeyName);
    if (!name) return std::nullopt;
    std::vector<std::string> modifiers;
    if (const JSONValue* sent = member(step, "modifiers")) {
        const auto* entries = std::get_if<JSONValue::Array>(&sent->value());
        if (!entries || entries->size() > Request::keyModifiers.size()) return std::nullopt;
        for (const JSONValue& entry : *entries) {
            const std::string* modifier = stringOf(&entry);
            if (!modifier || !contains(Request::keyModifiers, *modifier)) return std::nullopt;
            if (!contains(modifiers, *modifier)) modifiers.push_back(*modifier);
        }
    }
    return Request{Request::Key{std::move(app), std::move(*name), std::move(modifiers)}};
}

std::optional<Request> scroll(const JSONValue::Object& step, std::string app) {
    auto direction = checkedString(member(step, "direction"), [](std::string_view d) { return contains(Request::directions, d); });
    const auto amount = wholeNumber(member(step, "amount"), 1, 10, 1);
    if (!direction || !amount.valid) return std::nullopt;
    return Request{Request::Scroll{std::move(app), std::move(*direction), *amount.value}};
}

// The act kinds, which all need an app.
std::optional<Request> act(std::string_view kind, const JSONValue::Object& step, std::string app) {
    if (kind == "open_app") return Request{Request::OpenApp{std::move(app)}};
    if (kind == "press_element") {
        auto element = checkedString(member(step, "element"), Request::isElementId);
        if (!element) return std::nullopt;
        return Request{Request::PressElement{std::move(app), std::move(*element)}};
    }
    if (kind == "type_text") return typeText(step, std::move(app));
    if (kind == "key") return key(step, std::move(app));
    return scroll(step, std::move(app));
}

constexpr std::string_view noArgumentKeys[] = {"kind"};
constexpr std::string_view appKeys[] = {"kind", "app"};
constexpr std::string_view listFilesKeys[] = {"kind", "query", "limit", "folder"};
constexpr std::string_view fileRefKeys[] = {"kind", "ref"};
constexpr std::string_view pressKeys[] = {"kind", "app", "element"};
constexpr std::string_view typeKeys[] = {"kind", "app", "element", "text"};
constexpr std::string_view keyKeys[] = {"kind", "app", "key", "modifiers"};
constexpr std::string_view scrollKeys[] = {"kind", "app", "direction", "amount"};

std::optional<std::span<const std::string_view>> allowedKeys(std::string_view kind) {
    if (kind == "list_apps") return noArgumentKeys;
    if (kind == "look" || kind == "read_screen_text" || kind == "open_app") return appKeys;
    if (kind == "list_files") return listFilesKeys;
    if (kind == "read_file" || kind == "send_file") return fileRefKeys;
    if (kind == "press_element") return pressKeys;
    if (kind == "type_text") return typeKeys;
    if (kind == "key") return keyKeys;
    if (kind == "scroll") return scrollKeys;
    return std::nullopt;
}

// The app of the act cases.
struct Apps {
    std::optional<std::string> operator()(const Request::OpenApp& step) const { return step.app; }
    std::optional<std::string> operator()(const Request::PressElement& step) const { return step.app; }
    std::optional<std::string> operator()(const Request::TypeText& step) const { return step.app; }
    std::optional<std::string> operator()(const Request::Key& step) const { return step.app; }
    std::optional<std::string> operator()(const Request::Scroll& step) const { return step.app; }
    std::optional<std::string> operator()(const auto&) const { return std::nullopt; }
};

} // namespace

std::optional<OperatorStepRequest> OperatorStepRequest::parse(const JSONValue::Object& step) {
    const std::string* kind = stringOf(member(step, "kind"));
    if (!kind) return std::nullopt;
    const auto allowed = allowedKeys(*kind);
    if (!allowed || !onlyKeys(step, *allowed)) return std::nullopt;
    auto app = trimmedName(member(step, "app"), appNameMax);
    if (!app.valid) return std::nullopt;

    if (*kind == "list_apps") return Request{ListApps{}};
    if (*kind == "look") return Request{Look{std::move(app.value)}};
    if (*kind == "read_screen_text") return Request{ReadScreenText{std::move(app.value)}};
    if (*kind == "list_files") return listFiles(step);
    if (*kind == "read_file" || *kind == "send_file") {
        auto ref = checkedString(member(step, "ref"), isFileRef);
        if (!ref) return std::nullopt;
        if (*kind == "read_file") return Request{ReadFile{std::move(*ref)}};
        return Request{SendFile{std::move(*ref)}};
    }
    if (!app.value) return std::nullopt;
    return act(*kind, step, std::move(*app.value));
}

bool OperatorStepRequest::isFileRef(std::string_view text) {
    return text.size() >= 8 && text.size() <= 128 && onlyScalarsOf(text, "_-");
}

bool OperatorStepRequest::isElementId(std::string_view text) {
    return !text.empty() && text.size() <= 64 && onlyScalarsOf(text, "_.:-");
}

bool OperatorStepRequest::isKeyName(std::string_view text) {
    if (contains(namedKeys, text)) return true;
    return text.size() == 1 && ((text[0] >= 'a' && text[0] <= 'z') || (text[0] >= '0' && text[0] <= '9'));
}

std::string_view OperatorStepRequest::kind() const {
    struct Kinds {
        std::string_view operator()(const Look&) const { return "look"; }
        std::string_view operator()(const ReadScreenText&) const { return "read_screen_text"; }
        std::string_view operator()(const ListFiles&) const { return "list_files"; }
        std::string_view operator()(const ReadFile&) const { return "read_file"; }
        std::string_view operator()(const SendFile&) const { return "send_file"; }
        std::string_view operator()(const OpenApp&) const { return "open_app"; }
        std::string_view operator()(const PressElement&) const { return "press_element"; }
        std::string_view operator()(const TypeText&) const { return "type_text"; }
        std::string_view operator()(const Key&) const { return "key"; }
        std::string_view operator()(const Scroll&) const { return "scroll"; }
        std::string_view operator()(const ListApps&) const { return "list_apps"; }
    };
    return std::visit(Kinds{}, value_);
}

MacCapabilityClass OperatorStepRequest::klass() const {
    if (std::holds_alternative<Look>(value_) || std::holds_alternative<ReadScreenText>(value_) ||
        std::holds_alternative<ListApps>(value_)) {
        return MacCapabilityClass::screen;
    }
    if (std::holds_alternative<ListFiles>(value_) || std::holds_alternative<ReadFile>(value_) ||
        std::holds_alternative<SendFile>(value_)) {
        return MacCapabilityClass::files;
    }
    return MacCapabilityClass::act;
}

std::optional<std::string> OperatorStepRequest::actApp() const {
    return std::visit(Apps{}, value_);
}

} // namespace tarvo
