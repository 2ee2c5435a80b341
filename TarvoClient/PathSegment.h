#pragma once

#include <string>
#include <string_view>

namespace tarvo {

// An id from the service or from local files, made into exactly one segment of a request path.
// Every byte outside letters, digits, "-", ".", "_" and "~" is percent-encoded, so an id holding
// "/", "?", "#" or "%" cannot reach another endpoint; ordinary ids come out unchanged. The empty
// id, "." and ".." would still move the request to another path, so they throw
// `BrainClientFailure::transport` naming the id; `what` says which id it is ("job id").
std::string pathSegment(std::string_view id, std::string_view what);

} // namespace tarvo
