#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

#include "Platform/FolderEntry.h"
#include "Platform/MacFileOperator.h"
#include "TarvoCore/Operator/FolderAccess.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// The folder's entries depth first, as far as the visit limit; an entry that cannot be read is
// passed over, never fatal.
class Walk {
public:
    explicit Walk(const std::string& query) : query_(query) {}

    void visit(const fs::path& folder, int level) {
        std::error_code failed;
        fs::directory_iterator entries(folder, fs::directory_options::skip_permission_denied, failed);
        for (const fs::directory_iterator end; !failed && entries != end; entries.increment(failed)) {
            if (reachedLimit) return;
            const fs::path path = entries->path();
            const std::string name = path.filename().string();
            if (FolderEntry::isHidden(name)) continue;
            if (visits_ == MacFileOperator::visitLimit) {
                reachedLimit = true;
                return;
            }
            ++visits_;
            if (level > MacFileOperator::deepestLevel) continue;
            const auto status = FolderEntry::status(path);
            if (!status) continue;
            if (S_ISDIR(status->st_mode)) {
                if (!FolderEntry::isPackage(name)) visit(path, level + 1);
                continue;
            }
            if (!S_ISREG(status->st_mode) || !FolderAccess::matches(name, query_)) continue;
            found.push_back(FolderEntry::found(path, *status));
        }
    }

    std::vector<FolderAccess::Found> found;
    bool reachedLimit = false;

private:
    const std::string& query_;
    int visits_ = 0;
};

void probe(const std::string& path, const std::string& home) {
    std::error_code failed;
    fs::directory_iterator entries(path, failed);
    if (!failed) return;
    if (FolderAccess::isRefusal(std::system_error(failed))) {
        throw OperatorPortFailure(FolderAccess::refusedSentence(FolderAccess::protectedFolder(path + "/", home)));
    }
    throw OperatorPortFailure(std::string(MacFileOperator::noFolderSentence));
}

} // namespace

FoundFiles MacFileOperator::listedFolder(const std::string& path, const std::string& query, std::int64_t limit,
                                         const std::string& home) {
    probe(path, home);
    Walk walk(query);
    walk.visit(path, 1);
    const int kept = static_cast<int>(std::clamp<std::int64_t>(limit, 1, std::numeric_limits<int>::max()));
    FoundFiles files = FolderAccess::newest(std::move(walk.found), kept);
    files.truncated = files.truncated || walk.reachedLimit;
    return files;
}

} // namespace tarvo
