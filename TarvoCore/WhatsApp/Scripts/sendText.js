// Types one reply into the open conversation and sends it; answers one JSON text. A send counts
// only when the words have left the message box.
const body = "{{body}}";

// The bounded waits: tries for the message box, the pause after typing, looks at the box emptying.
const BOX_TRIES = 40;
const BOX_PAUSE_MS = 200;
const TYPED_PAUSE_MS = 120;
const HELD_LOOKS = 30;
const HELD_PAUSE_MS = 100;

const wait = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const first = (selectors) => {
  for (const selector of selectors) {
    const found = document.querySelector(selector);
    if (found) return found;
  }
  return null;
};
const messageBoxes = [
  'div[data-testid="conversation-compose-box-input"]',
  'footer div[contenteditable="true"][role="textbox"]',
  'div[contenteditable="true"][data-tab="10"]',
  'div[contenteditable="true"][data-tab="6"]',
];
// A reply typed into the search field would be lost, or worse, search for it.
const searchField = /search|buscar|rechercher|suchen/i;
const messageBox = () => {
  const known = first(messageBoxes);
  if (known) return known;
  for (const scope of ['#main footer', '#main']) {
    const area = document.querySelector(scope);
    const editable = area && Array.from(area.querySelectorAll('[contenteditable="true"]')).find((el) =>
      !searchField.test(`${el.getAttribute('aria-label') || ''} ${el.getAttribute('data-testid') || ''}`));
    if (editable) return editable;
  }
  return null;
};
const failed = (reason) => JSON.stringify({ ok: false, reason });

let box = messageBox();
for (let attempt = 1; !box && attempt < BOX_TRIES; attempt += 1) {
  await wait(BOX_PAUSE_MS);
  box = messageBox();
}
if (!box) {
  const pageText = document.body ? (document.body.innerText || '').slice(0, 4000) : '';
  if (document.querySelector('canvas[aria-label*="Scan"], [data-testid="qrcode"]')) {
    return failed('WhatsApp Web is asking for the QR code again — Tarvo is signed out. Open Tarvo settings and link ' +
      'WhatsApp again.');
  }
  if (/open in another window|another window|use here|is open on another/i.test(pageText)) {
    return failed('WhatsApp Web is open somewhere else — it allows one web session at a time, so close the ' +
      'WhatsApp tab in your browser and Tarvo gets it back.');
  }
  if (!document.querySelector('#main')) {
    return failed('Tarvo could not open that conversation in WhatsApp Web, so there was no message box to type into.');
  }
  return failed('WhatsApp Web has changed and Tarvo could not find the message box.');
}

// Editors show line breaks as paragraphs, so the words are compared without their spacing.
const squeezed = (text) => text.replace(/\s+/g, ' ').trim();

// Words already in the box are a draft of the person's, or a reply whose send could not be told:
// replacing them would lose the draft, typing after them would send it along, and sending the
// reply again could send it twice.
const draft = squeezed(box.innerText || box.textContent || '');
if (draft) {
  return failed('WhatsApp already holds a draft in that conversation\'s message box, so Tarvo sent nothing ' +
    'rather than send it along or wipe it. Send or clear the draft in WhatsApp, then try again.');
}

// Typing through the editor keeps its own model, and so its send button, in step with the text.
box.focus();
document.execCommand('insertText', false, body);
await wait(TYPED_PAUSE_MS);

const control = first(['button[data-testid="send"]', 'span[data-testid="send"]', 'button[aria-label="Send"]',
  'span[data-icon="send"]']);
if (!control) return failed("Tarvo typed the reply but could not find WhatsApp's send button. Nothing was sent.");
const button = control.closest('button') || control;
if (button.disabled || button.getAttribute('aria-disabled') === 'true') {
  return failed('WhatsApp Web did not accept the send. The reply is still in the message box.');
}
button.click();

// The box empties when the editor has handed the words over, which a parked page may take a
// while to show; words still there after that cannot tell whether they went.
const start = squeezed(body).slice(0, 20);
const stillHeld = () => {
  const left = messageBox();
  return !!left && squeezed(left.innerText || '').includes(start);
};
let held = true;
for (let look = 0; held && look < HELD_LOOKS; look += 1) {
  await wait(HELD_PAUSE_MS);
  held = stillHeld();
}
if (held) return failed('Tarvo could not tell whether WhatsApp Web sent that. Nothing is assumed.');
return JSON.stringify({ ok: true });
