#include "TarvoCore/ChatDatabase/ChatDatabaseClone.h"

#include <system_error>
#include <utility>

namespace tarvo {

ChatDatabaseClone::ChatDatabaseClone(ChatDatabaseClone&& other) noexcept
    : folder_(std::exchange(other.folder_, {})), connection_(std::exchange(other.connection_, std::nullopt)) {}

ChatDatabaseClone::~ChatDatabaseClone() {
    connection_.reset();
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

} // namespace tarvo
