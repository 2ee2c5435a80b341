#include "Platform/EwmhWorkspace.h"

#include <algorithm>
#include <map>
#include <memory>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "Platform/X11Property.h"
#include "TarvoBase/BundleIdentifier.h"
#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

constexpr std::string_view unnamedApp = "An app";

// WM_NAME in whatever encoding the window gave it, as UTF-8.
std::string legacyName(X11Display& display, Window window) {
    XTextProperty name{};
    if (!XGetWMName(display.get(), window, &name) || !name.value) return {};
    char** list = nullptr;
    int count = 0;
    std::string text;
    if (Xutf8TextPropertyToTextList(display.get(), &name, &list, &count) >= Success && list && count > 0) {
        text = list[0];
    }
    if (list) XFreeStringList(list);
    XFree(name.value);
    return text;
}

std::string title(X11Display& display, Window window) {
    const std::string utf8 = X11Property::read(display, window, "_NET_WM_NAME", display.atom("UTF8_STRING")).text();
    return Text::wellFormed(utf8.empty() ? legacyName(display, window) : utf8);
}

bool has(const std::vector<Atom>& atoms, Atom wanted) { return std::ranges::find(atoms, wanted) != atoms.end(); }

} // namespace

const EwmhWorkspace::Client* EwmhWorkspace::Reading::client(Window window) const {
    const auto found = std::ranges::find(clients, window, &Client::window);
    return found == clients.end() ? nullptr : &*found;
}

std::optional<std::int32_t> EwmhWorkspace::Reading::frontPid() const {
    const Client* front = active ? client(*active) : nullptr;
    return front ? front->pid : std::nullopt;
}

std::optional<Window> EwmhWorkspace::activeWindow(X11Display& display) {
    if (display.lost()) return std::nullopt;
    const auto active = X11Property::read(display, display.root(), "_NET_ACTIVE_WINDOW", XA_WINDOW).items<Window>();
    if (active.empty() || active.front() == None) return std::nullopt;
    return active.front();
}

EwmhWorkspace::Client EwmhWorkspace::client(X11Display& display, Window window) {
    Client client;
    client.window = window;
    if (const auto pid = X11Property::read(display, window, "_NET_WM_PID", XA_CARDINAL).items<long>(); !pid.empty()) {
        client.pid = static_cast<std::int32_t>(pid.front());
    }
    client.title = title(display, window);
    XClassHint hint{};
    if (XGetClassHint(display.get(), window, &hint)) {
        client.wmInstance = hint.res_name ? hint.res_name : "";
        client.wmClass = hint.res_class ? hint.res_class : "";
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
    }
    const auto types = X11Property::read(display, window, "_NET_WM_WINDOW_TYPE", XA_ATOM).items<Atom>();
    client.normal = types.empty() || types.front() == display.atom("_NET_WM_WINDOW_TYPE_NORMAL");
    client.hidden =
        has(X11Property::read(display, window, "_NET_WM_STATE", XA_ATOM).items<Atom>(), display.atom("_NET_WM_STATE_HIDDEN"));
    XWindowAttributes attributes{};
    int x = 0;
    int y = 0;
    Window child = None;
    if (XGetWindowAttributes(display.get(), window, &attributes) &&
        XTranslateCoordinates(display.get(), window, display.root(), 0, 0, &x, &y, &child)) {
        client.viewable = attributes.map_state == IsViewable;
        client.area = {x, y, attributes.width, attributes.height};
        // Left, right, top, bottom.
        const auto frame = X11Property::read(display, window, "_NET_FRAME_EXTENTS", XA_CARDINAL).items<long>();
        if (frame.size() == 4) {
            client.area = {x - static_cast<int>(frame[0]), y - static_cast<int>(frame[2]),
                           attributes.width + static_cast<int>(frame[0] + frame[1]),
                           attributes.height + static_cast<int>(frame[2] + frame[3])};
        }
    }
    return client;
}

EwmhWorkspace::Reading EwmhWorkspace::read(X11Display& display) {
    Reading reading;
    if (display.lost()) return reading;
    const auto stacking = X11Property::read(display, display.root(), "_NET_CLIENT_LIST_STACKING", XA_WINDOW).items<Window>();
    reading.mappingOrder = X11Property::read(display, display.root(), "_NET_CLIENT_LIST", XA_WINDOW).items<Window>();
    reading.active = activeWindow(display);
    // A window that goes while it is read answers with errors, and has no attributes any more.
    display.checked([&](Display*) {
        for (const Window window : stacking) {
            Client found = client(display, window);
            if (found.area.width > 0 || found.viewable) reading.clients.push_back(std::move(found));
        }
    });
    if (display.lost()) return {};
    return reading;
}

std::optional<std::string> EwmhWorkspace::bundleId(const Client& client,
                                                   const std::vector<DesktopApplications::Entry>& entries) {
    const auto* entry = DesktopApplications::ofWindowClass(entries, client.wmClass);
    if (!entry) entry = DesktopApplications::ofWindowClass(entries, client.wmInstance);
    if (entry) return entry->id;
    if (client.wmClass.empty()) return std::nullopt;
    return client.wmClass;
}

std::string EwmhWorkspace::name(const Client& client, const std::vector<DesktopApplications::Entry>& entries) {
    const auto* entry = DesktopApplications::ofWindowClass(entries, client.wmClass);
    if (!entry) entry = DesktopApplications::ofWindowClass(entries, client.wmInstance);
    if (entry) return entry->name;
    if (!client.wmClass.empty()) return client.wmClass;
    return std::string(unnamedApp);
}

bool EwmhWorkspace::isOwn(const Client& client) { return client.wmClass == bundleIdentifier; }

std::vector<RunningApp> EwmhWorkspace::apps(const Reading& reading,
                                            const std::vector<DesktopApplications::Entry>& entries) {
    std::vector<Window> order = reading.mappingOrder;
    for (const Client& client : reading.clients) {
        if (std::ranges::find(order, client.window) == order.end()) order.push_back(client.window);
    }
    const std::optional<std::int32_t> front = reading.frontPid();
    std::vector<RunningApp> apps;
    std::map<std::int32_t, std::size_t> byPid;
    for (const Window window : order) {
        const Client* client = reading.client(window);
        if (!client || !client->pid || !client->normal || byPid.contains(*client->pid)) continue;
        byPid.emplace(*client->pid, apps.size());
        RunningApp app;
        app.pid = *client->pid;
        app.bundleId = bundleId(*client, entries);
        app.name = name(*client, entries);
        app.frontmost = front == app.pid;
        app.hidden = true;
        apps.push_back(std::move(app));
    }
    for (auto client = reading.clients.rbegin(); client != reading.clients.rend(); ++client) {
        if (!client->pid || !client->normal) continue;
        RunningApp& app = apps[byPid.at(*client->pid)];
        if (!client->hidden) app.hidden = false;
        if (client->onScreen()) app.windowTitles.push_back(client->title);
    }
    return apps;
}

} // namespace tarvo
