// For the log after a file was handed over: the controls shown, the editable fields, the dialogs
// and the pictures the page made of files. Answers lines of text.
const LISTED = 30;
const place = (el) => {
  if (el.closest('#main footer')) return 'footer';
  if (el.closest('#main')) return 'main';
  if (el.closest('[role="dialog"]')) return 'dialog';
  return 'body';
};
const attr = (el, name) => el.getAttribute(name) || '';
const controls = Array.from(document.querySelectorAll('button, [role="button"]'));
const shown = controls.filter((el) => {
  const box = el.getBoundingClientRect();
  return box.width >= 8 && box.height >= 8;
}).slice(0, LISTED);
const listed = shown.map((el) => {
  const below = el.querySelector('[data-icon]');
  return `${place(el)}:${attr(el, 'aria-label') || attr(el, 'title') || attr(el, 'data-testid') || '?'}/` +
    `${attr(el, 'data-icon')}/${below ? attr(below, 'data-icon') : ''}`;
});
const editables = Array.from(document.querySelectorAll('[contenteditable="true"]')).map(place);
return `BUTTONS(${controls.length} shown ${listed.length}): ${listed.join(' | ')}\n` +
  `EDITABLES(${editables.length}): ${editables.join(', ')}\n` +
  `DIALOGS: ${document.querySelectorAll('[role="dialog"], [data-animate-modal-body]').length} ` +
  `IMG-blob: ${document.querySelectorAll('img[src^="blob:"]').length}`;
