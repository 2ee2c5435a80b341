#pragma once

#include <optional>
#include <string_view>

namespace tarvo {

// The table's value for the kind, or none for a kind not in it; kinds match exactly.
template <class Table>
std::optional<typename Table::mapped_type> foundIn(const Table& table, std::string_view kind) {
    const auto found = table.find(kind);
    if (found == table.end()) return std::nullopt;
    return found->second;
}

} // namespace tarvo
