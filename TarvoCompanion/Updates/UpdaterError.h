#pragma once

#include <stdexcept>
#include <string>

namespace tarvo {

// Why an update check ended without an update, or why the updater could not start; the text is
// a whole sentence.
class UpdaterError : public std::runtime_error {
public:
    // The check found no build newer than this one: an ordinary outcome, not a failure.
    static constexpr int noUpdateFound = 1001;
    // The feed could not be read as a version and build.
    static constexpr int feedUnreadable = 1000;
    // The feed or its signature did not come: no answer, or a refusal.
    static constexpr int feedUnreachable = 1002;
    // The signature is missing or does not sign the feed under the key.
    static constexpr int signatureInvalid = 3001;
    // The feed address is not an absolute web address.
    static constexpr int invalidFeedAddress = 4;
    // The key is not the base64 of an Ed25519 public key.
    static constexpr int invalidPublicKey = 5;
    // A check was asked of an updater that did not start.
    static constexpr int notStarted = 6;

    UpdaterError(int code, const std::string& description) : std::runtime_error(description), code_(code) {}

    int code() const { return code_; }
    std::string description() const { return what(); }

private:
    int code_;
};

} // namespace tarvo
