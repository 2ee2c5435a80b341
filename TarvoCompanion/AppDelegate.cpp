#include "TarvoCompanion/AppDelegate.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <utility>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/ControlCommand.h"
#include "TarvoCore/Operator/LinkParts.h"
#include "TarvoCore/Operator/MacSettingPane.h"
#include "TarvoCore/Operator/OperateSwitchLink.h"

namespace tarvo {
namespace {

bool isTarvoLink(std::string_view link) { return link.starts_with(std::string(LinkParts::scheme) + ":"); }

void call(const std::function<void()>& neighbour) {
    if (neighbour) neighbour();
}

} // namespace

AppDelegate::AppDelegate(std::shared_ptr<SingleInstance> instance, MakeCompanion makeCompanion, Neighbours neighbours)
    : instance_(std::move(instance)), makeCompanion_(std::move(makeCompanion)), neighbours_(std::move(neighbours)) {}

SingleInstance::Claim AppDelegate::applicationWillFinishLaunching(const std::vector<std::string>& arguments) {
    const bool relaunched = std::ranges::find(arguments, SingleInstance::relaunchedArgument) != arguments.end();
    std::vector<std::string> message{std::string(SingleInstance::activate)};
    std::ranges::copy_if(arguments, std::back_inserter(message),
                         [](const std::string& argument) { return argument != SingleInstance::relaunchedArgument; });
    SingleInstance::Claim claim = SingleInstance::Claim::unreachable;
    try {
        claim = instance_->claim(message, relaunched);
    } catch (const std::exception& failure) {
        PlainLog::write(std::string("tarvo: cannot make sure that Tarvo runs only once: ") + failure.what());
        return claim;
    }
    if (claim == SingleInstance::Claim::handedOver) {
        PlainLog::write("tarvo: Tarvo is running already — handed it over to that copy");
    } else if (claim == SingleInstance::Claim::unreachable) {
        PlainLog::write("tarvo: another copy of Tarvo holds the claim but cannot be reached — giving up");
    }
    return claim;
}

void AppDelegate::applicationDidFinishLaunching() {
    companion_ = makeCompanion_();
    companion_->launch();
    openFirstWindow(*companion_);
    instance_->listen([this](std::vector<std::string> message) { hear(std::move(message)); },
                      [this](std::vector<std::string> question, SingleInstance::Reply reply) {
                          answer(std::move(question), std::move(reply));
                      });
}

void AppDelegate::answer(std::vector<std::string> question, SingleInstance::Reply reply) {
    const std::string asked = question.empty() ? std::string() : question.front();
    if (asked == CommandLine::pairCommand) {
        companion_->pairOnRequest(std::move(reply));
    } else if (asked == CommandLine::statusCommand) {
        reply(companion_->status());
    } else if (asked == ControlCommand::question && neighbours_.control) {
        reply(neighbours_.control(std::vector<std::string>(question.begin() + 1, question.end())));
    } else {
        reply("this copy of Tarvo cannot answer \"" + asked + "\"");
    }
}

void AppDelegate::follow(const CommandLine& commandLine) {
    open(commandLine.arguments());
    const CommandLine::Command* command = commandLine.command();
    // The log shows where to approve this computer; nobody else waits for the reply.
    if (command && command->name == CommandLine::pairCommand) companion_->pairOnRequest([](std::string) {});
}

void AppDelegate::hear(std::vector<std::string> message) {
    if (message.empty() || message.front() != SingleInstance::activate) return;
    applicationDidBecomeActive();
    open(std::vector<std::string>(message.begin() + 1, message.end()));
}

void AppDelegate::open(const std::vector<std::string>& links) {
    const auto first = std::ranges::find_if(links, isTarvoLink);
    if (first != links.end()) act(*first);
}

std::string AppDelegate::route(std::string_view link) {
    const auto parts = LinkParts::of(link);
    return parts && !parts->empty() ? parts->front() : std::string();
}

void AppDelegate::act(const std::string& link) {
    const std::string name = route(link);
    PlainLog::write("tarvo: opening " + link + " (route \"" + name + "\")");
    Companion& companion = *companion_;
    if (name == "whatsapp") {
        companion.linkWhatsApp();
    } else if (name == "extension") {
        companion.connectExtension();
    } else if (name == "safari") {
        call(neighbours_.showSafariExtensionSettings);
    } else if (name == "settings" && MacSettingPane::from(link)) {
        companion.operatorPermissions().openSetting(*MacSettingPane::from(link));
    } else if (name == "operate" && OperateSwitchLink::matches(link)) {
        call(neighbours_.showOperatingSetup);
    } else {
        companion.showSetupWindow();
    }
}

void AppDelegate::openFirstWindow(Companion& companion) {
    if (companion.deviceIdStored()) {
        companion.openPanelWindow("/app");
    } else {
        companion.showSetupWindow();
    }
}

void AppDelegate::applicationDidBecomeActive() {
    RunLoop::current().post([companion = std::weak_ptr(companion_), activated = neighbours_.didBecomeActive] {
        becomeActive(companion);
        call(activated);
    });
}

void AppDelegate::becomeActive(const std::weak_ptr<Companion>& weakCompanion) {
    const auto companion = weakCompanion.lock();
    if (!companion) return;
    companion->whatsapp().reparkIfOnScreen();
    const SetupWindow* setup = companion->setupWindow();
    const PanelWindow* panel = companion->panelWindow();
    const bool windowShown = (setup && setup->isVisible()) || (panel && panel->visible);
    if (!windowShown) openFirstWindow(*companion);

    OperatorPermissions& permissions = companion->operatorPermissions();
    if (!MacSettingPane::shouldReport(permissions.settingOpenedAt, RunLoop::current().clock().date())) return;
    permissions.settingOpenedAt.reset();
    spawn(reportNewPermissions(companion));
}

Task<void> AppDelegate::reportNewPermissions(std::shared_ptr<Companion> companion) {
    co_await companion->operatorPermissions().refresh();
    companion->operatorLink().wake->signal();
    co_await companion->heartbeat();
}

} // namespace tarvo
