#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCore/Operator/MacPermissionAsk.h"
#include "TarvoCore/Operator/MacPermit.h"

namespace tarvo {

// Whether a file read or an act must wait for the user's press under the permit sent with the
// step, and the question it then asks. Malformed input always lands on the side that asks.
class MacPermissionPolicy {
public:
    // A step that waits for the user's press: the question, and what pressing may allow for good
    // (nothing when it allows only this once).
    struct Hold {
        std::string sentence;
        std::optional<MacPermissionAsk> ask;
        bool operator==(const Hold&) const = default;
    };

    // The act kinds a user can allow per app.
    static constexpr std::array<std::string_view, 7> grantableActions{
        "open_app", "press_element", "type_text", "key", "scroll", "move_file", "rename_file",
    };
    // The folder name iCloud Drive is shown under; no real folder of that name is shown.
    static constexpr std::string_view iCloudDrive = "iCloud Drive";
    // Bringing back a file this large always asks (decimal megabytes, not MiB).
    static constexpr std::int64_t sendAskBytes = 48'000'000;

    // The folder of the file at `path` relative to `home`, as the user sees it ("" for a file
    // directly in home, iCloud Drive under its own name); nothing outside home.
    static std::optional<std::string> displayDir(std::string_view path, std::string_view home);
    // Empty, or at most 1024 units of folders below home: no control character, no "/" at
    // either end, no empty, "." or ".." part.
    static bool isValid(std::string_view dir);
    // Whether allowing `granted` allows `folder`: the same folder or one below it.
    static bool covers(std::string_view granted, std::string_view folder);

    static std::string folderQuestion(std::string_view folder);
    static std::string appQuestion(std::string_view kind, std::string_view app);

    static std::optional<Hold> fileHold(std::string_view path, std::string_view home, const MacPermit& permit);
    // `alsoKnownAs` holds the app's other names, such as its bundle id, where it has them.
    static std::optional<Hold> actHold(std::string_view kind, std::string_view named,
                                       const std::vector<std::optional<std::string>>& alsoKnownAs,
                                       const MacPermit& permit);
    // The question of bringing back a file of `sendAskBytes` or more; nothing below.
    static std::optional<std::string> sendAlwaysAsks(std::string_view name, std::int64_t bytes);
};

} // namespace tarvo
