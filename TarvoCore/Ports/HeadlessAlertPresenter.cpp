#include "TarvoCore/Ports/HeadlessAlertPresenter.h"

#include "TarvoBase/PlainLog.h"

namespace tarvo {

std::size_t HeadlessAlertPresenter::present(const Alert& alert) {
    const std::size_t answer = alert.buttons.size() > 1 ? 1 : 0;
    const std::string button = alert.buttons.empty() ? std::string() : alert.buttons[answer];
    PlainLog::write("tarvo: nobody to ask on this computer — \"" + alert.messageText + "\" answered \"" + button +
                    "\"");
    return answer;
}

} // namespace tarvo
