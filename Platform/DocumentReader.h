#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// Reads a document's text in a process of its own: the companion's own executable started with
// `argument` and the kind, the document as its standard input. The libraries that read PDFs and
// office files meet hostile and broken files; one that crashes, hangs or swells there ends the
// reader, never the companion.
class DocumentReader {
public:
    static constexpr std::string_view argument = "--read-document";
    static constexpr std::chrono::seconds timeLimit{20};
    // The most a reader may hand back, and the memory it may take.
    static constexpr std::size_t answerLimit = 32 * 1024 * 1024;
    static constexpr std::size_t memoryLimit = std::size_t{1} << 30;

    // `executable` and the arguments before `argument`; a test may start a stand-in.
    explicit DocumentReader(std::string executable, std::vector<std::string> leading = {},
                            std::chrono::nanoseconds limit = timeLimit);

    // The texts of the document's pages (one for a document without pages), or nothing when it
    // could not be read or its reader failed, crashed, took too long or said too much. Blocks.
    std::optional<std::vector<std::string>> read(std::string_view kind, int document) const;

    // The reader's side: reads standard input as `kind` ("pdf", "rtf", "doc", "docx", "odt",
    // "webarchive") and writes the pages to standard output. The exit status is 0 when it read.
    static int serve(std::string_view kind);

private:
    std::string executable_;
    std::vector<std::string> leading_;
    std::chrono::nanoseconds limit_;
};

} // namespace tarvo
