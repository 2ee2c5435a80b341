#include "Platform/FileSecretStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <system_error>
#include <utility>

#include <sys/stat.h>

#include <fmt/format.h>

#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/XdgBaseFolder.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// The first "secrets.json.corrupt-N" that does not exist yet.
fs::path asideName(const fs::path& file) {
    for (int n = 1;; ++n) {
        fs::path candidate = file;
        candidate += fmt::format(".corrupt-{}", n);
        std::error_code error;
        if (!fs::exists(fs::symlink_status(candidate, error))) return candidate;
    }
}

bool holdsOnlyTexts(const Json& record) {
    return std::all_of(record.begin(), record.end(), [](const Json& value) { return value.is_string(); });
}

} // namespace

FileSecretStore::FileSecretStore(fs::path folder) : folder_(std::move(folder)), file_(folder_ / "secrets.json") {}

std::optional<fs::path> FileSecretStore::defaultFolder() {
    return defaultFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

std::optional<fs::path> FileSecretStore::defaultFolder(const char* xdgDataHome, const char* home) {
    return XdgBaseFolder::programData(xdgDataHome, home);
}

std::optional<std::string> FileSecretStore::read(const std::string& account) {
    std::lock_guard lock(lock_);
    const Json record = load();
    const auto found = record.find(account);
    if (found == record.end()) return std::nullopt;
    return found->get<std::string>();
}

bool FileSecretStore::write(const Secrets& secrets) {
    std::lock_guard lock(lock_);
    Json record = load();
    for (const auto& [account, secret] : secrets) record[account] = secret;
    return save(record);
}

bool FileSecretStore::remove(const std::vector<std::string>& accounts) {
    std::lock_guard lock(lock_);
    Json record = load();
    std::size_t removed = 0;
    for (const auto& account : accounts) removed += record.erase(account);
    return removed == 0 || save(record);
}

bool FileSecretStore::usable() {
    const auto entry = FileCalls::lstat(file_);
    if (!entry) return true;
    std::optional<std::string> refusal;
    if (S_ISLNK(entry->st_mode)) {
        refusal = "is a symbolic link";
    } else if (entry->st_uid != FileCalls::effectiveUser()) {
        refusal = "belongs to another user";
    }
    if (refusal) {
        if (!std::exchange(refusalSaid_, true)) {
            PlainLog::write(fmt::format("tarvo: the secrets file {} {} — not reading it", file_.string(), *refusal));
        }
        return false;
    }
    const mode_t mode = entry->st_mode & 0777;
    if (S_ISREG(entry->st_mode) && (mode & 0077) != 0) {
        std::error_code failed;
        fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write, failed);
        PlainLog::write(failed ? fmt::format("tarvo: the secrets file {} can be read by others ({:04o}) and could not "
                                             "be narrowed — {}",
                                             file_.string(), mode, failed.message())
                               : fmt::format("tarvo: the secrets file {} could be read by others ({:04o}) — narrowed "
                                             "it to 0600",
                                             file_.string(), mode));
    }
    return true;
}

Json FileSecretStore::load() {
    if (!usable()) return Json::object();
    std::string text;
    try {
        text = AtomicFile::read(file_);
    } catch (const std::system_error& failure) {
        if (failure.code().value() != ENOENT) keepAside(failure.code().message());
        return Json::object();
    }
    std::optional<Json> record = JsonReader::parse(text);
    if (!record || !record->is_object() || !holdsOnlyTexts(*record)) {
        keepAside("it is not a JSON object of texts");
        return Json::object();
    }
    return std::move(*record);
}

void FileSecretStore::keepAside(const std::string& reason) {
    const fs::path aside = asideName(file_);
    std::error_code error;
    fs::rename(file_, aside, error);
    if (error) {
        PlainLog::write(fmt::format("tarvo: the secrets file {} could not be read ({}) nor kept aside ({}); "
                                    "going on as if it held nothing",
                                    file_.string(), reason, error.message()));
        return;
    }
    PlainLog::write(fmt::format("tarvo: the secrets file {} could not be read ({}); kept it as {} and going on "
                                "with no stored secrets",
                                file_.string(), reason, aside.string()));
}

bool FileSecretStore::save(const Json& record) {
    try {
        fs::create_directories(folder_.parent_path());
        FileCalls::makeFolder(folder_, 0700);
        AtomicFile::write(file_, record.dump() + "\n");
        return true;
    } catch (const std::exception& failure) {
        PlainLog::write(fmt::format("tarvo: the secrets could not be saved to {} — {}; the ones stored before are kept",
                                    file_.string(), failure.what()));
        return false;
    }
}

} // namespace tarvo
