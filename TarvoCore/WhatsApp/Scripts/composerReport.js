// For the log before a file is attached: the file inputs and the composer's controls, and what
// the attach control's menu offers. Answers lines of text. The menu it opens it closes again, so
// that the attachment script finds the page as it was.
const POLL_MS = 200;
const FOOTER_POLLS = 40;
const MENU_POLLS = 20;

const wait = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const CONTROLS = 'button, [role="button"]';
const attr = (el, name) => el.getAttribute(name);
const describe = (el) => {
  let text = el.tagName ? el.tagName.toLowerCase() : '?';
  if (el.id) text += `#${el.id}`;
  for (const [label, name] of [['aria', 'aria-label'], ['title', 'title'], ['testid', 'data-testid'],
    ['icon', 'data-icon']]) {
    if (el.hasAttribute(name)) text += `[${label}=${attr(el, name)}]`;
  }
  const below = el.querySelector('[data-icon]');
  if (below) text += `[icon=${attr(below, 'data-icon')}]`;
  return text;
};
const place = (el) => {
  if (el.closest('#main footer')) return 'footer';
  if (el.closest('#main')) return 'main';
  if (el.closest('[role="dialog"]')) return 'dialog';
  return 'body';
};
const inputsLine = (label) => {
  const inputs = Array.from(document.querySelectorAll('input[type="file"]'));
  return `${label} inputs(${inputs.length}): ` + inputs.map((input) =>
    `${place(input)} accept=${attr(input, 'accept') || '*'}${input.multiple ? ' multiple' : ''} ${describe(input)}`)
    .join(' | ');
};
const footerControls = () => {
  const footer = document.querySelector('#main footer');
  return footer ? Array.from(footer.querySelectorAll(CONTROLS)) : [];
};

for (let poll = 0; poll < FOOTER_POLLS && footerControls().length === 0; poll += 1) await wait(POLL_MS);

const lines = [inputsLine('BEFORE')];
const controls = footerControls();
lines.push(`FOOTER controls(${controls.length}): ` + controls.slice(0, 14).map(describe).join(' | '));
const clip = controls.find((el) => /attach|clip|plus|adjuntar|anexar/.test(describe(el).toLowerCase()));
if (!clip) {
  lines.push('CLIP: none found in footer');
  return lines.join('\n');
}
lines.push(`CLIP: ${describe(clip)}`);
if (window.tarvoStop === true) return lines.join('\n');
(clip.closest('button') || clip).click();
for (let poll = 0; poll < MENU_POLLS && !document.querySelector('input[type="file"]'); poll += 1) await wait(POLL_MS);
lines.push(inputsLine('AFTER'));
const items = Array.from(document.querySelectorAll(
  '[role="menu"], [role="dialog"], [data-animate-dropdown]')).flatMap((menu) =>
  Array.from(menu.querySelectorAll('li, [role="menuitem"], button, [role="button"]')));
lines.push(items.length > 0 ? `MENU(${items.length}): ` + items.slice(0, 12).map(describe).join(' | ')
  : 'MENU: nothing matched role=menu/dialog/dropdown');
try {
  document.activeElement?.dispatchEvent(new KeyboardEvent('keydown', { key: 'Escape', code: 'Escape', bubbles: true }));
} catch (ignored) {}
return lines.join('\n');
