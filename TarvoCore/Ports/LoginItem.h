#pragma once

namespace tarvo {

// The program's place among what the desktop starts when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    // Makes the desktop start this program at login. Throws an exception whose `what()` says
    // why when it cannot.
    virtual void registerMainApp() = 0;
};

} // namespace tarvo
