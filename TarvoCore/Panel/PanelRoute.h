#pragma once

#include "TarvoCore/Panel/WebAddress.h"

namespace tarvo {

// Where each navigation of the panel's page may go. Pure: addresses and a frame kind in, a
// verdict out.
struct PanelRoute {
    enum class Frame { main, sub, newWindow };

    enum class Decision { allow, download, signedOut, sessionLapsed, external, downloadAndOpen, refuse };

    // `home` is the panel's first page: its host marks the service's own site. Hosts are compared
    // exactly, letter case included, and two absent hosts are the same site. Path tests are plain
    // prefix tests ("/app" also takes "/apple").
    static Decision decide(const WebAddress& target, const WebAddress& home, Frame frame);
};

} // namespace tarvo
