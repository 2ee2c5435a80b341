#include "TarvoCore/Operator/ActPolicy.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <variant>

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

bool contains(const auto& list, std::string_view text) { return std::ranges::find(list, text) != list.end(); }

bool isKeyScalar(char32_t c) {
    return c <= 0x08 || c == 0x0B || c == 0x0C || (c >= 0x0E && c <= 0x1F) || (c >= 0x7F && c <= 0x84) ||
           (c >= 0x86 && c <= 0x9F) || (c >= 0xF700 && c <= 0xF8FF);
}

bool isReturnScalar(char32_t c) { return c == 0x0A || c == 0x0D || c == 0x85 || c == 0x2028 || c == 0x2029; }

bool isAsciiLetterOrDigit(std::string_view key) {
    if (key.size() != 1) return false;
    const char c = key.front();
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A compiled pattern is immutable and may be shared by threads; each match gets its own matcher.
const icu::RegexPattern& consequential() {
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        UParseError where{};
        const icu::UnicodeString source = icu::UnicodeString::fromUTF8(
            icu::StringPiece(ActPolicy::consequentialPattern.data(),
                             static_cast<int32_t>(ActPolicy::consequentialPattern.size())));
        std::unique_ptr<icu::RegexPattern> compiled(
            icu::RegexPattern::compile(source, UREGEX_CASE_INSENSITIVE, where, status));
        if (U_FAILURE(status) || !compiled) throw std::logic_error("the consequential pattern does not compile");
        return compiled;
    }();
    return *pattern;
}

} // namespace

std::optional<std::string> ActPolicy::hold(const OperatorStepRequest& step, const std::optional<ActTarget>& target,
                                           const std::optional<std::string>& frontBundleId) {
    if (const auto* key = std::get_if<OperatorStepRequest::Key>(&step.value())) return keyHold(*key, frontBundleId);
    if (const auto* press = std::get_if<OperatorStepRequest::PressElement>(&step.value())) {
        return pressHold(*press, target);
    }
    if (const auto* type = std::get_if<OperatorStepRequest::TypeText>(&step.value())) {
        return typeHold(*type, target, frontBundleId);
    }
    return std::nullopt;
}

std::optional<std::string> ActPolicy::keyHold(const OperatorStepRequest::Key& step,
                                              const std::optional<std::string>& frontBundleId) {
    const std::string_view key = step.key;
    const bool command = contains(step.modifiers, "command");
    const bool returnSafe = returnIsSafe(step.app, frontBundleId);
    const bool returnKey = key == "return" || key == "enter";
    const bool deleteKey = key == "delete" || key == "forward_delete";
    const bool holds = (command && (returnKey || deleteKey || key == "d")) || (returnKey && !returnSafe) || deleteKey ||
                       ((key == "space" || (isAsciiLetterOrDigit(key) && !command)) && !returnSafe);
    if (!holds) return std::nullopt;
    return "Press " + keyWords(key, step.modifiers) + " in " + step.app + ".";
}

std::optional<std::string> ActPolicy::pressHold(const OperatorStepRequest::PressElement& step,
                                                const std::optional<ActTarget>& target) {
    if (!target) return std::nullopt;
    const std::string name = target->name();
    const bool consequentialControl = isConsequential(target->title) || isConsequential(target->label);
    const bool confirmsConsequence = contains(confirmingLabels, Text::lowercased(name)) &&
                                     (isConsequential(target->dialogText) || isConsequential(target->windowTitle));
    if (consequentialControl || confirmsConsequence) return "Press " + quote(name) + " in " + step.app + ".";
    if (!spokenName(*target)) return "Press a control with no name in " + step.app + ".";
    return std::nullopt;
}

std::optional<std::string> ActPolicy::typeHold(const OperatorStepRequest::TypeText& step,
                                               const std::optional<ActTarget>& target,
                                               const std::optional<std::string>& frontBundleId) {
    const std::string& text = step.text;
    const std::string& app = step.app;
    const bool returnSafe = returnIsSafe(app, frontBundleId);
    if (carriesAKey(text)) {
        std::u32string shown = Text::scalars(text);
        std::ranges::replace_if(shown, isKeyScalar, U' ');
        return "Type " + quote(Text::fromScalars(shown)) + " in " + app + ", with a key inside it.";
    }
    if (startsALine(text) && !returnSafe) return "Type " + quote(text) + " in " + app + " and press Return.";
    if (returnSafe) return std::nullopt;
    if (text.find('\t') != std::string::npos) return "Type " + quote(text) + " in " + app + ", with Tab between.";
    if (!step.element) return "Type " + quote(text) + " in " + app + ", wherever the focus is.";
    if (target && target->role && contains(pressedNotTypedRoles, *target->role)) {
        const std::optional<std::string> spoken = spokenName(*target);
        return "Type " + quote(text) + " into " + (spoken ? quote(*spoken) : "a control") + " in " + app +
               ", which is not a field.";
    }
    return std::nullopt;
}

bool ActPolicy::isConsequential(const std::optional<std::string>& text) {
    if (!text || text->empty()) return false;
    const icu::UnicodeString input =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text->data(), static_cast<int32_t>(text->size())));
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::RegexMatcher> matcher(consequential().matcher(input, status));
    if (U_FAILURE(status) || !matcher) return true;
    const bool found = matcher->find(status);
    // A match that could not be run holds the act rather than letting it through.
    return found || U_FAILURE(status);
}

bool ActPolicy::startsALine(std::string_view text) { return std::ranges::any_of(Text::scalars(text), isReturnScalar); }

bool ActPolicy::carriesAKey(std::string_view text) { return std::ranges::any_of(Text::scalars(text), isKeyScalar); }

bool ActPolicy::returnIsSafe(std::string_view app, const std::optional<std::string>& bundleId) {
    return contains(returnSafeApps, Text::lowercased(Text::trimmingWhitespace(app))) ||
           (bundleId && contains(returnSafeApps, Text::lowercased(*bundleId)));
}

std::string ActPolicy::keyWords(std::string_view key, const std::vector<std::string>& modifiers) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> spokenModifiers{{
        {"control", "Control"},
        {"option", "Option"},
        {"shift", "Shift"},
        {"command", "Command"},
    }};
    std::string words;
    for (const auto& [modifier, spoken] : spokenModifiers) {
        if (contains(modifiers, modifier)) words.append(spoken).append("-");
    }
    const auto* named = std::ranges::find(spokenKeys, key, &std::pair<std::string_view, std::string_view>::first);
    if (named != spokenKeys.end()) return words.append(named->second);
    // Every other key the step parser lets through is one ASCII letter or digit.
    for (const char c : key) words.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    return words;
}

bool ActPolicy::isFront(std::string_view app, const std::optional<RunningApp>& front) {
    if (!front) return false;
    const std::string named = Text::lowercased(Text::trimmingWhitespace(app));
    return Text::lowercased(front->name) == named || (front->bundleId && Text::lowercased(*front->bundleId) == named);
}

std::string ActPolicy::quote(std::string_view text) {
    static constexpr std::size_t shownCharacters = 80;
    std::string line;
    for (const std::string& piece : Text::splitAtWhitespace(text)) {
        if (!line.empty()) line.push_back(' ');
        line.append(piece);
    }
    if (Text::graphemeCount(line) > shownCharacters) line = Text::graphemePrefix(line, shownCharacters) + "…";
    return "“" + line + "”";
}

std::optional<std::string> ActPolicy::spokenName(const ActTarget& target) {
    for (const auto* candidate : {&target.title, &target.label}) {
        if (!*candidate) continue;
        std::string trimmed = Text::trimmingWhitespaceAndNewlines(**candidate);
        if (!trimmed.empty()) return trimmed;
    }
    return std::nullopt;
}

std::string ActPolicy::notInFrontSentence(std::string_view app) {
    return std::string(app) + " is not in front any more, so nothing was done.";
}

std::string ActPolicy::staleControlSentence(std::string_view app) {
    return "That control is from an older read of " + std::string(app) + ", so nothing was pressed. Read it again first.";
}

} // namespace tarvo
