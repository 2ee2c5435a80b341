#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "TarvoCore/Panel/SavedFiles.h"

namespace tarvo {

// Saves what the panel's page downloads into the user's Downloads folder, under a name nothing
// else has, marks it as downloaded, and opens or reveals it; the page hears of each download
// through a "tarvo:download" event. The engine writes a running download into a hidden folder
// inside Downloads, so the finished file moves into place by a rename on the same file system.
// Lives on the main loop.
class PanelDownloads {
public:
    // The HTTP answer the download was made from.
    struct Response {
        int status = 200;
        // The address that answered, after any redirects; none when unknown.
        std::optional<std::string> url;
    };

    struct Download {
        // The engine's name for it, unique while it runs.
        std::string id;
        // The address first asked for, before any redirect.
        std::optional<std::string> originalURL;
        // None for a download that came from no HTTP answer (a data address, say).
        std::optional<Response> response;
        std::string suggestedFilename;
        // The page that started it.
        std::optional<std::string> page;
    };

    // Runs a script in the page that started a download, without waiting for it.
    using Tell = std::function<void(const std::string& script)>;

    static constexpr const char* eventName = "tarvo:download";
    static constexpr const char* stagingFolderName = ".tarvo-downloading";

    explicit PanelDownloads(std::shared_ptr<SavedFiles> files);

    // Once saved, the download is opened when its type opens directly.
    void openWhenSaved(const std::string& id);

    // Where the engine writes running downloads, made when missing. Throws std::system_error.
    std::filesystem::path stagingFolder();
    // The staging folder, emptied of what an engine that ended mid-download left half-written
    // there; for when no download runs. Throws std::system_error.
    std::filesystem::path emptiedStagingFolder();

    // Whether the server's answer is refused rather than saved: a status outside 2xx, or a file
    // of the service's answered from elsewhere (its sign-in page). A refusal is logged and told
    // "failed" with its reason. The engine may ask before it has named the download.
    bool refused(const Download& download, const Tell& tell);
    // Where the download is saved, its name held by an empty file until it is saved there, after
    // telling the page "started"; or nothing, after telling it "failed" with the reason.
    std::optional<std::filesystem::path> decideDestination(const Download& download, Tell tell);
    // The engine finished writing `written`, which moves to the destination chosen.
    void finish(const std::string& id, const std::filesystem::path& written);
    // `tell` tells the page of a download that failed before it was given a destination.
    void fail(const std::string& id, const std::string& description, const Tell& tell = {});

    // A path in `folder` for a file suggested as `suggested` at which nothing exists.
    static std::filesystem::path freePath(const std::filesystem::path& folder, const std::string& suggested);
    // Marks a saved file as downloaded; false, logged, when the mark could not be set.
    bool quarantine(const std::filesystem::path& file, const std::optional<std::string>& from,
                    const std::optional<std::string>& page);
    // Only a file whose name the system types as the table says may be opened directly.
    bool opensDirectly(const std::filesystem::path& file) const;
    // Lower-case extension to the type the system must give it.
    static const std::map<std::string, std::string>& directlyOpenedTypes();

    // The script that dispatches the event on the page's window.
    static std::string eventScript(const std::string& state, const std::optional<std::string>& reason);

private:
    struct Running {
        std::filesystem::path destination;
        std::optional<std::string> source;
        std::optional<std::string> page;
        Tell tell;
    };

    void refuse(const std::string& id, const std::string& reason, const Tell& tell);
    std::filesystem::path reserve(const std::filesystem::path& folder, const std::string& suggested);

    std::shared_ptr<SavedFiles> files_;
    std::map<std::string, Running> destinations_;
    std::set<std::string> opensWhenSaved_;
};

} // namespace tarvo
