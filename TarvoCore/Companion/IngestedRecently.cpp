#include "TarvoCore/Companion/IngestedRecently.h"

#include <cerrno>
#include <string_view>
#include <system_error>
#include <utility>

#include <fcntl.h>

#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/FileCalls.h"
#include "TarvoBase/Json.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/PlainLog.h"

namespace tarvo {
namespace {

using Micros = std::chrono::microseconds;

// A journal is rewritten once it holds this many lines more than are remembered, and more
// forgotten ones than remembered ones.
constexpr std::size_t slack = 1000;

std::string lineOf(const std::string& messageId, IngestedRecently::Date at) {
    const auto micros = std::chrono::duration_cast<Micros>(at.time_since_epoch()).count();
    return Json::array({messageId, micros}).dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace

IngestedRecently::IngestedRecently(std::filesystem::path journal) : journal_(std::move(journal)) {
    try {
        std::filesystem::path partial;
        for (const std::filesystem::path& piece : journal_->parent_path()) {
            partial /= piece;
            FileCalls::makeFolder(partial, 0700);
        }
        const bool torn = load();
        file_ = FileCalls::open(*journal_, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        // The next line starts on a line of its own, not at the end of the torn one.
        if (torn) FileCalls::writeAll(file_, "\n");
    } catch (const std::exception& failure) {
        journalFailed(failure);
    }
}

bool IngestedRecently::load() {
    std::string text;
    try {
        text = AtomicFile::read(*journal_);
    } catch (const std::system_error& failure) {
        if (failure.code().value() == ENOENT) return false;
        throw;
    }
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::optional<Json> entry = JsonReader::parse(std::string_view(text).substr(start, end - start));
        start = end + 1;
        ++lines_;
        if (!entry || !entry->is_array() || entry->size() != 2 || !(*entry)[0].is_string() ||
            !(*entry)[1].is_number_integer()) {
            continue;
        }
        dates_[(*entry)[0].get<std::string>()] = Date(Micros((*entry)[1].get<std::int64_t>()));
    }
    return !text.empty() && text.back() != '\n';
}

void IngestedRecently::record(const std::string& messageId, Date at) {
    dates_[messageId] = at;
    append(lineOf(messageId, at));
}

void IngestedRecently::forget(Date before) {
    const std::size_t erased =
        std::erase_if(dates_, [before](const auto& entry) { return entry.second < before; });
    if (erased > 0 && lines_ > 2 * dates_.size() + slack) rewrite();
}

void IngestedRecently::append(const std::string& line) {
    if (!file_.isOpen()) return;
    try {
        FileCalls::writeAll(file_, line);
        ++lines_;
    } catch (const std::exception& failure) {
        journalFailed(failure);
    }
}

void IngestedRecently::rewrite() {
    if (!file_.isOpen()) return;
    std::string text;
    for (const auto& [messageId, at] : dates_) text += lineOf(messageId, at);
    try {
        AtomicFile::write(*journal_, text);
        file_ = FileCalls::open(*journal_, O_WRONLY | O_APPEND | O_CLOEXEC);
        lines_ = dates_.size();
    } catch (const std::exception& failure) {
        journalFailed(failure);
    }
}

void IngestedRecently::journalFailed(const std::exception& failure) {
    PlainLog::write("tarvo: the record of messages handed over cannot be kept in " + journal_->string() + " (" +
                    failure.what() + "); after a restart recent messages may be handed over again");
    file_ = FileDescriptor();
}

} // namespace tarvo
