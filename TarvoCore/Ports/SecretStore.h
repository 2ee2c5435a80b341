#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

// The user's secrets, one text per account name, kept under the application's bundle identifier
// where nobody else can read them. Callable from any thread.
class SecretStore {
public:
    // Account name to secret.
    using Secrets = std::map<std::string, std::string>;

    virtual ~SecretStore() = default;

    // The secret of `account`; nothing when none is stored or the store cannot be read.
    virtual std::optional<std::string> read(const std::string& account) = 0;

    // Stores all of `secrets` at once, each in place of what its account held; other accounts
    // stay. False when it failed, and then every account still holds what it held before: two
    // secrets that belong together are never stored half.
    virtual bool write(const Secrets& secrets) = 0;

    // Forgets the accounts' secrets, all at once; true when none of them is stored any more.
    virtual bool remove(const std::vector<std::string>& accounts) = 0;
};

} // namespace tarvo
