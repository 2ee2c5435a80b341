#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TarvoCore/Operator/OperatorLookPolicy.h"

using tarvo::OperatorLookPolicy;
using tarvo::RunningApp;

namespace {

RunningApp app(std::string name, std::optional<std::string> bundleId, std::int32_t pid, bool frontmost = false) {
    return RunningApp{std::move(name), std::move(bundleId), pid, frontmost, false, {}};
}

const std::string own(OperatorLookPolicy::ownBundleId);

} // namespace

TEST(OperatorLookPolicy, NeverLooksAtPasswordsSettingsOrAnotherScreen) {
    EXPECT_EQ(OperatorLookPolicy::ownBundleId, "com.tarvo.companion");
    EXPECT_TRUE(OperatorLookPolicy::mayLookAt(app("Tool", std::nullopt, 1)));
    EXPECT_FALSE(OperatorLookPolicy::mayLookAt(app("Passwords", "com.apple.Passwords", 1)));
    EXPECT_TRUE(OperatorLookPolicy::mayLookAt(app("Passwords", "com.apple.passwords", 1)));
    EXPECT_FALSE(OperatorLookPolicy::mayLookAt(app("Tarvo", own, 1)));
    EXPECT_TRUE(OperatorLookPolicy::mayLookAt(app("Empty", "", 1)));

    const std::vector<std::string> macIds{
        own, "com.apple.keychainaccess", "com.apple.Passwords", "com.apple.SecurityAgent", "com.apple.loginwindow",
        "com.apple.systempreferences", "com.apple.ScreenSharing", "com.apple.ScreenContinuity", "com.apple.installer",
        "com.1password.1password", "com.agilebits.onepassword7", "com.bitwarden.desktop", "com.lastpass.LastPass",
    };
    // The desktop-file ids of the same kinds of app, as the Linux app lister reports them.
    const std::vector<std::string> linuxIds{
        "org.gnome.seahorse.Application", "org.gnome.World.Secrets", "org.keepassxc.KeePassXC", "keepass2",
        "bitwarden", "1password", "org.kde.kwalletmanager5", "org.kde.kwalletmanager", "org.kde.kleopatra",
        "org.kde.kgpg", "gpa", "qtpass",
        "polkit-gnome-authentication-agent-1", "org.kde.polkit-kde-authentication-agent-1",
        "polkit-mate-authentication-agent-1", "lxqt-policykit-agent", "lxpolkit", "xfce-polkit", "gcr-prompter",
        "org.gnome.Settings", "gnome-control-center", "systemsettings", "kdesystemsettings", "xfce-settings-manager",
        "cinnamon-settings", "matecc", "lxqt-config", "budgie-control-center",
        "org.remmina.Remmina", "org.gnome.Connections", "org.gnome.Vinagre", "org.kde.krdc", "org.kde.krfb",
        "vncviewer", "x11vnc", "com.teamviewer.TeamViewer", "anydesk", "rustdesk",
        "org.gnome.Software", "org.kde.discover", "synaptic", "gdebi", "org.gnome.PackageUpdater",
        "software-properties-gtk",
    };
    const auto& excluded = OperatorLookPolicy::neverLookedAt();
    for (const auto* ids : {&macIds, &linuxIds}) {
        for (const std::string& id : *ids) {
            EXPECT_TRUE(excluded.contains(id)) << id;
            EXPECT_FALSE(OperatorLookPolicy::mayLookAt(app("App", id, 1))) << id;
        }
    }
    EXPECT_EQ(excluded.size(), macIds.size() + linuxIds.size()) << "an id this test does not know";
    EXPECT_FALSE(excluded.contains("org.gnome.Settings.desktop")) << "ids are compared exactly";
    EXPECT_EQ(OperatorLookPolicy::neverSentence,
              "Tarvo never looks at its own windows, at passwords, at settings, or at another screen.");
}

TEST(OperatorLookPolicy, ReadsTheFrontAppOrTheOneBeforeTheCompanion) {
    const RunningApp mail = app("Mail", "com.apple.mail", 10);
    const RunningApp tool = app("Tool", std::nullopt, 20);
    const RunningApp tarvo = app("Tarvo", own, 30);
    const auto front = [](RunningApp a) {
        a.frontmost = true;
        return a;
    };
    struct Case {
        const char* why;
        std::vector<RunningApp> apps;
        std::optional<std::int32_t> previousFront;
        std::optional<RunningApp> target;
    };
    const std::vector<Case> cases{
        {"another app in front", {mail, front(tool), tarvo}, 10, front(tool)},
        {"companion in front, the app before it", {front(tarvo), tool, mail}, 10, mail},
        {"companion in front, nothing before it", {mail, front(tarvo)}, std::nullopt, front(tarvo)},
        {"companion in front, the app before it gone", {mail, front(tarvo)}, 99, front(tarvo)},
        {"companion in front, its own pid before it", {front(tarvo), mail}, 30, front(tarvo)},
        {"no app in front, a listed pid", {mail, tool}, 20, tool},
        {"no app in front, the companion's pid", {mail, tarvo}, 30, tarvo},
        {"no app in front, no listed pid", {mail, tool}, 99, std::nullopt},
        {"no app in front, no pid", {mail, tool}, std::nullopt, std::nullopt},
        {"no apps", {}, 10, std::nullopt},
        {"the first of two in front", {mail, front(tool), front(mail)}, std::nullopt, front(tool)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OperatorLookPolicy::frontTarget(c.apps, c.previousFront), c.target) << c.why;
    }
}

TEST(OperatorLookPolicy, FindsAnAppByBundleIdThenByName) {
    const RunningApp first = app("Notes", "com.apple.Notes", 1);
    const RunningApp second = app("Notes", "com.example.notes", 2);
    const RunningApp namedLikeAnId = app("com.example.tool", std::nullopt, 3);
    const RunningApp tool = app("Tool", "com.example.tool", 4);
    const std::vector<RunningApp> apps{first, second, namedLikeAnId, tool};
    struct Case {
        std::string name;
        std::optional<RunningApp> found;
    };
    for (const Case& c : std::vector<Case>{
             {"Notes", first},
             {"notes", first},
             {"COM.EXAMPLE.NOTES", second},
             {"com.example.tool", tool},
             {" Notes", std::nullopt},
             {"Note", std::nullopt},
             {"Notes.app", std::nullopt},
             {"", std::nullopt},
         }) {
        EXPECT_EQ(OperatorLookPolicy::find(c.name, apps), c.found) << c.name;
    }
    EXPECT_EQ(OperatorLookPolicy::find("Notes", {}), std::nullopt);
}
