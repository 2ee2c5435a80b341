#include "TarvoCore/Operator/PathParts.h"

namespace tarvo {

std::string homePrefix(std::string_view home) {
    std::string prefix(home);
    if (!prefix.ends_with('/')) prefix += '/';
    return prefix;
}

std::vector<std::string_view> pathPieces(std::string_view path) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) slash = path.size();
        if (slash > start) pieces.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return pieces;
}

std::vector<std::string_view> pathComponents(std::string_view path) {
    std::vector<std::string_view> components;
    if (path.starts_with('/')) components.push_back(path.substr(0, 1));
    for (std::string_view piece : pathPieces(path)) components.push_back(piece);
    return components;
}

std::string_view lastPathComponent(std::string_view path) {
    const auto components = pathComponents(path);
    return components.empty() ? std::string_view() : components.back();
}

std::optional<std::string_view> pathExtension(std::string_view component) {
    const std::size_t dot = component.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    return component.substr(dot + 1);
}

} // namespace tarvo
