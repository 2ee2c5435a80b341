#include "TarvoCompanion/CommandLine.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <fmt/format.h>

#include "TarvoCompanion/CompanionSettings.h"
#include "TarvoCompanion/ControlCommand.h"
#include "TarvoCore/Companion/CompanionVersion.h"
#include "TarvoCore/Operator/LinkParts.h"

namespace tarvo {
namespace {

constexpr std::string_view programName = "tarvo-companion";

bool isLink(std::string_view argument) { return argument.starts_with(std::string(LinkParts::scheme) + ":"); }

const CommandLine::Command* commandNamed(std::string_view name) {
    const auto& all = CommandLine::commands();
    const auto found = std::ranges::find(all, name, &CommandLine::Command::name);
    return found == all.end() ? nullptr : &*found;
}

} // namespace

const std::vector<CommandLine::Command>& CommandLine::commands() {
    static const std::vector<Command> all{
        {pairCommand, "sign this computer in: a code to approve in the browser, also after the service ended the session",
         ""},
        {statusCommand, "what the running copy is doing: sign-in, Messages, capture, heartbeat, channels, reports",
         "Tarvo is not running on this computer"},
    };
    return all;
}

CommandLine::CommandLine(std::vector<std::string> arguments) {
    if (!arguments.empty() && (arguments.front() == "--help" || arguments.front() == "-h")) {
        kind_ = Kind::help;
    } else if (!arguments.empty() && arguments.front() == "--version") {
        kind_ = Kind::version;
    } else if (ControlCommand::isControl(arguments)) {
        kind_ = Kind::control;
        control_ = std::move(arguments);
        arguments.clear();
    } else if (!arguments.empty() && (command_ = commandNamed(arguments.front()))) {
        kind_ = Kind::command;
        if (arguments.size() > 1) {
            kind_ = Kind::refused;
            problem_ = fmt::format("{} takes no arguments, and was given \"{}\"", command_->name, arguments[1]);
        }
        arguments.erase(arguments.begin());
    }
    if (kind_ == Kind::run || kind_ == Kind::command) {
        for (const std::string& argument : arguments) {
            if (isLink(argument) || argument == SingleInstance::relaunchedArgument) continue;
            kind_ = Kind::refused;
            problem_ = argument.starts_with("-") ? fmt::format("unknown option \"{}\"", argument)
                                                 : fmt::format("\"{}\" is neither a command nor a tarvo:// link", argument);
            break;
        }
    }
    arguments_ = std::move(arguments);
}

std::optional<int> CommandLine::answerAtOnce(std::ostream& out, std::ostream& err) const {
    switch (kind_) {
    case Kind::help: out << usage(); return 0;
    case Kind::version: out << version() << '\n'; return 0;
    case Kind::refused:
        err << programName << ": " << problem_ << " — see " << programName << " --help\n";
        return refusedExit;
    case Kind::run:
    case Kind::command:
    case Kind::control: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<int> CommandLine::askRunningCopy(SingleInstance& instance, std::ostream& out, std::ostream& err) const {
    if (kind_ == Kind::control) return askControl(instance, out, err);
    if (kind_ != Kind::command) return std::nullopt;
    SingleInstance::Asked asked{SingleInstance::Asked::Outcome::unreachable, {}};
    try {
        asked = instance.ask({std::string(command_->name)});
    } catch (const std::exception& failure) {
        err << programName << ": cannot reach the running copy of Tarvo: " << failure.what() << '\n';
        return failedExit;
    }
    switch (asked.outcome) {
    case SingleInstance::Asked::Outcome::answered:
        out << asked.answer;
        if (!asked.answer.ends_with('\n')) out << '\n';
        return 0;
    case SingleInstance::Asked::Outcome::notRunning:
        if (command_->whenNoneRuns.empty()) return std::nullopt;
        out << command_->whenNoneRuns << '\n';
        return notRunningExit;
    case SingleInstance::Asked::Outcome::unreachable:
        err << programName << ": a copy of Tarvo is running but gave no answer\n";
        return failedExit;
    }
    return failedExit;
}

int CommandLine::askControl(SingleInstance& instance, std::ostream& out, std::ostream& err) const {
    std::vector<std::string> question{std::string(ControlCommand::question)};
    question.insert(question.end(), control_.begin(), control_.end());
    SingleInstance::Asked asked{SingleInstance::Asked::Outcome::unreachable, {}};
    try {
        asked = instance.ask(question);
    } catch (const std::exception& failure) {
        err << programName << ": cannot reach the running copy of Tarvo: " << failure.what() << '\n';
        return failedExit;
    }
    if (asked.outcome == SingleInstance::Asked::Outcome::notRunning) {
        err << "Tarvo is not running.\n";
        return failedExit;
    }
    const auto answer = asked.outcome == SingleInstance::Asked::Outcome::answered
                            ? ControlCommand::decoded(asked.answer)
                            : std::nullopt;
    if (!answer) {
        err << programName << ": a copy of Tarvo is running but gave no answer\n";
        return failedExit;
    }
    (answer->status == 0 ? out : err) << answer->text;
    return answer->status;
}

std::string CommandLine::version() {
    return fmt::format("{} {} (build {})", programName, CompanionVersion::version, CompanionVersion::build);
}

std::string CommandLine::usage() {
    std::string text = fmt::format("usage: {0} [tarvo://ROUTE]\n"
                                   "       {0} COMMAND\n"
                                   "       {0} --help | --version\n\n"
                                   "Runs the Tarvo companion, one copy per user. A second start hands its tarvo:// link "
                                   "to the running copy\nand ends.\n\nCommands, answered by the running copy:\n",
                                   programName);
    for (const Command& command : commands()) text += fmt::format("  {:<9} {}\n", command.name, command.summary);
    text += "  (pair starts the companion when none runs; status then says so and exits 3)\n";
    text += "  menu                      the menu-bar menu, each item with its id\n"
            "  press ID                  choose the menu's item ID\n"
            "  setup [press ID]          the first-run setup window, or press its button ID\n"
            "  operate [press ID]        the window for operating this computer, or press its ID\n"
            "  (these exit 1 when Tarvo is not running, 2 for an item that is not there or cannot be chosen)\n";
    text += "\nRoutes of tarvo:// links:\n"
            "  whatsapp          link a phone to WhatsApp Web\n"
            "  extension         connect the browser extension\n"
            "  safari            the Safari extension's settings (none on this computer)\n"
            "  settings/PANE     a settings pane of the operator's permissions\n"
            "  operate           set up operating this computer\n"
            "  any other         the setup window\n";
    text += "\nFiles:\n"
            "  $XDG_CONFIG_HOME/tarvo/settings.json               settings, TarvoDeviceId once paired\n"
            "  $XDG_DATA_HOME/com.tarvo.companion/secrets.json    the sign-in's token pair (0600)\n"
            "  $XDG_DATA_HOME/com.tarvo.companion/                what was handed over, the panel's cookies\n"
            "  $XDG_DATA_HOME/tarvo/contacts.vcf                  contact names for senders\n"
            "  $XDG_CACHE_HOME/com.tarvo.companion/chatdb-copies  private copies of the Messages database\n"
            "  $XDG_RUNTIME_DIR/com.tarvo.companion/              the single-instance lock and socket\n"
            "  ~/Library/Messages/chat.db                         the Messages database read\n"
            "  (XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_CACHE_HOME default to ~/.config, ~/.local/share, ~/.cache)\n";
    text += fmt::format("\nSettings in settings.json that point it at another service:\n"
                        "  TarvoBaseURL   the web application (built in: {})\n"
                        "  TarvoApiURL    the service's API (built in: {})\n",
                        CompanionSettings::builtInBaseURL, CompanionSettings::builtInApiURL);
    text += "\nEnvironment:\n"
            "  TARVO_LOG=error|info|debug   how much the log on standard error says (default info)\n";
    text += "\nExit status: 0 done, 1 failed, 2 arguments refused, 3 no running copy to answer.\n";
    return text;
}

} // namespace tarvo
