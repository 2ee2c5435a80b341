#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoCore/Operator/CapturedPicture.h"
#include "TarvoCore/Operator/MacElementInfo.h"
#include "TarvoCore/Operator/MacFileListing.h"
#include "TarvoCore/Operator/MacPermissionAsk.h"
#include "TarvoCore/Operator/RunningApp.h"
#include "TarvoCore/Operator/ScreenAfter.h"

namespace tarvo {

// How one operator step ended: done with what it produced, waiting for the user's press, refused
// before anything was done, or failed in a port. Its wire form is small enough for one request
// whatever the ports returned: lists, names and texts are cut there, never here.
class OperatorStepOutcome {
public:
    struct ListApps {
        std::vector<RunningApp> apps;
        bool operator==(const ListApps&) const = default;
    };
    struct Look {
        CapturedPicture picture;
        bool operator==(const Look&) const = default;
    };
    struct ReadScreenText {
        std::string app;
        std::string text;
        bool truncated = false;
        std::optional<std::vector<MacElementInfo>> elements;
        bool operator==(const ReadScreenText&) const = default;
    };
    struct ListFiles {
        std::vector<MacFileListing> files;
        bool truncated = false;
        bool operator==(const ListFiles&) const = default;
    };
    struct ReadFile {
        std::string ref;
        std::string text;
        bool truncated = false;
        std::optional<std::int64_t> pages;
        std::optional<std::int64_t> pagesRead;
        bool operator==(const ReadFile&) const = default;
    };
    struct SendFile {
        std::string ref;
        std::int64_t bytes = 0;
        std::string sha256;
        bool operator==(const SendFile&) const = default;
    };
    struct Acted {
        // The step's kind string.
        std::string kind;
        ScreenAfter after;
        bool operator==(const Acted&) const = default;
    };
    struct NeedsPress {
        std::string sentence;
        std::optional<MacPermissionAsk> asks;
        bool operator==(const NeedsPress&) const = default;
    };
    struct Refused {
        std::string reason;
        bool operator==(const Refused&) const = default;
    };
    struct Failed {
        std::string reason;
        bool operator==(const Failed&) const = default;
    };
    using Value =
        std::variant<ListApps, Look, ReadScreenText, ListFiles, ReadFile, SendFile, Acted, NeedsPress, Refused, Failed>;

    // Sentences and reasons are sent within this many UTF-16 units.
    static constexpr std::size_t sentenceMax = 300;

    OperatorStepOutcome(Value value) : value_(std::move(value)) {}

    static OperatorStepOutcome refused(std::string_view reason) { return OperatorStepOutcome(Refused{std::string(reason)}); }
    static OperatorStepOutcome failed(std::string_view reason) { return OperatorStepOutcome(Failed{std::string(reason)}); }

    // The step result posted to the service.
    Json wire() const;
    // The outcome's short code for the log line, such as "done.press_element" or "refused".
    std::string code() const;
    // The sentence as sent: "It did not work." for an empty one; a longer one cut to 297 units
    // of whole characters followed by "...".
    static std::string fit(std::string_view sentence);

    const Value& value() const { return value_; }

    bool operator==(const OperatorStepOutcome&) const = default;

private:
    Value value_;
};

} // namespace tarvo

namespace tarvo::TarvoLog {

// "operator step " + the outcome's code + " in " + the milliseconds (none below 0) + " ms".
void operatorStep(const OperatorStepOutcome& outcome, std::int64_t milliseconds);

} // namespace tarvo::TarvoLog
