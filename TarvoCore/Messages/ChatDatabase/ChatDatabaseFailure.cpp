#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseFailure.h"

namespace tarvo {
namespace {

std::string sentence(ChatDatabaseFailure::Kind kind, const std::string& text) {
    switch (kind) {
    case ChatDatabaseFailure::Kind::permissionDenied:
        return "macOS refused access to " + text + ". Tarvo needs Full Disk Access.";
    case ChatDatabaseFailure::Kind::notFound: return "No Messages database at " + text + ".";
    case ChatDatabaseFailure::Kind::schemaChanged:
        return "The Messages database is not the shape Tarvo knows how to read: " + text;
    case ChatDatabaseFailure::Kind::query: return "Reading the Messages database failed: " + text;
    }
    return text;
}

} // namespace

ChatDatabaseFailure::ChatDatabaseFailure(Kind kind, std::string text)
    : kind_(kind), text_(std::move(text)), description_(sentence(kind_, text_)) {}

ChatDatabaseFailure ChatDatabaseFailure::permissionDenied(std::string path) {
    return {Kind::permissionDenied, std::move(path)};
}

ChatDatabaseFailure ChatDatabaseFailure::notFound(std::string path) { return {Kind::notFound, std::move(path)}; }

ChatDatabaseFailure ChatDatabaseFailure::schemaChanged(std::string detail) {
    return {Kind::schemaChanged, std::move(detail)};
}

ChatDatabaseFailure ChatDatabaseFailure::query(std::string detail) { return {Kind::query, std::move(detail)}; }

} // namespace tarvo
