#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Support/DesktopSession.h"

namespace tarvo::testing {

// A test fixture with a `DesktopSession` up for each test. Where the desktop cannot start the
// test skips, naming the package to install; on CI it fails. A fixture that needs another
// desktop overrides `desktopOptions`.
class DesktopSessionTest : public ::testing::Test {
protected:
    virtual DesktopSession::Options desktopOptions() const { return {}; }
    virtual std::vector<std::string> serverArguments() const { return {}; }

    void SetUp() override {
        std::string why;
        desktop_ = DesktopSession::start(desktopOptions(), why, serverArguments());
        if (desktop_) return;
        if (DesktopSession::mustRun()) FAIL() << why;
        GTEST_SKIP() << why;
    }

    DesktopSession& desktop() const { return *desktop_; }

private:
    std::unique_ptr<DesktopSession> desktop_;
};

} // namespace tarvo::testing
