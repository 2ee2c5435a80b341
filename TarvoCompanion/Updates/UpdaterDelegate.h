#pragma once

#include "TarvoCompanion/Updates/AppcastItem.h"
#include "TarvoCompanion/Updates/UpdaterError.h"

namespace tarvo {

// How an update check ends: with a newer release, or with an error (no newer release is the
// error `UpdaterError::noUpdateFound`). Called on the main loop.
class UpdaterDelegate {
public:
    virtual ~UpdaterDelegate() = default;
    virtual void didAbortWithError(const UpdaterError& error) = 0;
    virtual void didFindValidUpdate(const AppcastItem& item) = 0;
};

} // namespace tarvo
