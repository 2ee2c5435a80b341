import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import { beforeEach, test } from 'node:test';

import { capture, ids, people, pressed, receive, said, setState, tweak, withChatApp, withMessages } from './chatApp.mjs';
import { readScript } from './harness.mjs';

let tab;
withChatApp((opened) => { tab = opened; });
beforeEach(() => tab.evaluate('fixture.events.length = 0'));

// The script's functions on their own, to ask the page what they make of a value.
const functions = ['capture-names.js', 'capture-messages.js', 'capture-list.js'].map(readScript).join('\n');
const inPage = (expression, args = {}) => tab.callFunction(`${functions}\nreturn ${expression};`, args);
const keysOf = (refs) => inPage('refs.map(hash)', { refs });
const keyOf = (print) => print.split('|')[0];

// The C++ side's reading of a report, as the companion reads it.
const reader = process.env.TARVO_READ_CAPTURE_REPORT ||
  fileURLToPath(new URL('../../build/tests/read_capture_report', import.meta.url));
const now = 1766000000;
function readOnTheCompanion(report) {
  if (!existsSync(reader)) throw new Error(`no ${reader}: build the companion first (tools/build.sh plain)`);
  return JSON.parse(execFileSync(reader, [String(now)], { input: JSON.stringify(report), encoding: 'utf8' }));
}

test('row keys and message tags hash the same on every page', async () => {
  assert.deepEqual(await inPage('[hash(""), hash("abc"), tarvoTag(""), tarvoTag("abc")]'), ['45h', '375fut', 'm45h', 'm375fut']);
});

test('a header line that is a placeholder or a presence is no name; a list of participants is', async () => {
  const cases = [
    [['  CLICK HERE FOR GROUP INFO ', 'Ana'], 'Ana'],
    [['Online', 'typing\u2026', 'typing...', 'last seen today at 10:25', ''], ''],
    [['Last seen recently', ' Ana, Bo, +44 7700 900123 '], 'Ana, Bo, +44 7700 900123'],
    [['lastseen', 'x'], 'lastseen'],
  ];
  for (const [candidates, name] of cases) assert.equal(await inPage('tarvoBestTitle(candidates)', { candidates }), name);
});

test('each stage comes from a state of the page', async () => {
  await setState(tab, { view: 'link', chats: [], open: null });
  const missing = await capture(tab);
  assert.deepEqual([missing.ok, missing.stage, missing.rowsInList, missing.fingerprints], [false, 'chatListMissing', 0, []]);
  assert.equal('unreadableRows' in missing, false);

  await setState(tab, { view: 'chats', chats: [], open: null, archivedFolder: true });
  const empty = await capture(tab);
  assert.deepEqual([empty.ok, empty.stage, empty.messages], [false, 'noChatRows', []]);

  const chats = withMessages(people(8));
  await setState(tab, { view: 'chats', chats, open: null });
  const first = await capture(tab);
  assert.equal(first.stage, 'firstLook');
  // The new-chat lane takes the top row, the rotation from the top the next two.
  assert.deepEqual(await pressed(tab), chats.slice(0, 3).map((c) => c.ref));
  assert.deepEqual(ids(first), ['old0', 'old1', 'old2']);
  assert.deepEqual([first.changed, first.opened, first.deferred, first.fingerprints.length], [8, 3, 0, 8]);

  await tab.evaluate('fixture.events.length = 0');
  const quiet = await capture(tab, { known: first.fingerprints });
  assert.deepEqual([quiet.ok, quiet.stage, quiet.messages, quiet.opened], [true, 'nothingChanged', [], 0]);
  assert.deepEqual(new Set(quiet.fingerprints), new Set(first.fingerprints));
  assert.deepEqual(await pressed(tab), []);

  await receive(tab, chats[5].ref, said('new5', 'are you there?'));
  const read = await capture(tab, { known: first.fingerprints });
  assert.equal(read.stage, 'read');
  assert.deepEqual([read.changed, read.opened, read.deferred], [1, 1, 0]);
  assert.deepEqual(ids(read), ['old5', 'new5']);
  assert.deepEqual(await pressed(tab), [chats[5].ref]);
});

test('with a chat limit of two the third changed chat waits for the next pass and loses nothing', async () => {
  const chats = withMessages(people(6));
  await setState(tab, { view: 'chats', chats, open: null });
  const first = await capture(tab);
  for (const i of [1, 3, 4]) await receive(tab, chats[i].ref, said(`new${i}`, `news ${i}`));
  const [key1] = await keysOf([chats[1].ref]);

  const pass = await capture(tab, { known: first.fingerprints, chatLimit: 2 });
  assert.deepEqual([pass.stage, pass.changed, pass.opened, pass.deferred], ['read', 3, 2, 1]);
  assert.deepEqual(ids(pass).filter((id) => id.startsWith('new')), ['new4', 'new3']);
  assert.equal(pass.fingerprints.some((print) => keyOf(print) === key1), false);
  assert.equal(pass.fingerprints.length, 5);

  const next = await capture(tab, { known: pass.fingerprints, chatLimit: 2, cursor: 1 });
  assert.deepEqual([next.changed, next.opened, next.deferred], [1, 1, 0]);
  assert.deepEqual(ids(next), ['old1', 'new1']);
  assert.equal(next.fingerprints.length, 6);
});

test('a chat whose messages were not all read is not baselined', async () => {
  const [stubborn, waiting, busy, plain] = people(4);
  await setState(tab, { view: 'chats', chats: withMessages([stubborn, waiting, busy, plain]), open: null });
  const first = await capture(tab, { bootstrapChats: 0 });
  await tweak(tab, stubborn.ref, { ignoresPress: true });
  // Delivered while the companion has moved on to the next chat, after this one was read.
  await tweak(tab, busy.ref, { arrivesAfterLeaving: said('late', 'one more thing') });
  await receive(tab, plain.ref, said('p1', 'plain news'));
  await receive(tab, waiting.ref, said('cipher1', undefined, { ciphertext: true }));
  await receive(tab, stubborn.ref, said('s1', 'pressed in vain'));
  await receive(tab, busy.ref, said('b1', 'busy news'));
  const [stubbornKey, waitingKey, busyKey, plainKey] = await keysOf([stubborn.ref, waiting.ref, busy.ref, plain.ref]);
  await tab.evaluate('fixture.events.length = 0');

  const pass = await capture(tab, { known: first.fingerprints });
  assert.deepEqual(await pressed(tab), [busy.ref, stubborn.ref, waiting.ref, plain.ref]);
  assert.deepEqual([pass.opened, pass.failedToOpen, pass.neverSelected, pass.deferred], [3, 1, 1, 3]);
  assert.deepEqual(pass.fingerprints.map(keyOf), [plainKey]);
  assert.deepEqual(pass.heldBack, [waitingKey]);
  assert.deepEqual([pass.noText, pass.ciphertextRows, pass.ciphertextChats], [1, 1, [waitingKey]]);
  assert.deepEqual(pass.waitingTags, { [waitingKey]: [await inPage('tarvoTag("cipher1")')] });
  assert.equal(ids(pass).includes('late'), false);

  await tweak(tab, stubborn.ref, { ignoresPress: false });
  const next = await capture(tab, { known: pass.fingerprints, retriesSpent: [waitingKey] });
  assert.deepEqual(ids(next).filter((id) => ['late', 's1'].includes(id)).sort(), ['late', 's1']);
  assert.deepEqual(new Set(next.fingerprints.map(keyOf)), new Set([stubbornKey, waitingKey, busyKey, plainKey]));
  assert.deepEqual(next.heldBack, []);
});

const blobBytes = (size) => Buffer.from(Uint8Array.from({ length: size }, (_, i) => (i * 7 + size) % 256));

// One conversation with a row of every kind the reader meets.
const everyKind = {
  ref: '491700000000@c.us',
  name: 'Ana Lima',
  messages: [
    said('quoted', 'yes, at eight', { quote: 'are you coming?', pre: '[10:25, 10/12/2026] Ana Lima: ' }),
    said('long', 'a'.repeat(900), { shown: 'a'.repeat(300) + '\u2026' }),
    said('cut', 'Cut short\u2026', { shown: 'Cut short\u2026' }),
    said('sys', 'Ana changed the group name', { system: true }),
    said('legacy', 'from an older page', { legacyId: true, noTail: true }),
    said('clock', 'x', { clockOnly: true }),
    said('rowid', 'two names', { rowId: 'ROWID', fromMe: true, author: '4917000000009@c.us' }),
    said('lost', 'no direction', { noModel: true, noTail: true }),
    said('pic', '', { media: { type: 'image', mime: 'image/jpeg', size: 600, blob: 600 } }),
    said('doc', 'the report', { media: { type: 'document', mime: 'application/pdf', filename: 'report.pdf', size: 800, blob: 800 } }),
    said('vid', '', { media: { type: 'video', mime: 'video/mp4', size: 5000, preview: 300, duration: 12 } }),
    said('once', '', { media: { type: 'image', mime: 'image/jpeg', size: 100, blob: 100, viewOnce: true } }),
    said('voice', '', { media: { type: 'ptt', mime: 'audio/ogg', size: 50, duration: 3 } }),
  ],
};
const notes = {
  budget: 'over this pass\'s transfer budget \u2014 it will be read on a later pass',
  preview: 'only a preview is on screen \u2014 WhatsApp has not downloaded the full file here',
  viewOnce: 'the sender set this to view once, so nothing was read',
  notDecoded: 'WhatsApp Web has not decoded this file on this Mac yet',
};

test('an open conversation is read row by row, and its files within the pass\'s budget', async () => {
  await setState(tab, { view: 'chats', chats: [everyKind, ...withMessages(people(2))], open: null });
  const report = await capture(tab, { bootstrapChats: 1, mediaBudget: 1000 });
  const byId = Object.fromEntries(report.messages.map((m) => [m.id, m]));
  const legacyId = `false_${everyKind.ref}_legacy`;
  assert.deepEqual(ids(report), ['quoted', 'long', 'cut', legacyId, 'ROWID', 'pic', 'doc', 'vid', 'once', 'voice']);
  assert.deepEqual(
    Object.fromEntries(report.messages.map((m) => [m.id, m.text])),
    { quoted: 'yes, at eight', long: 'a'.repeat(900), cut: 'Cut short\u2026', [legacyId]: 'from an older page',
      ROWID: 'two names', pic: '', doc: 'the report', vid: '', once: '', voice: '' });
  assert.deepEqual(
    [report.collapsedRows, report.collapsedRepaired, report.shortenedWithoutFullText, report.systemLines,
      report.clockAsText, report.noText, report.idsDisagree, report.noDirection],
    [2, 1, 1, 1, 1, 1, 1, 1]);
  assert.deepEqual([byId[legacyId].fromMe, byId.quoted.pre, byId.quoted.title], [null, '[10:25, 10/12/2026] Ana Lima: ', 'Ana Lima']);
  assert.equal(byId.ROWID.author, '4917000000009@c.us');

  assert.deepEqual([report.mediaRows, report.mediaBytes, report.mediaWithoutBytes, report.mediaViewOnce], [5, 1, 3, 1]);
  assert.deepEqual(byId.pic.bytes, { b64: blobBytes(600).toString('base64'), have: 600, blobType: 'image/jpeg' });
  assert.deepEqual(byId.doc.bytes, { note: notes.budget });
  assert.deepEqual(byId.vid.bytes, { note: notes.preview, have: 300 });
  assert.deepEqual(byId.once.bytes, { note: notes.viewOnce });
  assert.deepEqual(byId.voice.bytes, { note: notes.notDecoded });
  assert.deepEqual(byId.doc.media,
    { type: 'document', mime: 'application/pdf', size: 800, filename: 'report.pdf', viewOnce: false, duration: null });
  // The clock-only row had no words yet, so the chat is read again next pass.
  assert.equal(report.heldBack.length, 1);

  // The companion reads every record and counter the page wrote.
  const read = readOnTheCompanion(report);
  assert.equal(read.stage, 'first look on this Mac \u2014 read the newest few, noted the rest');
  assert.equal(read.skipped, report.noId + report.noText + report.noConversation);
  assert.deepEqual(read.messages.map((m) => m.externalId), [...ids(report).slice(0, 3), 'legacy', ...ids(report).slice(4)]);
  for (const [i, message] of read.messages.entries()) {
    const record = report.messages[i];
    assert.deepEqual([message.conversationRef, message.text, message.chatKey, message.peeked, message.sentAt],
      [everyKind.ref, record.text, record.chat, false, record.t ?? now - (read.messages.length - record.order)]);
  }
  const readById = Object.fromEntries(read.messages.map((m) => [m.externalId, m]));
  assert.deepEqual([readById.quoted.senderName, readById.quoted.conversationTitle, readById.legacy.isFromMe],
    ['Ana Lima', 'Ana Lima', false]);
  assert.deepEqual(readById.pic.attachments, [{ externalId: 'pic:media', filename: 'image', mimeType: 'image/jpeg',
    sizeBytes: 600, providerHint: 'image', ephemeral: false, durationSeconds: null,
    bytes: blobBytes(600).toString('base64'), bytesNote: null }]);
  assert.deepEqual(readById.vid.attachments.map((a) => [a.sizeBytes, a.durationSeconds, a.bytes, a.bytesNote]),
    [[5000, 12, null, notes.preview]]);
  assert.deepEqual(readById.doc.attachments.map((a) => [a.filename, a.mimeType, a.bytesNote]),
    [['report.pdf', 'application/pdf', notes.budget]]);
  assert.equal(readById.once.attachments[0].ephemeral, true);
  const counters = {
    rowsInList: 'chatsInList', changed: 'changedChats', opened: 'openedChats', failedToOpen: 'unopenableChats',
    rowsSeen: 'rowsSeen', noDirection: 'undirectedRows', systemLines: 'systemLines', deferred: 'deferredChats',
    mediaRows: 'mediaRows', mediaBytes: 'mediaWithBytes', mediaWithoutBytes: 'mediaWithoutBytes',
    mediaViewOnce: 'mediaViewOnce', clockAsText: 'clockRefusedAsText', collapsedRows: 'shortenedMessages',
    collapsedRepaired: 'shortenedFullTextRecovered', shortenedWithoutFullText: 'shortenedWithoutFullText',
    idsDisagree: 'idsDisagree', heldBack: 'heldBackChats', fingerprints: 'fingerprints', harvested: 'harvestedChats',
  };
  for (const [key, field] of Object.entries(counters)) assert.deepEqual(read[field], report[key], key);
});

test('rows that are not conversations, the archived folder and the unrendered rows are never opened', async () => {
  const odd = [
    { ref: '120363111111111@newsletter', name: 'Daily News' },
    { ref: 'status@broadcast', name: 'Status' },
    { ref: '4915999999999@broadcast', name: 'Friends list' },
    { ref: '4915888888888@c.us', name: 'No target', noPressTarget: true },
  ];
  const chats = withMessages([...odd, ...people(40)]);
  await setState(tab, { view: 'chats', chats, open: null, archivedFolder: true });
  // Scrolled a little way down, as a person may leave it: the pass reads from the top.
  await tab.evaluate('document.querySelector("#pane-side").scrollTop = 216');
  const first = await capture(tab);
  const rendered = await tab.evaluate('document.querySelectorAll("#pane-side [role=row]").length');
  assert.equal(await tab.evaluate('document.querySelector("#pane-side").scrollTop'), 0);
  assert.equal(first.rowsInList, rendered);
  assert.ok(rendered < chats.length);
  assert.deepEqual([first.nonConversationRows, first.rowsWithoutTarget, first.rowsWithoutChatId], [3, 1, 0]);
  assert.deepEqual(await pressed(tab), chats.slice(4, 7).map((c) => c.ref));

  await receive(tab, odd[0].ref, said('channel1', 'today\'s news'));
  await tab.evaluate('fixture.events.length = 0');
  const pass = await capture(tab, { known: first.fingerprints });
  assert.deepEqual([pass.stage, pass.changed, pass.opened, pass.deferred], ['read', 1, 0, 1]);
  assert.deepEqual(await pressed(tab), []);
});

test('a chat due a peek is read from the page\'s memory, waited-on messages first, without a press', async () => {
  const many = Array.from({ length: 25 }, (_, i) => said(`p${i}`, `line ${i}`));
  const [peekedChat, ...others] = people(4);
  await setState(tab, {
    view: 'chats', chats: [...withMessages(others), { ...peekedChat, messages: many }], open: null });
  const first = await capture(tab, { bootstrapChats: 0 });
  const [key] = await keysOf([peekedChat.ref]);
  const tag = await inPage('tarvoTag("p2")');
  await tab.evaluate('fixture.events.length = 0');

  const pass = await capture(tab, { known: first.fingerprints, peek: [key, 'nokey'], peekWatching: { [key]: [tag] } });
  assert.equal(pass.stage, 'nothingChanged');
  assert.deepEqual(await pressed(tab), []);
  assert.deepEqual(ids(pass), ['p2', ...many.slice(5).map((m) => m.id)]);
  assert.ok(pass.messages.every((m) => m.peek === true && m.chat === key && m.conv === peekedChat.ref));
  assert.deepEqual([pass.peeked, pass.peekRows, pass.resolvedTags], [[key], 21, { [key]: [tag] }]);
});
