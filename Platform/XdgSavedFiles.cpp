#include "Platform/XdgSavedFiles.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include <sys/xattr.h>

#include "Platform/SearchPath.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Text.h"
#include "TarvoBase/XdgBaseFolder.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

constexpr std::chrono::seconds fileManagerTimeout{10};

// The value of `XDG_DOWNLOAD_DIR="..."` as the user-dirs file writes it: "$HOME/..." or an
// absolute path, in double quotes.
std::optional<fs::path> downloadDirIn(const fs::path& file, const fs::path& home) {
    std::ifstream in(file);
    std::string line;
    std::optional<fs::path> found;
    while (std::getline(in, line)) {
        constexpr std::string_view key = "XDG_DOWNLOAD_DIR=\"";
        if (!line.starts_with(key) || line.size() < key.size() + 1 || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.starts_with("$HOME")) {
            value = home.string() + value.substr(5);
        }
        if (value.empty() || value.front() != '/') continue;
        found = fs::path(value).lexically_normal();
    }
    // A download folder that is the home folder itself is how the file says there is none.
    if (found && (*found == home.lexically_normal() || *found == (home / "").lexically_normal())) return std::nullopt;
    return found;
}

} // namespace

XdgSavedFiles::Places XdgSavedFiles::Places::fromEnvironment() {
    const char* home = std::getenv("HOME");
    Places places;
    places.home = home ? home : "";
    places.configHome = XdgBaseFolder::resolve(std::getenv("XDG_CONFIG_HOME"), home, ".config").value_or(fs::path());
    if (const auto dataHome = XdgBaseFolder::resolve(std::getenv("XDG_DATA_HOME"), home, ".local/share")) {
        places.mimeFolders.push_back(*dataHome / "mime");
    }
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream dirs(dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && dir.front() == '/') places.mimeFolders.push_back(fs::path(dir) / "mime");
    }
    const char* path = std::getenv("PATH");
    places.searchPath = path ? path : "";
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    places.hasDisplay = (display && *display) || (wayland && *wayland);
    return places;
}

XdgSavedFiles::XdgSavedFiles(Places places, std::shared_ptr<ProcessRunner> runner, std::shared_ptr<Opener> opener,
                             SetAttribute setAttribute)
    : places_(std::move(places)), runner_(std::move(runner)), opener_(std::move(opener)),
      setAttribute_(std::move(setAttribute)) {}

int XdgSavedFiles::systemSetAttribute(const fs::path& file, const std::string& name, const std::string& value) {
    return ::setxattr(file.c_str(), name.c_str(), value.data(), value.size(), 0) == 0 ? 0 : errno;
}

std::string XdgSavedFiles::fileAddress(const fs::path& file) {
    return "file://" + Text::percentEncoded(file.string(), "/-._~");
}

fs::path XdgSavedFiles::downloadsFolder() const {
    if (!places_.configHome.empty()) {
        if (auto named = downloadDirIn(places_.configHome / "user-dirs.dirs", places_.home)) return *named;
    }
    return places_.home / "Downloads";
}

std::optional<std::string> XdgSavedFiles::markDownloaded(const fs::path& file, const std::optional<std::string>& origin,
                                                         const std::optional<std::string>& referrer) {
    const std::pair<const char*, const std::optional<std::string>*> marks[] = {
        {"user.xdg.origin.url", &origin},
        {"user.xdg.referrer.url", &referrer},
    };
    for (const auto& [name, value] : marks) {
        if (!*value) continue;
        if (const int error = setAttribute_(file, name, **value); error != 0) return std::strerror(error);
    }
    return std::nullopt;
}

// The globs2 files: "weight:type:glob" with an optional ":flags" where "cs" makes the glob
// case-sensitive. The heaviest match wins, the user's own file first among equals.
std::optional<std::string> XdgSavedFiles::typeOfExtension(const std::string& extension) const {
    const std::string wanted = "*." + extension;
    std::optional<std::string> best;
    int bestWeight = -1;
    for (const fs::path& folder : places_.mimeFolders) {
        std::ifstream in(folder / "globs2");
        for (std::string line; std::getline(in, line);) {
            if (line.empty() || line.front() == '#') continue;
            std::vector<std::string> fields;
            std::stringstream parts(line);
            for (std::string field; std::getline(parts, field, ':');) fields.push_back(field);
            if (fields.size() < 3) continue;
            const bool caseSensitive = fields.size() > 3 && fields[3].find("cs") != std::string::npos;
            const bool matches = caseSensitive ? fields[2] == wanted : Text::lowercased(fields[2]) == wanted;
            if (!matches) continue;
            const int weight = std::atoi(fields[0].c_str());
            if (weight > bestWeight) {
                bestWeight = weight;
                best = fields[1];
            }
        }
    }
    return best;
}

void XdgSavedFiles::open(const fs::path& file) { opener_->open(fileAddress(file)); }

void XdgSavedFiles::reveal(const fs::path& file) {
    if (!places_.hasDisplay) {
        PlainLog::write("tarvo: saved " + file.filename().string() + " in " + file.parent_path().string() +
                        " (no display to show it on)");
        return;
    }
    const auto dbusSend = SearchPath::find(places_.searchPath, "dbus-send");
    if (!dbusSend) {
        opener_->open(fileAddress(file.parent_path()));
        return;
    }
    spawn(showInFileManager(runner_, opener_, *dbusSend, file));
}

Task<void> XdgSavedFiles::showInFileManager(std::shared_ptr<ProcessRunner> runner, std::shared_ptr<Opener> opener,
                                            std::string dbusSend, fs::path file) {
    std::vector<std::string> arguments = {"--session",
                                          "--print-reply",
                                          "--dest=org.freedesktop.FileManager1",
                                          "--type=method_call",
                                          "/org/freedesktop/FileManager1",
                                          "org.freedesktop.FileManager1.ShowItems"};
    arguments.push_back("array:string:" + fileAddress(file));
    arguments.push_back("string:");
    bool shown = false;
    try {
        const ProcessRunner::Result result =
            co_await runner->run(std::move(dbusSend), std::move(arguments), fileManagerTimeout);
        shown = result.exitCode == 0;
    } catch (const std::system_error&) {
        // No bus tool to ask: the folder is opened instead.
    }
    if (!shown) opener->open(fileAddress(file.parent_path()));
}

} // namespace tarvo
