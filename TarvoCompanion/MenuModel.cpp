#include "TarvoCompanion/MenuModel.h"

#include <algorithm>
#include <utility>

#include "TarvoBase/RunLoop.h"
#include "TarvoCompanion/SafariMenuItem.h"
#include "TarvoCore/Companion/TarvoLog.h"
#include "TarvoCore/Operator/MacPermissionWords.h"

namespace tarvo {
namespace {

constexpr std::array<MacPermissionMode, 3> allModes{MacPermissionMode::ask, MacPermissionMode::autoRead,
                                                    MacPermissionMode::auto_};

std::string id(std::string_view text) { return std::string(text); }

} // namespace

MenuModel::MenuModel(Sources sources) : sources_(std::move(sources)) {}

std::string_view MenuModel::symbol(Icon icon) {
    switch (icon) {
    case Icon::operating: return "eye.circle.fill";
    case Icon::ready: return "bubble.left.and.bubble.right.fill";
    case Icon::attention: return "bubble.left.and.exclamationmark.bubble.right";
    }
    return "bubble.left.and.exclamationmark.bubble.right";
}

std::string_view MenuModel::word(Icon icon) {
    switch (icon) {
    case Icon::operating: return "operating";
    case Icon::ready: return "ready";
    case Icon::attention: return "attention";
    }
    return "attention";
}

std::string MenuModel::choiceId(MacPermissionMode mode) { return std::string(modeId) + "-" + std::string(rawValue(mode)); }

MenuModel::Icon MenuModel::icon() const {
    if (sources_.companion->operatorLink().liveRunId()) return Icon::operating;
    if (!sources_.companion->state().advertisableChannels().empty()) return Icon::ready;
    return Icon::attention;
}

std::vector<MenuItem> MenuModel::items() const {
    const Companion& companion = *sources_.companion;
    std::vector<MenuItem> items;
    if (sources_.companion->operatorLink().liveRunId()) {
        items.push_back(MenuItem::button(id(stopId), "Stop operating this Mac"));
        items.push_back(
            MenuItem::text("Tarvo is operating this Mac. " + std::string(sources_.stopKeysSpoken) + " also stops it."));
        items.push_back(MenuItem::divider());
    }
    items.push_back(MenuItem::text(companion.state().summary(RunLoop::current().clock().date())));
    items.push_back(MenuItem::divider());
    if (companion.state().signIn.isSignedIn()) {
        addSignedIn(items);
    } else if (companion.pairingCode()) {
        items.push_back(MenuItem::text("Enter this code on the web: " + *companion.pairingCode()));
        items.push_back(MenuItem::button(id(signInId), "Open the page again"));
    } else {
        items.push_back(MenuItem::button(id(signInId), "Sign in\u2026"));
    }
    if (sources_.safari) {
        for (MenuItem& item : SafariMenuItem::items(sources_.safari->setup())) items.push_back(std::move(item));
    }
    items.push_back(MenuItem::divider());
    if (sources_.updater && sources_.updater->hasFeed()) {
        items.push_back(MenuItem::button(id(updatesId), "Check for Updates\u2026"));
    }
    items.push_back(MenuItem::button(id(quitId), "Quit Tarvo"));
    return items;
}

void MenuModel::addSignedIn(std::vector<MenuItem>& items) const {
    const Companion& companion = *sources_.companion;
    items.push_back(MenuItem::button(id(panelId), "Open the panel"));
    if (!companion.state().canReadMessages) {
        items.push_back(MenuItem::divider());
        items.push_back(MenuItem::text("Tarvo cannot read Messages"));
        items.push_back(MenuItem::button(id(fullDiskAccessId), "Open Full Disk Access settings\u2026"));
        items.push_back(MenuItem::button(id(checkAgainId), "Check again"));
    }
    if (companion.whatsappLinked()) {
        items.push_back(MenuItem::button(id(whatsappId), "WhatsApp is linked", false));
    } else {
        items.push_back(MenuItem::button(id(whatsappId), "Link WhatsApp\u2026"));
    }
    if (companion.state().skippedWithoutText > 0) {
        items.push_back(MenuItem::text(std::to_string(companion.state().skippedWithoutText) +
                                       " message(s) could not be read"));
    }
    items.push_back(MenuItem::divider());
    addOperating(items);
    items.push_back(MenuItem::button(id(operatingSetupId), "Set up operating this Mac\u2026"));
}

void MenuModel::addOperating(std::vector<MenuItem>& items) const {
    const OperatorPermissions& operating = sources_.companion->operatorPermissions();
    items.push_back(MenuItem::toggle(id(operateId), "Allow Tarvo to operate this Mac", operating.allowed()));
    if (!operating.allowed() || !operating.caps()) return;
    const std::vector<OperatorGap> gaps = operating.caps()->gaps();
    // The reading may lag the switch just turned on; the switch itself is never a readiness line.
    const bool onlySwitchLags = !gaps.empty() && std::ranges::all_of(gaps, [](OperatorGap gap) {
        return gap == OperatorGap::switchedOff;
    });
    if (gaps.empty()) {
        items.push_back(MenuItem::text("This Mac can be operated"));
    } else if (!onlySwitchLags) {
        for (const OperatorGap gap : gaps) {
            if (gap != OperatorGap::switchedOff) items.push_back(MenuItem::text(std::string(sentence(gap))));
        }
    }
    items.push_back(MenuItem::toggle(id(keepAwakeId), "Keep my Mac awake while Tarvo works", operating.keepAwake()));
    if (!operating.permissionMode) return;
    MenuItem picker{MenuItem::Kind::picker, id(modeId), std::string(MacPermissionWords::macModeHeading), true, false, {}};
    for (const MacPermissionMode mode : allModes) {
        picker.choices.push_back({choiceId(mode), std::string(label(mode)), mode == *operating.permissionMode});
    }
    items.push_back(std::move(picker));
    items.push_back(MenuItem::text(std::string(line(*operating.permissionMode))));
    if (operating.modeNotice) items.push_back(MenuItem::text(*operating.modeNotice));
}

PressOutcome MenuModel::press(std::string_view pressed) {
    for (const MenuItem& item : items()) {
        if (item.kind == MenuItem::Kind::picker) {
            const auto choice = std::ranges::find(item.choices, pressed, &MenuItem::Choice::id);
            if (choice == item.choices.end()) continue;
            act(item, choice->id);
            return PressOutcome::done();
        }
        if (item.id.empty() || item.id != pressed) continue;
        if (!item.enabled) return PressOutcome::disabled(item.title);
        act(item, {});
        return PressOutcome::done();
    }
    return PressOutcome::unknown(std::string(pressed), "the menu");
}

void MenuModel::act(const MenuItem& item, std::string_view choice) {
    Companion& companion = *sources_.companion;
    const std::string& pressed = item.id;
    if (pressed == stopId) {
        stop();
    } else if (pressed == panelId) {
        companion.openPanelWindow("/app");
    } else if (pressed == fullDiskAccessId) {
        companion.openFullDiskAccessSettings();
    } else if (pressed == checkAgainId) {
        companion.refreshPermissions();
    } else if (pressed == whatsappId) {
        companion.linkWhatsApp();
    } else if (pressed == operateId) {
        companion.operatorPermissions().setAllowed(!item.checked);
    } else if (pressed == keepAwakeId) {
        companion.operatorPermissions().setKeepAwake(!item.checked);
    } else if (pressed == modeId) {
        for (const MacPermissionMode mode : allModes) {
            if (choiceId(mode) == choice) companion.chooseMode(mode);
        }
    } else if (pressed == operatingSetupId) {
        if (sources_.showOperatingSetup) sources_.showOperatingSetup();
    } else if (pressed == signInId) {
        companion.beginSignIn();
    } else if (pressed == safariId) {
        sources_.safari->safariSwitch().showInSafari();
    } else if (pressed == updatesId) {
        sources_.updater->checkForUpdates();
    } else if (pressed == quitId) {
        companion.quit();
    }
}

void MenuModel::stop() {
    OperatorLink& link = sources_.companion->operatorLink();
    if (const std::optional<std::string> runId = link.session().stop()) {
        link.stops().record(*runId, rawValue(OperatorEndCode::menu), RunLoop::current().clock().date());
    }
    link.lowerBar();
    TarvoLog::operatorRunEnded(OperatorEndCode::menu);
    link.reportStops();
}

} // namespace tarvo
