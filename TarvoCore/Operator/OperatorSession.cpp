#include "TarvoCore/Operator/OperatorSession.h"

#include <algorithm>
#include <utility>

namespace tarvo {
namespace {

using NotReady = OperatorSession::NotReady;

bool holds(const std::vector<NotReady>& list, NotReady reason) {
    return std::find(list.begin(), list.end(), reason) != list.end();
}

std::optional<std::string_view> permissionName(NotReady reason) {
    switch (reason) {
    case NotReady::noAccessibility: return "Accessibility";
    case NotReady::noScreenRecording: return "Screen Recording";
    case NotReady::noFullDiskAccess: return "Full Disk Access";
    default: return std::nullopt;
    }
}

} // namespace

OperatorSession::Conditions OperatorSession::Conditions::from(const std::optional<OperatorCaps>& caps,
                                                              bool signedIn) {
    Conditions conditions;
    conditions.signedIn = signedIn;
    if (!caps) return conditions;
    conditions.switchOn = caps->enabled;
    conditions.accessibility = caps->accessibility == true;
    conditions.screenRecording = caps->screenRecording == true;
    conditions.unlockedAtScreen = caps->sessionLocked == false && caps->onConsole == true;
    conditions.postEvent = caps->postEvent == true;
    conditions.fullDiskAccess = caps->fullDiskAccess == true;
    conditions.folderConsent = caps->folderConsent == true;
    conditions.displayAsleep = caps->displayAsleep == true;
    conditions.keepAwake = caps->keepAwake == true;
    return conditions;
}

std::string_view OperatorSession::rawValue(NotReady reason) {
    switch (reason) {
    case NotReady::switchedOff: return "switchedOff";
    case NotReady::noAccessibility: return "noAccessibility";
    case NotReady::noScreenRecording: return "noScreenRecording";
    case NotReady::signedOut: return "signedOut";
    case NotReady::lockedOrAway: return "lockedOrAway";
    case NotReady::cannotPostEvents: return "cannotPostEvents";
    case NotReady::noFullDiskAccess: return "noFullDiskAccess";
    case NotReady::displayAsleep: return "displayAsleep";
    }
    return {};
}

std::optional<NotReady> OperatorSession::notReady(std::string_view text) {
    for (const NotReady reason : allNotReady) {
        if (rawValue(reason) == text) return reason;
    }
    return std::nullopt;
}

OperatorSession::OperatorSession(const std::vector<std::string>& stopped) : stopped_(stopped.begin(), stopped.end()) {}

std::optional<std::string> OperatorSession::liveRunId() const {
    std::lock_guard guard(lock_);
    return live_;
}

bool OperatorSession::begin(const std::string& runId) {
    std::lock_guard guard(lock_);
    if (stopped_.contains(runId)) return false;
    if (live_ != runId) held_.clear();
    live_ = runId;
    return true;
}

std::optional<std::string> OperatorSession::stop() {
    std::lock_guard guard(lock_);
    if (!live_) return std::nullopt;
    stopped_.insert(*live_);
    held_.clear();
    return std::exchange(live_, std::nullopt);
}

void OperatorSession::ended(const std::string& runId) {
    std::lock_guard guard(lock_);
    stopped_.insert(runId);
    if (live_ == runId) {
        live_.reset();
        held_.clear();
    }
}

bool OperatorSession::isStopped(const std::string& runId) const {
    std::lock_guard guard(lock_);
    return stopped_.contains(runId);
}

bool OperatorSession::isLive(const std::string& runId) const {
    std::lock_guard guard(lock_);
    return live_ == runId;
}

OperatorSession::Admission OperatorSession::admit(const std::string& runId, MacCapabilityClass klass,
                                                  bool indicatorShown, const Conditions& conditions) const {
    std::lock_guard guard(lock_);
    if (stopped_.contains(runId) || live_ != runId) return Admission::refused(std::string(stoppedSentence));
    if (auto sentence = refusalSentence(conditions, klass)) return Admission::refused(std::move(*sentence));
    if (!indicatorShown) return Admission::refused(std::string(barNotShownSentence));
    return Admission::admitted();
}

void OperatorSession::holdQuestion(const std::string& runId, const std::string& digest, HeldQuestion question) {
    std::lock_guard guard(lock_);
    if (live_ != runId) return;
    std::erase_if(held_, [&](const Held& held) { return held.digest == digest; });
    if (held_.size() == heldQuestionsKept) held_.pop_front();
    held_.push_back({digest, std::move(question)});
}

std::optional<OperatorSession::HeldQuestion> OperatorSession::takeHeldQuestion(const std::string& runId,
                                                                               const std::string& digest) {
    std::lock_guard guard(lock_);
    if (live_ != runId) return std::nullopt;
    const auto found = std::find_if(held_.begin(), held_.end(), [&](const Held& held) { return held.digest == digest; });
    if (found == held_.end()) return std::nullopt;
    HeldQuestion question = std::move(found->question);
    held_.erase(found);
    return question;
}

std::vector<NotReady> OperatorSession::refusals(const Conditions& c, MacCapabilityClass klass) {
    std::vector<NotReady> list;
    if (!c.switchOn) list.push_back(NotReady::switchedOff);
    if (klass == MacCapabilityClass::files) {
        if (!c.signedIn) list.push_back(NotReady::signedOut);
        if (!c.fullDiskAccess && !c.folderConsent) list.push_back(NotReady::noFullDiskAccess);
        return list;
    }
    if (!c.accessibility) list.push_back(NotReady::noAccessibility);
    if (!c.screenRecording) list.push_back(NotReady::noScreenRecording);
    if (c.accessibility && !c.postEvent && klass != MacCapabilityClass::screen) {
        list.push_back(NotReady::cannotPostEvents);
    }
    if (!c.signedIn) list.push_back(NotReady::signedOut);
    if (!c.unlockedAtScreen) list.push_back(NotReady::lockedOrAway);
    // An unlocked screen whose display may be woken is no reason to refuse.
    if (c.displayAsleep && !(c.unlockedAtScreen && c.keepAwake)) list.push_back(NotReady::displayAsleep);
    return list;
}

std::optional<std::string> OperatorSession::refusalSentence(const Conditions& conditions, MacCapabilityClass klass) {
    std::vector<NotReady> list = refusals(conditions, klass);
    if (list.empty()) return std::nullopt;
    if (holds(list, NotReady::switchedOff) || holds(list, NotReady::signedOut)) {
        return std::string(notOperableSentence);
    }
    if (holds(list, NotReady::lockedOrAway)) return std::string(lockedSentence);
    if (list == std::vector{NotReady::displayAsleep}) return std::string(displayAsleepSentence);
    std::erase(list, NotReady::displayAsleep);
    return permissionSentence(list);
}

std::string OperatorSession::permissionSentence(const std::vector<NotReady>& list) {
    std::vector<std::string_view> names;
    for (const NotReady reason : list) {
        if (const auto name = permissionName(reason)) names.push_back(*name);
    }
    if (names.empty()) return std::string(restartSentence);
    if (names.size() == 1) return std::string(names.front()) + " is off for Tarvo on the Mac, so nothing was done.";
    std::string sentence;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        if (i > 0) sentence += ", ";
        sentence += names[i];
    }
    sentence += " and ";
    sentence += names.back();
    sentence += " are off for Tarvo on the Mac, so nothing was done.";
    return sentence;
}

std::vector<MacCapabilityClass> OperatorSession::readyClasses(const Conditions& conditions) {
    std::vector<MacCapabilityClass> ready;
    for (const MacCapabilityClass klass : allMacCapabilityClasses) {
        if (refusals(conditions, klass).empty()) ready.push_back(klass);
    }
    return ready;
}

std::vector<std::string> OperatorSession::can(const Conditions& conditions) {
    std::vector<std::string> names;
    for (const MacCapabilityClass klass : readyClasses(conditions)) {
        if (klass != MacCapabilityClass::consequential) names.emplace_back(tarvo::rawValue(klass));
    }
    return names;
}

std::vector<NotReady> OperatorSession::pollRefusals(const Conditions& conditions) {
    return refusals(conditions, MacCapabilityClass::screen);
}

bool OperatorSession::mayPoll(const Conditions& conditions) {
    return conditions.switchOn && conditions.signedIn && !readyClasses(conditions).empty();
}

bool OperatorSession::endsTheRun(const Conditions& conditions) { return !conditions.switchOn || !conditions.signedIn; }

} // namespace tarvo
