#pragma once

#include <exception>
#include <string>

namespace tarvo {

// Why an outgoing file could not be staged; `description()` is the sentence shown wherever the
// failure is shown.
class OutgoingFilesFailure : public std::exception {
public:
    // `detail` is the system's own account of what went wrong.
    static OutgoingFilesFailure couldNotStage(std::string detail);

    const std::string& detail() const { return detail_; }
    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const OutgoingFilesFailure& other) const { return detail_ == other.detail_; }

private:
    explicit OutgoingFilesFailure(std::string detail);

    std::string detail_;
    std::string description_;
};

} // namespace tarvo
