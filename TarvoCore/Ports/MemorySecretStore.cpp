#include "TarvoCore/Ports/MemorySecretStore.h"

#include <utility>

namespace tarvo {

MemorySecretStore::MemorySecretStore(Secrets secrets) : secrets_(std::move(secrets)) {}

std::optional<std::string> MemorySecretStore::read(const std::string& account) {
    std::lock_guard lock(lock_);
    const auto found = secrets_.find(account);
    if (found == secrets_.end()) return std::nullopt;
    return found->second;
}

bool MemorySecretStore::write(const Secrets& secrets) {
    std::lock_guard lock(lock_);
    for (const auto& [account, secret] : secrets) secrets_[account] = secret;
    return true;
}

bool MemorySecretStore::remove(const std::vector<std::string>& accounts) {
    std::lock_guard lock(lock_);
    for (const auto& account : accounts) secrets_.erase(account);
    return true;
}

SecretStore::Secrets MemorySecretStore::all() const {
    std::lock_guard lock(lock_);
    return secrets_;
}

} // namespace tarvo
