#include "Support/UploadService.h"

#include <cstdlib>

namespace tarvo::testing {
namespace {

std::int64_t headerNumber(const RecordedRequest& request, const std::string& header) {
    return std::strtoll(request.header(header).c_str(), nullptr, 10);
}

} // namespace

UploadService::UploadService(std::string stepId) {
    const std::string path = "/v1/mac/operator/steps/" + stepId + "/file";
    const auto respond = [this](const RecordedRequest& request) { return answer(request); };
    service_.answerBy("GET", path, respond);
    service_.answerBy("PUT", path, respond);
}

void UploadService::onGet(GetHook hook) {
    std::lock_guard lock(mutex_);
    onGet_ = std::move(hook);
}

void UploadService::onPut(PutHook hook) {
    std::lock_guard lock(mutex_);
    onPut_ = std::move(hook);
}

StepFileLedger UploadService::ledger() const {
    std::lock_guard lock(mutex_);
    return ledger_;
}

void UploadService::change(const std::function<void(StepFileLedger&)>& edit) {
    std::lock_guard lock(mutex_);
    edit(ledger_);
}

ScriptedAnswer UploadService::answer(const RecordedRequest& request) {
    std::lock_guard lock(mutex_);
    StepFileLedger::Exchange exchange{request.method, std::nullopt, {}, true};
    if (request.method == "GET") {
        std::optional<StepFileLedger::Answer> hooked = onGet_ ? onGet_(ledger_) : std::nullopt;
        exchange.answer = hooked ? *hooked : StepFileLedger::Answer{200, ledger_.state()};
    } else {
        StepFileLedger::Chunk chunk{headerNumber(request, "x-tarvo-offset"), headerNumber(request, "x-tarvo-total"),
                                    request.header("x-tarvo-sha256"), request.body};
        const int number = ++puts_;
        std::optional<StepFileLedger::Answer> hooked = onPut_ ? onPut_(ledger_, chunk, number) : std::nullopt;
        exchange.answer = hooked ? *hooked : ledger_.put(chunk);
        exchange.chunk = std::move(chunk);
    }
    ledger_.exchanges.push_back(exchange);
    return ScriptedAnswer{.status = exchange.answer.status, .body = exchange.answer.body.dump()};
}

} // namespace tarvo::testing
