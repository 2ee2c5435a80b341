// The capture pass: fingerprint the chat list, peek, open the changed chats within the budget,
// and answer one JSON report. Opening a conversation marks it read on the user's account, so
// only rows that moved are opened, and a row is baselined only when it was really read.
const out = [];
const state = {
  seen: new Set(), rowsSeen: 0, noId: 0, noText: 0, noDirection: 0, noConversation: 0, systemLines: 0,
  chatsWithNoId: 0, chatsWithNoRows: 0, noPane: 0, mediaRows: 0, mediaBytes: 0, mediaWithoutBytes: 0,
  mediaViewOnce: 0, unknownMediaTypes: 0, clockAsText: 0, panesStillGrowing: 0, collapsedRows: 0,
  collapsedRepaired: 0, shortenedWithoutFullText: 0, ciphertextRows: 0, peeked: new Set(), peekBlind: new Set(),
  peekRows: 0, peekWaiting: 0, peekUnreadable: 0, peekShallow: 0, idsDisagree: 0, harvestedChats: new Set(),
  ciphertextChats: new Set(), waitingTags: {}, resolvedTags: {}, cipherTags: [], rowsWithoutTarget: 0,
};
// Shared by every conversation of the pass, so the ceiling holds for the pass, not per chat.
const mediaBudget = { left: __ARG_mediaBudget__ };

function report(stage, extras) {
  return JSON.stringify(Object.assign({
    ok: stage === 'read' || stage === 'firstLook' || stage === 'nothingChanged',
    stage,
    messages: out,
    rowsInList: 0, changed: 0, opened: 0, failedToOpen: 0,
    rowsSeen: state.rowsSeen, noId: state.noId, noText: state.noText, noDirection: state.noDirection,
    noConversation: state.noConversation, systemLines: state.systemLines, chatsWithNoId: state.chatsWithNoId,
    chatsWithNoRows: state.chatsWithNoRows, mediaRows: state.mediaRows, mediaBytes: state.mediaBytes,
    mediaWithoutBytes: state.mediaWithoutBytes, mediaViewOnce: state.mediaViewOnce,
    unknownMediaTypes: state.unknownMediaTypes, clockAsText: state.clockAsText,
    panesStillGrowing: state.panesStillGrowing, collapsedRows: state.collapsedRows,
    collapsedRepaired: state.collapsedRepaired, shortenedWithoutFullText: state.shortenedWithoutFullText,
    ciphertextRows: state.ciphertextRows, peekRows: state.peekRows, peekWaiting: state.peekWaiting,
    peekUnreadable: state.peekUnreadable, idsDisagree: state.idsDisagree, peekShallow: state.peekShallow,
    peeked: [...state.peeked], peekBlind: [...state.peekBlind], harvested: [...state.harvestedChats],
    ciphertextChats: [...state.ciphertextChats], waitingTags: state.waitingTags, resolvedTags: state.resolvedTags,
    deferred: 0, rowsWithoutTarget: 0, nonConversationRows: 0, rowsWithoutChatId: 0,
    fingerprints: [], heldBack: [], waitedMs: tarvoWaitedMs,
  }, extras || {}));
}

if (!chatPane()) return report('chatListMissing');
// The list is ordered by recent activity and only its rendered slice exists: scrolling to the
// top makes the newest chats the rendered ones.
let rows = chatRows(state);
if (rows.length) {
  try {
    rows[0].scrollIntoView({ block: 'start' });
  } catch (e) {}
  await tarvoWait(400);
}
rows = chatRows(state);
const rowsInList = rows.length;
if (!rowsInList) return report('noChatRows');
rows = rows.slice(0, 300);

const prints = [];
const kinds = [];
let unreadableRows = 0;
let rowsWithoutChatId = 0;
let nonConversationRows = 0;
for (const row of rows) {
  const print = fingerprint(row);
  if (print === null) unreadableRows++;
  const id = tarvoRowChatId(row);
  if (id === null) rowsWithoutChatId++;
  const kind = tarvoNotAConversation(id);
  if (kind !== null) nonConversationRows++;
  prints.push(print);
  kinds.push(kind);
}
const sharedKeyRows = countSharedKeys(prints);
const listExtras = { rowsInList, unreadableRows, sharedKeyRows, nonConversationRows, rowsWithoutChatId };

const knownList = __ARG_known__;
const spentList = __ARG_retriesSpent__;
const known = new Set(knownList);
const knownKeys = new Set(knownList.map((print) => String(print).split('|')[0]));
const spent = new Set(spentList);
const heldBack = new Set();
const firstLook = known.size === 0 && !__ARG_catchUp__;

if (!firstLook) {
  tarvoPeekPass(rows, prints, kinds, known, __ARG_peek__, __ARG_peekLimit__, __ARG_peekMessageLimit__, out, state,
    __ARG_peekWatching__);
}
// Nobody waits for this answer any more: it only has to end the script.
if (tarvoStopped()) return report('stopped');

// Decided once: opening a chat changes its row.
const changed = [];
for (let i = 0; i < rows.length; i++) {
  if (prints[i] !== null && (firstLook || !known.has(prints[i]))) {
    changed.push({ row: rows[i], key: prints[i].split('|')[0], kind: kinds[i] });
  }
}
const budget = firstLook ? __ARG_bootstrapChats__ : __ARG_chatLimit__;
const wanted = new Set();
const selectable = (entry) => entry.kind === null && openTarget(entry.row) !== null;
// A conversation never seen on this Mac goes first, but within half the budget, so unopenable
// new rows cannot starve the rotation.
const newLane = Math.max(1, Math.floor(budget / 2));
for (const entry of changed) {
  if (wanted.size >= newLane) break;
  if (selectable(entry) && !knownKeys.has(entry.key)) wanted.add(entry.key);
}
// Each pass starts one row further on, so the loud chats at the top cannot take every slot.
const cursor = __ARG_cursor__;
const start = firstLook || !changed.length ? 0 : ((cursor % changed.length) + changed.length) % changed.length;
for (let n = 0; n < changed.length && wanted.size < budget; n++) {
  const entry = changed[(start + n) % changed.length];
  if (selectable(entry)) wanted.add(entry.key);
}

if (!changed.length) {
  return report('nothingChanged', Object.assign({ fingerprints: prints.filter((print) => print !== null) }, listExtras));
}

// By its chat, never by the element: the list reuses a row element for whichever chat comes to
// stand at its place.
function liveRow(key) {
  return chatRows().find((row) => rowKey(row) === key) || null;
}

function paneNow() {
  const main = document.querySelector('#main');
  let ref = null;
  try {
    ref = main ? tarvoChatRef(main) : null;
  } catch (e) {}
  return { main, ref };
}

// The pane follows the selection a moment later and until then still shows the chat open before:
// what it holds is read only once it shows the pressed row's chat. A row that names no chat can
// only be told by a pane that changed since the press (`before`; null when nothing was pressed).
function paneShows(expected, before) {
  const now = paneNow();
  if (expected !== null) return now.ref === expected;
  return before === null || now.main !== before.main || now.ref !== before.ref;
}

const handled = new Set();
const readPrints = new Map();
let opened = 0;
let failedToOpen = 0;
let noPressTarget = 0;
let neverSelected = 0;
let openedEmpty = 0;
let raced = 0;

async function harvestChat(key) {
  const main = document.querySelector('#main');
  if (main) await tarvoSettle(main, state);
  const row = liveRow(key);
  readPrints.set(key, row ? fingerprint(row) : null);
  const noTextBefore = state.noText;
  const ciphertextBefore = state.ciphertextRows;
  const outBefore = out.length;
  const tagsBefore = state.cipherTags.length;
  await tarvoHarvest(out, state, mediaBudget);
  for (let i = outBefore; i < out.length; i++) out[i].chat = key;
  if (state.noText > noTextBefore && !spent.has(key)) heldBack.add(key);
  state.harvestedChats.add(key);
  if (state.ciphertextRows > ciphertextBefore) state.ciphertextChats.add(key);
  for (const tag of state.cipherTags.slice(tagsBefore)) tarvoAddTag(state.waitingTags, key, tag);
}

for (let attempt = 0; attempt < __ARG_chatLimit__; attempt++) {
  if (tarvoStopped()) return report('stopped');
  // A row captured before a press may be detached by now.
  let row = null;
  let key = null;
  for (const live of chatRows()) {
    const liveKey = rowKey(live);
    if (liveKey !== null && wanted.has(liveKey) && !handled.has(liveKey)) {
      row = live;
      key = liveKey;
      break;
    }
  }
  if (row === null) break;
  handled.add(key);
  const expected = tarvoRowChatRef(row);
  if (isOpen(row) && paneShows(expected, null)) {
    opened++;
    await harvestChat(key);
    continue;
  }
  const target = openTarget(row);
  if (!target) {
    failedToOpen++;
    noPressTarget++;
    continue;
  }
  const before = paneNow();
  press(target);
  let seenSelected = false;
  let seenPane = false;
  let mostRows = 0;
  let arrived = false;
  for (let wait = 0; wait < 12 && !arrived; wait++) {
    await tarvoWait(150);
    if (tarvoStopped()) return report('stopped');
    const current = liveRow(key);
    const open = current !== null && isOpen(current);
    const showing = open && paneShows(expected, before);
    if (open) seenSelected = true;
    if (showing) {
      seenPane = true;
      mostRows = Math.max(mostRows, tarvoMsgRows(document.querySelector('#main')).length);
    }
    arrived = showing && mostRows > 0;
  }
  if (arrived) {
    opened++;
    await harvestChat(key);
    continue;
  }
  failedToOpen++;
  if (!seenSelected) {
    neverSelected++;
  } else if (seenPane && mostRows === 0) {
    // An empty conversation has been read; this keeps such rows from taking slots for ever.
    openedEmpty++;
    const live = liveRow(key);
    readPrints.set(key, live ? fingerprint(live) : null);
  } else {
    raced++;
  }
}

const walkExtras = {
  changed: changed.length, opened, failedToOpen, noPressTarget, neverSelected, openedEmpty, raced,
  heldBack: [...heldBack],
};
// A page that turned to another view during the walk (its linking code, a loading screen) has no
// list to baseline: the report says where the page was lost, and the stored prints stay as they were.
const lostAt = !chatPane() ? 'chatListMissing' : !chatRows().length ? 'noChatRows' : null;
if (lostAt !== null) return report(lostAt, Object.assign({}, listExtras, walkExtras));

// After the walk, because opening a chat changes its row. A row that moved and was not read
// keeps its old baseline, so it still looks changed next pass.
const finalRows = chatRows(state).slice(0, 300);
const finalPrints = finalRows.map(fingerprint);
const finalKeyCounts = new Map();
for (const print of finalPrints) {
  if (print === null) continue;
  const key = print.split('|')[0];
  finalKeyCounts.set(key, (finalKeyCounts.get(key) || 0) + 1);
}
const sharedKeys = new Set([...finalKeyCounts].filter(([, count]) => count > 1).map(([key]) => key));
const fingerprints = [];
let deferred = 0;
for (const print of finalPrints) {
  if (print !== null && mayBaseline(firstLook, print.split('|')[0], readPrints, print, known, heldBack, sharedKeys)) {
    fingerprints.push(print);
  } else {
    deferred++;
  }
}

return report(firstLook ? 'firstLook' : 'read', Object.assign({}, listExtras, walkExtras, {
  rowsWithoutTarget: state.rowsWithoutTarget, deferred, fingerprints,
}));
