// Types one reply into the open conversation and sends it; answers one JSON text. A send counts
// only when the words have left the message box.
const body = "{{body}}";

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
for (let attempt = 1; !box && attempt < 40; attempt += 1) {
  await wait(200);
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

// Typing through the editor keeps its own model, and so its send button, in step with the text;
// the words replace whatever a failed send left behind, so they never go out twice.
box.focus();
document.execCommand('selectAll', false, null);
document.execCommand('insertText', false, body);
await wait(120);

const control = first(['button[data-testid="send"]', 'span[data-testid="send"]', 'button[aria-label="Send"]',
  'span[data-icon="send"]']);
if (!control) return failed("Tarvo typed the reply but could not find WhatsApp's send button. Nothing was sent.");
(control.closest('button') || control).click();
await wait(250);

// Editors show line breaks as paragraphs, so the words are compared without their spacing.
const squeezed = (text) => text.replace(/\s+/g, ' ').trim();
const left = messageBox();
if (left && squeezed(left.innerText || '').includes(squeezed(body).slice(0, 20))) {
  return failed('WhatsApp Web did not accept the send. The reply is still in the message box.');
}
return JSON.stringify({ ok: true });
