#pragma once

namespace tarvo {

// What the panel's page is told about the program hosting it.
struct PanelWebView {
    // The whole user agent, in place of the engine's own.
    static constexpr const char* userAgent =
        "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/18.0 "
        "Safari/605.1.15 TarvoCompanion/1";

    // Marks the page as running inside the companion, in a host that opens downloaded files
    // itself. Injected at document start; the engine runs such a script in every frame, and only
    // the top one is marked.
    static constexpr const char* markers = "if (window.top === window) { window.__tarvoCompanion = true; "
                                           "window.__tarvoCompanionOpensFiles = true; }";

    // The binding through which the link script reports a click; a page may call it too, so what
    // it reports is decided like any other navigation of the page.
    static constexpr const char* reportBinding = "tarvoPanelReport";

    // Reports clicks on the links the engine would not ask the panel about as a navigation of
    // their own: "tarvo-panel:" links (kept from the engine, which would look for an outside
    // handler) and links with a download attribute (followed by the host, which marks them as
    // downloads). Listens first, on the window, in every frame.
    static constexpr const char* linkScript = R"((() => {
  const report = window.tarvoPanelReport;
  if (typeof report !== 'function') return;
  window.addEventListener('click', (event) => {
    if (event.defaultPrevented || event.button !== 0) return;
    const link = event.target instanceof Element ? event.target.closest('a[href], area[href]') : null;
    if (!link) return;
    let kind = null;
    if (link.protocol === 'tarvo-panel:') kind = 'panel';
    else if (link.hasAttribute('download')) kind = 'download';
    if (!kind) return;
    event.preventDefault();
    report(JSON.stringify({ kind, url: link.href }));
  }, true);
})();)";
};

} // namespace tarvo
