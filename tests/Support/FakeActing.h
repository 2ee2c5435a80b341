#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Support/OperatorPortCalls.h"
#include "TarvoCore/Operator/ActPolicy.h"
#include "TarvoCore/Operator/Acting.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo::testing {

// Acts as the platform's actor does: an act lands on the app it is given or, when another app
// is in front by then, fails without doing anything.
class FakeActing final : public Acting {
public:
    explicit FakeActing(std::shared_ptr<OperatorPortCalls> calls) : calls_(std::move(calls)) {}

    std::optional<RunningApp> frontApp;
    // By the name asked for.
    std::map<std::string, ResolvedApp> installed;
    // By the name asked for; opening one brings it to the front.
    std::map<std::string, RunningApp> openable;
    // By element id.
    std::map<std::string, ActTarget> elements;
    // What landed, in order: "press 3.4 in Safari".
    std::vector<std::string> landed;
    // Run as an act lands, with the app it is aimed at: for checking the state of the world then.
    std::function<void(const RunningApp& in)> atAct;

    Task<std::optional<RunningApp>> front() override {
        const std::string call = "front()";
        co_await calls_->answer(call);
        co_return frontApp;
    }
    Task<std::optional<ResolvedApp>> resolve(std::string app) override {
        const std::string call = "resolve(" + app + ")";
        co_await calls_->answer(call);
        std::optional<ResolvedApp> resolved;
        if (const auto found = installed.find(app); found != installed.end()) resolved = found->second;
        co_return resolved;
    }
    Task<RunningApp> open(std::string app) override {
        const std::string call = "open(" + app + ")";
        co_await calls_->answer(call);
        const auto found = openable.find(app);
        if (found == openable.end()) throw std::runtime_error("no app called " + app);
        frontApp = found->second;
        co_return found->second;
    }
    Task<std::optional<ActTarget>> describe(std::string element, RunningApp in) override {
        const std::string call = "describe(" + element + ", in: " + in.name + ")";
        co_await calls_->answer(call);
        std::optional<ActTarget> target;
        if (const auto found = elements.find(element); found != elements.end()) target = found->second;
        co_return target;
    }
    Task<void> press(std::string element, RunningApp in) override {
        const std::string call = "press(" + element + ", in: " + in.name + ")";
        co_await calls_->answer(call);
        land("press " + element, in);
    }
    Task<void> type(std::string text, std::optional<std::string> into, RunningApp in) override {
        const std::string call = "type(\"" + text + "\", into: " + into.value_or("none") + ", in: " + in.name + ")";
        co_await calls_->answer(call);
        land("type \"" + text + "\"", in);
    }
    Task<void> key(std::string key, std::vector<std::string> modifiers, RunningApp in) override {
        std::string names;
        for (const std::string& modifier : modifiers) names += (names.empty() ? "" : ", ") + modifier;
        const std::string call = "key(" + key + ", [" + names + "], in: " + in.name + ")";
        co_await calls_->answer(call);
        land("key " + key, in);
    }
    Task<void> scroll(std::string direction, std::int64_t amount, RunningApp in) override {
        const std::string call = "scroll(" + direction + ", " + std::to_string(amount) + ", in: " + in.name + ")";
        co_await calls_->answer(call);
        land("scroll " + direction, in);
    }
    Task<void> settle() override { const std::string call = "settle()";
 co_await calls_->answer(call); }

private:
    void land(const std::string& act, const RunningApp& in) {
        if (atAct) atAct(in);
        if (!frontApp || frontApp->pid != in.pid) throw OperatorPortFailure(ActPolicy::notInFrontSentence(in.name));
        landed.push_back(act + " in " + in.name);
    }

    std::shared_ptr<OperatorPortCalls> calls_;
};

} // namespace tarvo::testing
