#pragma once

#include <cstdint>
#include <string>

#include "TarvoBase/Task.h"
#include "TarvoCore/Operator/CheckedFile.h"
#include "TarvoCore/Operator/FileOperatingDefaults.h"
#include "TarvoCore/Operator/FileText.h"
#include "TarvoCore/Operator/FoundFiles.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {

// The user's files, for the file steps. A file the service named reaches the platform only as
// the `CheckedFile` the executor opened after its checks: the platform reads and sends that open
// file and opens nothing by name for the step, so a link or a file put under the name after the
// checks is never read. Failures throw `OperatorPortFailure` when there is a sentence for the
// user, any other error otherwise.
class FileOperating {
public:
    struct Uploaded {
        std::int64_t bytes = 0;
        // 64 lower-case hexadecimal digits.
        std::string sha256;
        bool operator==(const Uploaded&) const = default;
    };

    virtual ~FileOperating() = default;

    // The path of the user's home folder.
    virtual std::string home() const = 0;
    // Files whose names match, newest first, at most `limit`.
    virtual Task<FoundFiles> search(std::string query, std::int64_t limit) = 0;
    virtual Task<FileText> readText(CheckedFile file) = 0;
    // Brings the whole file back to the service as the step's file.
    virtual Task<Uploaded> upload(CheckedFile file, std::string stepId) = 0;
    // Files in one folder, newest first. A platform that cannot list one folder keeps this
    // default, which fails with `FileOperatingDefaults::listFolderSentence`.
    virtual Task<FoundFiles> listFolder(std::string path, std::string query, std::int64_t limit);
};

inline Task<FoundFiles> FileOperating::listFolder(std::string, std::string, std::int64_t) {
    throw OperatorPortFailure(std::string(FileOperatingDefaults::listFolderSentence));
    co_return FoundFiles();
}

} // namespace tarvo
