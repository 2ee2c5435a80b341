#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The home folder path with one "/" at its end, so that "begins with" means "lies under".
std::string homePrefix(std::string_view home);

// The pieces between the "/"s of a path, empty pieces dropped.
std::vector<std::string_view> pathPieces(std::string_view path);

// The path's pieces, with an absolute path's leading "/" is its own first
// component.
std::vector<std::string_view> pathComponents(std::string_view path);

// The last of `pathComponents`; empty for the empty path.
std::string_view lastPathComponent(std::string_view path);

// The characters after the component's last "."; nothing when it has none, or when its only "."
// is its first character (a hidden name such as ".profile" has no extension).
std::optional<std::string_view> pathExtension(std::string_view component);

} // namespace tarvo
