// Hands one file to the open conversation the way a person would: WhatsApp's own attach menu and
// file input, its media editor and the editor's send control. Takes `fileB64` (standard base64),
// `fileName` and `fileType`; answers one JSON text with the stage it reached and, when the file
// did not go, why. WhatsApp uploads only what went through its own input and editor, so nothing
// here builds a message of its own.
const POLL_MS = 200;
// The bounded waits, each a number of polls: the menu adding an input, the attach control or an
// input appearing, an input after pressing it, the editor, the editor after a paste, the file
// leaving after the press and after the one retry.
const MENU_POLLS = 25;
const CONTROL_LOOKS = 40;
const INPUT_POLLS = 25;
const EDITOR_POLLS = 50;
const PASTE_POLLS = 50;
const GONE_POLLS = 40;
const RETRY_POLLS = 30;

const SEND = [
  'button[aria-label^="Send"]',
  'div[role="button"][aria-label^="Send"]',
  'button[aria-label="Send"]',
  'div[role="button"][aria-label="Send"]',
  'span[data-testid="send"]',
  'button[data-testid="send"]',
  'div[data-testid="send"]',
  'span[data-icon="send"]',
  'span[data-icon="wds-ic-send-filled"]',
];
const CLIP = [
  'button[title="Attach"]',
  'div[title="Attach"]',
  'span[data-testid="clip"]',
  'div[data-testid="clip"]',
  'span[data-icon="clip"]',
  'span[data-icon="plus-rounded"]',
  'button[aria-label="Attach"]',
];
const SCOPES = ['#main footer', '#main'];
const ATTACH_WORD = /attach|adjunt|anex|joindre|anhäng|allega|bijlag|bifoga|vedlegg|załącz|прикреп|إرفاق/i;
const NEVER_CLICK = /send|enviar|envoyer|senden|invia|отправ|emoji|sticker|gif|voice|audio|record|mic/i;
const ATTACH_ICON = /clip|plus|attach|add/i;
const NOT_THE_SEND = /cancel|close|back|discard|delete|remove|crop|rotate|undo|sticker|emoji/i;
const SEND_WORD = /send|enviar|envoyer|senden|invia|отправ/i;
const PROFILE = '[data-testid*="profile" i], [aria-label*="profile" i], [data-testid*="avatar" i]';
const DIALOGS = '[role="dialog"], [data-animate-modal-body]';
const CONTROLS = 'button, [role="button"]';

const wait = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const stop = (stage, reason) => JSON.stringify({ ok: false, stage, reason });
const sent = () => JSON.stringify({ ok: true, stage: 'sent' });
// Given up on by the companion: nothing more may be pressed.
const stopped = () => window.tarvoStop === true;
const STOPPED = 'Tarvo stopped waiting for WhatsApp Web before it pressed anything more, so nothing more was done ' +
  'with the file.';

const attr = (el, name) => el.getAttribute(name) || '';
const nameOf = (el) => ['aria-label', 'title', 'data-testid'].map((name) => attr(el, name)).filter(Boolean).join(' ');
const labelOf = (el) => attr(el, 'aria-label') || attr(el, 'title') || attr(el, 'data-testid');
const iconOf = (el) => {
  const below = el.querySelector('[data-icon]');
  return below ? attr(below, 'data-icon') : attr(el, 'data-icon');
};
const first = (selectors) => {
  for (const selector of selectors) {
    const found = document.querySelector(selector);
    if (found) return found;
  }
  return null;
};
const sendControls = () => {
  const found = [];
  for (const selector of SEND) {
    for (const el of document.querySelectorAll(selector)) if (!found.includes(el)) found.push(el);
  }
  return found;
};
const dialogs = () => Array.from(document.querySelectorAll(DIALOGS));
const inFooter = (el) => !!el.closest('#main footer');
const editableIn = (area) => area && area.querySelector('[contenteditable="true"]');
const paneEditable = () => {
  const main = document.querySelector('#main');
  return main ? Array.from(main.querySelectorAll('[contenteditable="true"]')).find((el) => !inFooter(el)) || null : null;
};

// At the centre of the element, every event a mouse press makes, in order. One click only: a
// second would close a menu the first opened, or press send twice.
const pressLikeAFinger = (el) => {
  const box = el.getBoundingClientRect();
  const at = {
    bubbles: true, cancelable: true, view: window, button: 0, buttons: 1, pointerId: 1, pointerType: 'mouse',
    isPrimary: true, clientX: box.left + box.width / 2, clientY: box.top + box.height / 2,
  };
  for (const type of ['pointerover', 'pointerdown']) {
    try {
      el.dispatchEvent(new PointerEvent(type, at));
    } catch (ignored) {}
  }
  el.dispatchEvent(new MouseEvent('mousedown', at));
  const up = { ...at, buttons: 0 };
  try {
    el.dispatchEvent(new PointerEvent('pointerup', up));
  } catch (ignored) {}
  el.dispatchEvent(new MouseEvent('mouseup', up));
  el.dispatchEvent(new MouseEvent('click', up));
};
const pressControl = (el) => pressLikeAFinger(el.closest('button') || el);

// The look at whether the file left, for the companion to use after a key press of its own;
// only a run that reached the press leaves one.
window.tarvoMediaGone = undefined;

// 1. The bytes.
let bytes;
try {
  if (typeof fileB64 !== 'string') throw new TypeError('no base64');
  const raw = atob(fileB64);
  bytes = new Uint8Array(raw.length);
  for (let i = 0; i < raw.length; i += 1) bytes[i] = raw.charCodeAt(i);
} catch (notBase64) {
  return stop('decode', 'Tarvo could not read the file it was given, so nothing was sent.');
}
if (bytes.length === 0) return stop('decode', 'The file arrived empty, so nothing was sent.');

// 2. The file inputs there before anything was pressed; a profile picture's input is never one.
const readInputs = () => {
  for (const scope of SCOPES) {
    const area = document.querySelector(scope);
    if (!area) continue;
    const inputs = Array.from(area.querySelectorAll('input[type="file"]')).filter((input) => !input.closest(PROFILE));
    if (inputs.length > 0) return { scope, inputs };
  }
  return { scope: SCOPES[0], inputs: [] };
};
const documentInputs = () => document.querySelectorAll('input[type="file"]').length;
let found = readInputs();
const preExisting = new Set(found.inputs);
const countBefore = found.inputs.length;
const documentBefore = documentInputs();

// 3. The attach menu, opened even when an input is there already: that one is not the picker that
// opens the editor.
const attachControl = () => {
  const clip = first(CLIP);
  if (clip) return clip;
  for (const scope of SCOPES) {
    const area = document.querySelector(scope);
    if (!area) continue;
    for (const el of area.querySelectorAll(CONTROLS)) {
      const name = nameOf(el);
      const icon = iconOf(el);
      if (NEVER_CLICK.test(name) || NEVER_CLICK.test(icon)) continue;
      if (ATTACH_WORD.test(name) || ATTACH_ICON.test(icon)) return el;
    }
  }
  return null;
};
const pollInputs = async (polls, done) => {
  for (let poll = 0; poll < polls && !done(); poll += 1) {
    await wait(POLL_MS);
    found = readInputs();
  }
};
let control = attachControl();
if (control) {
  if (stopped()) return stop('attachMenu', STOPPED);
  pressControl(control);
  await pollInputs(MENU_POLLS, () => found.inputs.length > countBefore);
}

// 4.
const menuEvidence = `menu ${countBefore}>${found.inputs.length} (doc ${documentBefore}>${documentInputs()})`;

// 5. A page that shows its controls late.
if (found.inputs.length === 0) {
  control = null;
  for (let look = 0; look < CONTROL_LOOKS; look += 1) {
    control = attachControl();
    if (control) break;
    await wait(POLL_MS);
    found = readInputs();
    if (found.inputs.length > 0) break;
  }
  if (!control && found.inputs.length === 0) {
    return stop('attachMenu',
      'WhatsApp Web has changed and Tarvo could not find the attach button, so the file was not sent.');
  }
  if (found.inputs.length === 0) {
    if (stopped()) return stop('attachMenu', STOPPED);
    pressControl(control);
    await pollInputs(INPUT_POLLS, () => found.inputs.length > 0);
    if (found.inputs.length === 0) {
      return stop('fileInput',
        "Tarvo opened WhatsApp's attach menu and no file picker appeared, so the file was not sent.");
    }
  }
}

// 6. The input that takes this type; one the menu just added wins a tie.
const scoreOf = (input) => {
  const accept = attr(input, 'accept').trim().toLowerCase();
  if (accept === '' || accept === '*' || accept === '*/*') return 1;
  const type = fileType.toLowerCase();
  const entries = accept.split(',').map((entry) => entry.trim());
  return entries.some((entry) => entry === type || (entry.endsWith('/*') && type.startsWith(entry.slice(0, -1))))
    ? 2 : 0;
};
let chosen = null;
let bestRank = 0;
for (const input of found.inputs) {
  const score = scoreOf(input);
  // An input that refuses the type refuses it however new it is.
  if (score === 0) continue;
  const rank = score * 2 + (preExisting.has(input) ? 0 : 1);
  if (rank > bestRank) {
    chosen = input;
    bestRank = rank;
  }
}
if (!chosen) return stop('notAccepted', `WhatsApp Web will not take a ${fileType} from this Mac, so nothing was sent.`);

// 7.
const fileTransfer = () => {
  const transfer = new DataTransfer();
  transfer.items.add(new File([bytes], fileName, { type: fileType }));
  return transfer;
};
let transfer;
try {
  transfer = fileTransfer();
} catch (refused) {
  return stop('dataTransfer', "This Mac's browser engine would not build a file for WhatsApp, so nothing was sent.");
}

// 8. What the page held before the file, which tells later whether it left.
const sendsBefore = sendControls().length;
const dialogsBefore = dialogs().length;
const inputName = chosen.id || attr(chosen, 'data-testid') || '?';
let evidence = `${menuEvidence}, ${preExisting.has(chosen) ? 'stale' : 'fresh'} input[${inputName} accept=` +
  `${(attr(chosen, 'accept') || '*').slice(0, 40)}] in ${found.scope} of ${found.inputs.length}, ` +
  `dlg${dialogsBefore} snd${sendsBefore}`;

// 9. The input's own setter, so that the page's own code sees the files it is given.
const filesSetter = Object.getOwnPropertyDescriptor(HTMLInputElement.prototype, 'files');
if (filesSetter && filesSetter.set) filesSetter.set.call(chosen, transfer.files);
else chosen.files = transfer.files;
chosen.dispatchEvent(new Event('input', { bubbles: true }));
chosen.dispatchEvent(new Event('change', { bubbles: true }));

// 10.
const chatMark = () => {
  const header = document.querySelector('#main header');
  if (!header) return '';
  const titled = header.querySelector('[title]');
  return titled ? attr(titled, 'title') : (header.textContent || '').slice(0, 60);
};
const markBefore = chatMark();

// 11. The editor. Typed text also turns the microphone into a send control, so a dialog is
// believed before that signal.
const lastDialog = () => dialogs().at(-1) || null;
const editorShown = () => {
  for (const dialog of dialogs()) if (editableIn(dialog)) return true;
  if (paneEditable()) return true;
  return Array.from(document.querySelectorAll('button[aria-label^="Send"], div[role="button"][aria-label^="Send"]'))
    .some((el) => !inFooter(el));
};
const offered = () => {
  if (dialogs().length > dialogsBefore || editorShown()) return true;
  return sendControls().length > sendsBefore;
};
const pollFor = async (polls, done) => {
  for (let poll = 0; poll < polls; poll += 1) {
    if (done()) return true;
    await wait(POLL_MS);
  }
  return done();
};
let isOffered = await pollFor(EDITOR_POLLS, offered);

// 12. Some pages take a file only as a paste into the composer.
if (!isOffered) {
  const composer = first(['#main footer [contenteditable="true"]', '#main footer div[role="textbox"]']);
  if (composer) {
    if (stopped()) return stop('preview', STOPPED);
    composer.focus();
    const pasted = fileTransfer();
    let paste;
    try {
      paste = new ClipboardEvent('paste', { bubbles: true, cancelable: true, clipboardData: pasted });
    } catch (noClipboardEvent) {
      paste = new Event('paste', { bubbles: true, cancelable: true });
      Object.defineProperty(paste, 'clipboardData', { value: pasted });
    }
    composer.dispatchEvent(paste);
    isOffered = await pollFor(PASTE_POLLS, offered);
    evidence += ', pasted';
  }
}

// 13.
if (!isOffered) {
  const held = chosen.files ? chosen.files.length : 0;
  return stop('preview', 'WhatsApp Web did not offer to send the file after Tarvo attached it, so nothing was sent. ' +
    `(The picker held ${held} file(s) afterwards. ${evidence}.)`);
}

// 14. What the editor showed, for the log when the file does not go.
const dialog = lastDialog();
const diagnostics = () => {
  const area = dialog || document.querySelector('#main');
  const controls = area ? Array.from(area.querySelectorAll(CONTROLS)).slice(0, 6)
    .map((el) => `${labelOf(el) || '?'}/${iconOf(el)}`) : [];
  const sends = sendControls().slice(0, 3).map((el) => {
    const box = el.getBoundingClientRect();
    const button = el.closest(CONTROLS);
    const where = el.closest('#main') ? ' inMain' : ' outside';
    return `${attr(el, 'data-icon') || iconOf(el) || '?'}/${button ? attr(button, 'aria-label') : ''}${where} ` +
      `${Math.round(box.width)}x${Math.round(box.height)}`;
  });
  return `(chose ${evidence}; sends: ${sends.join(' | ') || 'none'}; ${dialog ? 'drawer' : 'no dialog, #main'}: ` +
    `${controls.join(', ') || 'nothing'})`;
};

// 15.
if (chatMark() !== markBefore) {
  return stop('confirm', 'WhatsApp Web changed conversation while Tarvo was attaching the file, so nothing was sent. ' +
    'The file is still attached to the conversation it was meant for, waiting to be sent by hand.');
}

// 16. The editor's send control, never the composer's behind it.
const editorSend = () => {
  if (dialog) {
    const inside = sendControls().filter((el) => dialog.contains(el));
    if (inside.length > 0) return inside.at(-1);
    const controls = Array.from(dialog.querySelectorAll(CONTROLS)).reverse();
    return controls.find((el) => {
      const name = nameOf(el);
      const icon = iconOf(el);
      if (NOT_THE_SEND.test(name) || NOT_THE_SEND.test(icon)) return false;
      return SEND_WORD.test(name) || /send/i.test(icon);
    }) || null;
  }
  const all = sendControls();
  return all.find((el) => !inFooter(el)) || all[0] || null;
};
const sendControl = editorSend();

// 17. In the pane the caption field is certain and the send icon is not; in a dialog its control is.
const pressEnter = () => {
  const editor = (dialog && editableIn(dialog)) || paneEditable();
  if (!editor) return false;
  editor.focus();
  for (const type of ['keydown', 'keypress', 'keyup']) {
    editor.dispatchEvent(new KeyboardEvent(type,
      { key: 'Enter', code: 'Enter', keyCode: 13, which: 13, bubbles: true, cancelable: true }));
  }
  return true;
};
const gone = () => sendControls().length <= sendsBefore && dialogs().length <= dialogsBefore;
window.tarvoMediaGone = gone;
const pollGone = async (polls) => {
  for (let poll = 0; poll < polls; poll += 1) {
    await wait(POLL_MS);
    if (gone()) return true;
  }
  return false;
};
if (stopped()) return stop('confirm', STOPPED);
let pressedControl = false;
let pressedEnter = false;
if (!dialog) pressedEnter = pressEnter();
if (!pressedEnter && sendControl) {
  pressControl(sendControl);
  pressedControl = true;
}
if (!pressedEnter && !pressedControl) pressedEnter = pressEnter();
if (!pressedEnter && !pressedControl) {
  return stop('preview', 'WhatsApp Web opened its preview and Tarvo could not find the button that sends it, so ' +
    `nothing was sent. ${diagnostics()}`);
}

// 18.
if (await pollGone(GONE_POLLS)) return sent();

// 19. Once more, the other way.
if (sendControl) {
  if (stopped()) return stop('confirm', STOPPED);
  let retried = false;
  if (pressedEnter) {
    pressControl(sendControl);
    pressedControl = true;
    retried = true;
  } else {
    retried = pressEnter();
  }
  if (retried && (await pollGone(RETRY_POLLS))) return sent();
}

// 20. The person's sentence first, so that a shortened reason still carries it.
const pressedOne = pressedControl ? sendControl.closest(CONTROLS) || sendControl : null;
const pressed = pressedOne ? `${labelOf(pressedOne) || '?'}/${iconOf(pressedOne)}` : 'Enter, no named control';
return stop('confirm', 'Tarvo attached the file and pressed send, and WhatsApp Web still has it waiting. Nothing is ' +
  `assumed to have gone. (pressed: ${pressed}.) ${diagnostics()}`);
