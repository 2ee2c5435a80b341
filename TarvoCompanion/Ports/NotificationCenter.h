#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "TarvoBase/Json.h"
#include "TarvoBase/Task.h"

namespace tarvo {

// The system's user notifications: what the companion shows when something waits for the user.
// Every request plays the default sound and is delivered at once. The operations are started on
// the main loop and resume there.
class NotificationCenter {
public:
    enum class Authorization { notDetermined, denied, authorized, provisional, ephemeral };

    struct Grant {
        bool granted = false;
        // The system's description of what went wrong, when something did.
        std::optional<std::string> error;
    };

    struct Request {
        // A new request replaces the one on show with the same identifier.
        std::string identifier;
        std::string title;
        std::string body;
        std::map<std::string, std::string> userInfo;

        bool operator==(const Request&) const = default;
    };

    // How a notice is shown while the companion is the active application.
    struct Presentation {
        bool banner = false;
        bool list = false;
        bool sound = false;
        bool badge = false;

        bool operator==(const Presentation&) const = default;
    };

    // Answers the centre's questions; called on the centre's own threads.
    class Delegate {
    public:
        virtual ~Delegate() = default;
        // Answered at once, on the calling thread.
        virtual Presentation willPresent() = 0;
        // A click on a notice, with the user info of its request (any JSON the system hands
        // back); `done` is called once the click has been handled.
        virtual void didReceive(Json userInfo, std::function<void()> done) = 0;
    };

    virtual ~NotificationCenter() = default;

    // Held weakly: the centre never keeps its delegate alive.
    virtual void setDelegate(std::weak_ptr<Delegate> delegate) = 0;
    virtual Task<Authorization> authorization() = 0;
    // Asks the user to allow alerts with sound.
    virtual Task<Grant> requestAlertsAndSound() = 0;
    // The system's description of why the request was refused; nothing when it was added.
    virtual Task<std::optional<std::string>> add(Request request) = 0;
};

} // namespace tarvo
