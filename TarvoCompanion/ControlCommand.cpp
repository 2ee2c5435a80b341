#include "TarvoCompanion/ControlCommand.h"

#include <utility>

#include <fmt/format.h>

namespace tarvo {
namespace {

constexpr int idWidth = 26;

std::string line(std::string_view id, std::string_view text) { return fmt::format("  {:<{}} {}\n", id, idWidth, text); }

std::string mark(bool on) { return on ? "[x] " : "[ ] "; }

std::string buttons(const std::vector<SetupButton>& shown) {
    std::string text;
    for (const SetupButton& button : shown) text += line(button.id, "(" + button.title + ")");
    return text;
}

std::string stepText(const SetupModel::Step& step, std::string_view state) {
    std::string text = fmt::format("{}. {}{} — {}{}\n", step.label.number, step.label.done ? "\u2713 " : "",
                                   step.label.title, state, step.label.dimmed ? " (dimmed)" : "");
    for (const std::string& shown : step.lines) text += "     " + shown + "\n";
    return text + buttons(step.buttons);
}

std::string_view word(SetupModel::SignInStep step) {
    switch (step) {
    case SetupModel::SignInStep::waiting: return "waiting";
    case SetupModel::SignInStep::done: return "done";
    case SetupModel::SignInStep::current: return "current";
    }
    return "current";
}

std::string_view word(SetupModel::MessagesStep step) {
    switch (step) {
    case SetupModel::MessagesStep::notYet: return "not yet";
    case SetupModel::MessagesStep::done: return "done";
    case SetupModel::MessagesStep::current: return "current";
    }
    return "not yet";
}

} // namespace

ControlCommand::ControlCommand(Parts parts) : parts_(std::move(parts)) {}

std::string ControlCommand::encoded(const Answer& answer) { return std::to_string(answer.status) + "\n" + answer.text; }

std::optional<ControlCommand::Answer> ControlCommand::decoded(std::string_view bytes) {
    const auto end = bytes.find('\n');
    if (end != 1 || bytes[0] < '0' || bytes[0] > '9') return std::nullopt;
    return Answer{bytes[0] - '0', std::string(bytes.substr(2))};
}

bool ControlCommand::isControl(const std::vector<std::string>& words) {
    if (words.empty()) return false;
    const std::string& first = words.front();
    return first == menuCommand || first == pressCommand || first == setupCommand || first == operateCommand;
}

ControlCommand::Answer ControlCommand::answer(const std::vector<std::string>& words) {
    const std::string first = words.empty() ? std::string() : words.front();
    if (first == menuCommand && words.size() == 1) {
        return {0, menuPage(parts_.menu->icon(), parts_.menu->items())};
    }
    if (first == pressCommand && words.size() == 2) {
        const PressOutcome outcome = parts_.menu->press(words[1]);
        return pressed(outcome, menuPage(parts_.menu->icon(), parts_.menu->items()));
    }
    if (first == setupCommand) return showSetup(words);
    if (first == operateCommand) return showOperating(words);
    return {refusedStatus, "usage: menu | press ID | setup [press ID] | operate [press ID]\n"};
}

ControlCommand::Answer ControlCommand::showSetup(const std::vector<std::string>& words) {
    if (words.size() != 1 && !(words.size() == 3 && words[1] == pressCommand)) {
        return {refusedStatus, "usage: setup [press ID]\n"};
    }
    parts_.companion->presentSetupWindow();
    if (parts_.activate) parts_.activate();
    if (words.size() == 1) return {0, setupPage(parts_.setup->page())};
    const PressOutcome outcome = parts_.setup->press(words[2]);
    return pressed(outcome, setupPage(parts_.setup->page()));
}

ControlCommand::Answer ControlCommand::showOperating(const std::vector<std::string>& words) {
    if (words.size() != 1 && !(words.size() == 3 && words[1] == pressCommand)) {
        return {refusedStatus, "usage: operate [press ID]\n"};
    }
    parts_.operating->show();
    if (parts_.activate) parts_.activate();
    if (words.size() == 1) return {0, operatingPage(parts_.operating->page())};
    const PressOutcome outcome = parts_.operating->press(words[2]);
    return pressed(outcome, operatingPage(parts_.operating->page()));
}

ControlCommand::Answer ControlCommand::pressed(const PressOutcome& outcome, std::string page) {
    switch (outcome.kind) {
    case PressOutcome::Kind::done:
        return {0, outcome.sentence.empty() ? page : outcome.sentence + "\n\n" + page};
    case PressOutcome::Kind::failed: return {failedStatus, outcome.sentence + "\n\n" + page};
    case PressOutcome::Kind::unknown:
    case PressOutcome::Kind::disabled: return {refusedStatus, outcome.sentence + "\n"};
    }
    return {failedStatus, outcome.sentence + "\n"};
}

std::string ControlCommand::menuPage(MenuModel::Icon icon, const std::vector<MenuItem>& items) {
    std::string text = fmt::format("Tarvo menu — icon: {} ({})\n", MenuModel::word(icon), MenuModel::symbol(icon));
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuItem::Kind::divider: text += "  " + std::string(idWidth, ' ') + " ----\n"; break;
        case MenuItem::Kind::text: text += line("", item.title); break;
        case MenuItem::Kind::button: text += line(item.id, item.title + (item.enabled ? "" : "  (disabled)")); break;
        case MenuItem::Kind::toggle: text += line(item.id, mark(item.checked) + item.title); break;
        case MenuItem::Kind::picker:
            text += line("", item.title + ":");
            for (const MenuItem::Choice& choice : item.choices) text += line(choice.id, mark(choice.checked) + choice.title);
            break;
        }
    }
    return text;
}

std::string ControlCommand::operatingPage(const OperatingSetupModel::Page& page) {
    std::string text = fmt::format("{} — {}\n  {}\n\n", OperatingSetupModel::title, page.heading, page.intro);
    text += line(page.operate.id, mark(page.operate.on) + page.operate.title);
    text += line("", "    " + page.operate.line);
    for (const OperatingSetupModel::PermissionRow& row : page.rows) {
        text += fmt::format("  {} {}: {}\n", row.mark, row.title, row.word);
        if (row.note) text += line("", "    " + *row.note);
        text += buttons(row.buttons);
        if (row.title == "Screen Recording" && page.screenRecordingNote) text += line("", "    " + *page.screenRecordingNote);
    }
    text += line(page.keepAwake.id, mark(page.keepAwake.on) + page.keepAwake.title);
    text += line("", "    " + page.keepAwake.line);
    return text;
}

std::string ControlCommand::setupPage(const SetupModel::Page& page) {
    std::string text = fmt::format("Set up Tarvo — {}\n  {}\n\n", page.heading, page.intro);
    text += stepText(page.signIn, word(page.signInStep));
    if (page.code) text += "     code: " + *page.code + "\n";
    text += stepText(page.messages, word(page.messagesStep));
    if (page.safari != SafariSetup::hidden) {
        text += buttons(page.safariButtons);
        if (page.safariLine) text += "     " + *page.safariLine + "\n";
    }
    if (page.footerText) text += "\n  " + *page.footerText + "\n";
    text += buttons(page.footerButtons);
    return text;
}

} // namespace tarvo
