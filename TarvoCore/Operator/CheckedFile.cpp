#include "TarvoCore/Operator/CheckedFile.h"

#include <cerrno>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include "TarvoBase/FileCalls.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/FileReadPolicy.h"
#include "TarvoCore/Operator/FolderAccess.h"
#include "TarvoCore/Operator/PathParts.h"

namespace tarvo {
namespace {

using Refusal = CheckedFile::Refusal;

// Never blocks on a pipe with no writer and never makes a terminal the controlling one.
constexpr int leafFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
constexpr int folderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW;

Refusal moved() { return {Refusal::Kind::moved, std::string(FileReadPolicy::movedSentence)}; }

// The folders below the root and the leaf, when the path is absolute and every part names
// something: no empty part, no "." and no "..".
std::optional<std::vector<std::string>> plainParts(const std::string& path) {
    if (!path.starts_with('/')) return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = 1;
    while (true) {
        const std::size_t slash = path.find('/', start);
        std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part.empty() || part == "." || part == "..") return std::nullopt;
        parts.push_back(std::move(part));
        if (slash == std::string::npos) return parts;
        start = slash + 1;
    }
}

FileDescriptor walk(const std::vector<std::string>& parts, const CheckedFile::Calls& calls) {
    FileDescriptor folder = FileCalls::open("/", O_PATH | O_DIRECTORY);
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) folder = calls.openAt(folder, parts[i], folderFlags);
    return calls.openAt(folder, parts.back(), leafFlags);
}

Refusal refusalOf(const std::system_error& error, const std::string& path, const std::string& resolvedHome) {
    const std::error_code code = error.code();
    // A link anywhere gives ELOOP at the leaf or ENOTDIR on the way (the link is no folder).
    if (code == std::errc::too_many_symbolic_link_levels || code == std::errc::not_a_directory ||
        code == std::errc::no_such_file_or_directory)
        return moved();
    if (FolderAccess::isRefusal(error)) {
        return {Refusal::Kind::notPermitted,
                FolderAccess::refusedSentence(FolderAccess::protectedFolder(path, resolvedHome))};
    }
    return {Refusal::Kind::unreadable, {}};
}

bool opensAsFolder(const std::string& path) {
    const auto extension = pathExtension(lastPathComponent(path));
    return extension && Text::lowercased(*extension) == "rtfd";
}

} // namespace

CheckedFile::Calls CheckedFile::Calls::system() {
    Calls calls = walking();
    if (FileCalls::canOpenWithoutLinks()) {
        calls.openWhole = [](const std::string& path, int flags) { return FileCalls::openWithoutLinks(path, flags); };
    }
    return calls;
}

CheckedFile::Calls CheckedFile::Calls::walking() {
    return {{},
            [](const FileDescriptor& folder, const std::string& name, int flags) {
                return FileCalls::openAt(folder, name, flags);
            }};
}

CheckedFile::CheckedFile(std::shared_ptr<const FileDescriptor> descriptor, std::string path, std::int64_t bytes,
                         FileIdentity identity, bool isFolder)
    : descriptor_(std::move(descriptor)), path_(std::move(path)), bytes_(bytes), identity_(identity),
      isFolder_(isFolder) {}

CheckedFile::Opened CheckedFile::open(const std::string& path, const std::string& resolvedHome, FileIdentity identity,
                                      const Calls& calls) {
    const auto parts = plainParts(path);
    if (!parts || !FileReadPolicy::isListable(path, resolvedHome)) return moved();

    FileDescriptor file;
    FileCalls::Status status{};
    try {
        file = calls.openWhole ? calls.openWhole(path, leafFlags) : walk(*parts, calls);
        status = FileCalls::status(file);
    } catch (const std::system_error& error) {
        return refusalOf(error, path, resolvedHome);
    }

    if (FileIdentity::of(status) != identity) return moved();
    const bool isFolder = opensAsFolder(path);
    if (isFolder ? !S_ISDIR(status.st_mode) : !S_ISREG(status.st_mode)) return Refusal{Refusal::Kind::unreadable, {}};
    if (!isFolder && status.st_nlink > 1) return Refusal{Refusal::Kind::denied, std::string(FileReadPolicy::deniedSentence)};
    return CheckedFile(std::make_shared<const FileDescriptor>(std::move(file)), path,
                       isFolder ? 0 : static_cast<std::int64_t>(status.st_size), identity, isFolder);
}

std::size_t CheckedFile::readAt(std::int64_t offset, void* into, std::size_t most) const {
    return FileCalls::readAt(descriptor_->get(), into, most, offset);
}

} // namespace tarvo
