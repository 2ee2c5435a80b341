#include "TarvoCore/Companion/CompanionVersion.h"

#include <mutex>

namespace tarvo {
namespace {

std::mutex& sourceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<const ComputerName>& installedSource() {
    static std::shared_ptr<const ComputerName> source;
    return source;
}

} // namespace

void CompanionVersion::useComputerName(std::shared_ptr<const ComputerName> source) {
    std::lock_guard lock(sourceMutex());
    installedSource() = std::move(source);
}

std::string CompanionVersion::deviceName() {
    std::shared_ptr<const ComputerName> source;
    {
        std::lock_guard lock(sourceMutex());
        source = installedSource();
    }
    auto name = source ? source->current() : std::nullopt;
    return name ? *name : "Mac";
}

ClientIdentity CompanionVersion::identity() {
    return ClientIdentity{"macos", build, version, deviceName(), std::nullopt};
}

} // namespace tarvo
