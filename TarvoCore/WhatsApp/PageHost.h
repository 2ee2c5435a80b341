#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "TarvoBase/Clock.h"
#include "TarvoBase/Json.h"
#include "TarvoBase/Task.h"

namespace tarvo {

// The one web page the WhatsApp channel hosts and drives, on the main loop. Every call that
// reaches the page carries a deadline of the caller's: a page or a browser that never answers
// cannot hold a caller for longer. A call made after the page's browser went away starts a
// fresh one, with the user agent and the document-start scripts given so far.
class PageHost {
public:
    using Duration = Clock::Duration;

    class Failure : public std::runtime_error {
    public:
        enum class Kind {
            // The script threw or could not run; the text is its exception's message.
            script,
            // The deadline passed first; whatever was asked may still be going on in the page.
            deadline,
            // The browser could not be started, or went away while the call was waiting.
            browser,
        };

        Failure(Kind kind, const std::string& text) : std::runtime_error(text), kind_(kind) {}
        Kind kind() const { return kind_; }

    private:
        Kind kind_;
    };

    virtual ~PageHost() = default;

    // Given before a page is made, these hold for it and for every page made after it; given
    // later, they hold from the next call on (a script from the next document on).
    virtual void setUserAgent(std::string userAgent) = 0;
    virtual void addScriptAtDocumentStart(std::string source) = 0;
    // The size the page is laid out at, in CSS pixels.
    virtual void setPageSize(int width, int height) = 0;

    // `ended` runs on the loop each time the page goes with the browser that held it, after the
    // calls that waited on it have failed. The next call makes a new page, with nothing loaded.
    virtual void onPageEnd(std::function<void()> ended) = 0;

    // Loads `address` and waits for the page's load event.
    virtual Task<void> navigate(std::string address, Duration within) = 0;
    // Absent while nothing was ever loaded.
    virtual Task<std::optional<std::string>> currentAddress(Duration within) = 0;

    // Runs `script` in the main frame and answers its completion value when that is a string,
    // absent for any other value (a promise is not waited for).
    virtual Task<std::optional<std::string>> evaluate(std::string script, Duration within) = 0;
    // Runs `body` as the body of an asynchronous function in the main frame, in the page's own
    // world, each member of the `arguments` object being one named argument; answers what its
    // promise settles with when that is a string, absent for any other value.
    virtual Task<std::optional<std::string>> callAsyncFunction(std::string body, Json arguments,
                                                               Duration within) = 0;

    // Trusted input to whatever has the page's focus, as if typed.
    virtual Task<void> insertText(std::string text, Duration within) = 0;
    virtual Task<void> pressReturn(Duration within) = 0;

    // What the page shows, as the bytes of a PNG picture.
    virtual Task<std::string> captureScreenshot(Duration within) = 0;
};

} // namespace tarvo
