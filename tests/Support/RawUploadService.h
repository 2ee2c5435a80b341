#pragma once

#include <mutex>
#include <string>

#include "Support/LoopbackAcceptor.h"
#include "Support/StepFileLedger.h"

namespace tarvo::testing {

// The step-file endpoints on a bare HTTP server, for the failures the server library cannot
// make: hanging up after keeping a chunk, and keeping a body that was cut off partway. Otherwise
// it answers as `UploadService` does, one connection per request.
class RawUploadService {
public:
    enum class Fault {
        // Keeps the whole chunk, then closes the connection without an answer.
        hangUpAfterKeeping,
        // Reads half the body, keeps that half, and closes the connection.
        keepPartOfTheBody,
    };

    // `fault` strikes the PUT numbered `putNumber` (counted from 1), once.
    RawUploadService(Fault fault, int putNumber) : fault_(fault), faultyPut_(putNumber) {}

    std::string baseURL() const { return acceptor_.baseURL(); }
    StepFileLedger ledger() const;

private:
    void answer(int connection);

    const Fault fault_;
    const int faultyPut_;
    mutable std::mutex mutex_;
    StepFileLedger ledger_;
    int puts_ = 0;
    LoopbackAcceptor acceptor_{[this](int connection) { answer(connection); }};
};

} // namespace tarvo::testing
