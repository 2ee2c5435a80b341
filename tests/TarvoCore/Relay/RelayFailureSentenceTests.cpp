#include <gtest/gtest.h>

#include <exception>
#include <stdexcept>
#include <string>

#include "TarvoClient/BrainClientFailure.h"
#include "TarvoCore/Relay/RelayFailureSentence.h"
#include "TarvoCore/Relay/RelayFileFailure.h"

using tarvo::BrainClientFailure;
using tarvo::RelayFailureSentence;
using tarvo::RelayFileFailure;

namespace {

const std::string checkMessages = " Check Messages to see whether it went before sending it again.";

} // namespace

TEST(RelayFailureSentence, CardCauseAndDiagnosticOfEachError) {
    struct Case {
        std::exception_ptr error;
        std::string card;
        std::string diagnostic;
    };
    for (const Case& c : std::initializer_list<Case>{
             {std::make_exception_ptr(BrainClientFailure::http(500, "server_error", "down")),
              "Tarvo did not accept the request." + checkMessages, "http 500 server_error"},
             {std::make_exception_ptr(BrainClientFailure::http(409, "conflict", "taken")),
              "Tarvo did not accept the request." + checkMessages, "http 409 conflict"},
             {std::make_exception_ptr(BrainClientFailure::transport("timed out")),
              "This Mac could not reach Tarvo." + checkMessages, "transport"},
             {std::make_exception_ptr(BrainClientFailure::decoding("not JSON")),
              "Tarvo sent this Mac an answer it could not read." + checkMessages, "decoding"},
             {std::make_exception_ptr(BrainClientFailure::notSignedIn()),
              "This Mac is signed out of Tarvo. Open Tarvo on that Mac and sign in, then send this again.",
              "notSignedIn"},
             {std::make_exception_ptr(std::runtime_error("osascript failed")),
              "Something went wrong on this Mac." + checkMessages, "other"},
             {std::make_exception_ptr(42), "Something went wrong on this Mac." + checkMessages, "other"},
             {std::make_exception_ptr(RelayFileFailure(1, 1, "This Mac could not reach Tarvo.")),
              "Tarvo could not get the attached file from your account, so nothing was sent. This Mac could not "
              "reach Tarvo.",
              "other"},
             {std::make_exception_ptr(RelayFileFailure(2, 3, "Tarvo did not accept the request.")),
              "Tarvo could not get file 2 of 3 from your account, so nothing was sent. Tarvo did not accept the "
              "request.",
              "other"},
         }) {
        EXPECT_EQ(RelayFailureSentence::card(c.error), c.card);
        EXPECT_EQ(RelayFailureSentence::diagnostic(c.error), c.diagnostic) << c.card;
    }
}

TEST(RelayFailureSentence, AFileFailureReadsTheSameEverywhere) {
    const RelayFileFailure failure(2, 3, RelayFailureSentence::cause(std::make_exception_ptr(
                                             BrainClientFailure::transport("timed out"))));
    const std::string sentence =
        "Tarvo could not get file 2 of 3 from your account, so nothing was sent. This Mac could not reach Tarvo.";
    EXPECT_EQ(failure.card(), sentence);
    EXPECT_EQ(failure.description(), sentence);
    EXPECT_EQ(std::string(failure.what()), sentence);
}
