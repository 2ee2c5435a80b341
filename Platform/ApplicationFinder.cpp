#include "Platform/ApplicationFinder.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "Platform/DesktopEntry.h"
#include "Platform/SearchPath.h"
#include "TarvoBase/OnWorker.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/OperatorExecutor.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {
namespace {

// A name may be an application's file name: an entry's, or the home platform's bundle name.
constexpr std::array<std::string_view, 2> fileSuffixes{".desktop", ".app"};

// `wanted`, and `wanted` without a file suffix it ends in.
std::vector<std::string> spellings(const std::string& wanted) {
    std::vector<std::string> all{wanted};
    for (const std::string_view suffix : fileSuffixes) {
        if (wanted.size() > suffix.size() && wanted.ends_with(suffix)) {
            all.push_back(wanted.substr(0, wanted.size() - suffix.size()));
        }
    }
    return all;
}

std::string trimmedLowercase(std::string_view name) {
    // White space but line breaks, as a name typed with spaces around it.
    const auto first = name.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return Text::lowercased(name.substr(first, name.find_last_not_of(" \t") - first + 1));
}

std::optional<ApplicationFinder::Found> inFolders(const std::vector<std::string>& wanted,
                                                  const DesktopApplications& installed) {
    const auto means = [&](const std::string& candidate) {
        return std::ranges::find(wanted, Text::lowercased(candidate)) != wanted.end();
    };
    for (auto& entry : installed.list()) {
        if (means(entry.id) || means(entry.name)) return ApplicationFinder::Found{std::nullopt, std::move(entry)};
    }
    return std::nullopt;
}

} // namespace

ApplicationFinder::ApplicationFinder(std::shared_ptr<EwmhDesktop> desktop, std::shared_ptr<ProcessRunner> runner,
                                     std::string searchPath)
    : desktop_(std::move(desktop)), runner_(std::move(runner)), searchPath_(std::move(searchPath)) {}

std::optional<ApplicationFinder::Found> ApplicationFinder::find(std::string_view name,
                                                                const std::vector<RunningApp>& running,
                                                                const DesktopApplications& installed) {
    const std::string wanted = trimmedLowercase(name);
    if (wanted.empty()) return std::nullopt;
    const auto runningOne = std::ranges::find_if(running, [&](const RunningApp& app) {
        return (app.bundleId && Text::lowercased(*app.bundleId) == wanted) || Text::lowercased(app.name) == wanted;
    });
    if (runningOne != running.end()) {
        Found found{*runningOne, std::nullopt};
        if (runningOne->bundleId) found.entry = installed.withId(*runningOne->bundleId);
        return found;
    }
    if (name.find('.') != std::string_view::npos) {
        if (auto entry = installed.withId(name)) return Found{std::nullopt, std::move(entry)};
    }
    return inFolders(spellings(wanted), installed);
}

Task<std::optional<RunningApp>> ApplicationFinder::front() {
    auto work = [desktop = desktop_] { return desktop->front(desktop->applications().list()); };
    co_return co_await onWorker(work);
}

Task<std::optional<Acting::ResolvedApp>> ApplicationFinder::resolve(std::string app) {
    auto work = [desktop = desktop_, app] { return find(app, desktop->runningApps(), desktop->applications()); };
    const std::optional<Found> found = co_await onWorker(work);
    if (!found) co_return std::nullopt;
    if (found->running) co_return Acting::ResolvedApp{found->running->name, found->running->bundleId};
    co_return Acting::ResolvedApp{found->entry->name, found->entry->id};
}

void ApplicationFinder::launchOrActivate(const std::string& app, const Found& found) {
    const OperatorPortFailure notOpened(app + std::string(OperatorExecutor::notOpenedTail));
    if (found.running) {
        if (!desktop_->activate(found.running->pid)) throw notOpened;
        return;
    }
    std::vector<std::string> arguments = DesktopEntry::arguments(found.entry->exec);
    if (arguments.empty()) throw notOpened;
    std::string program = std::move(arguments.front());
    arguments.erase(arguments.begin());
    if (program.find('/') == std::string::npos) {
        const auto located = SearchPath::find(searchPath_, program);
        if (!located) throw notOpened;
        program = *located;
    }
    try {
        runner_->launchDetached(std::move(program), std::move(arguments));
    } catch (const std::system_error&) {
        throw notOpened;
    }
}

Task<RunningApp> ApplicationFinder::open(std::string app) {
    auto search = [desktop = desktop_, app] {
        auto found = find(app, desktop->runningApps(), desktop->applications());
        return std::make_pair(std::move(found), desktop->applications().list());
    };
    auto [found, entries] = co_await onWorker(search);
    if (!found) throw OperatorPortFailure(app + std::string(OperatorExecutor::notInstalledTail));
    const std::optional<std::string> expected = found->running ? found->running->bundleId : found->entry->id;
    launchOrActivate(app, *found);
    // Checked right away and after each pause but the last; on the loop, so each check sees the
    // desktop as it is at that moment.
    for (int pauses = 0; pauses < pausesBeforeGivingUp; ++pauses) {
        if (auto now = desktop_->front(entries); now && (!expected || now->bundleId == expected)) co_return *now;
        auto pause = sleepFor(pauseBetweenChecks);
        co_await pause;
    }
    throw OperatorPortFailure(app + std::string(notFrontTail));
}

} // namespace tarvo
