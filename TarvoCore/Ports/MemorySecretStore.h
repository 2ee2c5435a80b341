#pragma once

#include <mutex>

#include "TarvoCore/Ports/SecretStore.h"

namespace tarvo {

// Secrets kept in memory only, for tests and for runs without a folder to keep them in.
class MemorySecretStore final : public SecretStore {
public:
    explicit MemorySecretStore(Secrets secrets = {});

    std::optional<std::string> read(const std::string& account) override;
    bool write(const Secrets& secrets) override;
    bool remove(const std::vector<std::string>& accounts) override;

    // Everything stored, for tests.
    Secrets all() const;

private:
    mutable std::mutex lock_;
    Secrets secrets_;
};

} // namespace tarvo
