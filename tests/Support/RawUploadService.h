#pragma once

#include <mutex>
#include <string>
#include <thread>

#include "Support/StepFileLedger.h"
#include "TarvoBase/FileDescriptor.h"

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
    RawUploadService(Fault fault, int putNumber);
    ~RawUploadService();

    RawUploadService(const RawUploadService&) = delete;
    RawUploadService& operator=(const RawUploadService&) = delete;

    std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port_); }
    StepFileLedger ledger() const;

private:
    void serve();
    void answer(int connection);

    const Fault fault_;
    const int faultyPut_;
    FileDescriptor listening_;
    int port_ = 0;
    mutable std::mutex mutex_;
    StepFileLedger ledger_;
    int puts_ = 0;
    std::thread server_;
};

} // namespace tarvo::testing
