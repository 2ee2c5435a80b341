#include "TarvoCompanion/Operator/HeadlessOperatorPorts.h"

#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {

namespace {

OperatorPortFailure noDesktop() { return OperatorPortFailure(std::string(HeadlessOperatorPorts::noDesktopSentence)); }

} // namespace

Task<std::optional<RunningApp>> HeadlessOperatorPorts::front() {
    if (!applications_) co_return std::nullopt;
    co_return co_await applications_->front();
}

Task<std::optional<Acting::ResolvedApp>> HeadlessOperatorPorts::resolve(std::string app) {
    if (!applications_) co_return std::nullopt;
    co_return co_await applications_->resolve(std::move(app));
}

Task<RunningApp> HeadlessOperatorPorts::open(std::string app) {
    if (!applications_) throw noDesktop();
    co_return co_await applications_->open(std::move(app));
}

Task<std::optional<ActTarget>> HeadlessOperatorPorts::describe(std::string, RunningApp) { co_return std::nullopt; }

Task<void> HeadlessOperatorPorts::press(std::string, RunningApp) {
    throw noDesktop();
    co_return;
}

Task<void> HeadlessOperatorPorts::type(std::string, std::optional<std::string>, RunningApp) {
    throw noDesktop();
    co_return;
}

Task<void> HeadlessOperatorPorts::key(std::string, std::vector<std::string>, RunningApp) {
    throw noDesktop();
    co_return;
}

Task<void> HeadlessOperatorPorts::scroll(std::string, std::int64_t, RunningApp) {
    throw noDesktop();
    co_return;
}

Task<void> HeadlessOperatorPorts::settle() { co_return; }

} // namespace tarvo
