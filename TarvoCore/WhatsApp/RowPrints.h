#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

// Row prints name one chat-list row each as the last pass saw it: a chat key, a "|" and the row's
// fingerprint. The stored prints are the baseline a pass compares the chat list with.
namespace tarvo::WhatsAppWeb {

// The text before the first "|", the whole text when there is none.
std::string chatKey(std::string_view ofPrint);

// The prints of every chat but `without`, in their order: the next pass then finds those chats
// changed and reads them again.
std::vector<std::string> baseline(const std::vector<std::string>& prints, const std::set<std::string>& without);

} // namespace tarvo::WhatsAppWeb
