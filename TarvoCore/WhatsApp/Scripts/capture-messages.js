// Reading messages: the open conversation in #main, and chats out of the page's memory. Part of
// the capture script. The page's internal models are no published interface, so every read of
// one is guarded: a withdrawn property costs that value, never the message or the pass.
const TARVO_MEDIA_TYPES = [
  'image', 'video', 'audio', 'ptt', 'document', 'sticker', 'vcard', 'multi_vcard', 'location', 'live_location',
];
const TARVO_NON_MEDIA_TYPES = [
  'chat', 'revoked', 'protocol', 'e2e_notification', 'gp2', 'call_log', 'ciphertext', 'notification_template',
  'groups_v4_invite', 'broadcast_notification',
];
const TARVO_NOTE_NOT_DECODED = 'WhatsApp Web has not decoded this file on this Mac yet';
const TARVO_NOTE_BUDGET = 'over this pass\'s transfer budget \u2014 it will be read on a later pass';
const TARVO_NOTE_REFUSED = 'the page refused to hand over the decoded file';
const TARVO_NOTE_PREVIEW = 'only a preview is on screen \u2014 WhatsApp has not downloaded the full file here';
const TARVO_NOTE_VIEW_ONCE = 'the sender set this to view once, so nothing was read';
const TARVO_NOTE_STOPPED = 'the pass was given up on before this file was read';
const TARVO_NOTE_NOT_ON_SCREEN = 'read without opening the chat, so the file was not on screen to read';

// The companion sets the page's stop flag once it has given up on the script running in it: from
// then on that script presses nothing, reads no file and peeks at no chat.
function tarvoStopped() {
  return window.tarvoStop === true;
}

// Every wait of the pass, summed: the report says how much of the pass's time was its own waiting.
let tarvoWaitedMs = 0;

function tarvoWait(ms) {
  tarvoWaitedMs += ms;
  return new Promise((resolve) => setTimeout(resolve, ms));
}

function tarvoTag(id) {
  return 'm' + hash(id);
}

function tarvoFiber(el) {
  try {
    for (const name of Object.keys(el)) {
      if (name.startsWith('__reactFiber$')) return el[name];
    }
  } catch (e) {}
  return null;
}

function tarvoMsgModel(el) {
  try {
    let fiber = tarvoFiber(el);
    for (let i = 0; fiber && i < 14; i++, fiber = fiber.return) {
      const msg = fiber.memoizedProps && fiber.memoizedProps.msg;
      if (msg) return msg;
    }
  } catch (e) {}
  return null;
}

function tarvoChatModel(el) {
  try {
    let fiber = tarvoFiber(el);
    for (let i = 0; fiber && i < 24; i++, fiber = fiber.return) {
      const chat = fiber.memoizedProps && fiber.memoizedProps.chat;
      if (chat && (chat.__x_id || chat.id)) return chat;
    }
  } catch (e) {}
  return null;
}

function tarvoJid(v) {
  return typeof v === 'string' && /^\d{5,25}(-\d+)?@(c\.us|g\.us|lid|s\.whatsapp\.net)$/.test(v) ? v : null;
}

// The same conversation is always filed under the same ref, the phone-shaped one when it has one.
function tarvoRefOfChat(chat) {
  if (!chat) return null;
  let id = null;
  let hist = null;
  try {
    const raw = chat.__x_id || chat.id;
    id = tarvoJid(raw && raw._serialized);
  } catch (e) {}
  try {
    const raw = chat.__x_historyChatId;
    hist = tarvoJid(raw && typeof raw === 'object' ? raw._serialized : raw);
  } catch (e) {}
  for (const ref of [id, hist]) {
    if (ref && (ref.endsWith('@c.us') || ref.endsWith('@g.us'))) return ref;
  }
  return id || hist || null;
}

function tarvoChatRef(el) {
  return tarvoRefOfChat(tarvoChatModel(el));
}

function tarvoAuthorOf(msg, chatRef) {
  if (!msg) return null;
  for (const name of ['__x_author', 'author', '__x_from', 'from']) {
    try {
      const value = msg[name];
      const ref = tarvoJid(value && value._serialized !== undefined ? value._serialized : value);
      if (ref && ref !== chatRef && !ref.endsWith('@g.us')) return ref;
    } catch (e) {}
  }
  return null;
}

function tarvoAuthorRef(row, chatRef) {
  return tarvoAuthorOf(tarvoMsgModel(row), chatRef);
}

// The chat's model renders below the row element, so the row alone is not enough to ask.
function tarvoRowChatModel(row) {
  try {
    const own = tarvoChatModel(row);
    if (own) return own;
    const cell = row.querySelector('div[data-testid="cell-frame-container"]');
    const ofCell = cell && tarvoChatModel(cell);
    if (ofCell) return ofCell;
    const divs = row.querySelectorAll('div');
    for (let i = 0; i < divs.length && i < 40; i++) {
      const chat = tarvoChatModel(divs[i]);
      if (chat) return chat;
    }
  } catch (e) {}
  return null;
}

function tarvoMsgRows(main) {
  if (!main) return [];
  const rows = main.querySelectorAll('[data-testid^="conv-msg-"]');
  return Array.from(rows.length ? rows : main.querySelectorAll('div[data-id]'));
}

function tarvoBubbleText(row, allowLastResort, state) {
  const quote = row.querySelector('[data-testid="quoted-message"]') || row.querySelector('[aria-label="Quoted message"]');
  const spans = row.querySelectorAll('span.selectable-text');
  let chosen = null;
  // A swipe-reply carries the quoted words first; a mention renders as a nested span.
  for (let i = spans.length - 1; i >= 0 && !chosen; i--) {
    const span = spans[i];
    if (quote && quote.contains(span)) continue;
    if (span.parentElement && span.parentElement.closest('span.selectable-text')) continue;
    chosen = span;
  }
  if (!chosen) chosen = row.querySelector('[data-testid="conversation-text"]');
  if (chosen && chosen.innerText) return chosen.innerText;
  if (!allowLastResort) return '';
  let text = '';
  for (const selector of ['span[dir="ltr"]', 'span[dir="auto"]']) {
    const el = row.querySelector(selector);
    if (el && el.innerText) {
      text = el.innerText;
      break;
    }
  }
  if (/^\s*\d{1,2}:\d{2}\s*([AaPp][Mm])?\s*$/.test(text)) {
    state.clockAsText++;
    return '';
  }
  return text;
}

// On a media row the body holds the Base64 thumbnail: the caption is the message.
function tarvoText(row, model, media, domText) {
  if (!media) return domText;
  try {
    if (typeof model.__x_caption === 'string') return model.__x_caption;
  } catch (e) {}
  return domText;
}

function tarvoUncollapse(row, model, media, domText, text, state) {
  const control = row.querySelector('[data-testid="caption-read-more-button"]') ||
    row.querySelector('[data-testid*="read-more"]') || row.querySelector('[role="button"][data-testid*="more"]');
  if (!control) return text;
  state.collapsedRows++;
  if (media) {
    if (text !== domText) state.collapsedRepaired++;
    else state.shortenedWithoutFullText++;
    return text;
  }
  let body = null;
  try {
    if (model && model.__x_type === 'chat' && typeof model.__x_body === 'string') body = model.__x_body;
  } catch (e) {}
  if (body !== null && body.length > text.length) {
    state.collapsedRepaired++;
    return body;
  }
  state.shortenedWithoutFullText++;
  return text;
}

function tarvoNum(v) {
  if (typeof v === 'number' && Number.isFinite(v) && v >= 0) return Math.floor(v);
  if (typeof v === 'string' && /^\d+$/.test(v)) return parseInt(v, 10);
  return null;
}

function tarvoMedia(model, state) {
  if (!model) return null;
  let type = null;
  try {
    type = model.__x_type;
  } catch (e) {}
  if (!type || TARVO_NON_MEDIA_TYPES.includes(type)) return null;
  if (!TARVO_MEDIA_TYPES.includes(type)) {
    state.unknownMediaTypes++;
    return null;
  }
  const read = (name) => {
    try {
      return model[name];
    } catch (e) {
      return undefined;
    }
  };
  const mime = read('__x_mimetype');
  const filename = read('__x_filename');
  return {
    type,
    mime: typeof mime === 'string' ? mime : null,
    size: tarvoNum(read('__x_size')),
    filename: typeof filename === 'string' ? filename : null,
    viewOnce: !!read('__x_isViewOnce'),
    duration: tarvoNum(read('__x_duration')),
  };
}

// Only blob: addresses the page itself rendered: no request reaches WhatsApp's servers and
// nothing is decrypted here.
async function tarvoMediaBytes(row, media, mediaBudget) {
  if (tarvoStopped()) return { note: TARVO_NOTE_STOPPED };
  const sources = [];
  for (const el of row.querySelectorAll('img, video, audio, source')) {
    const src = el.getAttribute('src');
    if (src && src.startsWith('blob:') && !sources.includes(src)) sources.push(src);
  }
  if (!sources.length) return { note: TARVO_NOTE_NOT_DECODED };
  if (mediaBudget.left <= 0) return { note: TARVO_NOTE_BUDGET };
  let largest = null;
  for (const src of sources) {
    try {
      const blob = await (await fetch(src)).blob();
      if (!largest || blob.size > largest.size) largest = blob;
    } catch (e) {}
  }
  if (!largest) return { note: TARVO_NOTE_REFUSED };
  // A preview is never sent under the real file's size.
  if (media.size !== null && largest.size < media.size) return { note: TARVO_NOTE_PREVIEW, have: largest.size };
  if (largest.size > mediaBudget.left) return { note: TARVO_NOTE_BUDGET };
  let binary = '';
  try {
    const bytes = new Uint8Array(await largest.arrayBuffer());
    for (let i = 0; i < bytes.length; i += 0x8000) {
      binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
  } catch (e) {
    return { note: TARVO_NOTE_REFUSED };
  }
  mediaBudget.left -= largest.size;
  return { b64: btoa(binary), have: largest.size, blobType: largest.type || null };
}

// The first message row of a cold open often arrives alone, the rest a few hundred ms later.
async function tarvoSettle(main, state) {
  let last = tarvoMsgRows(main).length;
  let stable = 0;
  for (let turn = 0; turn < 10; turn++) {
    await tarvoWait(150);
    const count = tarvoMsgRows(main).length;
    if (count === last) {
      stable++;
    } else {
      stable = 0;
      last = count;
    }
    if (turn >= 3 && stable >= 2) break;
  }
  if (stable < 2) state.panesStillGrowing++;
  return last;
}

function tarvoRowId(row) {
  const dataId = row.getAttribute('data-id');
  if (dataId) return dataId;
  const testId = row.getAttribute('data-testid');
  return testId && testId.startsWith('conv-msg-') ? testId.slice(9) || null : null;
}

function tarvoModelId(model) {
  try {
    const id = model && model.__x_id && model.__x_id.id;
    return typeof id === 'string' ? id : null;
  } catch (e) {
    return null;
  }
}

async function tarvoHarvest(out, state, mediaBudget) {
  const main = document.querySelector('#main');
  if (!main) {
    state.noPane++;
    return 0;
  }
  const rows = tarvoMsgRows(main);
  state.rowsSeen += rows.length;
  if (!rows.length) {
    state.chatsWithNoRows++;
    return 0;
  }
  const conv = tarvoChatRef(main);
  const emittedBefore = out.length;
  for (let i = Math.max(0, rows.length - __ARG_messageLimit__); i < rows.length; i++) {
    const row = rows[i];
    const id = tarvoRowId(row);
    if (!id) {
      state.noId++;
      continue;
    }
    if (state.seen.has(id)) continue;
    state.seen.add(id);
    if (row.querySelector('[data-testid="msg-notification-container"]')) {
      state.systemLines++;
      continue;
    }
    // The old three-field id names direction and conversation itself; the companion parses it.
    const legacy = id.includes('@') && id.includes('_');
    const model = tarvoMsgModel(row);
    const modelId = tarvoModelId(model);
    if (!legacy && modelId !== null && modelId !== id) state.idsDisagree++;
    const media = tarvoMedia(model, state);
    const domText = tarvoBubbleText(row, !media, state);
    const text = tarvoUncollapse(row, model, media, domText, tarvoText(row, model, media, domText), state);
    if (!text && !media) {
      state.noText++;
      let type = null;
      try {
        type = model && model.__x_type;
      } catch (e) {}
      if (type === 'ciphertext') {
        state.ciphertextRows++;
        const tagged = modelId !== null ? modelId : legacy ? null : id;
        if (tagged !== null) state.cipherTags.push(tarvoTag(tagged));
      }
      continue;
    }
    let fromMe = null;
    let t = null;
    try {
      if (typeof model.__x_id.fromMe === 'boolean') fromMe = model.__x_id.fromMe;
    } catch (e) {}
    try {
      if (typeof model.__x_t === 'number') t = model.__x_t;
    } catch (e) {}
    if (fromMe === null) {
      if (row.querySelector('[data-testid="tail-out"]')) fromMe = true;
      else if (row.querySelector('[data-testid="tail-in"]')) fromMe = false;
    }
    if (fromMe === null && !legacy) {
      state.noDirection++;
      continue;
    }
    if (conv === null && !legacy) {
      state.noConversation++;
      continue;
    }
    const holder = row.querySelector('.copyable-text[data-pre-plain-text]') || row.querySelector('[data-pre-plain-text]');
    // Read now, while the conversation is on screen: later would mean opening the chat again.
    let bytes = null;
    if (media) {
      state.mediaRows++;
      if (media.viewOnce) {
        bytes = { note: TARVO_NOTE_VIEW_ONCE };
        state.mediaViewOnce++;
      } else {
        bytes = await tarvoMediaBytes(row, media, mediaBudget);
        if (bytes.b64 !== undefined) state.mediaBytes++;
        else state.mediaWithoutBytes++;
      }
    }
    out.push({
      id, conv, title: tarvoOpenChatTitle(), author: tarvoAuthorRef(row, conv), fromMe, t,
      pre: holder ? holder.getAttribute('data-pre-plain-text') : null, text, media, bytes, order: out.length,
      chat: null,
    });
  }
  if (conv === null && out.length === emittedBefore) state.chatsWithNoId++;
  return rows.length;
}

function tarvoChatMsgs(chat) {
  try {
    const msgs = chat.msgs;
    if (!msgs) return null;
    // Plain arrays first: reading one runs none of the page's code.
    let list = null;
    if (Array.isArray(msgs._models)) list = msgs._models;
    else if (Array.isArray(msgs.models)) list = msgs.models;
    else if (typeof msgs.getModelsArray === 'function') list = msgs.getModelsArray();
    return list && typeof list.length === 'number' ? list : null;
  } catch (e) {
    return null;
  }
}

function tarvoShallow(chat, msgs) {
  let unread = null;
  try {
    unread = chat.__x_unreadCount !== undefined ? chat.__x_unreadCount : chat.unreadCount;
  } catch (e) {}
  if (typeof unread !== 'number' || !(unread > 0)) return false;
  let found = 0;
  for (let i = msgs.length - 1; i >= 0 && found < unread; i--) {
    try {
      if (msgs[i].__x_id.fromMe === false) found++;
    } catch (e) {}
  }
  return found < unread;
}

function tarvoAddTag(lists, key, tag) {
  const list = lists[key] || (lists[key] = []);
  if (!list.includes(tag)) list.push(tag);
}

function tarvoPeekChat(chat, key, title, limit, out, state, want) {
  if (!chat) return null;
  const conv = tarvoRefOfChat(chat);
  const msgs = tarvoChatMsgs(chat);
  if (!msgs || !msgs.length) return null;
  if (tarvoShallow(chat, msgs)) state.peekShallow++;
  const wanted = new Set(want);
  const first = Math.max(0, msgs.length - limit);
  // Waited-on messages are looked for in the whole collection: the open path reads more rows.
  const reading = [];
  for (let i = 0; i < first; i++) {
    const id = tarvoModelId(msgs[i]);
    if (id !== null && wanted.has(tarvoTag(id))) reading.push(msgs[i]);
  }
  for (let i = first; i < msgs.length; i++) reading.push(msgs[i]);
  let waiting = false;
  for (const msg of reading) {
    state.peekRows++;
    const id = tarvoModelId(msg);
    let fromMe = null;
    let t = null;
    let type = null;
    try {
      fromMe = msg.__x_id.fromMe;
    } catch (e) {}
    try {
      t = msg.__x_t;
    } catch (e) {}
    try {
      type = msg.__x_type;
    } catch (e) {}
    const tag = id ? tarvoTag(id) : null;
    if (type === 'ciphertext') {
      state.peekWaiting++;
      waiting = true;
      if (tag) tarvoAddTag(state.waitingTags, key, tag);
      continue;
    }
    if (tag && wanted.has(tag)) tarvoAddTag(state.resolvedTags, key, tag);
    if (!id || typeof fromMe !== 'boolean' || typeof t !== 'number' || !conv) {
      state.peekUnreadable++;
      continue;
    }
    if (state.seen.has(id)) continue;
    const media = tarvoMedia(msg, state);
    // A system message, a deleted message or a call is not something anybody said.
    if (!media && type !== 'chat') {
      if (!type) state.peekUnreadable++;
      continue;
    }
    let words = '';
    try {
      const value = media ? msg.__x_caption : msg.__x_body;
      if (typeof value === 'string') words = value;
    } catch (e) {}
    if (!words && !media) {
      state.peekUnreadable++;
      continue;
    }
    state.seen.add(id);
    out.push({
      id, conv, title, author: tarvoAuthorOf(msg, conv), fromMe, t, pre: null, text: words, media,
      bytes: media ? { note: media.viewOnce ? TARVO_NOTE_VIEW_ONCE : TARVO_NOTE_NOT_ON_SCREEN } : null,
      order: out.length, chat: key, peek: true,
    });
  }
  return waiting;
}

// Reads chats whose row has not moved out of the page's memory, without opening them. Runs
// before anything is pressed, because pressing re-renders the list.
function tarvoPeekPass(rows, prints, kinds, known, wanted, limit, messageLimit, out, state, watching) {
  const rowOfKey = new Map();
  for (let i = 0; i < prints.length; i++) {
    if (prints[i] === null || kinds[i] !== null) continue;
    const key = prints[i].split('|')[0];
    // A row that moved belongs to the walk.
    if (!rowOfKey.has(key)) rowOfKey.set(key, known.has(prints[i]) ? i : -1);
  }
  let looked = 0;
  for (const key of wanted) {
    if (looked >= limit || tarvoStopped()) break;
    if (state.peeked.has(key) || state.peekBlind.has(key)) continue;
    const index = rowOfKey.has(key) ? rowOfKey.get(key) : -1;
    if (index < 0) continue;
    looked++;
    const row = rows[index];
    const chat = tarvoRowChatModel(row);
    let title = '';
    try {
      const span = row.querySelector('span[title]');
      title = tarvoBestTitle([span ? span.getAttribute('title') : '']);
    } catch (e) {}
    const want = watching && Array.isArray(watching[key]) ? watching[key] : [];
    const waiting = tarvoPeekChat(chat, key, title, messageLimit, out, state, want);
    if (waiting === null) {
      state.peekBlind.add(key);
    } else {
      state.peeked.add(key);
      if (waiting) state.ciphertextChats.add(key);
    }
  }
}
