#include "TarvoCompanion/Companion.h"

namespace tarvo {

// This build has no panel window and mints no panel session: the panel's web view, where there
// is one, is simply pointed at the page.
void Companion::openPanelWindow(const std::string& path) {
    if (panelWebView_) panelWebView_->load(settings_.baseURL + path);
}

} // namespace tarvo
