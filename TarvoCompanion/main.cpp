#include <cstdlib>
#include <iostream>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "Platform/ChromiumPanelHost.h"
#include "Platform/DocumentReader.h"
#include "Platform/CurlHttpTransport.h"
#include "Platform/DesktopBrowserLocator.h"
#include "Platform/FileSecretStore.h"
#include "Platform/LinuxComputerName.h"
#include "Platform/LinuxProcessRunner.h"
#include "Platform/LinuxSingleInstance.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseCopy.h"
#include "Platform/LinuxContactStore.h"
#include "Platform/LinuxHomeFolders.h"
#include "Platform/LinuxStopSignals.h"
#include "Platform/XdgOpener.h"
#include "Platform/LinuxOperatorReadings.h"
#include "Platform/LinuxOperatorSystemEvents.h"
#include "Platform/XdgSavedFiles.h"
#include "Platform/LinuxSystemCalls.h"
#include "Platform/OutgoingFilesFolder.h"
#include "Platform/X11Display.h"
#include "Platform/XdgLoginItem.h"
#include "TarvoBase/BundleInfo.h"
#include "TarvoBase/FileSettingsStore.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/XdgBaseFolder.h"
#include "TarvoCompanion/AppDelegate.h"
#include "TarvoCompanion/CommandLine.h"
#include "TarvoCompanion/ControlCommand.h"
#include "TarvoCompanion/MenuModel.h"
#include "TarvoCompanion/Operator/OperatingSetupModel.h"
#include "TarvoCompanion/SafariStatus.h"
#include "TarvoCompanion/SetupModel.h"
#include "Platform/XclipClipboard.h"
#include "TarvoCompanion/Ports/LoggingNotificationCenter.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCompanion/NativeMessagingHost.h"
#include "TarvoCompanion/Ports/MemoryBadgeIndicator.h"
#include "Platform/LogindIdleInhibitor.h"
#include "Platform/ApplicationFinder.h"
#include "Platform/EwmhDesktop.h"
#include "Platform/MacAppLister.h"
#include "Platform/MacFileOperator.h"
#include "Platform/ScreenCapturer.h"
#include "Platform/TurboJpegEncoder.h"
#include "Platform/X11EventThread.h"
#include "Platform/X11OperatorBarSurface.h"
#include "Platform/AtSpiWorker.h"
#include "Platform/XTestInput.h"
#include "TarvoCompanion/Operator/AXReader.h"
#include "TarvoCompanion/Operator/HeadlessOperatorPorts.h"
#include "TarvoCompanion/Operator/MacActor.h"
#include "TarvoCompanion/Operator/LiveOperatorLink.h"
#include "TarvoCompanion/Operator/OperatorBar.h"
#include "TarvoCompanion/Operator/OperatorPermissionsReader.h"
#include "TarvoCompanion/Operator/StopHotKey.h"
#include "TarvoCompanion/Ports/UnavailableSettingsPanes.h"
#include "TarvoCompanion/Updates/FeedUpdaterController.h"
#include "TarvoCompanion/Updates/Updater.h"
#include "TarvoCompanion/WhatsApp/SimulatedWhatsAppSession.h"
#include "TarvoCore/Companion/CompanionVersion.h"
#include "TarvoCore/Ports/MemorySecretStore.h"

namespace {

using namespace tarvo;

std::shared_ptr<SettingsStore> settingsStore() {
    if (const auto folder = FileSettingsStore::defaultFolder()) return std::make_shared<FileSettingsStore>(*folder);
    PlainLog::write("tarvo: neither XDG_CONFIG_HOME nor HOME names an absolute folder — settings are kept in memory "
                    "and forgotten when the companion ends");
    return std::make_shared<MemorySettingsStore>();
}

std::shared_ptr<SecretStore> secretStore() {
    if (const auto folder = FileSecretStore::defaultFolder()) return std::make_shared<FileSecretStore>(*folder);
    PlainLog::write("tarvo: neither XDG_DATA_HOME nor HOME names an absolute folder — this Mac's session tokens are "
                    "kept in memory and forgotten when the companion ends");
    return std::make_shared<MemorySecretStore>();
}

std::shared_ptr<Opener> opener() {
    const char* searchPath = std::getenv("PATH");
    return std::make_shared<XdgOpener>(std::make_shared<LinuxProcessRunner>(), searchPath ? searchPath : "");
}

// Without a folder for it there is no contacts file, and senders go unnamed.
std::shared_ptr<ContactStore> contactStore() {
    const auto file = LinuxContactStore::defaultFile(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    return std::make_shared<LinuxContactStore>(file.value_or(std::filesystem::path()));
}

// The panel's cookies live in the program's data folder, beside its tokens.
std::shared_ptr<CookieJar> panelCookies() {
    const auto data = XdgBaseFolder::programData(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (data) return std::make_shared<CookieJar>(*data / "panel-cookies.json");
    return std::make_shared<CookieJar>();
}

// The panel's browser keeps its profile in the program's data folder: a window on the display
// when there is one, headless otherwise.
std::shared_ptr<WebView> panelWebView(std::shared_ptr<CookieJar> cookies, std::shared_ptr<Opener> opener) {
    const auto data = XdgBaseFolder::programData(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (!data) {
        PlainLog::write("tarvo: neither XDG_DATA_HOME nor HOME names an absolute folder — the panel has no browser "
                        "profile and shows nothing");
        return nullptr;
    }
    const XdgSavedFiles::Places places = XdgSavedFiles::Places::fromEnvironment();
    ChromiumPanelHost::Options options{.profileFolder = (*data / "panel-browser").string()};
    const PanelWindow window;
    if (places.hasDisplay) options.window = std::pair(window.width, window.height);
    auto files = std::make_shared<XdgSavedFiles>(places, std::make_shared<LinuxProcessRunner>(), std::move(opener));
    return std::make_shared<ChromiumPanelHost>(std::move(options), std::move(cookies), std::move(files));
}

std::shared_ptr<LoginItem> loginItem(const std::string& executable) {
    if (auto item = XdgLoginItem::current(executable)) return std::make_shared<XdgLoginItem>(std::move(*item));
    return nullptr;
}

std::shared_ptr<BrowserLocator> browserLocator() {
    const char* searchPath = std::getenv("PATH");
    return std::make_shared<DesktopBrowserLocator>(
        DesktopBrowserLocator::dataFolders(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"),
                                           std::getenv("XDG_DATA_DIRS")),
        searchPath ? searchPath : "", std::make_shared<LinuxProcessRunner>());
}

// What the capture handed over lives in the program's data folder, beside its tokens.
std::filesystem::path handedOverJournal() {
    const auto data = XdgBaseFolder::programData(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    return data ? *data / "handed-over.jsonl" : std::filesystem::path();
}

// The private copies of the Messages database go in the program's own cache folder. Only the
// copy of the program that holds the single-instance lock gets here, so whatever copies are there
// were left by a program that was killed, and each is a whole copy of the database.
void keepDatabaseCopiesApart() {
    const auto cache = XdgBaseFolder::resolve(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"), ".cache");
    if (!cache) return;
    const std::filesystem::path copies = *cache / "com.tarvo.companion" / "chatdb-copies";
    ChatDatabaseCopy::keepCopiesIn(copies);
    const int removed = ChatDatabaseCopy::removeCopiesIn(copies);
    if (removed > 0) {
        PlainLog::write("tarvo: removed " + std::to_string(removed) + " copy(ies) of the Messages database left by " +
                        "a companion that did not stop cleanly");
    }
}

// The accessibility reader and the actor, sharing one registry and the one thread that talks to
// the accessibility bus. Each act first asks whether the bus answers and the X server takes
// synthetic input, so without either every act is refused before anything is sent. Finding and
// opening apps is `applications`'.
std::pair<std::shared_ptr<AXReader>, std::shared_ptr<MacActor>> accessibilityAndHands(
    std::shared_ptr<LinuxOperatorReadings> readings, std::shared_ptr<Acting> applications) {
    auto registry = std::make_shared<AtSpiRegistry>();
    auto worker = std::make_shared<AtSpiWorker>();
    auto trusted = [readings] { return readings->accessibilityTrusted() == true; };
    auto mayPost = [readings] { return readings->postEventAllowed() == true; };
    auto reader = std::make_shared<AXReader>(registry, worker, trusted);
    auto actor = std::make_shared<MacActor>(registry, worker, MacActor::Checks{.trusted = trusted, .mayPost = mayPost},
                                            std::make_shared<XTestInput>(X11Display::open()), std::move(applications));
    return {std::move(reader), std::move(actor)};
}

// The operator's link to the service, reading the operator's permissions once they are made.
// The bar and the stop key are the desktop's, over the companion's own X connection (nothing
// without a display: the bar is then never shown, so every step is refused with its sentence).
// The running apps, finding and opening them, and the screen are the desktop's, each on a
// connection of its own (without a display nothing runs and no screen is connected); so are the
// reader and the hands (`accessibilityAndHands`), which take finding and opening apps from the
// same finder.
std::shared_ptr<LiveOperatorLink> operatorLink(std::shared_ptr<SettingsStore> defaults, const std::string& executable,
                                               std::shared_ptr<std::weak_ptr<OperatorPermissions>> permissions,
                                               std::shared_ptr<LinuxSystemCalls> systemCalls,
                                               std::shared_ptr<LinuxOperatorReadings> readings,
                                               std::shared_ptr<X11EventThread> desktopEvents) {
    auto inhibitor = std::make_shared<LogindIdleInhibitor>(LogindIdleInhibitor::logindRunsHere());
    const std::string displayName = desktopEvents ? desktopEvents->display().name() : std::string();
    const DesktopApplications installed(DesktopBrowserLocator::dataFolders(
        std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), std::getenv("XDG_DATA_DIRS")));
    auto workspace = std::make_shared<EwmhDesktop>(displayName, installed);
    auto apps = std::make_shared<MacAppLister>(desktopEvents, workspace);
    auto screen = std::make_shared<ScreenCapturer>(displayName, installed, std::make_shared<TurboJpegEncoder>());
    const char* searchPath = std::getenv("PATH");
    auto desktop = std::make_shared<HeadlessOperatorPorts>(
        desktopEvents ? std::make_shared<ApplicationFinder>(workspace, std::make_shared<LinuxProcessRunner>(),
                                                            searchPath ? searchPath : "")
                      : nullptr);
    auto [reader, actor] = accessibilityAndHands(readings, desktop);
    const char* home = std::getenv("HOME");
    return std::make_shared<LiveOperatorLink>(LiveOperatorLink::Services{
        .settings = defaults,
        .readiness =
            {
                .current =
                    [permissions] {
                        const auto held = permissions->lock();
                        return held ? held->current() : std::nullopt;
                    },
                .published =
                    [permissions] {
                        const auto held = permissions->lock();
                        return held ? held->caps() : std::nullopt;
                    },
                .allowed =
                    [permissions] {
                        const auto held = permissions->lock();
                        return held && held->allowed();
                    },
                .keepAwake =
                    [permissions] {
                        const auto held = permissions->lock();
                        return held && held->keepAwake();
                    },
            },
        .bar = std::make_shared<OperatorBar>(std::make_shared<X11OperatorBarSurface>(desktopEvents)),
        .stopKey = std::make_shared<StopHotKey>(desktopEvents),
        .system = systemCalls,
        .readCaps = [readings](bool enabled) { return OperatorCaps::read(enabled, *readings); },
        .makeStepPorts = [apps, screen, reader, actor] { return LiveOperatorLink::StepPorts{apps, screen, reader, actor}; },
        .makeFiles =
            [executable, home = std::string(home ? home : "")](LiveOperatorLink::FileClientSource client) {
                return std::make_shared<MacFileOperator>(std::move(client), home, DocumentReader(executable));
            },
        .holdBegin = [inhibitor](const std::string& name) { return inhibitor->begin(name); },
        .holdEnd = [inhibitor](IdleSleepHold::Assertion assertion) { inhibitor->end(assertion); },
        .random = nullptr,
    });
}

// The program's own file, which a relaunch starts again; argv[0] may be a bare name.
std::string ownExecutable(const char* invokedAs) {
    std::error_code failed;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", failed);
    return failed ? std::string(invokedAs) : path.string();
}

std::shared_ptr<OperatorPermissions> operatorPermissions(std::shared_ptr<SettingsStore> defaults,
                                                         std::shared_ptr<OperatorLink> link,
                                                         const std::shared_ptr<LinuxSystemCalls>& systemCalls,
                                                         const std::shared_ptr<LinuxOperatorReadings>& readings) {
    auto displaysAsleep = [readings] { return readings->displaysAsleep(); };
    return OperatorPermissionsReader::make({
        .defaults = std::move(defaults),
        .hardware = MacHardware::read(*systemCalls),
        .readings = readings,
        .events = std::make_shared<LinuxOperatorSystemEvents>(std::nullopt, displaysAsleep),
        .link = std::move(link),
        .panes = std::make_shared<UnavailableSettingsPanes>(),
    });
}

// What this computer does not have, so that the start-up line and `status` name all of it.
const std::vector<std::string> simulatedHere{
    "WhatsApp Web",
    "the notification centre (each notice is logged)",
    "the badge (kept for the menu)",
    "the setup window (logged when shown)",
    "Messages sending (no /usr/bin/osascript)",
    "the system's settings panes",
    "Safari",
};

// The menu and the windows, made once the companion is; the control command is their front end.
struct FrontEnd {
    std::shared_ptr<SafariStatus> safari;
    std::shared_ptr<OperatingSetupModel> operating;
    std::shared_ptr<ControlCommand> control;
};

AppDelegate::Neighbours frontEndNeighbours(const std::shared_ptr<FrontEnd>& front) {
    return {
        .showSafariExtensionSettings =
            [front] {
                if (front->safari) front->safari->safariSwitch().showInSafari();
            },
        .showOperatingSetup =
            [front] {
                if (front->operating) front->operating->show();
            },
        .control =
            [front](std::vector<std::string> words) {
                if (!front->control) return ControlCommand::encoded({1, "Tarvo is still starting.\n"});
                return ControlCommand::encoded(front->control->answer(words));
            },
        .didBecomeActive =
            [front] {
                if (front->safari) front->safari->activated();
            },
    };
}

void makeFrontEnd(FrontEnd& front, const std::shared_ptr<Companion>& companion, Updater& updater,
                  AppDelegate& delegate) {
    front.safari = SafariStatus::make(SafariSwitch::ofThisProgram());
    front.operating = std::make_shared<OperatingSetupModel>(companion);
    auto menu = std::make_shared<MenuModel>(MenuModel::Sources{
        .companion = companion,
        .safari = front.safari,
        .updater = &updater,
        .stopKeysSpoken = StopHotKey::spoken,
        .showOperatingSetup = [operating = front.operating] { operating->show(); },
    });
    auto clipboard = std::make_shared<XclipClipboard>(XclipClipboard::current(std::getenv("PATH"), std::getenv("DISPLAY")));
    front.control = std::make_shared<ControlCommand>(ControlCommand::Parts{
        .menu = std::move(menu),
        .operating = front.operating,
        .setup = std::make_shared<SetupModel>(companion, front.safari, std::move(clipboard)),
        .companion = companion,
        .activate = [&delegate] { delegate.applicationDidBecomeActive(); },
    });
}

// The feed and key of the bundle, checked over the companion's own HTTP transport, the last
// check kept in its settings.
Updater::MakeController feedUpdates(std::shared_ptr<HttpTransport> transport, std::shared_ptr<SettingsStore> settings) {
    return [transport, settings](const BundleInfo& bundle, UpdaterDelegate& delegate) {
        return std::make_unique<FeedUpdaterController>(
            bundle.string(BundleInfo::feedURLKey).value_or(""), bundle.string(BundleInfo::publicEDKeyKey).value_or(""),
            CompanionVersion::build, FeedUpdaterController::Services{transport, settings}, delegate);
    };
}

// The browser starts the extension's handler only when its host manifest is in the browser's
// folder; the copy there is brought up to date with the build's at every start.
void installExtensionHost() {
    const std::optional<std::string> handler = BundleInfo::main().string(BundleInfo::safariHandlerKey);
    const auto folder = NativeMessagingHost::chromiumHostsFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    if (!handler || !folder) return;
    try {
        switch (NativeMessagingHost::install(*handler, *folder)) {
        case NativeMessagingHost::Outcome::written:
            PlainLog::write("tarvo: the browser extension's host manifest is now in " + folder->string());
            break;
        case NativeMessagingHost::Outcome::noManifest:
            PlainLog::write("tarvo: this build names no browser extension origin, so the browser has no host "
                            "manifest and the extension cannot reach its handler");
            break;
        case NativeMessagingHost::Outcome::current:
        case NativeMessagingHost::Outcome::noHandler: break;
        }
    } catch (const std::system_error& failure) {
        PlainLog::write("tarvo: could not put the browser extension's host manifest into " + folder->string() + ": " +
                        failure.what());
    }
}

} // namespace

int main(int argc, char** argv) {
    // The companion started as the reader of one document: nothing else of the program runs.
    if (argc == 3 && argv[1] == DocumentReader::argument) return DocumentReader::serve(argv[2]);
    CompanionVersion::useComputerName(std::make_shared<LinuxComputerName>());
    ChatDatabase::useHomeFolders(std::make_shared<LinuxHomeFolders>());

    const CommandLine commandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto answered = commandLine.answerAtOnce(std::cout, std::cerr)) return *answered;
    PlainLog::useVerbosityFrom(std::getenv("TARVO_LOG"));
    RunLoop loop;
    LinuxStopSignals stopSignals(loop);
    // The companion's own windows and grabs on the desktop, read on one thread for the loop.
    std::shared_ptr<X11EventThread> desktopEvents;
    if (auto display = X11Display::open()) desktopEvents = std::make_shared<X11EventThread>(std::move(display), loop);
    const std::string executable = ownExecutable(argv[0]);

    const auto instanceFolder = LinuxSingleInstance::defaultFolder(std::getenv("XDG_RUNTIME_DIR"),
                                                                   std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (!instanceFolder) {
        PlainLog::write("tarvo: neither XDG_RUNTIME_DIR, XDG_DATA_HOME nor HOME names an absolute folder — cannot "
                        "make sure that Tarvo runs only once");
        return 1;
    }
    // Made once this copy holds the claim, and shared by the companion and the updater.
    std::shared_ptr<SettingsStore> defaults;
    std::shared_ptr<HttpTransport> transport;
    std::shared_ptr<Companion> companion;
    auto makeCompanion = [&] {
        keepDatabaseCopiesApart();
        // The link reads the permissions, which tell the link of every change of the switches.
        const auto permissions = std::make_shared<std::weak_ptr<OperatorPermissions>>();
        const auto systemCalls = std::make_shared<LinuxSystemCalls>();
        // The readings' own X connection: they are taken on workers, apart from the bar's thread.
        const auto readings = std::make_shared<LinuxOperatorReadings>(RunLoop::current().sharedClock(), systemCalls,
                                                                      X11Display::open());
        const auto link = operatorLink(defaults, executable, permissions, systemCalls, readings, desktopEvents);
        const auto reader = operatorPermissions(defaults, link, systemCalls, readings);
        *permissions = reader;
        const std::shared_ptr<Opener> opens = opener();
        const std::shared_ptr<CookieJar> cookies = panelCookies();
        companion = std::make_shared<Companion>(Companion::Services{
            .defaults = defaults,
            .whatsapp = std::make_shared<SimulatedWhatsAppSession>(),
            .operatorPermissions = reader,
            .operatorLink = link,
            .session = transport,
            .secrets = secretStore(),
            .opener = opens,
            .panelWebView = panelWebView(cookies, opens),
            .panelCookies = cookies,
            .notificationCenter = std::make_shared<LoggingNotificationCenter>(),
            .badge = std::make_shared<MemoryBadgeIndicator>(),
            .processRunner = std::make_shared<LinuxProcessRunner>(),
            .outgoingFolder = OutgoingFilesFolder::current().value_or(std::filesystem::path()),
            .contactStore = contactStore(),
            .loginItem = loginItem(executable),
            .browsers = browserLocator(),
            .executablePath = executable,
            .quit =
                [&loop, &companion] {
                    companion->stopTimers();
                    loop.stop();
                },
            .handedOverJournal = handedOverJournal(),
            .simulated = simulatedHere,
        });
        return companion;
    };
    const auto instance = std::make_shared<LinuxSingleInstance>(*instanceFolder, loop);
    if (const auto answered = commandLine.askRunningCopy(*instance, std::cout, std::cerr)) return *answered;
    const auto front = std::make_shared<FrontEnd>();
    AppDelegate delegate(instance, makeCompanion, frontEndNeighbours(front));
    switch (delegate.applicationWillFinishLaunching(commandLine.arguments())) {
    case SingleInstance::Claim::first: break;
    case SingleInstance::Claim::handedOver: return 0;
    case SingleInstance::Claim::unreachable: return 1;
    }

    defaults = settingsStore();
    transport = std::make_shared<CurlHttpTransport>();

    PlainLog::write(std::string("tarvo: companion ") + CompanionVersion::version + " (" +
                    std::to_string(CompanionVersion::build) + ") started on " + CompanionVersion::deviceName());
    std::string simulated;
    for (const std::string& service : simulatedHere) simulated += (simulated.empty() ? "" : ", ") + service;
    PlainLog::write("tarvo: simulated or absent on this computer: " + simulated);

    Updater updater(BundleInfo::main(), feedUpdates(transport, defaults));
    installExtensionHost();

    stopSignals.onStop([&loop, &companion](std::string_view name) {
        PlainLog::write("tarvo: " + std::string(name) + " received — stopping");
        companion->stopTimers();
        loop.stop();
    });
    delegate.applicationDidFinishLaunching();
    makeFrontEnd(*front, companion, updater, delegate);
    delegate.follow(commandLine);
    loop.run();
    return 0;
}
