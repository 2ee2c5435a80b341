#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoCore/Operator/MacFileFolder.h"

namespace tarvo {

// The fixed rules of which files the service may touch: secrets and key stores are never opened;
// hidden files, packages and the Library folder (but iCloud Drive) are never listed; only
// documents are read as text; and bringing a file back asks the user unless it lies in a usual
// folder and is smaller than `unpressedMaxBytes`. Pure functions of path strings; nothing here
// looks at the disk but `realPath`.
class FileReadPolicy {
public:
    // Lower-case; every lookup lower-cases first. Extensions are without their dot.
    static constexpr std::array<std::string_view, 3> deniedFolders{".ssh", ".gnupg", "keychains"};
    static constexpr std::array<std::string_view, 9> deniedExtensions{
        "kdbx", "1pux", "pem", "p12", "pfx", "p8", "keychain", "keychain-db", "opvault"};
    static constexpr std::array<std::string_view, 11> deniedNames{
        "id_rsa",     "id_dsa",     "id_ecdsa",     "id_ed25519",  "id_rsa.pub", "id_dsa.pub",
        "id_ecdsa.pub", "id_ed25519.pub", "secring.gpg", "pubring.kbx", "trustdb.gpg"};
    static constexpr std::array<std::string_view, 21> documentExtensions{
        "pdf",  "txt", "text", "md",  "markdown", "rtf",  "rtfd", "doc", "docx", "odt",       "html",
        "htm",  "csv", "tsv",  "json", "xml",     "yaml", "yml",  "log", "tex",  "webarchive"};
    static constexpr std::array<std::string_view, 14> packageExtensions{
        "app",       "bundle",    "framework", "plugin", "kext", "photoslibrary", "musiclibrary",
        "tvlibrary", "xcodeproj", "xcworkspace", "pkg",  "mpkg", "xcarchive",     "imovielibrary"};
    // Relative to the home folder, without a "/" at its end.
    static constexpr std::string_view iCloudDrive = "Library/Mobile Documents/com~apple~CloudDocs";
    static constexpr std::array<MacFileFolder, 4> unpressedFolders{MacFileFolder::documents, MacFileFolder::desktop,
                                                                  MacFileFolder::downloads, MacFileFolder::icloud};
    // Decimal megabytes, not MiB.
    static constexpr std::int64_t unpressedMaxBytes = 48'000'000;

    static constexpr std::string_view deniedSentence =
        "Tarvo never reads keys, passwords or secrets on the Mac, so it did not open that file.";
    static constexpr std::string_view notThisRunSentence =
        "That file was not found by this run's own search, so Tarvo did not open it.";
    static constexpr std::string_view movedSentence =
        "That file is not where this run's search found it any more, so Tarvo did not open it. Search again.";
    static constexpr std::string_view cloudOnlySentence =
        "That file is in iCloud and not downloaded to the Mac, so Tarvo did not fetch it.";
    static constexpr std::string_view notADocumentSentence =
        "Tarvo reads documents only (PDF, Word, text and the like), so it did not read that file.";

    // `deniedSentence` for a secret or a key store (by folder anywhere in the path, by name or by
    // extension) and for the empty path; nothing otherwise.
    static std::optional<std::string> denial(std::string_view path);
    static bool isListable(std::string_view path, std::string_view home);
    // A folder itself is `other`: only what lies below it has its kind.
    static MacFileFolder folder(std::string_view of, std::string_view home);
    // The path with its links, "." and ".." resolved; the path unchanged when it cannot be
    // resolved (it is gone, or a folder on the way cannot be looked into).
    static std::string realPath(const std::string& path);
    static bool isDocument(std::string_view path);
    static bool needsPressToSend(MacFileFolder folder, std::int64_t bytes);
    static std::string sendPressSentence(std::string_view name, MacFileFolder folder, std::int64_t bytes);
};

} // namespace tarvo
