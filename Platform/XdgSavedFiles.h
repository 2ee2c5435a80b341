#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/ProcessRunner.h"
#include "TarvoCore/Panel/SavedFiles.h"
#include "TarvoCore/Ports/Opener.h"

namespace tarvo {

// The panel's saved files on a freedesktop desktop: the Downloads folder of the user's
// "user-dirs.dirs", the origin of a file in its "user.xdg.origin.url" attribute, types from
// shared-mime-info's globs, files opened with xdg-open and shown through the file manager's
// ShowItems on the session bus (the folder opened where no file manager answers it).
class XdgSavedFiles final : public SavedFiles {
public:
    struct Places {
        std::filesystem::path home;
        // XDG_CONFIG_HOME, or ~/.config.
        std::filesystem::path configHome;
        // The "mime" folders of XDG_DATA_HOME and XDG_DATA_DIRS, the user's first.
        std::vector<std::filesystem::path> mimeFolders;
        // PATH, where dbus-send is looked for.
        std::string searchPath;
        // Whether a display exists to show a file manager on.
        bool hasDisplay = false;

        static Places fromEnvironment();
    };
    // Sets one extended attribute on a file: 0, or the errno of the failure.
    using SetAttribute =
        std::function<int(const std::filesystem::path& file, const std::string& name, const std::string& value)>;

    XdgSavedFiles(Places places, std::shared_ptr<ProcessRunner> runner, std::shared_ptr<Opener> opener,
                  SetAttribute setAttribute = systemSetAttribute);

    static int systemSetAttribute(const std::filesystem::path& file, const std::string& name,
                                  const std::string& value);
    // The file's address, every byte outside the unreserved ones and "/" escaped.
    static std::string fileAddress(const std::filesystem::path& file);

    std::filesystem::path downloadsFolder() const override;
    std::optional<std::string> markDownloaded(const std::filesystem::path& file,
                                              const std::optional<std::string>& origin,
                                              const std::optional<std::string>& referrer) override;
    std::optional<std::string> typeOfExtension(const std::string& extension) const override;
    void open(const std::filesystem::path& file) override;
    void reveal(const std::filesystem::path& file) override;

private:
    static Task<void> showInFileManager(std::shared_ptr<ProcessRunner> runner, std::shared_ptr<Opener> opener,
                                        std::string dbusSend, std::filesystem::path file);

    Places places_;
    std::shared_ptr<ProcessRunner> runner_;
    std::shared_ptr<Opener> opener_;
    SetAttribute setAttribute_;
};

} // namespace tarvo
