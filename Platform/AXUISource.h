#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/AtSpiElement.h"
#include "TarvoCore/Geometry/Point.h"
#include "TarvoCore/Geometry/Size.h"
#include "TarvoCore/Operator/AXElementSource.h"

namespace tarvo {

// The elements of the accessibility bus read by the attribute names the core knows, so the
// walk, the reader and the actor ask one thing whatever the toolkit. On the accessibility
// worker's thread only. Every read that fails, or finds a value of another kind, is absent.
//
// Text: "AXRole" and "AXSubrole" (the toolkit's role in the core's names), "AXTitle" (the name),
// "AXDescription", "AXValue" (the text, or else the value's). Truth values: "AXEnabled",
// "AXFocused". Elements: "AXParent", "AXWindow" (the nearest window or dialog above),
// "AXFocusedWindow" (the application's active window), "AXMainWindow" (its first showing
// frame), "AXFocusedUIElement" (the focused element of the application, looked for within
// the walk's limits). Lists: "AXChildren", "AXWindows". "AXPosition" and "AXSize" are the
// extents on the screen.
class AXUISource final : public AXElementSource<AtSpiElement> {
public:
    // How far the search for the focused element looks: the walk's own limits.
    static constexpr int focusSearchDepth = 14;
    static constexpr int focusSearchNodes = 2000;

    std::optional<std::string> string(std::string_view attribute, const AtSpiElement& element) override;
    std::vector<AtSpiElement> children(const AtSpiElement& element) override;
    std::optional<bool> boolean(std::string_view attribute, const AtSpiElement& element) override;

    std::optional<AtSpiElement> element(std::string_view attribute, const AtSpiElement& of);
    std::vector<AtSpiElement> elements(std::string_view attribute, const AtSpiElement& of);
    std::optional<Point> point(std::string_view attribute, const AtSpiElement& of);
    std::optional<Size> size(std::string_view attribute, const AtSpiElement& of);

    // The application of process `pid` on the bus, read afresh on every call.
    std::optional<AtSpiElement> application(std::int32_t pid);

    // By the element's own action: the first of "click", "press" and "activate" it has, else
    // its first. False when it has none or the action failed.
    bool press(const AtSpiElement& element);
    // Whether the toolkit took the request.
    bool focus(const AtSpiElement& element);

private:
    std::optional<AtSpiElement> window(const AtSpiElement& of);
    std::optional<AtSpiElement> focusedWindow(const AtSpiElement& application);
    std::optional<AtSpiElement> mainWindow(const AtSpiElement& application);
    std::optional<AtSpiElement> focusedElement(const AtSpiElement& application);
};

} // namespace tarvo
