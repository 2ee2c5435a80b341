// Makes the page believe it is always visible and focused, whoever looks: a page that thinks it
// is hidden may hold back what it shows. Runs at document start in every frame, before the page's
// own scripts, so its listeners come first and the page's own never hear of a change.
(() => {
  const always = (name, value) => {
    try {
      Object.defineProperty(document, name, { configurable: true, get: () => value });
    } catch (e) {
      // A page that made the property its own keeps it.
    }
  };
  always('hidden', false);
  always('webkitHidden', false);
  always('visibilityState', 'visible');
  always('webkitVisibilityState', 'visible');
  const unheard = (event) => event.stopImmediatePropagation();
  document.addEventListener('visibilitychange', unheard, true);
  window.addEventListener('blur', unheard, true);
})();
