#include "TarvoCore/Operator/OperatorLookPolicy.h"

#include <algorithm>
#include <iterator>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

constexpr std::string_view neverLookedAtIds[]{
    OperatorLookPolicy::ownBundleId,
    // Passwords and keys.
    "com.apple.keychainaccess",
    "com.apple.Passwords",
    "com.1password.1password",
    "com.agilebits.onepassword7",
    "com.bitwarden.desktop",
    "com.lastpass.LastPass",
    "org.gnome.seahorse.Application",
    "org.gnome.World.Secrets",
    "org.keepassxc.KeePassXC",
    "keepass2",
    "bitwarden",
    "1password",
    "org.kde.kwalletmanager5",
    "org.kde.kwalletmanager",
    "org.kde.kleopatra",
    "org.kde.kgpg",
    "gpa",
    "qtpass",
    // Login and authentication windows.
    "com.apple.SecurityAgent",
    "com.apple.loginwindow",
    "polkit-gnome-authentication-agent-1",
    "org.kde.polkit-kde-authentication-agent-1",
    "polkit-mate-authentication-agent-1",
    "lxqt-policykit-agent",
    "lxpolkit",
    "xfce-polkit",
    "gcr-prompter",
    // System settings.
    "com.apple.systempreferences",
    "org.gnome.Settings",
    "gnome-control-center",
    "systemsettings",
    "kdesystemsettings",
    "xfce-settings-manager",
    "cinnamon-settings",
    "matecc",
    "lxqt-config",
    "budgie-control-center",
    // Screen sharing and remote desktops.
    "com.apple.ScreenSharing",
    "com.apple.ScreenContinuity",
    "org.remmina.Remmina",
    "org.gnome.Connections",
    "org.gnome.Vinagre",
    "org.kde.krdc",
    "org.kde.krfb",
    "vncviewer",
    "x11vnc",
    "com.teamviewer.TeamViewer",
    "anydesk",
    "rustdesk",
    // Software installers.
    "com.apple.installer",
    "org.gnome.Software",
    "org.kde.discover",
    "synaptic",
    "gdebi",
    "org.gnome.PackageUpdater",
    "software-properties-gtk",
};

bool isOwn(const RunningApp& app) { return app.bundleId == OperatorLookPolicy::ownBundleId; }

} // namespace

const std::set<std::string>& OperatorLookPolicy::neverLookedAt() {
    static const std::set<std::string> ids(std::begin(neverLookedAtIds), std::end(neverLookedAtIds));
    return ids;
}

bool OperatorLookPolicy::mayLookAt(const RunningApp& app) {
    return !app.bundleId || !neverLookedAt().contains(*app.bundleId);
}

std::optional<RunningApp> OperatorLookPolicy::frontTarget(const std::vector<RunningApp>& apps,
                                                          std::optional<std::int32_t> previousFront) {
    const auto withPid = [&](bool skippingOwn) -> const RunningApp* {
        if (!previousFront) return nullptr;
        const auto found = std::ranges::find_if(
            apps, [&](const RunningApp& app) { return app.pid == *previousFront && !(skippingOwn && isOwn(app)); });
        return found == apps.end() ? nullptr : &*found;
    };
    const auto front = std::ranges::find_if(apps, &RunningApp::frontmost);
    if (front == apps.end()) {
        if (const RunningApp* previous = withPid(false)) return *previous;
        return std::nullopt;
    }
    if (!isOwn(*front)) return *front;
    if (const RunningApp* previous = withPid(true)) return *previous;
    return *front;
}

std::optional<RunningApp> OperatorLookPolicy::find(std::string_view name, const std::vector<RunningApp>& apps) {
    const std::string wanted = Text::lowercased(name);
    const auto byBundleId = std::ranges::find_if(
        apps, [&](const RunningApp& app) { return app.bundleId && Text::lowercased(*app.bundleId) == wanted; });
    if (byBundleId != apps.end()) return *byBundleId;
    const auto byName =
        std::ranges::find_if(apps, [&](const RunningApp& app) { return Text::lowercased(app.name) == wanted; });
    if (byName != apps.end()) return *byName;
    return std::nullopt;
}

} // namespace tarvo
