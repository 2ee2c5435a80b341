#pragma once

#include <string>

namespace tarvo {

// Where a send with files stopped.
class MessagesSenderStage {
public:
    enum class Kind { file, words };

    // File `index` (from 1) of `of`.
    static MessagesSenderStage file(int index, int of) { return {Kind::file, index, of}; }
    // Every file went; the words were next.
    static MessagesSenderStage words() { return {Kind::words, 0, 0}; }

    Kind kind() const { return kind_; }
    int index() const { return index_; }
    int of() const { return of_; }

    std::string describedForAPerson() const;

    bool operator==(const MessagesSenderStage&) const = default;

private:
    MessagesSenderStage(Kind kind, int index, int of) : kind_(kind), index_(index), of_(of) {}

    Kind kind_;
    int index_;
    int of_;
};

} // namespace tarvo
