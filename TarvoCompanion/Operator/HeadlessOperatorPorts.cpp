#include "TarvoCompanion/Operator/HeadlessOperatorPorts.h"

#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {

namespace {

OperatorPortFailure noDesktop() { return OperatorPortFailure(std::string(HeadlessOperatorPorts::noDesktopSentence)); }

} // namespace

Task<std::vector<RunningApp>> HeadlessOperatorPorts::runningApps() { co_return std::vector<RunningApp>{}; }

Task<CapturedPicture> HeadlessOperatorPorts::capture(std::optional<RunningApp>, std::set<std::string>) {
    throw noDesktop();
    co_return CapturedPicture{};
}

Task<AXSnapshot> HeadlessOperatorPorts::snapshot(RunningApp, std::int64_t, std::size_t) {
    throw noDesktop();
    co_return AXSnapshot{};
}

Task<std::optional<RunningApp>> HeadlessOperatorPorts::front() { co_return std::nullopt; }

Task<std::optional<Acting::ResolvedApp>> HeadlessOperatorPorts::resolve(std::string) { co_return std::nullopt; }

Task<RunningApp> HeadlessOperatorPorts::open(std::string) {
    throw noDesktop();
    co_return RunningApp{};
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
