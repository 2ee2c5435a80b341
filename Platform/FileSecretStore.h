#pragma once

#include <filesystem>
#include <mutex>
#include <optional>

#include "TarvoBase/Json.h"
#include "TarvoCore/Ports/SecretStore.h"

namespace tarvo {

// The secrets as one JSON object of account names and texts, in the file "secrets.json" of
// "$XDG_DATA_HOME/com.tarvo.companion" (or "$HOME/.local/share/com.tarvo.companion"), the file
// readable by its owner only and the folder open to its owner only. The companion keeps its
// token pair there, so a signed-in companion's file reads
//     {"accessToken": "<access token>", "refreshToken": "<refresh token>"}
// Every change rewrites the whole record through a new file that is flushed and renamed into
// place, so a crash leaves the old record or the new one, never a mix. A record that cannot be
// read or is not such an object is kept aside as "secrets.json.corrupt-N" and logged; the
// store then holds nothing.
class FileSecretStore final : public SecretStore {
public:
    explicit FileSecretStore(std::filesystem::path folder);

    std::optional<std::string> read(const std::string& account) override;
    bool write(const Secrets& secrets) override;
    bool remove(const std::vector<std::string>& accounts) override;

    const std::filesystem::path& file() const { return file_; }

    // "$XDG_DATA_HOME/com.tarvo.companion", or "$HOME/.local/share/com.tarvo.companion" when that
    // variable is unset, empty or not an absolute path; nothing when neither gives an absolute
    // folder.
    static std::optional<std::filesystem::path> defaultFolder();
    static std::optional<std::filesystem::path> defaultFolder(const char* xdgDataHome, const char* home);

private:
    Json load();
    // Whether the file may be read: it is ours and no link. One that others can read is narrowed
    // to its owner first.
    bool usable();
    void keepAside(const std::string& reason);
    bool save(const Json& record);

    std::mutex lock_;
    std::filesystem::path folder_;
    std::filesystem::path file_;
    // A file that is a link or another user's is refused with one line, not one per reading.
    bool refusalSaid_ = false;
};

} // namespace tarvo
