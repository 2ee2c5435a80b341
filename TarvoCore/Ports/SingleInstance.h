#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// One running copy of the program per user. The first copy holds the claim for its whole life;
// a later copy hands its message to it instead of running.
class SingleInstance {
public:
    enum class Claim {
        // This copy is the one that runs.
        first,
        // Another copy runs and has taken the message.
        handedOver,
        // Another copy holds the claim but never took the message.
        unreachable,
    };
    using Listener = std::function<void(std::vector<std::string> message)>;
    // Called at most once, on the main loop, with the answer to a question.
    using Reply = std::function<void(std::string answer)>;
    using Answerer = std::function<void(std::vector<std::string> question, Reply reply)>;

    // What asking the running copy came to.
    struct Asked {
        enum class Outcome {
            answered,
            // No copy runs: nobody holds the claim.
            notRunning,
            // A copy holds the claim but gave no answer.
            unreachable,
        };
        Outcome outcome;
        std::string answer;
    };

    // What a later copy hands over: this word, then its own arguments.
    static constexpr std::string_view activate = "activate";
    // The argument of a copy started by one that is about to quit: it waits for that one to end
    // instead of handing itself over to it.
    static constexpr std::string_view relaunchedArgument = "--relaunched";
    // What a later copy sends to ask the running one something without handing itself over:
    // this word, then the question's words.
    static constexpr std::string_view question = "question";

    virtual ~SingleInstance() = default;

    // `waitForRelease`: wait for the claim to be free instead of handing the message over.
    virtual Claim claim(const std::vector<std::string>& message, bool waitForRelease) = 0;

    // Asks the running copy, if there is one, and waits for its answer; claims nothing.
    virtual Asked ask(const std::vector<std::string>& question) = 0;

    // After a `first` claim: `listener` hears, on the main loop, each message of a later copy,
    // and `answerer` each question, which it answers through its reply.
    virtual void listen(Listener listener, Answerer answerer) = 0;
};

} // namespace tarvo
