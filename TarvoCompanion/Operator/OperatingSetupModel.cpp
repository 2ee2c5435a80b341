#include "TarvoCompanion/Operator/OperatingSetupModel.h"

#include <utility>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Brand.h"

namespace tarvo {
namespace {

// The rows by the id their buttons start with, and the settings pane each opens.
struct RowPane {
    std::string_view id;
    std::string_view anchor;
};
constexpr std::array<RowPane, 3> rowPanes{{
    {"accessibility", "Privacy_Accessibility"},
    {"screen-recording", "Privacy_ScreenCapture"},
    {"full-disk-access", "Privacy_AllFiles"},
}};

constexpr std::string_view settingsSuffix = "-settings";
constexpr std::string_view restartSuffix = "-restart";

Task<void> refreshing(std::shared_ptr<Companion> companion) { co_await companion->operatorPermissions().refresh(); }

} // namespace

OperatingSetupModel::OperatingSetupModel(std::shared_ptr<Companion> companion) : companion_(std::move(companion)) {}

void OperatingSetupModel::show() {
    if (!made_) {
        made_ = true;
        PlainLog::write("tarvo: made the window \"" + std::string(title) + "\"");
    }
    visible_ = true;
    ++timesFronted_;
    spawn(refreshing(companion_));
}

OperatingSetupModel::Page OperatingSetupModel::page() const {
    const OperatorPermissions& operating = companion_->operatorPermissions();
    const std::optional<OperatorCaps>& caps = operating.caps();
    const auto field = [&](std::optional<bool> OperatorCaps::*member) {
        return caps ? (*caps).*member : std::optional<bool>();
    };
    Page page;
    page.heading = "Let Tarvo use this Mac for you (optional)";
    page.intro = "Accessibility lets Tarvo read the words on your screen, and click and type when you ask. Screen "
                 "Recording lets it see the screen. Full Disk Access lets it find and read your files. Turn Tarvo on "
                 "in each list that opens, then press Restart Tarvo. Nothing happens until the switch below is on. "
                 "Anything that sends, submits, buys or deletes waits for your press.";
    page.operate = {"operate", "Allow Tarvo to operate this Mac",
                    operating.allowed() ? "On. Tarvo can work on this Mac when you ask."
                                        : "Off. Tarvo will not touch this Mac.",
                    operating.allowed()};
    const bool postingRefused = caps && caps->accessibility == true && caps->postEvent == false;
    page.rows.push_back(row("accessibility", "Accessibility", field(&OperatorCaps::accessibility), postingRefused));
    page.rows.push_back(row("screen-recording", "Screen Recording", field(&OperatorCaps::screenRecording), false));
    page.rows.push_back(row("full-disk-access", "Full Disk Access", field(&OperatorCaps::fullDiskAccess), false));
    if (operating.screenRecordingNeedsClick) {
        page.screenRecordingNote = "macOS is asking on this Mac whether Tarvo may keep seeing the screen. Click Allow.";
    }
    page.keepAwake = {"keep-awake", "Keep my Mac awake while Tarvo works",
                      "While it is plugged in. It never keeps the display on.", operating.keepAwake()};
    return page;
}

OperatingSetupModel::PermissionRow OperatingSetupModel::row(std::string_view id, std::string title,
                                                            std::optional<bool> granted, bool needsRestart) const {
    PermissionRow row;
    row.title = std::move(title);
    row.granted = granted;
    const std::string restartId = std::string(id) + std::string(restartSuffix);
    if (!granted) {
        row.colour = Brand::faint();
        row.mark = "ellipsis";
        row.word = "Checking";
    } else {
        row.colour = *granted ? Brand::success() : Brand::danger();
        row.mark = *granted ? "checkmark" : "xmark";
        row.word = *granted ? "On" : "Off";
    }
    if (granted != true) {
        row.buttons = {Brand::accentButton(std::string(id) + std::string(settingsSuffix), "Open Settings"),
                       Brand::plainButton(restartId, "Restart Tarvo")};
    } else if (needsRestart) {
        row.note = "Restart Tarvo to finish setting up.";
        row.buttons = {Brand::plainButton(restartId, "Restart Tarvo")};
    }
    return row;
}

PressOutcome OperatingSetupModel::press(std::string_view id) {
    const Page shown = page();
    OperatorPermissions& operating = companion_->operatorPermissions();
    if (id == shown.operate.id) {
        operating.setAllowed(!shown.operate.on);
        return PressOutcome::done();
    }
    if (id == shown.keepAwake.id) {
        operating.setKeepAwake(!shown.keepAwake.on);
        return PressOutcome::done();
    }
    for (const PermissionRow& row : shown.rows) {
        for (const SetupButton& button : row.buttons) {
            if (button.id != id) continue;
            if (id.ends_with(restartSuffix)) {
                companion_->relaunchForPermission();
                return PressOutcome::done();
            }
            // No system question exists here: the pane is all there is to open.
            for (const RowPane& pane : rowPanes) {
                if (id == std::string(pane.id) + std::string(settingsSuffix)) {
                    operating.openSettingsPane(std::string(pane.anchor));
                }
            }
            return PressOutcome::done();
        }
    }
    return PressOutcome::unknown(std::string(id), "the window \"" + std::string(title) + "\"");
}

} // namespace tarvo
