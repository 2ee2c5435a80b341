#pragma once

#include <algorithm>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/Text.h"

namespace tarvo {

// What the reader and the actor find by reading elements, over any source that reads element
// attributes (`string`, `children`, `element`, `elements`), so the rules hold for the desktop's
// accessibility bus and for a source held in memory alike.
struct AXUIReads {
    // Elements looked at on the way up for an enclosing dialog: the element and 11 above it.
    static constexpr int dialogSearchElements = 12;
    static constexpr int dialogVisits = 200;
    static constexpr std::size_t dialogStrings = 20;
    static constexpr std::size_t dialogCharacters = 600;

    // The focused window, else the main window, else the first of the windows.
    template <class Source, class Element>
    static std::optional<Element> frontWindow(Source& source, const Element& application) {
        if (auto focused = source.element("AXFocusedWindow", application)) return focused;
        if (auto main = source.element("AXMainWindow", application)) return main;
        auto windows = source.elements("AXWindows", application);
        if (windows.empty()) return std::nullopt;
        return std::move(windows.front());
    }

    // The words of the nearest sheet or dialog that holds the element, the element itself
    // counted; nothing when there is none.
    template <class Source, class Element>
    static std::optional<std::string> dialogText(Source& source, const Element& element) {
        std::optional<Element> at = element;
        for (int checked = 0; at && checked < dialogSearchElements; ++checked) {
            if (isDialog(source, *at)) return dialogWords(source, *at);
            at = source.element("AXParent", *at);
        }
        return std::nullopt;
    }

    template <class Source, class Element>
    static bool isDialog(Source& source, const Element& element) {
        const auto subrole = source.string("AXSubrole", element);
        return source.string("AXRole", element) == "AXSheet" || subrole == "AXDialog" || subrole == "AXSystemDialog";
    }

    // The static texts below the element, breadth first, joined by spaces; within the visits,
    // strings and characters above.
    template <class Source, class Element>
    static std::string dialogWords(Source& source, const Element& dialog) {
        std::deque<Element> queue{dialog};
        std::vector<std::string> kept;
        int budget = dialogVisits;
        while (!queue.empty() && kept.size() < dialogStrings && budget > 0) {
            Element visiting = std::move(queue.front());
            queue.pop_front();
            --budget;
            if (source.string("AXRole", visiting) == "AXStaticText") {
                auto words = source.string("AXValue", visiting);
                if (words && !words->empty()) kept.push_back(std::move(*words));
            }
            for (Element& child : source.children(visiting)) queue.push_back(std::move(child));
        }
        std::string joined;
        for (const std::string& words : kept) {
            if (!joined.empty()) joined += ' ';
            joined += words;
        }
        return Text::graphemePrefix(joined, dialogCharacters);
    }
};

} // namespace tarvo
