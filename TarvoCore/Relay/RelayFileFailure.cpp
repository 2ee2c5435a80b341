#include "TarvoCore/Relay/RelayFileFailure.h"

#include <utility>

#include <fmt/format.h>

namespace tarvo {
namespace {

std::string sentence(int index, int total, const std::string& detail) {
    const std::string file = total == 1 ? "the attached file" : fmt::format("file {} of {}", index, total);
    return "Tarvo could not get " + file + " from your account, so nothing was sent. " + detail;
}

} // namespace

RelayFileFailure::RelayFileFailure(int index, int total, std::string detail)
    : index_(index), total_(total), detail_(std::move(detail)), sentence_(sentence(index_, total_, detail_)) {}

} // namespace tarvo
