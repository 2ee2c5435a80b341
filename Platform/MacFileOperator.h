#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "Platform/DocumentReader.h"
#include "TarvoBase/Task.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoCore/Operator/FileOperating.h"

namespace tarvo {

// The user's files on this computer for the core's file steps: a folder walked with no link
// followed, text read from the open file the core checked (documents in a reader process of
// their own, so a hostile file cannot harm the companion), and the file sent in chunks. Nothing
// is written and nothing is kept between calls.
class MacFileOperator final : public FileOperating {
public:
    // The service client of the moment, or null while signed out.
    using ClientSource = std::function<Task<std::shared_ptr<BrainClient>>()>;

    static constexpr int visitLimit = 5000;
    // Level 1 is the folder's own entries.
    static constexpr int deepestLevel = 3;
    static constexpr std::size_t plainTextBytes = 2'097'152;
    static constexpr std::chrono::seconds searchLimit{20};
    static constexpr std::int64_t uploadChunk = 4'194'304;
    static constexpr int uploadStalls = 3;

    static constexpr std::string_view noFolderSentence = "There is no folder there, so nothing was listed.";
    static constexpr std::string_view noSearchWordsSentence = "That search has no words Tarvo can look for.";
    static constexpr std::string_view pdfNotOpenedSentence = "That PDF could not be opened.";
    static constexpr std::string_view pdfScanSentence =
        "That PDF has no text Tarvo can read on the Mac (it may be a scan).";
    static constexpr std::string_view documentNotReadSentence = "That document could not be read.";
    static constexpr std::string_view signedOutSentence =
        "This Mac is not signed in to Tarvo, so the file was not brought back.";
    static constexpr std::string_view notArrivedSentence =
        "The file did not finish arriving at Tarvo, so it was not brought back.";

    // `home` is the user's home folder, absolute.
    MacFileOperator(ClientSource client, std::string home, DocumentReader documents);

    std::string home() const override { return home_; }
    Task<FoundFiles> search(std::string query, std::int64_t limit) override;
    Task<FileText> readText(CheckedFile file) override;
    Task<Uploaded> upload(CheckedFile file, std::string stepId) override;
    Task<FoundFiles> listFolder(std::string path, std::string query, std::int64_t limit) override;

    // The blocking work of the calls above, on the calling thread.
    static FoundFiles listedFolder(const std::string& path, const std::string& query, std::int64_t limit,
                                   const std::string& home);
    static FileText readFile(const CheckedFile& file, const DocumentReader& documents);

private:
    ClientSource client_;
    std::string home_;
    DocumentReader documents_;
};

} // namespace tarvo
