#include "TarvoCore/Operator/OperatorStepOutcome.h"

#include <algorithm>
#include <span>

#include "TarvoBase/Base64.h"
#include "TarvoBase/TarvoLoggers.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/OperatorStepRequest.h"

namespace tarvo {
namespace {

using Outcome = OperatorStepOutcome;

constexpr std::size_t appsMax = 80;
constexpr std::size_t appNameUnits = 200;
constexpr std::size_t windowsMax = 40;
constexpr std::size_t windowTitleUnits = 300;
constexpr std::size_t filesMax = 20;
constexpr std::size_t fileTextUnits = 24000;

template <typename T>
std::span<const T> first(const std::vector<T>& list, std::size_t count) {
    return std::span<const T>(list).first(std::min(list.size(), count));
}

Json appObject(const RunningApp& app) {
    Json windows = Json::array();
    for (const std::string& title : first(app.windowTitles, windowsMax)) {
        windows.push_back({{"title", Text::utf16Prefix(title, windowTitleUnits)}});
    }
    return {
        {"name", Text::utf16Prefix(app.name, appNameUnits)},
        {"bundleId", app.bundleId ? Json(Text::utf16Prefix(*app.bundleId, appNameUnits)) : Json(nullptr)},
        {"frontmost", app.frontmost},
        {"hidden", app.hidden},
        {"windows", std::move(windows)},
    };
}

bool screenIsSent(const CapturedPicture& picture) {
    return picture.screenJPEG && !picture.screenJPEG->empty() &&
           picture.screenJPEG->size() <= CapturedPicture::screenMaxBytes && picture.screenWidth && picture.screenHeight;
}

struct Results {
    Json operator()(const Outcome::ListApps& outcome) const {
        Json apps = Json::array();
        for (const RunningApp& app : first(outcome.apps, appsMax)) apps.push_back(appObject(app));
        return {{"kind", "list_apps"}, {"apps", std::move(apps)}};
    }

    Json operator()(const Outcome::Look& outcome) const {
        const CapturedPicture& picture = outcome.picture;
        Json apps = Json::array();
        for (const std::string& name : first(picture.apps, appsMax)) apps.push_back(Text::utf16Prefix(name, appNameUnits));
        Json result{
            {"kind", "look"},
            {"thumbnailJpegBase64", Base64::encode(picture.thumbnailJPEG)},
            {"width", picture.width},
            {"height", picture.height},
            {"apps", std::move(apps)},
        };
        if (screenIsSent(picture)) {
            result["screenJpegBase64"] = Base64::encode(*picture.screenJPEG);
            result["screenWidth"] = *picture.screenWidth;
            result["screenHeight"] = *picture.screenHeight;
        }
        return result;
    }

    Json operator()(const Outcome::ReadScreenText& outcome) const {
        Json result{{"kind", "read_screen_text"}};
        result.update(ScreenAfter{outcome.app, outcome.text, outcome.truncated, outcome.elements}.wire());
        return result;
    }

    Json operator()(const Outcome::ListFiles& outcome) const {
        Json files = Json::array();
        for (const MacFileListing& file : first(outcome.files, filesMax)) files.push_back(file.wire());
        return {
            {"kind", "list_files"},
            {"files", std::move(files)},
            {"truncated", outcome.truncated || outcome.files.size() > filesMax},
        };
    }

    Json operator()(const Outcome::ReadFile& outcome) const {
        Json result{
            {"kind", "read_file"},
            {"ref", outcome.ref},
            {"text", Text::utf16Prefix(outcome.text, fileTextUnits)},
            {"truncated", outcome.truncated || Text::utf16Length(outcome.text) > fileTextUnits},
        };
        if (outcome.pages && *outcome.pages > 0) result["pages"] = *outcome.pages;
        if (outcome.pagesRead && *outcome.pagesRead >= 0) result["pagesRead"] = *outcome.pagesRead;
        return result;
    }

    Json operator()(const Outcome::SendFile& outcome) const {
        return {
            {"kind", "send_file"},
            {"ref", outcome.ref},
            {"bytes", std::max<std::int64_t>(outcome.bytes, 0)},
            {"sha256", outcome.sha256},
        };
    }

    Json operator()(const Outcome::Acted& outcome) const {
        return {{"kind", outcome.kind}, {"after", outcome.after.wire()}};
    }
};

struct Wires {
    Json operator()(const Outcome::NeedsPress& outcome) const {
        Json wire{{"outcome", "needs_press"}, {"sentence", Outcome::fit(outcome.sentence)}};
        if (outcome.asks) wire["asks"] = rawValue(*outcome.asks);
        return wire;
    }
    Json operator()(const Outcome::Refused& outcome) const {
        return {{"outcome", "refused"}, {"reason", Outcome::fit(outcome.reason)}};
    }
    Json operator()(const Outcome::Failed& outcome) const {
        return {{"outcome", "failed"}, {"reason", Outcome::fit(outcome.reason)}};
    }
    Json operator()(const auto& done) const { return {{"outcome", "done"}, {"result", Results{}(done)}}; }
};

struct Codes {
    std::string operator()(const Outcome::ListApps&) const { return "done.list_apps"; }
    std::string operator()(const Outcome::Look&) const { return "done.look"; }
    std::string operator()(const Outcome::ReadScreenText&) const { return "done.read_screen_text"; }
    std::string operator()(const Outcome::ListFiles&) const { return "done.list_files"; }
    std::string operator()(const Outcome::ReadFile&) const { return "done.read_file"; }
    std::string operator()(const Outcome::SendFile&) const { return "done.send_file"; }
    std::string operator()(const Outcome::Acted& outcome) const {
        const auto& kinds = OperatorStepRequest::protocolTwoKinds;
        if (std::ranges::find(kinds, outcome.kind) != kinds.end()) return "done." + outcome.kind;
        return "done.act";
    }
    std::string operator()(const Outcome::NeedsPress&) const { return "needs_press"; }
    std::string operator()(const Outcome::Refused&) const { return "refused"; }
    std::string operator()(const Outcome::Failed&) const { return "failed"; }
};

} // namespace

Json OperatorStepOutcome::wire() const { return std::visit(Wires{}, value_); }

std::string OperatorStepOutcome::code() const { return std::visit(Codes{}, value_); }

std::string OperatorStepOutcome::fit(std::string_view sentence) {
    if (sentence.empty()) return "It did not work.";
    // Cutting within the whole length also makes any ill-formed UTF-8 well-formed for the wire.
    if (Text::utf16Length(sentence) <= sentenceMax) return Text::utf16Prefix(sentence, sentenceMax);
    return Text::utf16Prefix(sentence, sentenceMax - 3) + "...";
}

} // namespace tarvo

namespace tarvo::TarvoLog {

void operatorStep(const OperatorStepOutcome& outcome, std::int64_t milliseconds) {
    operating().log(LogLevel::standard, "operator step %{public}s in %{public}ld ms", [&] {
        return std::vector{LogArgument::publicText(outcome.code()), LogArgument::publicInteger(std::max<std::int64_t>(milliseconds, 0))};
    });
}

} // namespace tarvo::TarvoLog
