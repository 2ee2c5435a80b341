#include "TarvoCore/Operator/OperatorCaps.h"

#include <algorithm>

#include "TarvoBase/TarvoLoggers.h"
#include "TarvoCore/Operator/OperatorSystemReadings.h"

namespace tarvo {
namespace {

// One gap when the reading is unknown, another when it is false, none when it is true.
std::optional<OperatorGap> gapUnlessTrue(std::optional<bool> reading, OperatorGap unknown, OperatorGap no) {
    if (!reading) return unknown;
    if (!*reading) return no;
    return std::nullopt;
}

// A session value that is present but not a boolean reads as absent.
std::optional<bool> sessionBool(const Json& session, std::string_view key) {
    const auto found = session.find(std::string(key));
    if (found == session.end() || !found->is_boolean()) return std::nullopt;
    return found->get<bool>();
}

template <class T>
void putKnown(Json& wire, const char* key, const std::optional<T>& value) {
    if (value) wire[key] = *value;
}

void putWhenTrue(Json& wire, const char* key, std::optional<bool> value) {
    if (value == true) wire[key] = true;
}

} // namespace

OperatorCaps OperatorCaps::read(bool enabled, const OperatorSystemReadings& from) {
    OperatorCaps caps{.enabled = enabled};
    caps.accessibility = from.accessibilityTrusted();
    caps.screenRecording = from.screenCaptureAllowed();
    caps.postEvent = from.postEventAllowed();
    caps.osSupported = from.osSupported();
    if (const auto session = from.sessionDictionary(); session && session->is_object()) {
        // The lock key is left out of the dictionary while the screen is unlocked.
        caps.sessionLocked = sessionBool(*session, OperatorSystemReadings::lockedKey).value_or(false);
        caps.onConsole = sessionBool(*session, OperatorSystemReadings::onConsoleKey);
    }
    if (const auto displays = from.displays()) {
        caps.displayCount = displays->count;
        caps.mainDisplayPixels = displays->mainPixels;
    }
    caps.displayAsleep = from.displaysAsleep();
    caps.fullDiskAccess = from.fullDiskAccess();
    caps.idleSeconds = from.idleSeconds();
    caps.acPower = from.acPower();
    caps.folderConsent = true;
    caps.filesInFolder = true;
    return caps;
}

std::vector<OperatorGap> OperatorCaps::gaps() const {
    std::vector<OperatorGap> found;
    if (!enabled) found.push_back(OperatorGap::switchedOff);
    for (const auto gap : {osGap(), accessibilityGap(), screenRecordingGap(), postEventGap(), lockGap(), consoleGap(),
                           displayGap()}) {
        if (gap) found.push_back(*gap);
    }
    return found;
}

std::vector<MacClassGap> OperatorCaps::gaps(MacCapabilityClass forClass, bool filesWhileLocked) const {
    std::vector<MacClassGap> found;
    const auto addBase = [&found](std::optional<OperatorGap> gap) {
        if (gap) found.push_back(MacClassGap::base(*gap));
    };
    if (!enabled) addBase(OperatorGap::switchedOff);
    addBase(osGap());
    if (forClass == MacCapabilityClass::files) {
        if (folderConsent != true && fullDiskAccess != true) {
            found.push_back(MacClassGap::presence(fullDiskAccess ? MacPresenceGap::fullDiskAccessOff
                                                                  : MacPresenceGap::fullDiskAccessUnknown));
        }
        if (filesWhileLocked) return found;
        addBase(lockGap());
    } else {
        addBase(accessibilityGap());
        addBase(screenRecordingGap());
        if (forClass != MacCapabilityClass::screen) addBase(postEventGap());
        addBase(lockGap());
        addBase(consoleGap());
        addBase(displayGap());
    }
    if (displayAsleep == true) found.push_back(MacClassGap::presence(MacPresenceGap::displayAsleep));
    return found;
}

Json OperatorCaps::wire() const {
    Json wire = Json::object();
    wire["enabled"] = enabled;
    putKnown(wire, "accessibility", accessibility);
    putKnown(wire, "screenRecording", screenRecording);
    putKnown(wire, "postEvent", postEvent);
    putKnown(wire, "sessionLocked", sessionLocked);
    putKnown(wire, "onConsole", onConsole);
    putKnown(wire, "osSupported", osSupported);
    putKnown(wire, "displayCount", displayCount);
    if (mainDisplayPixels) {
        wire["mainDisplayPixels"] = {{"width", mainDisplayPixels->width}, {"height", mainDisplayPixels->height}};
    }
    putKnown(wire, "displayAsleep", displayAsleep);
    putKnown(wire, "fullDiskAccess", fullDiskAccess);
    if (idleSeconds) wire["idleSeconds"] = std::max<std::int64_t>(*idleSeconds, 0);
    putKnown(wire, "onAC", acPower);
    putKnown(wire, "keepAwake", keepAwake);
    putKnown(wire, "stepKinds", stepKinds);
    putWhenTrue(wire, "willSleep", willSleep);
    putWhenTrue(wire, "screenRecordingNeedsClick", screenRecordingNeedsClick);
    putWhenTrue(wire, "folderConsent", folderConsent);
    putWhenTrue(wire, "filesInFolder", filesInFolder);
    return wire;
}

std::optional<OperatorGap> OperatorCaps::osGap() const {
    return gapUnlessTrue(osSupported, OperatorGap::osUnknown, OperatorGap::osTooOld);
}

std::optional<OperatorGap> OperatorCaps::accessibilityGap() const {
    return gapUnlessTrue(accessibility, OperatorGap::accessibilityUnknown, OperatorGap::accessibilityOff);
}

std::optional<OperatorGap> OperatorCaps::screenRecordingGap() const {
    return gapUnlessTrue(screenRecording, OperatorGap::screenRecordingUnknown, OperatorGap::screenRecordingOff);
}

// Posting events is only asked about once Accessibility is on: before that, the one thing to
// fix is Accessibility.
std::optional<OperatorGap> OperatorCaps::postEventGap() const {
    if (accessibility != true) return std::nullopt;
    return gapUnlessTrue(postEvent, OperatorGap::postEventsUnknown, OperatorGap::cannotPostEvents);
}

std::optional<OperatorGap> OperatorCaps::lockGap() const {
    if (!sessionLocked) return OperatorGap::lockUnknown;
    if (*sessionLocked) return OperatorGap::screenLocked;
    return std::nullopt;
}

std::optional<OperatorGap> OperatorCaps::consoleGap() const {
    return gapUnlessTrue(onConsole, OperatorGap::consoleUnknown, OperatorGap::notAtScreen);
}

std::optional<OperatorGap> OperatorCaps::displayGap() const {
    if (!displayCount) return OperatorGap::displaysUnknown;
    if (*displayCount <= 0) return OperatorGap::noDisplay;
    return std::nullopt;
}

} // namespace tarvo

namespace tarvo::TarvoLog {

std::string operatorLine(const OperatorCaps& caps) {
    const std::vector<OperatorGap> gaps = caps.gaps();
    std::string line = "operator readiness — ";
    if (gaps.empty()) {
        line += "ready";
    } else {
        line += "not ready, " + std::to_string(gaps.size()) + " missing: ";
        for (std::size_t i = 0; i < gaps.size(); ++i) {
            if (i > 0) line += ", ";
            line += rawValue(gaps[i]);
        }
    }
    line += "; displays ";
    line += caps.displayCount ? std::to_string(*caps.displayCount) : "unknown";
    return line;
}

void operatorReadinessChanged(const OperatorCaps& caps) {
    operating().log(LogLevel::standard, "%{public}s",
                    [&] { return std::vector{LogArgument::publicText(operatorLine(caps))}; });
}

} // namespace tarvo::TarvoLog
