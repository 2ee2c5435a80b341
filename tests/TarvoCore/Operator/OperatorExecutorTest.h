#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Support/FakeOperatorPorts.h"
#include "Support/LoopWithFakeClock.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/Spawn.h"
#include "TarvoClient/JSONValue.h"
#include "TarvoCore/Operator/ActPolicy.h"
#include "TarvoCore/Operator/FileOperatingDefaults.h"
#include "TarvoCore/Operator/FileReadPolicy.h"
#include "TarvoCore/Operator/OperatorExecutor.h"
#include "TarvoCore/Operator/OperatorLookPolicy.h"
#include "TarvoCore/Operator/OperatorStepRequest.h"

namespace tarvo {
// Failed comparisons show the outcome as it would be sent.
inline void PrintTo(const OperatorStepOutcome& outcome, std::ostream* os) { *os << outcome.wire().dump(); }
} // namespace tarvo

namespace tarvo::testing {

// Every reason a refused or failed step of these tests may give: a sentence of the rules, whole
// or after an app's name. A reason that is neither was made up somewhere.
struct OperatorSentences {
    static const std::vector<std::string_view>& whole() {
        static const std::vector<std::string_view> sentences{
            OperatorSession::stoppedSentence,
            OperatorSession::barNotShownSentence,
            OperatorSession::notOperableSentence,
            OperatorSession::lockedSentence,
            OperatorSession::displayAsleepSentence,
            OperatorSession::restartSentence,
            "Accessibility is off for Tarvo on the Mac, so nothing was done.",
            ActPolicy::pressedForAnotherSentence,
            OperatorLookPolicy::neverSentence,
            OperatorExecutor::unknownStepSentence,
            OperatorExecutor::noFrontAppSentence,
            OperatorExecutor::captureFailedSentence,
            OperatorExecutor::screenTextFailedSentence,
            OperatorExecutor::namesNoAppSentence,
            OperatorExecutor::stopKeysSentence,
            ActPolicy::neverTypeSecretSentence,
            FileOperatingDefaults::listFolderSentence,
            OperatorExecutor::notThatFolderSentence,
            OperatorExecutor::searchFailedSentence,
            OperatorExecutor::readFailedSentence,
            OperatorExecutor::sendFailedSentence,
            FileReadPolicy::deniedSentence,
            FileReadPolicy::notThisRunSentence,
            FileReadPolicy::movedSentence,
            FileReadPolicy::cloudOnlySentence,
            FileReadPolicy::notADocumentSentence,
            "It did not work.",
            // The platform's own, passed on unchanged.
            "Accessibility is off for Tarvo, so it cannot read the screen.",
            "No screen is connected to this Mac.",
        };
        return sentences;
    }
    static const std::vector<std::string_view>& afterAnAppName() {
        static const std::vector<std::string_view> tails{
            OperatorExecutor::notOpenTail,
            OperatorExecutor::notInstalledTail,
            OperatorExecutor::notOpenedTail,
            " is not in front any more, so nothing was done.",
            " has no window on screen.",
        };
        return tails;
    }
    // Sentences with an app's name inside: what comes before it and after it.
    static const std::vector<std::pair<std::string_view, std::string_view>>& aroundAnAppName() {
        static const std::vector<std::pair<std::string_view, std::string_view>> around{
            {"That control is from an older read of ", ", so nothing was pressed. Read it again first."},
            {"That did not work in ", "."},
        };
        return around;
    }
    static bool holds(std::string_view reason) {
        for (const std::string_view sentence : whole()) {
            if (reason == sentence) return true;
        }
        for (const std::string_view tail : afterAnAppName()) {
            if (reason.size() > tail.size() && reason.ends_with(tail)) return true;
        }
        for (const auto& [head, tail] : aroundAnAppName()) {
            if (reason.size() > head.size() + tail.size() && reason.starts_with(head) && reason.ends_with(tail))
                return true;
        }
        return false;
    }
};

struct OperatorExecutorTest : ::testing::Test {
    using Outcome = OperatorStepOutcome;

    LoopWithFakeClock loop;
    FakeOperatorPorts ports;
    std::string runId = "run-1";
    std::int64_t generation = 7;
    // Sent with every step.
    std::optional<MacPermit> permit;

    RunningApp tarvo{"Tarvo", std::string(OperatorLookPolicy::ownBundleId), 100, false, false, {"Panel"}};
    RunningApp notes{"Notes", "com.apple.Notes", 101, true, false, {"Groceries"}};
    RunningApp vault{"Bitwarden", "bitwarden", 102, false, false, {"My vault"}};
    RunningApp xterm{"xterm", std::nullopt, 103, false, true, {"~"}};

    OperatorExecutorTest() {
        ports.session->begin(runId);
        ports.apps->apps = {tarvo, notes, vault, xterm};
        ports.acts->frontApp = notes;
    }

    static JSONValue::Object object(const std::string& json) {
        const auto parsed = JsonReader::parse(json);
        EXPECT_TRUE(parsed) << json;
        return JSONValue::objectFromJson(parsed.value_or(Json::object()));
    }
    static OperatorStepRequest step(const std::string& json) {
        const auto parsed = OperatorStepRequest::parse(object(json));
        EXPECT_TRUE(parsed) << json;
        return parsed.value_or(OperatorStepRequest(OperatorStepRequest::ListApps{}));
    }

    // Checks the reason of a refusal or failure, as sent, against the rules' sentences.
    static void expectRulesSentence(const Outcome& outcome) {
        if (const auto* refused = std::get_if<Outcome::Refused>(&outcome.value())) {
            EXPECT_TRUE(OperatorSentences::holds(Outcome::fit(refused->reason))) << "refused: " << refused->reason;
        }
        if (const auto* failed = std::get_if<Outcome::Failed>(&outcome.value())) {
            EXPECT_TRUE(OperatorSentences::holds(Outcome::fit(failed->reason))) << "failed: " << failed->reason;
        }
    }

    Task<Outcome> start(OperatorExecutor executor, OperatorStepRequest request, std::optional<JSONValue::Object> raw,
                        std::optional<std::string> pressed) {
        const std::string stepId = "step-1";
        Outcome outcome = co_await executor.run(runId, stepId, std::move(request), generation, std::move(raw),
                                                std::move(pressed), permit);
        expectRulesSentence(outcome);
        co_return outcome;
    }

    Outcome run(const OperatorExecutor& executor, OperatorStepRequest request, std::optional<JSONValue::Object> raw,
                std::optional<std::string> pressed = std::nullopt) {
        return runUntilDone(loop.loop, start(executor, std::move(request), std::move(raw), std::move(pressed)));
    }
    // The step as the service sends it, with its object as `raw`.
    Outcome run(const std::string& json, std::optional<std::string> pressed = std::nullopt) {
        return run(ports.executor(), step(json), object(json), std::move(pressed));
    }

    static Outcome refused(std::string_view sentence) { return Outcome(Outcome::Refused{std::string(sentence)}); }
    static Outcome failed(std::string_view sentence) { return Outcome(Outcome::Failed{std::string(sentence)}); }
};

} // namespace tarvo::testing
