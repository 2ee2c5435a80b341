#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>

namespace tarvo {

// The words of the permission modes and of the questions a held step asks. A name in braces is a
// placeholder that `fill` replaces.
struct MacPermissionWords {
    static constexpr std::string_view macAskFolder = "Let Tarvo read {folder}?";
    static constexpr std::string_view macAskHome = "Let Tarvo read \u201C{file}\u201D in your home folder?";
    static constexpr std::string_view macAskOpenApp = "Let Tarvo open {app}?";
    static constexpr std::string_view macAskPress = "Let Tarvo press buttons in {app}?";
    static constexpr std::string_view macAskType = "Let Tarvo type in {app}?";
    static constexpr std::string_view macAskKey = "Let Tarvo press keys in {app}?";
    static constexpr std::string_view macAskScroll = "Let Tarvo scroll in {app}?";
    static constexpr std::string_view macAskMoveFile = "Let Tarvo move files in {app}?";
    static constexpr std::string_view macAskRenameFile = "Let Tarvo rename files in {app}?";

    static constexpr std::string_view macModeAsk = "Ask me";
    static constexpr std::string_view macModeAutoRead = "Auto for reading";
    static constexpr std::string_view macModeAuto = "Auto";
    static constexpr std::string_view macModeAskLine =
        "Tarvo asks the first time it reads a folder or does something in an app. You can allow each one for good.";
    static constexpr std::string_view macModeAutoReadLine =
        "Tarvo finds and reads your files without asking. It still asks before it does anything in an app.";
    static constexpr std::string_view macModeAutoLine =
        "Tarvo does everything without asking, except send, submit, buy and delete, which always wait for your press.";
    static constexpr std::string_view macModeHeading = "How Tarvo asks on this Mac";
    static constexpr std::string_view macModeFailed = "That did not save. Nothing changed.";

    static constexpr std::array<std::string_view, 3> modes{"ask", "auto_read", "auto"};

    // Each "{name}" of `values` replaced by its value; placeholders without a value stay. A value
    // is put in as it is and never read for placeholders itself, so a folder named "{app}" stays
    // that name.
    static std::string fill(std::string_view text, const std::map<std::string, std::string>& values);
};

} // namespace tarvo
