#include "TarvoBase/FileSettingsStore.h"

#include <cstdlib>
#include <system_error>

#include <fmt/format.h>

#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/XdgBaseFolder.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// Whether anything at all is at `path`. A name that cannot be looked at counts as free: what
// is then done with it fails and is logged.
bool isTaken(const fs::path& path) {
    try {
        return FileCalls::lstat(path).has_value();
    } catch (const std::system_error&) {
        return false;
    }
}

// The first "settings.json.corrupt-N" that does not exist yet.
fs::path asideName(const fs::path& file) {
    for (int n = 1;; ++n) {
        fs::path candidate = file;
        candidate += fmt::format(".corrupt-{}", n);
        if (!isTaken(candidate)) return candidate;
    }
}

} // namespace

FileSettingsStore::FileSettingsStore(fs::path folder) : file_(std::move(folder) / "settings.json") { load(); }

std::optional<fs::path> FileSettingsStore::defaultFolder() {
    return defaultFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::optional<fs::path> FileSettingsStore::defaultFolder(const char* xdgConfigHome, const char* home) {
    if (auto config = XdgBaseFolder::resolve(xdgConfigHome, home, ".config")) return *config / "tarvo";
    return std::nullopt;
}

void FileSettingsStore::load() {
    if (!isTaken(file_)) return;
    std::string text;
    try {
        text = AtomicFile::read(file_);
    } catch (const std::system_error& failure) {
        writable_ = keepAside(failure.code().message());
        return;
    }
    std::optional<Json> parsed = JsonReader::parse(text);
    if (!parsed) {
        writable_ = keepAside("it is not JSON");
    } else if (!parsed->is_object()) {
        writable_ = keepAside("it is not a JSON object");
    } else {
        values_ = std::move(*parsed);
    }
}

bool FileSettingsStore::keepAside(const std::string& reason) {
    const fs::path aside = asideName(file_);
    try {
        FileCalls::rename(file_, aside);
    } catch (const std::system_error& failure) {
        PlainLog::write(fmt::format(
            "tarvo: the settings file {} could not be read ({}) nor kept aside ({}); starting with no settings "
            "and leaving the file as it is, so changes will not be saved",
            file_.string(), reason, failure.code().message()));
        return false;
    }
    PlainLog::write(fmt::format("tarvo: the settings file {} could not be read ({}); kept it as {} and started "
                                "with no settings",
                                file_.string(), reason, aside.string()));
    return true;
}

std::optional<Json> FileSettingsStore::object(std::string_view forKey) const {
    std::lock_guard lock(lock_);
    const auto found = values_.find(forKey);
    if (found == values_.end()) return std::nullopt;
    return *found;
}

void FileSettingsStore::set(std::optional<Json> value, std::string_view forKey) {
    std::lock_guard lock(lock_);
    if (!value || value->is_null()) {
        values_.erase(std::string(forKey));
    } else {
        values_[std::string(forKey)] = std::move(*value);
    }
    if (writable_) save();
}

void FileSettingsStore::save() const {
    try {
        std::error_code error;
        fs::create_directories(file_.parent_path(), error);
        if (error) throw std::system_error(error, "creating " + file_.parent_path().string());
        AtomicFile::write(file_, values_.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
    } catch (const std::system_error& failure) {
        PlainLog::write(fmt::format("tarvo: the settings could not be saved to {} — {}", file_.string(), failure.what()));
    }
}

} // namespace tarvo
