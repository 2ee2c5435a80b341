#include "Platform/AXUISource.h"

#include <array>
#include <cstdio>
#include <deque>
#include <memory>
#include <utility>

#include <atspi/atspi.h>

#include "Platform/AtSpiRoles.h"

namespace tarvo {
namespace {

// The error a call leaves, freed when the call's answer has been looked at.
class CallError {
public:
    CallError() = default;
    ~CallError() {
        if (error_) g_error_free(error_);
    }
    CallError(const CallError&) = delete;
    CallError& operator=(const CallError&) = delete;

    GError** out() { return &error_; }
    bool failed() const { return error_ != nullptr; }

private:
    GError* error_ = nullptr;
};

struct GFreeRelease {
    void operator()(void* data) const { g_free(data); }
};
using GText = std::unique_ptr<char, GFreeRelease>;

template <class Object>
struct UnrefRelease {
    void operator()(Object* object) const { g_object_unref(object); }
};
template <class Object>
using Interface = std::unique_ptr<Object, UnrefRelease<Object>>;

struct RectRelease {
    void operator()(AtspiRect* rect) const { g_free(rect); }
};

// Text the bus gave, nothing for none or an empty one: a toolkit names unnamed elements "".
std::optional<std::string> text(char* given, const CallError& error) {
    const GText owned(given);
    if (error.failed() || !owned || *owned == '\0') return std::nullopt;
    return std::string(owned.get());
}

std::optional<AtspiRole> role(const AtSpiElement& element) {
    CallError error;
    const AtspiRole read = atspi_accessible_get_role(element.get(), error.out());
    if (error.failed() || read == ATSPI_ROLE_INVALID) return std::nullopt;
    return read;
}

bool hasState(const AtSpiElement& element, AtspiStateType state) {
    const Interface<AtspiStateSet> states(atspi_accessible_get_state_set(element.get()));
    return states && atspi_state_set_contains(states.get(), state);
}

bool isWindow(AtspiRole role) {
    return role == ATSPI_ROLE_FRAME || role == ATSPI_ROLE_WINDOW || role == ATSPI_ROLE_DIALOG ||
           role == ATSPI_ROLE_ALERT || role == ATSPI_ROLE_FILE_CHOOSER;
}

std::optional<AtSpiElement> parent(const AtSpiElement& element) {
    CallError error;
    AtspiAccessible* found = atspi_accessible_get_parent(element.get(), error.out());
    if (error.failed() || !found) {
        if (found) g_object_unref(found);
        return std::nullopt;
    }
    return AtSpiElement::adopt(found);
}

std::optional<std::string> value(const AtSpiElement& element) {
    if (const Interface<AtspiText> text(atspi_accessible_get_text_iface(element.get())); text) {
        CallError error;
        return tarvo::text(atspi_text_get_text(text.get(), 0, -1, error.out()), error);
    }
    if (const Interface<AtspiValue> number(atspi_accessible_get_value_iface(element.get())); number) {
        CallError error;
        const double current = atspi_value_get_current_value(number.get(), error.out());
        if (error.failed()) return std::nullopt;
        std::array<char, 32> written{};
        std::snprintf(written.data(), written.size(), "%g", current);
        return std::string(written.data());
    }
    return std::nullopt;
}

std::optional<AtspiRect> extents(const AtSpiElement& element) {
    const Interface<AtspiComponent> component(atspi_accessible_get_component_iface(element.get()));
    if (!component) return std::nullopt;
    CallError error;
    const std::unique_ptr<AtspiRect, RectRelease> rect(
        atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, error.out()));
    if (error.failed() || !rect) return std::nullopt;
    return *rect;
}

} // namespace

std::optional<std::string> AXUISource::string(std::string_view attribute, const AtSpiElement& element) {
    if (attribute == roleAttribute || attribute == subroleAttribute) {
        const auto read = role(element);
        if (!read) return std::nullopt;
        if (attribute == subroleAttribute) {
            const auto subrole = AtSpiRoles::subrole(*read);
            return subrole ? std::optional<std::string>(*subrole) : std::nullopt;
        }
        const bool multiLine = (*read == ATSPI_ROLE_TEXT || *read == ATSPI_ROLE_ENTRY) &&
                               hasState(element, ATSPI_STATE_MULTI_LINE);
        return std::string(AtSpiRoles::role(*read, multiLine));
    }
    if (attribute == titleAttribute) {
        CallError error;
        return text(atspi_accessible_get_name(element.get(), error.out()), error);
    }
    if (attribute == descriptionAttribute) {
        CallError error;
        return text(atspi_accessible_get_description(element.get(), error.out()), error);
    }
    if (attribute == valueAttribute) return value(element);
    return std::nullopt;
}

std::vector<AtSpiElement> AXUISource::children(const AtSpiElement& element) {
    CallError countError;
    const int count = atspi_accessible_get_child_count(element.get(), countError.out());
    std::vector<AtSpiElement> found;
    if (countError.failed() || count <= 0) return found;
    found.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        CallError error;
        AtspiAccessible* child = atspi_accessible_get_child_at_index(element.get(), i, error.out());
        if (error.failed() || !child) {
            if (child) g_object_unref(child);
            continue;
        }
        found.push_back(AtSpiElement::adopt(child));
    }
    return found;
}

std::optional<bool> AXUISource::boolean(std::string_view attribute, const AtSpiElement& element) {
    if (attribute == enabledAttribute) return hasState(element, ATSPI_STATE_ENABLED);
    if (attribute == "AXFocused") return hasState(element, ATSPI_STATE_FOCUSED);
    return std::nullopt;
}

std::optional<AtSpiElement> AXUISource::element(std::string_view attribute, const AtSpiElement& of) {
    if (attribute == "AXParent") return parent(of);
    if (attribute == "AXWindow") return window(of);
    if (attribute == "AXFocusedWindow") return focusedWindow(of);
    if (attribute == "AXMainWindow") return mainWindow(of);
    if (attribute == "AXFocusedUIElement") return focusedElement(of);
    return std::nullopt;
}

std::vector<AtSpiElement> AXUISource::elements(std::string_view attribute, const AtSpiElement& of) {
    if (attribute == "AXChildren") return children(of);
    if (attribute == "AXWindows") {
        std::vector<AtSpiElement> windows;
        for (AtSpiElement& child : children(of)) {
            const auto read = role(child);
            if (read && isWindow(*read)) windows.push_back(std::move(child));
        }
        return windows;
    }
    return {};
}

std::optional<Point> AXUISource::point(std::string_view attribute, const AtSpiElement& of) {
    if (attribute != "AXPosition") return std::nullopt;
    const auto rect = extents(of);
    if (!rect) return std::nullopt;
    return Point{static_cast<double>(rect->x), static_cast<double>(rect->y)};
}

std::optional<Size> AXUISource::size(std::string_view attribute, const AtSpiElement& of) {
    if (attribute != "AXSize") return std::nullopt;
    const auto rect = extents(of);
    if (!rect || rect->width < 0 || rect->height < 0) return std::nullopt;
    return Size{static_cast<double>(rect->width), static_cast<double>(rect->height)};
}

std::optional<AtSpiElement> AXUISource::application(std::int32_t pid) {
    AtSpiWorker::connect();
    AtspiAccessible* desktop = atspi_get_desktop(0);
    if (!desktop) return std::nullopt;
    const AtSpiElement root = AtSpiElement::adopt(desktop);
    for (const AtSpiElement& application : children(root)) {
        CallError error;
        const guint owner = atspi_accessible_get_process_id(application.get(), error.out());
        if (error.failed() || static_cast<std::int32_t>(owner) != pid) continue;
        // What the library kept of it follows the application's change events, which may still
        // be on their way: each read starts afresh. (A cache turned off altogether makes the
        // library's own event handlers call the application back from inside a call, and libdbus
        // then waits on itself.)
        atspi_accessible_clear_cache(application.get());
        return application;
    }
    return std::nullopt;
}

bool AXUISource::press(const AtSpiElement& element) {
    const Interface<AtspiAction> action(atspi_accessible_get_action_iface(element.get()));
    if (!action) return false;
    CallError countError;
    const int count = atspi_action_get_n_actions(action.get(), countError.out());
    if (countError.failed() || count <= 0) return false;
    int chosen = 0;
    int rank = 3;
    constexpr std::array<std::string_view, 3> preferred{"click", "press", "activate"};
    for (int i = 0; i < count; ++i) {
        CallError error;
        const GText name(atspi_action_get_action_name(action.get(), i, error.out()));
        if (error.failed() || !name) continue;
        for (int p = 0; p < rank; ++p) {
            if (preferred[static_cast<std::size_t>(p)] == name.get()) {
                chosen = i;
                rank = p;
            }
        }
    }
    CallError error;
    const gboolean done = atspi_action_do_action(action.get(), chosen, error.out());
    return done && !error.failed();
}

bool AXUISource::focus(const AtSpiElement& element) {
    const Interface<AtspiComponent> component(atspi_accessible_get_component_iface(element.get()));
    if (!component) return false;
    CallError error;
    const gboolean done = atspi_component_grab_focus(component.get(), error.out());
    return done && !error.failed();
}

std::optional<AtSpiElement> AXUISource::window(const AtSpiElement& of) {
    std::optional<AtSpiElement> above = parent(of);
    for (int depth = 0; above && depth < focusSearchDepth; ++depth) {
        const auto read = role(*above);
        if (!read || *read == ATSPI_ROLE_APPLICATION || *read == ATSPI_ROLE_DESKTOP_FRAME) return std::nullopt;
        if (isWindow(*read)) return above;
        above = parent(*above);
    }
    return std::nullopt;
}

std::optional<AtSpiElement> AXUISource::focusedWindow(const AtSpiElement& application) {
    for (AtSpiElement& window : elements("AXWindows", application)) {
        if (hasState(window, ATSPI_STATE_ACTIVE)) return std::move(window);
    }
    return std::nullopt;
}

std::optional<AtSpiElement> AXUISource::mainWindow(const AtSpiElement& application) {
    for (AtSpiElement& window : elements("AXWindows", application)) {
        const auto read = role(window);
        if (read == ATSPI_ROLE_FRAME && hasState(window, ATSPI_STATE_SHOWING)) return std::move(window);
    }
    return std::nullopt;
}

// Breadth first from the active window, or from the application when none is active.
std::optional<AtSpiElement> AXUISource::focusedElement(const AtSpiElement& application) {
    const auto start = focusedWindow(application);
    std::deque<std::pair<AtSpiElement, int>> queue{{start ? *start : application, 0}};
    int visited = 0;
    while (!queue.empty() && visited < focusSearchNodes) {
        auto [element, depth] = std::move(queue.front());
        queue.pop_front();
        ++visited;
        if (hasState(element, ATSPI_STATE_FOCUSED)) return element;
        if (depth >= focusSearchDepth) continue;
        for (AtSpiElement& child : children(element)) queue.emplace_back(std::move(child), depth + 1);
    }
    return std::nullopt;
}

} // namespace tarvo
