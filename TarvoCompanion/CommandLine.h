#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCore/Ports/SingleInstance.h"

namespace tarvo {

// What the program's arguments ask of it: run (with tarvo:// links for the running copy), show
// its usage or version, or a command answered by the running copy. Anything else is refused
// before a running copy hears of it.
class CommandLine {
public:
    // A word that asks the running copy something.
    struct Command {
        std::string_view name;
        std::string_view summary;
        // What the command says when no copy runs; empty when it starts one instead.
        std::string_view whenNoneRuns;
    };

    static constexpr std::string_view pairCommand = "pair";
    static constexpr std::string_view statusCommand = "status";
    static constexpr int failedExit = 1;
    static constexpr int refusedExit = 2;
    static constexpr int notRunningExit = 3;

    // Every command, in the order the usage lists them.
    static const std::vector<Command>& commands();

    explicit CommandLine(std::vector<std::string> arguments);

    // The usage, the version, or the refusal, written out: the exit status; nothing when the
    // program goes on.
    std::optional<int> answerAtOnce(std::ostream& out, std::ostream& err) const;
    // A command for the running copy, asked and its answer written: the exit status; nothing
    // when this copy is to run instead.
    std::optional<int> askRunningCopy(SingleInstance& instance, std::ostream& out, std::ostream& err) const;

    // The arguments a copy that runs keeps: its links, and whether it was relaunched.
    const std::vector<std::string>& arguments() const { return arguments_; }
    // The command this copy runs for, once no other copy answered it.
    const Command* command() const { return command_; }

    static std::string usage();
    static std::string version();

private:
    enum class Kind { run, help, version, command, control, refused };

    // The menu or a setup window, asked of the running copy; this copy never runs instead.
    int askControl(SingleInstance& instance, std::ostream& out, std::ostream& err) const;

    std::vector<std::string> arguments_;
    Kind kind_ = Kind::run;
    const Command* command_ = nullptr;
    std::string problem_;
    std::vector<std::string> control_;
};

} // namespace tarvo
