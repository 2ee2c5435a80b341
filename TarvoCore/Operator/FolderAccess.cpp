#include "TarvoCore/Operator/FolderAccess.h"

#include <algorithm>
#include <system_error>

#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/FileReadPolicy.h"
#include "TarvoCore/Operator/PathParts.h"
#include "TarvoCore/Operator/RelativeFolderName.h"

namespace tarvo {
namespace {

std::vector<std::string_view> parts(std::string_view name) {
    std::vector<std::string_view> found;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = name.find('/', start);
        found.push_back(name.substr(start, slash - start));
        if (slash == std::string_view::npos) return found;
        start = slash + 1;
    }
}

std::string joined(std::string base, const std::vector<std::string_view>& parts) {
    for (std::string_view part : parts) base.append("/").append(part);
    return base;
}

bool isRefusalCode(const std::error_code& code) {
    return code == std::errc::operation_not_permitted || code == std::errc::permission_denied;
}

} // namespace

bool FolderAccess::isValid(std::string_view name) {
    if (name.empty() || name.front() == '~') return false;
    return Text::utf16Length(name) <= maxLength && isRelativeFolderName(name);
}

std::optional<std::string> FolderAccess::path(std::string_view of, std::string_view home) {
    if (!isValid(of)) return std::nullopt;
    if (home.ends_with('/')) home.remove_suffix(1);
    std::vector<std::string_view> named = parts(of);
    if (named.front() == "iCloud Drive") {
        std::vector<std::string_view> inside = parts(FileReadPolicy::iCloudDrive);
        inside.insert(inside.end(), named.begin() + 1, named.end());
        return joined(std::string(home), inside);
    }
    if (std::ranges::any_of(named, [](std::string_view part) { return part.starts_with('.'); })) return std::nullopt;
    if (named.front() == "Library") return std::nullopt;
    return joined(std::string(home), named);
}

bool FolderAccess::matches(std::string_view name, std::string_view query) {
    const std::string foldedName = Text::folded(name);
    for (const std::string& term : Text::splitAtWhitespace(query)) {
        if (term == everything) continue;
        if (foldedName.find(Text::folded(term)) == std::string::npos) return false;
    }
    return true;
}

std::optional<std::string> FolderAccess::protectedFolder(std::string_view of, std::string_view home) {
    const std::string prefix = homePrefix(home);
    if (!of.starts_with(prefix)) return std::nullopt;
    const auto pieces = pathPieces(of.substr(prefix.size()));
    if (pieces.empty() || std::ranges::find(protectedFolders, pieces.front()) == protectedFolders.end())
        return std::nullopt;
    return std::string(pieces.front());
}

std::string FolderAccess::refusedSentence(const std::optional<std::string>& protectedName) {
    if (!protectedName) {
        return "macOS did not let Tarvo open that folder, so nothing was read. To allow it: System Settings "
               "\u2192 Privacy & Security \u2192 Full Disk Access \u2192 Tarvo.";
    }
    return "macOS has not let Tarvo open your " + *protectedName +
           " folder, so nothing was read. To allow it: System Settings \u2192 Privacy & Security \u2192 Files & "
           "Folders \u2192 Tarvo \u2192 " +
           *protectedName + ".";
}

bool FolderAccess::isRefusal(const std::exception& error) {
    if (const auto* system = dynamic_cast<const std::system_error*>(&error); system && isRefusalCode(system->code()))
        return true;
    const auto* nested = dynamic_cast<const std::nested_exception*>(&error);
    if (!nested || !nested->nested_ptr()) return false;
    try {
        nested->rethrow_nested();
    } catch (const std::exception& underlying) {
        return isRefusal(underlying);
    } catch (...) {
    }
    return false;
}

FoundFiles FolderAccess::newest(std::vector<Found> found, int limit) {
    const auto date = [](const Found& one) { return one.added.value_or(one.file.modifiedAt); };
    std::ranges::stable_sort(found, [&](const Found& a, const Found& b) { return date(a) > date(b); });
    const std::size_t kept = std::min(found.size(), static_cast<std::size_t>(std::max(limit, 1)));
    FoundFiles result;
    result.truncated = found.size() > kept;
    for (std::size_t i = 0; i < kept; ++i) result.files.push_back(std::move(found[i].file));
    return result;
}

} // namespace tarvo
