#include "TarvoCore/Panel/PanelDownloads.h"

#include <fcntl.h>

#include <string_view>
#include <system_error>
#include <utility>

#include "TarvoBase/FileCalls.h"
#include "TarvoBase/Json.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/Text.h"
#include "TarvoBase/Uuid.h"
#include "TarvoCore/Panel/WebAddress.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

constexpr const char* attachmentsPath = "/api/attachments/";
constexpr const char* fallbackName = "tarvo-download";
constexpr const char* signInSentence = "That file needs the panel to sign in again, so nothing was saved.";
// The longest name a file system here takes, in bytes.
constexpr std::size_t nameLimit = 255;
// " 500", the longest number freePath adds.
constexpr std::size_t numberRoom = 4;
// "-" and a UUID.
constexpr std::size_t uuidRoom = 37;
// A race for one name is lost to another download at most this often before giving up.
constexpr int reservationTries = 8;

bool hasAttachmentPath(const std::optional<std::string>& address) {
    if (!address) return false;
    const auto parsed = WebAddress::parse(*address);
    return parsed && parsed->path.starts_with(attachmentsPath);
}

std::string cleaned(std::string name) {
    for (char& c : name) {
        if (c == '/' || c == ':') c = '-';
    }
    const auto kept = name.find_first_not_of(" .");
    if (kept == std::string::npos) return fallbackName;
    name.erase(0, kept);
    name.erase(name.find_last_not_of(" .") + 1);
    return name;
}

// The longest start of `text` of at most `bytes` bytes that ends on a whole UTF-8 character.
std::string cutToBytes(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

std::string errorDescription(const std::system_error& error) { return error.code().message(); }

void say(const PanelDownloads::Tell& tell, const std::string& state, const std::optional<std::string>& reason) {
    if (!tell) return;
    const std::string script = PanelDownloads::eventScript(state, reason);
    if (!script.empty()) tell(script);
}

void removeQuietly(const fs::path& path) {
    try {
        FileCalls::unlink(path);
    } catch (const std::system_error&) {
        // Gone already, or never made: either way nothing of it is left to mislead.
    }
}

} // namespace

PanelDownloads::PanelDownloads(std::shared_ptr<SavedFiles> files) : files_(std::move(files)) {}

void PanelDownloads::openWhenSaved(const std::string& id) { opensWhenSaved_.insert(id); }

fs::path PanelDownloads::stagingFolder() {
    const fs::path folder = files_->downloadsFolder() / stagingFolderName;
    fs::create_directories(folder);
    return folder;
}

fs::path PanelDownloads::emptiedStagingFolder() {
    const fs::path folder = stagingFolder();
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!fs::is_directory(entry.symlink_status())) removeQuietly(entry.path());
    }
    return folder;
}

bool PanelDownloads::refused(const Download& download, const Tell& tell) {
    if (download.response && (download.response->status < 200 || download.response->status > 299)) {
        const std::string status = std::to_string(download.response->status);
        PlainLog::write("tarvo: not saving a download the server refused with " + status);
        refuse(download.id, "The server refused that file (" + status + "), so nothing was saved.", tell);
        return true;
    }
    if (hasAttachmentPath(download.originalURL) &&
        !(download.response && hasAttachmentPath(download.response->url))) {
        PlainLog::write("tarvo: not saving a download that was redirected away from the file");
        refuse(download.id, signInSentence, tell);
        return true;
    }
    return false;
}

std::optional<fs::path> PanelDownloads::decideDestination(const Download& download, Tell tell) {
    if (refused(download, tell)) return std::nullopt;
    const fs::path folder = files_->downloadsFolder();
    fs::path destination;
    try {
        fs::create_directories(folder);
        destination = reserve(folder, download.suggestedFilename);
    } catch (const std::system_error& error) {
        PlainLog::write("tarvo: cannot use " + folder.string() + " for a download — " + errorDescription(error));
        refuse(download.id, errorDescription(error), tell);
        return std::nullopt;
    }
    destinations_[download.id] = Running{destination, download.originalURL, download.page, tell};
    say(tell, "started", std::nullopt);
    return destination;
}

void PanelDownloads::refuse(const std::string& id, const std::string& reason, const Tell& tell) {
    opensWhenSaved_.erase(id);
    say(tell, "failed", reason);
}

// Two downloads of one name, both running, must not be given the same file: the name is taken by
// an empty file the moment it is chosen, which every later choice then finds.
fs::path PanelDownloads::reserve(const fs::path& folder, const std::string& suggested) {
    for (int attempt = 1;; ++attempt) {
        const fs::path candidate = freePath(folder, suggested);
        try {
            FileCalls::open(candidate, O_WRONLY | O_CREAT | O_EXCL, 0644);
            return candidate;
        } catch (const std::system_error& error) {
            if (error.code() != std::errc::file_exists || attempt == reservationTries) throw;
        }
    }
}

void PanelDownloads::finish(const std::string& id, const fs::path& written) {
    const bool opens = opensWhenSaved_.erase(id) > 0;
    const auto found = destinations_.find(id);
    if (found == destinations_.end()) return;
    const Running running = std::move(found->second);
    destinations_.erase(found);
    try {
        FileCalls::rename(written, running.destination);
    } catch (const std::system_error& error) {
        removeQuietly(running.destination);
        removeQuietly(written);
        PlainLog::write("tarvo: a download failed — " + errorDescription(error));
        say(running.tell, "failed", errorDescription(error));
        return;
    }
    PlainLog::write("tarvo: saved a download to " + running.destination.filename().string());
    const bool marked = quarantine(running.destination, running.source, running.page);
    if (opens && marked && opensDirectly(running.destination)) {
        files_->open(running.destination);
    } else {
        files_->reveal(running.destination);
    }
    say(running.tell, "saved", std::nullopt);
}

void PanelDownloads::fail(const std::string& id, const std::string& description, const Tell& tellBeforeStart) {
    opensWhenSaved_.erase(id);
    const auto found = destinations_.find(id);
    Tell tell = tellBeforeStart;
    if (found != destinations_.end()) {
        removeQuietly(found->second.destination);
        tell = std::move(found->second.tell);
        destinations_.erase(found);
    }
    PlainLog::write("tarvo: a download failed — " + description);
    say(tell, "failed", description);
}

fs::path PanelDownloads::freePath(const fs::path& folder, const std::string& suggested) {
    const std::string name = cleaned(suggested);
    std::string stem = name;
    std::string extension;
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
        stem = name.substr(0, dot);
        extension = name.substr(dot + 1);
    }
    // An extension that leaves no room for a name is no extension but part of the name.
    if (extension.size() + 1 + uuidRoom + 1 > nameLimit) {
        stem = name;
        extension.clear();
    }
    if (stem.empty()) stem = fallbackName;
    const std::size_t extensionRoom = extension.empty() ? 0 : extension.size() + 1;
    stem = cutToBytes(stem, nameLimit - extensionRoom - numberRoom);
    auto candidate = [&](const std::string& base) {
        return folder / (extension.empty() ? base : base + "." + extension);
    };
    auto isFree = [](const fs::path& path) { return !FileCalls::lstat(path); };
    if (const fs::path first = candidate(stem); isFree(first)) return first;
    for (int n = 2; n <= 500; ++n) {
        if (const fs::path numbered = candidate(stem + " " + std::to_string(n)); isFree(numbered)) return numbered;
    }
    return candidate(cutToBytes(stem, nameLimit - extensionRoom - uuidRoom) + "-" + Uuid::random().uppercased());
}

bool PanelDownloads::quarantine(const fs::path& file, const std::optional<std::string>& from,
                                const std::optional<std::string>& page) {
    const auto failure = files_->markDownloaded(file, from, page);
    if (!failure) return true;
    PlainLog::write("tarvo: could not mark " + file.filename().string() + " as downloaded — " + *failure);
    return false;
}

bool PanelDownloads::opensDirectly(const fs::path& file) const {
    std::string extension = file.extension().string();
    if (extension.empty()) return false;
    extension = Text::lowercased(extension.substr(1));
    const auto& types = directlyOpenedTypes();
    const auto listed = types.find(extension);
    if (listed == types.end()) return false;
    const auto systemType = files_->typeOfExtension(extension);
    return systemType && *systemType == listed->second;
}

const std::map<std::string, std::string>& PanelDownloads::directlyOpenedTypes() {
    static const std::map<std::string, std::string> types = {
        {"pdf", "application/pdf"},
        {"png", "image/png"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"gif", "image/gif"},
        {"webp", "image/webp"},
        {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
        {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
        {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
        {"txt", "text/plain"},
        {"md", "text/markdown"},
        {"csv", "text/csv"},
    };
    return types;
}

std::string PanelDownloads::eventScript(const std::string& state, const std::optional<std::string>& reason) {
    Json detail;
    detail["state"] = state;
    if (reason) detail["reason"] = *reason;
    std::string text;
    try {
        text = detail.dump();
    } catch (const Json::type_error&) {
        return {};
    }
    return std::string("window.dispatchEvent(new CustomEvent('") + eventName + "', { detail: " + text + " }))";
}

} // namespace tarvo
