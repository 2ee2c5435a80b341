#include "Platform/MacFileOperator.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

#include "Platform/FolderSearch.h"
#include "Platform/HtmlText.h"
#include "Platform/PlainText.h"
#include "TarvoBase/FileCalls.h"
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

enum class Reader { plain, html, pdf, rich, richFolder };

// The reader and, for a document, the kind its reader process is asked for.
std::pair<Reader, std::string> readerFor(const std::string& path) {
    const auto extension = pathExtension(lastPathComponent(path));
    if (!extension) return {Reader::plain, {}};
    const std::string lowered = Text::lowercased(*extension);
    if (lowered == "html" || lowered == "htm") return {Reader::html, {}};
    if (lowered == "pdf") return {Reader::pdf, lowered};
    if (lowered == "rtfd") return {Reader::richFolder, "rtf"};
    if (lowered == "rtf" || lowered == "doc" || lowered == "docx" || lowered == "odt" || lowered == "webarchive")
        return {Reader::rich, lowered};
    return {Reader::plain, {}};
}

FileText pdfText(const CheckedFile& file, const DocumentReader& documents) {
    const auto pages = documents.read("pdf", file.descriptor()->get());
    if (!pages) throw OperatorPortFailure(std::string(MacFileOperator::pdfNotOpenedSentence));
    const bool anyText = std::ranges::any_of(
        *pages, [](const std::string& page) { return !Text::trimmingWhitespaceAndNewlines(page).empty(); });
    if (!anyText) throw OperatorPortFailure(std::string(MacFileOperator::pdfScanSentence));
    return FileText::paged(*pages, FileText::budget);
}

// A document package's text is its TXT.rtf, opened inside the package the core checked.
FileDescriptor packagedText(const CheckedFile& package) {
    try {
        FileDescriptor text = FileCalls::openAt(*package.descriptor(), "TXT.rtf", O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (S_ISREG(FileCalls::status(text).st_mode)) return text;
    } catch (const std::system_error&) {
    }
    throw OperatorPortFailure(std::string(MacFileOperator::documentNotReadSentence));
}

FileText richText(int document, const std::string& kind, const DocumentReader& documents) {
    const auto pages = documents.read(kind, document);
    if (!pages) throw OperatorPortFailure(std::string(MacFileOperator::documentNotReadSentence));
    return FileText::plain(pages->front(), FileText::budget);
}

// The first bytes of the file, never more than it held when it was checked.
std::string plainText(const CheckedFile& file) {
    const std::size_t most =
        std::min<std::size_t>(MacFileOperator::plainTextBytes, static_cast<std::size_t>(std::max<std::int64_t>(file.bytes(), 0)));
    return PlainText::start(file.descriptor()->get(), most, MacFileOperator::plainTextBytes);
}

} // namespace

MacFileOperator::MacFileOperator(ClientSource client, std::string home, DocumentReader documents)
    : client_(std::move(client)), home_(std::move(home)), documents_(std::move(documents)) {}

FileText MacFileOperator::readFile(const CheckedFile& file, const DocumentReader& documents) {
    const auto [reader, kind] = readerFor(file.path());
    switch (reader) {
    case Reader::html: return FileText::plain(HtmlText::stripTags(plainText(file)), FileText::budget);
    case Reader::pdf: return pdfText(file, documents);
    case Reader::rich: return richText(file.descriptor()->get(), kind, documents);
    case Reader::richFolder: return richText(packagedText(file).get(), kind, documents);
    case Reader::plain: break;
    }
    return FileText::plain(plainText(file), FileText::budget);
}

Task<FileText> MacFileOperator::readText(CheckedFile file) {
    auto work = [file, documents = documents_] { return readFile(file, documents); };
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
