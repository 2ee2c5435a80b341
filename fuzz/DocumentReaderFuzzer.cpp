#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "FuzzCheck.h"
#include "Platform/DocumentReader.h"
#include "TarvoBase/FileDescriptor.h"
#include "TarvoBase/Text.h"

// A document as the reader process meets it (the first byte picks its kind, the rest is the
// file): its standard input is the file, its standard output what it hands back. The target runs
// the reader in its own process, whose standard input and output it points at files in memory for
// the run.
//
// The reader hands back pages exactly when it says it read: each page its length, a line break and
// that many bytes of well-formed UTF-8, at least one page, and nothing after the last; a document
// it could not read leaves nothing on its output.
namespace {

using namespace tarvo;
using fuzz::require;

constexpr std::string_view kinds[] = {"pdf", "rtf", "doc", "docx", "odt", "webarchive"};

FileDescriptor memoryFile(std::string_view bytes) {
    FileDescriptor file(::memfd_create("document", MFD_CLOEXEC));
    require(file.get() >= 0);
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(file.get(), bytes.data(), bytes.size());
        require(wrote > 0);
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    require(::lseek(file.get(), 0, SEEK_SET) == 0);
    return file;
}

std::string contents(int file) {
    std::string bytes;
    char block[65536];
    for (std::int64_t at = 0;;) {
        const ssize_t got = ::pread(file, block, sizeof block, at);
        require(got >= 0);
        if (got == 0) return bytes;
        bytes.append(block, static_cast<std::size_t>(got));
        at += got;
    }
}

// Points a standard descriptor at another file for as long as it lives.
class Redirected {
public:
    Redirected(int standard, int file) : standard_(standard), saved_(::dup(standard)) {
        require(saved_.get() >= 0 && ::dup2(file, standard) == standard);
    }
    ~Redirected() { ::dup2(saved_.get(), standard_); }

private:
    int standard_;
    FileDescriptor saved_;
};

// The pages of the answer, or nothing when it is not a whole list of them.
std::optional<std::vector<std::string>> pagesOf(std::string_view answer) {
    std::vector<std::string> pages;
    while (!answer.empty()) {
        const std::size_t newline = answer.find('\n');
        if (newline == std::string_view::npos || newline == 0) return std::nullopt;
        std::size_t length = 0;
        for (const char digit : answer.substr(0, newline)) {
            if (digit < '0' || digit > '9') return std::nullopt;
            length = length * 10 + static_cast<std::size_t>(digit - '0');
            if (length > answer.size()) return std::nullopt;
        }
        if (length > answer.size() - newline - 1) return std::nullopt;
        pages.emplace_back(answer.substr(newline + 1, length));
        answer.remove_prefix(newline + 1 + length);
    }
    return pages;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view kind = kinds[data[0] % std::size(kinds)];
    const FileDescriptor document = memoryFile(fuzz::text(data + 1, size - 1));
    const FileDescriptor answer = memoryFile("");
    int status = 0;
    {
        const Redirected input(STDIN_FILENO, document.get());
        const Redirected output(STDOUT_FILENO, answer.get());
        status = DocumentReader::serve(kind);
    }
    const std::string written = contents(answer.get());
    if (status != 0) {
        require(written.empty());
        return 0;
    }
    const auto pages = pagesOf(written);
    require(pages && !pages->empty());
    for (const std::string& page : *pages) require(Text::isWellFormedUtf8(page));
    return 0;
}
