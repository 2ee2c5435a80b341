#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

// The companion's published status, read by the menu, the setup window and the heartbeat.
struct CompanionState {
    using Date = std::chrono::system_clock::time_point;

    class SignIn {
    public:
        static SignIn signedIn(std::string email) { return SignIn(std::move(email)); }
        static SignIn signedOut() { return SignIn(std::nullopt); }

        bool isSignedIn() const { return email_.has_value(); }
        // The account's e-mail address; empty when signed out.
        const std::string& email() const;

        bool operator==(const SignIn&) const = default;

    private:
        explicit SignIn(std::optional<std::string> email) : email_(std::move(email)) {}
        std::optional<std::string> email_;
    };

    // The most UTF-16 code units of a blocked reason that go into the heartbeat.
    static constexpr int blockedReasonLimit = 200;

    SignIn signIn = SignIn::signedOut();
    bool canReadMessages = false;
    std::optional<std::string> blockedReason;
    std::optional<std::string> chatDbBlockedReason;
    std::vector<std::string> enabledChannels;
    std::optional<Date> lastHeartbeatAt;
    std::optional<Date> lastCaptureAt;
    long long skippedWithoutText = 0;
    std::vector<std::string> unconnectedChannels;

    std::vector<std::string> advertisableChannels() const;
    std::optional<std::string> heartbeatBlockedReason() const;
    std::optional<std::string> unconnectedChannelWarning() const;
    std::string summary(Date now) const;

    bool operator==(const CompanionState&) const = default;
};

} // namespace tarvo
