#pragma once

#include <functional>

#include "TarvoCore/Operator/OperatorIndicator.h"

namespace tarvo {

// The "Tarvo is operating this Mac" bar as the operator link raises and lowers it for a live run.
// Called on the main loop.
class OperatingBar : public OperatorIndicator {
public:
    // Shows the bar; a press of its Stop runs `onStop` on the main loop. A bar already up keeps
    // showing, with `onStop` as its action from now on.
    virtual void show(std::function<void()> onStop) = 0;
    virtual void hide() = 0;
};

} // namespace tarvo
