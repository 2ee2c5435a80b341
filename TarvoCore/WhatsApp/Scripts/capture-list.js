// The chat list: finding it, naming its rows and pressing them. Part of the capture script.
function chatPane() {
  return document.querySelector('#pane-side') || document.querySelector('div[data-testid="chat-list"]') ||
    document.querySelector('[aria-label="Chat list"]');
}

function openTarget(row) {
  return row.querySelector('div[data-testid="cell-frame-container"]') || row.querySelector('[role="gridcell"]') || null;
}

// Assigned, not added to, so the count is the same however often a pass scans the list.
function chatRows(state) {
  const pane = chatPane();
  if (!pane) return [];
  const rows = Array.from(pane.querySelectorAll('div[role="row"], div[role="listitem"]'))
    .filter((row) => !row.closest('button[data-testid="chatlist-panel-archived-button"]'));
  if (state) state.rowsWithoutTarget = rows.filter((row) => !openTarget(row)).length;
  return rows;
}

// A bare click does not open a conversation on this page: it takes the whole pointer press.
function press(el) {
  const box = el.getBoundingClientRect();
  const at = {
    bubbles: true, cancelable: true, composed: true, view: window, button: 0, detail: 1,
    clientX: box.left + box.width / 2, clientY: box.top + box.height / 2,
  };
  const pointer = (type, buttons) => {
    try {
      el.dispatchEvent(new PointerEvent(type, { ...at, buttons, pointerId: 1, isPrimary: true, pointerType: 'mouse' }));
    } catch (e) {}
  };
  const mouse = (type, buttons) => el.dispatchEvent(new MouseEvent(type, { ...at, buttons }));
  pointer('pointerdown', 1);
  mouse('mousedown', 1);
  pointer('pointerup', 0);
  mouse('mouseup', 0);
  mouse('click', 0);
}

function isOpen(row) {
  return row.getAttribute('aria-selected') === 'true' || !!row.querySelector('[aria-selected="true"]');
}

function hash(s) {
  let h = 5381;
  for (let i = 0; i < s.length; i++) h = (Math.imul(h, 33) ^ s.charCodeAt(i)) >>> 0;
  return h.toString(36);
}

// textContent first: the list is virtualised and innerText is empty for rows never laid out.
function rowText(row) {
  return row.textContent || row.innerText || '';
}

function tarvoRowChatRef(row) {
  const attempts = [() => row, () => row.querySelector('div[data-testid="cell-frame-container"]')];
  for (const attempt of attempts) {
    try {
      const ref = tarvoChatRef(attempt());
      if (ref) return ref;
    } catch (e) {}
  }
  try {
    const divs = row.querySelectorAll('div');
    for (let i = 0; i < divs.length && i < 40; i++) {
      try {
        const ref = tarvoChatRef(divs[i]);
        if (ref) return ref;
      } catch (e) {}
    }
  } catch (e) {}
  return null;
}

function tarvoRowChatId(row) {
  try {
    const chat = tarvoRowChatModel(row);
    const id = chat && (chat.__x_id || chat.id);
    const serialized = id && id._serialized;
    return serialized === undefined ? null : serialized;
  } catch (e) {
    return null;
  }
}

// Only the page's own id decides; no title text is ever matched.
function tarvoNotAConversation(id) {
  if (typeof id !== 'string') return null;
  const at = id.lastIndexOf('@');
  if (at <= 0) return null;
  const server = id.slice(at + 1).toLowerCase();
  if (server === 'newsletter') return 'channel';
  if (server === 'broadcast') return id.slice(0, at).toLowerCase() === 'status' ? 'status' : 'broadcast list';
  return null;
}

function rowKey(row) {
  const ref = tarvoRowChatRef(row);
  if (ref) return hash(ref);
  let title = '';
  try {
    const titled = row.querySelector('span[title]') || row.querySelector('[title]');
    title = (titled && titled.getAttribute('title')) || '';
    if (!title) {
      const labelled = row.querySelector('[aria-label]');
      title = (labelled && labelled.getAttribute('aria-label')) || '';
    }
  } catch (e) {}
  if (!title) title = rowText(row);
  return title ? hash(title) : null;
}

function fingerprint(row) {
  const key = rowKey(row);
  return key === null ? null : key + '|' + hash(rowText(row));
}

function countSharedKeys(prints) {
  const wearers = new Map();
  for (const print of prints) {
    if (print === null) continue;
    const key = print.split('|')[0];
    wearers.set(key, (wearers.get(key) || 0) + 1);
  }
  let shared = 0;
  for (const count of wearers.values()) if (count > 1) shared += count;
  return shared;
}

// The print of a chat that was read is the one taken when its messages were read: a row that
// moved after that holds a message nobody read, so it must still look changed next pass. Rows that
// share a key cannot be told apart, so every wearer of a read key counts as read.
function mayBaseline(firstLook, key, readPrints, print, known, heldBack, sharedKeys) {
  if (heldBack.has(key)) return false;
  if (readPrints.has(key)) return sharedKeys.has(key) || readPrints.get(key) === print;
  if (firstLook) return true;
  return known.has(print);
}
