#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/ProcessRunner.h"
#include "TarvoBase/Task.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"
#include "TarvoCore/Messages/MessagesSender/MessagesSenderFailure.h"
#include "TarvoCore/Messages/MessagesSender/MessagesSenderStage.h"
#include "TarvoCore/Messages/MessagesSender/MessagesSenderStagedFailure.h"
#include "TarvoCore/Messages/MessagesSender/ReplyService.h"

namespace tarvo {

// Sends replies through the Messages app by running one script per file and one for the words.
// A message that went out cannot be called back, so nothing is sent again unless the first try
// is known not to have sent. The sender must outlive the sends it starts.
class MessagesSender {
public:
    using Failure = MessagesSenderFailure;
    using Stage = MessagesSenderStage;
    using StagedFailure = MessagesSenderStagedFailure;
    // Runs one script and gives what it wrote to its standard output.
    using Run = std::function<Task<std::string>(std::string script)>;

    static constexpr std::chrono::duration<double> osascriptTimeout{60.0};
    // Paced so that the words arrive after the files: this long for each file.
    static constexpr std::chrono::duration<double> pausePerFile{4.0};
    static constexpr std::chrono::duration<double> pauseBeforeWordsRetry{4.0};
    static constexpr std::string_view osascriptPath = "/usr/bin/osascript";
    static constexpr std::string_view nothingToSend = "this reply had no words and no files, so nothing was sent";

    explicit MessagesSender(Run run) : run_(std::move(run)) {}
    // Every script through `osascript`, started by `runner`, within `osascriptTimeout`.
    explicit MessagesSender(std::shared_ptr<ProcessRunner> runner, std::string executable = std::string(osascriptPath));

    // Chooses the service, logs the choice and sends; gives the service used. Throws `Failure`,
    // or `StagedFailure` when the reply has files.
    Task<ReplyService> sendReply(std::string jobId, std::string channelKind, std::string conversationRef,
                                 std::string body, std::vector<std::string> filePaths, ChatDatabase database) const;

    // The files in order, then the words. Throws `Failure`, or `StagedFailure` when there are files.
    Task<void> send(std::string conversationRef, std::string body, bool isSMS, std::vector<std::string> filePaths,
                    std::optional<std::string> guid) const;

    // Runs `source` with `executable -e source`; gives its standard output. Throws `Failure`, or
    // the runner's error when the executable cannot be started.
    static Task<std::string> osascript(std::shared_ptr<ProcessRunner> runner, std::string source,
                                       std::chrono::duration<double> timeout,
                                       std::string executable = std::string(osascriptPath));

    static std::string script(std::string_view conversationRef, std::string_view body, bool isSMS,
                              const std::optional<std::string>& guid);
    static std::string fileScript(std::string_view conversationRef, std::string_view posixPath, bool isSMS,
                                  const std::optional<std::string>& guid);
    // The lines that find the recipient; `target` comes escaped.
    static std::string resolveChat(std::string_view target, bool isGroup, bool isSMS);
    // The text as it may stand between the quotation marks of a script's string.
    static std::string escape(std::string_view text);
    // Whether the conversation is a group chat; the guid, when it tells, decides.
    static bool isGroup(std::string_view conversationRef, const std::optional<std::string>& guid);

private:
    Task<void> runOrTranslate(std::string script, std::optional<Stage> stage) const;
    Task<void> sendWordsAfterFiles(std::string words) const;

    Run run_;
};

} // namespace tarvo
