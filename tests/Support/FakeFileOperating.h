#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Support/OperatorPortCalls.h"
#include "TarvoBase/HexString.h"
#include "TarvoBase/Sha256.h"
#include "TarvoCore/Operator/FileOperating.h"
#include "TarvoCore/Operator/FileUploadTransport.h"
#include "TarvoCore/Operator/FileUploader.h"

namespace tarvo::testing {

// Reads and sends the checked file through its open descriptor, as the platform's file operator
// must, so a test that changes the file at its path sees what was really read. A PDF reads as
// the fixed pages `pdfPages`; with `uploadTo`, a file is sent through the real uploader.
class FakeFileOperating final : public FileOperating {
public:
    explicit FakeFileOperating(std::shared_ptr<OperatorPortCalls> calls) : calls_(std::move(calls)) {}

    std::string homeFolder = "/home/ann";
    FoundFiles found;
    FoundFiles inFolder;
    // False: folder listings fall to the port's default, as on a platform without them.
    bool listsFolders = true;
    std::vector<std::string> pdfPages{"First page of the report.", "Second page."};
    std::shared_ptr<FileUploadTransport> uploadTo;
    std::int64_t uploadChunk = FileUploader::chunkMax;
    // The bytes of every file handed to `readText` or `upload`, up to its checked size.
    std::vector<std::string> handed;

    std::string home() const override { return homeFolder; }

    Task<FoundFiles> search(std::string query, std::int64_t limit) override {
        const std::string call = "search(" + query + ", " + std::to_string(limit) + ")";
        co_await calls_->answer(call);
        co_return found;
    }
    Task<FileText> readText(CheckedFile file) override {
        const std::string call = "readText(" + file.path() + ")";
        co_await calls_->answer(call);
        handed.push_back(contents(file));
        if (file.path().ends_with(".pdf")) co_return FileText::paged(pdfPages, FileText::budget);
        co_return FileText::plain(handed.back(), FileText::budget);
    }
    Task<Uploaded> upload(CheckedFile file, std::string stepId) override {
        const std::string call = "upload(" + file.path() + ", step: " + stepId + ")";
        co_await calls_->answer(call);
        handed.push_back(contents(file));
        if (uploadTo) {
            const FileUploader::Result sent = co_await FileUploader::upload(std::move(file), std::move(stepId), uploadTo,
                                                                            uploadChunk, 3);
            co_return Uploaded{sent.bytes, sent.sha256};
        }
        const std::string& bytes = handed.back();
        co_return Uploaded{static_cast<std::int64_t>(bytes.size()), hexString(Sha256::of(bytes))};
    }
    Task<FoundFiles> listFolder(std::string path, std::string query, std::int64_t limit) override {
        const std::string call = "listFolder(" + path + ", " + query + ", " + std::to_string(limit) + ")";
        co_await calls_->answer(call);
        if (!listsFolders) co_return co_await FileOperating::listFolder(path, query, limit);
        co_return inFolder;
    }

    // What the descriptor holds, up to the size it had when it was checked.
    static std::string contents(const CheckedFile& file) {
        std::string bytes(static_cast<std::size_t>(file.bytes()), '\0');
        std::size_t read = 0;
        while (read < bytes.size()) {
            const std::size_t got = file.readAt(static_cast<std::int64_t>(read), bytes.data() + read, bytes.size() - read);
            if (got == 0) break;
            read += got;
        }
        bytes.resize(read);
        return bytes;
    }

private:
    std::shared_ptr<OperatorPortCalls> calls_;
};

} // namespace tarvo::testing
