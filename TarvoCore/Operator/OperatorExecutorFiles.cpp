#include <algorithm>
#include <exception>
#include <set>
#include <utility>

#include <sys/stat.h>

#include "TarvoBase/FileCalls.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/FileReadPolicy.h"
#include "TarvoCore/Operator/FolderAccess.h"
#include "TarvoCore/Operator/MacPermissionPolicy.h"
#include "TarvoCore/Operator/OperatorExecutor.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"
#include "TarvoCore/Operator/PathParts.h"

namespace tarvo {
namespace {

using Outcome = OperatorStepOutcome;
using HeldQuestion = OperatorSession::HeldQuestion;

std::string typeOf(const FoundFile& file, std::string_view name) {
    if (file.contentType) return *file.contentType;
    const auto extension = pathExtension(name);
    return extension ? Text::lowercased(*extension) : std::string();
}

Outcome openRefusal(const CheckedFile::Refusal& refusal, std::string_view failedSentence) {
    if (refusal.refusesStep()) return Outcome::refused(refusal.sentence);
    return Outcome::failed(refusal.sentence.empty() ? std::string(failedSentence) : refusal.sentence);
}

} // namespace

HeldQuestion OperatorExecutor::questionOf(MacPermissionPolicy::Hold hold) {
    return {std::move(hold.sentence), hold.ask};
}

std::optional<OperatorStepOutcome> OperatorExecutor::heldUnless(const std::optional<HeldQuestion>& approvedFor,
                                                                HeldQuestion question) {
    if (approvedFor == question) return std::nullopt;
    return Outcome(std::move(question));
}

Task<OperatorStepOutcome> OperatorExecutor::listFiles(std::string runId, std::string query, std::int64_t limit,
                                                      std::optional<std::string> folder) const {
    // Files the rules leave out are dropped after the port's answer, so it is asked for more.
    const std::int64_t asked = std::max(limit * 3, limit);
    std::optional<std::string> path;
    if (folder) {
        path = FolderAccess::path(*folder, files_->home());
        if (!path) co_return Outcome::refused(notThatFolderSentence);
    }
    std::exception_ptr error;
    try {
        FoundFiles found;
        if (path) {
            found = co_await files_->listFolder(*path, std::move(query), asked);
        } else {
            found = co_await files_->search(std::move(query), asked);
        }
        co_return listing(runId, found, limit);
    } catch (...) {
        error = std::current_exception();
    }
    co_return Outcome::failed(OperatorPortFailure::sentenceOf(error, searchFailedSentence));
}

OperatorStepOutcome OperatorExecutor::listing(const std::string& runId, const FoundFiles& found,
                                              std::int64_t limit) const {
    const std::string home = FileReadPolicy::realPath(files_->home());
    std::set<std::string> taken;
    Outcome::ListFiles listed;
    listed.truncated = found.truncated;
    for (const FoundFile& file : found.files) {
        std::string path = FileReadPolicy::realPath(file.path);
        if (!FileReadPolicy::isListable(path, home) || taken.contains(path)) continue;
        // The identity is taken now, so the file later opened for the reference must be this one.
        const auto status = FileCalls::lstat(path);
        if (!status || S_ISLNK(status->st_mode)) continue;
        if (static_cast<std::int64_t>(listed.files.size()) >= limit) {
            listed.truncated = true;
            break;
        }
        taken.insert(path);
        const std::string name(lastPathComponent(path));
        const MacFileFolder folder = FileReadPolicy::folder(path, home);
        const FileRefTable::Entry entry{path, name, folder, file.bytes, file.cloudOnly, FileIdentity::of(*status)};
        std::string ref = refs_->mint(runId, entry);
        listed.files.push_back(MacFileListing{std::move(ref), name, folder, file.bytes, file.modifiedAt,
                                              file.cloudOnly, typeOf(file, name),
                                              MacPermissionPolicy::displayDir(path, home)});
    }
    return Outcome(std::move(listed));
}

OperatorExecutor::Finding OperatorExecutor::entry(const std::string& runId, const std::string& ref,
                                                  std::string_view failedSentence) const {
    std::optional<FileRefTable::Entry> entry = refs_->resolve(runId, ref);
    if (!entry) return Outcome::refused(FileReadPolicy::notThisRunSentence);
    if (FileReadPolicy::realPath(entry->path) != entry->path) return Outcome::refused(FileReadPolicy::movedSentence);
    if (const auto denial = FileReadPolicy::denial(entry->path)) return Outcome::refused(*denial);
    if (entry->cloudOnly) return Outcome::refused(FileReadPolicy::cloudOnlySentence);
    // Everything after this reads the open file, so what the holds weigh is what is sent.
    CheckedFile::Opened opened =
        CheckedFile::open(entry->path, FileReadPolicy::realPath(files_->home()), entry->identity);
    if (const auto* refusal = std::get_if<CheckedFile::Refusal>(&opened)) return openRefusal(*refusal, failedSentence);
    return Found{std::move(*entry), std::get<CheckedFile>(std::move(opened))};
}

Task<OperatorStepOutcome> OperatorExecutor::readFile(std::string runId, std::string ref,
                                                     std::optional<HeldQuestion> approvedFor,
                                                     std::optional<MacPermit> permit) const {
    Finding finding = entry(runId, ref, readFailedSentence);
    if (auto* ending = std::get_if<Outcome>(&finding)) co_return std::move(*ending);
    Found found = std::get<Found>(std::move(finding));
    if (!FileReadPolicy::isDocument(found.entry.path)) co_return Outcome::refused(FileReadPolicy::notADocumentSentence);
    if (permit) {
        auto hold = MacPermissionPolicy::fileHold(found.entry.path, FileReadPolicy::realPath(files_->home()), *permit);
        if (hold) {
            if (auto ending = heldUnless(approvedFor, questionOf(std::move(*hold)))) co_return std::move(*ending);
        }
    }
    const std::optional<std::string> refusal = co_await admission(runId, MacCapabilityClass::files);
    if (refusal) co_return Outcome::refused(*refusal);
    std::exception_ptr error;
    try {
        FileText text = co_await files_->readText(std::move(found.file));
        Outcome::ReadFile read{std::move(ref), std::move(text.text), text.truncated, std::nullopt, std::nullopt};
        if (text.pages) read.pages = *text.pages;
        if (text.pagesRead) read.pagesRead = *text.pagesRead;
        co_return Outcome(std::move(read));
    } catch (...) {
        error = std::current_exception();
    }
    co_return Outcome::failed(OperatorPortFailure::sentenceOf(error, readFailedSentence));
}

std::optional<HeldQuestion> OperatorExecutor::sendQuestion(const Found& found,
                                                           const std::optional<MacPermit>& permit) const {
    const FileRefTable::Entry& entry = found.entry;
    // The size of the open file, which is what the upload sends: a file that grew since its
    // listing is weighed as it is now.
    const std::int64_t bytes = found.file.bytes();
    if (!permit) {
        if (!FileReadPolicy::needsPressToSend(entry.folder, bytes)) return std::nullopt;
        return HeldQuestion{FileReadPolicy::sendPressSentence(entry.name, entry.folder, bytes), std::nullopt};
    }
    if (auto sentence = MacPermissionPolicy::sendAlwaysAsks(entry.name, bytes)) {
        return HeldQuestion{std::move(*sentence), std::nullopt};
    }
    auto hold = MacPermissionPolicy::fileHold(entry.path, FileReadPolicy::realPath(files_->home()), *permit);
    if (!hold) return std::nullopt;
    return questionOf(std::move(*hold));
}

Task<OperatorStepOutcome> OperatorExecutor::sendFile(std::string runId, std::string stepId, std::string ref,
                                                     std::optional<HeldQuestion> approvedFor,
                                                     std::optional<MacPermit> permit) const {
    Finding finding = entry(runId, ref, sendFailedSentence);
    if (auto* ending = std::get_if<Outcome>(&finding)) co_return std::move(*ending);
    Found found = std::get<Found>(std::move(finding));
    if (auto question = sendQuestion(found, permit)) {
        if (auto ending = heldUnless(approvedFor, std::move(*question))) co_return std::move(*ending);
    }
    const std::optional<std::string> refusal = co_await admission(runId, MacCapabilityClass::files);
    if (refusal) co_return Outcome::refused(*refusal);
    std::exception_ptr error;
    try {
        FileOperating::Uploaded uploaded = co_await files_->upload(std::move(found.file), std::move(stepId));
        co_return Outcome(Outcome::SendFile{std::move(ref), uploaded.bytes, std::move(uploaded.sha256)});
    } catch (...) {
        error = std::current_exception();
    }
    co_return Outcome::failed(OperatorPortFailure::sentenceOf(error, sendFailedSentence));
}

} // namespace tarvo
