#include "Platform/MacFileOperator.h"

#include <algorithm>

#include "Platform/FolderSearch.h"
#include "Platform/HtmlText.h"
#include "Platform/PlainText.h"
#include "TarvoBase/OnWorker.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Operator/BrainUploadTransport.h"
#include "TarvoCore/Operator/FileReadPolicy.h"
#include "TarvoCore/Operator/FileSearchQuery.h"
#include "TarvoCore/Operator/FileUploader.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"
#include "TarvoCore/Operator/PathParts.h"

namespace tarvo {
namespace {

enum class Reader { plain, html, document };

Reader readerFor(const std::string& path) {
    const auto extension = pathExtension(lastPathComponent(path));
    if (!extension) return Reader::plain;
    const std::string lowered = Text::lowercased(*extension);
    if (lowered == "html" || lowered == "htm") return Reader::html;
    if (lowered == "pdf" || lowered == "rtf" || lowered == "rtfd" || lowered == "doc" || lowered == "docx" ||
        lowered == "odt" || lowered == "webarchive")
        return Reader::document;
    return Reader::plain;
}

// The first bytes of the file, never more than it held when it was checked.
std::string plainText(const CheckedFile& file) {
    const std::size_t most =
        std::min<std::size_t>(MacFileOperator::plainTextBytes, static_cast<std::size_t>(std::max<std::int64_t>(file.bytes(), 0)));
    std::string bytes(most, '\0');
    std::size_t got = 0;
    while (got < most) {
        const std::size_t read = file.readAt(static_cast<std::int64_t>(got), bytes.data() + got, most - got);
        if (read == 0) break;
        got += read;
    }
    bytes.resize(got);
    return PlainText::decoded(bytes, got == MacFileOperator::plainTextBytes);
}

} // namespace

MacFileOperator::MacFileOperator(ClientSource client, std::string home)
    : client_(std::move(client)), home_(std::move(home)) {}

FileText MacFileOperator::readFile(const CheckedFile& file) {
    switch (readerFor(file.path())) {
    case Reader::html: return FileText::plain(HtmlText::stripTags(plainText(file)), FileText::budget);
    case Reader::document: throw OperatorPortFailure(std::string(documentNotReadSentence));
    case Reader::plain: break;
    }
    return FileText::plain(plainText(file), FileText::budget);
}

Task<FileText> MacFileOperator::readText(CheckedFile file) {
    auto work = [file] { return readFile(file); };
    co_return co_await onWorker(work);
}

Task<FileOperating::Uploaded> MacFileOperator::upload(CheckedFile file, std::string stepId) {
    const std::shared_ptr<BrainClient> client = co_await client_();
    if (!client) throw OperatorPortFailure(std::string(signedOutSentence));
    auto transport = std::make_shared<BrainUploadTransport>(client);
    const FileUploader::Result sent =
        co_await FileUploader::upload(std::move(file), std::move(stepId), transport, uploadChunk, uploadStalls);
    if (!sent.state.complete) throw OperatorPortFailure(sent.state.sentence.value_or(std::string(notArrivedSentence)));
    Uploaded uploaded;
    uploaded.bytes = sent.bytes;
    uploaded.sha256 = sent.sha256;
    co_return uploaded;
}

Task<FoundFiles> MacFileOperator::search(std::string query, std::int64_t limit) {
    const std::optional<std::string> text = FileSearchQuery::metadataQuery(query);
    const auto terms = text ? FolderSearch::terms(*text) : std::nullopt;
    if (!terms) throw OperatorPortFailure(std::string(noSearchWordsSentence));
    const std::vector<std::string> scopes{home_, home_ + "/" + std::string(FileReadPolicy::iCloudDrive)};
    auto work = [terms = *terms, scopes, home = home_, limit] {
        return FolderSearch::gather(terms, scopes, home, limit, searchLimit);
    };
    co_return co_await onWorker(work);
}

Task<FoundFiles> MacFileOperator::listFolder(std::string path, std::string query, std::int64_t limit) {
    auto work = [path, query, limit, home = home_] { return listedFolder(path, query, limit, home); };
    co_return co_await onWorker(work);
}

} // namespace tarvo
