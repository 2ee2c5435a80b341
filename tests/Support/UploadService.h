#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Support/FakeService.h"
#include "Support/StepFileLedger.h"

namespace tarvo::testing {

// The service's step-file endpoints on 127.0.0.1 for one step: GET answers where its copy stands,
// PUT keeps a chunk that starts there. A test changes either answer through the hooks, which run
// one request at a time with the ledger in hand.
class UploadService {
public:
    explicit UploadService(std::string stepId);

    std::string baseURL() const { return service_.baseURL(); }

    // Given the ledger; an answer replaces the well-behaved one.
    using GetHook = std::function<std::optional<StepFileLedger::Answer>(StepFileLedger&)>;
    // Given the ledger, the chunk and the PUT's number, counted from 1 over the service's life.
    using PutHook =
        std::function<std::optional<StepFileLedger::Answer>(StepFileLedger&, const StepFileLedger::Chunk&, int)>;
    void onGet(GetHook hook);
    void onPut(PutHook hook);

    StepFileLedger ledger() const;
    void change(const std::function<void(StepFileLedger&)>& edit);

private:
    ScriptedAnswer answer(const RecordedRequest& request);

    mutable std::mutex mutex_;
    StepFileLedger ledger_;
    GetHook onGet_;
    PutHook onPut_;
    int puts_ = 0;
    FakeService service_;
};

} // namespace tarvo::testing
