// What the page scripts rely on in the real page, each shown twice: the script that ships behaves
// on the chat-app fixture, and a copy of it with one known fault planted back in fails there. A
// fault that survives its row means the fixture has drifted towards what the scripts assume.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { capture, events, ids, people, pressed, receive, said, send, setState, snapshot, tweak, withChatApp, withMessages }
  from './chatApp.mjs';

let tab;
withChatApp((opened) => { tab = opened; });

const chatsPage = (state) => setState(tab, { view: 'chats', open: null, ...state })
  .then(() => tab.evaluate('fixture.events.length = 0'));
const sent = async () => (await events(tab)).filter((e) => e.type === 'sent');

// A row opens on the whole pointer press; a click alone opens nothing.
async function pressesOpenRows(run) {
  await chatsPage({ chats: withMessages(people(3)) });
  const first = await run.capture({ bootstrapChats: 1 });
  assert.deepEqual([first.opened, first.neverSelected], [1, 0]);
  assert.deepEqual(ids(first), ['old0']);
  assert.deepEqual((await events(tab)).filter((e) => e.type === 'bareClick'), []);
}

// The chat's model renders below the row: a channel is told by it and never opened, and every
// row gives up its chat id.
async function modelsBelowRows(run) {
  const channel = { ref: '120363111111111@newsletter', name: 'Daily News', messages: [said('news', 'headline')] };
  const chats = [channel, ...withMessages(people(2))];
  await chatsPage({ chats });
  const first = await run.capture({ bootstrapChats: 3 });
  assert.deepEqual([first.rowsWithoutChatId, first.nonConversationRows], [0, 1]);
  assert.deepEqual(await pressed(tab), [chats[1].ref, chats[2].ref]);
  assert.deepEqual(first.messages.map((m) => m.conv), [chats[1].ref, chats[2].ref]);
}

// A chat moving to the top pushes the last laid-out row out of the viewport; its print must not
// move with it, or the pass opens (and marks read) a chat in which nothing happened.
async function rowsOutOfViewKeepTheirPrints(run) {
  const chats = withMessages(people(12));
  await chatsPage({ chats });
  const first = await run.capture({ bootstrapChats: 0 });
  await receive(tab, chats[11].ref, said('late11', 'from the bottom'));
  await tab.evaluate('fixture.events.length = 0');
  const pass = await run.capture({ known: first.fingerprints });
  assert.deepEqual([pass.changed, pass.opened], [1, 1]);
  assert.deepEqual(await pressed(tab), [chats[11].ref]);
}

// Every reference form the page uses; a "@lid" chat is filed under the phone-shaped ref it also
// carries when it has one.
async function everyReferenceForm(run) {
  const chats = [
    { ref: '123456789012345@lid', historyRef: '4917000000001@c.us', name: 'Linked with a phone' },
    { ref: '223456789012345@lid', name: 'Linked only' },
    { ref: '4917000000002-1600000000@g.us', name: 'Old group' },
    { ref: '4917000000003@s.whatsapp.net', name: 'Phone protocol' },
  ].map((chat, i) => ({ ...chat, messages: [said(`ref${i}`, `hello ${i}`)] }));
  await chatsPage({ chats });
  const first = await run.capture({ bootstrapChats: 4 });
  assert.deepEqual([first.unreadableRows, first.rowsWithoutChatId, first.noConversation], [0, 0, 0]);
  assert.deepEqual(Object.fromEntries(first.messages.map((m) => [m.id, m.conv])), {
    ref0: '4917000000001@c.us', ref1: '223456789012345@lid', ref2: '4917000000002-1600000000@g.us',
    ref3: '4917000000003@s.whatsapp.net',
  });
}

// Message rows marked with their test id and no data-id are read all the same.
async function markedMessageRows(run) {
  const [chat] = people(1);
  await chatsPage({ markedMessageRows: true, chats: [{ ...chat, messages: [said('m1', 'one'), said('m2', 'two')] }] });
  const first = await run.capture({ bootstrapChats: 1 });
  assert.deepEqual([first.opened, first.noId], [1, 0]);
  assert.deepEqual(ids(first), ['m1', 'm2']);
}

// The pane follows the selection late, still showing the chat open before: nothing is read, filed
// or baselined until it shows the pressed chat, whose news this pass or the next then reads. The
// two panes hold as many rows, so nothing but the chat they show tells them apart.
async function paneFollowsLate(run) {
  const [before, after] = people(2);
  await chatsPage({
    paneDelayMs: 1500,
    chats: [{ ...before, messages: [said('a1', 'one'), said('a2', 'two')] }, { ...after, messages: [said('b1', 'one')] }],
  });
  const first = await run.capture({ bootstrapChats: 0 });
  assert.deepEqual(ids(first), ['a1', 'a2']);
  await receive(tab, after.ref, said('b2', 'two'));
  const pass = await run.capture({ known: first.fingerprints });
  const next = await run.capture({ known: pass.fingerprints });
  const read = [...pass.messages, ...next.messages];
  assert.deepEqual(read.map((m) => [m.id, m.conv]), [['b1', after.ref], ['b2', after.ref]]);
  assert.equal(new Set(read.map((m) => m.chat)).size, 1);
}

// A row element the list reuses shows another chat a moment after the press: the pressed chat is
// followed by its chat, and read.
async function recycledRows(run) {
  const chats = withMessages(people(6));
  await chatsPage({ chats });
  const first = await run.capture({ bootstrapChats: 0 });
  const [, , pressedChat, , , below] = chats;
  await receive(tab, pressedChat.ref, said('news2', 'news'));
  await tweak(tab, pressedChat.ref, { whenPressed: { receive: [below.ref, said('news5', 'moves to the top')] } });
  const pass = await run.capture({ known: first.fingerprints });
  assert.deepEqual([pass.opened, pass.neverSelected], [1, 0]);
  assert.deepEqual(ids(pass), ['old2', 'news2']);
}

// The page turns to its linking view in the middle of a pass: the report says so, keeps what was
// read before, and offers no baseline.
async function pageLostMidPass(run) {
  const chats = withMessages(people(3));
  await chatsPage({ chats });
  const first = await run.capture({ bootstrapChats: 0 });
  await receive(tab, chats[0].ref, said('news0', 'first'));
  await receive(tab, chats[1].ref, said('news1', 'second'));
  await tweak(tab, chats[0].ref, { whenPressed: { view: 'link' } });
  const pass = await run.capture({ known: first.fingerprints });
  assert.deepEqual([pass.ok, pass.stage, pass.opened, pass.fingerprints], [false, 'chatListMissing', 1, []]);
  assert.deepEqual(ids(pass), ['old1', 'news1']);
}

const aConversation = (state) => setState(tab, { view: 'chats', chats: people(1), open: people(1)[0].ref, ...state })
  .then(() => tab.evaluate('fixture.events.length = 0'));

// The composer empties 400 ms after the press: the message went, and the script says so.
async function composerEmptiesLate(run) {
  await aConversation({ composerClearsAfterMs: 400 });
  assert.deepEqual(await run.send('On its way'), { ok: true });
  assert.deepEqual((await sent()).map((e) => e.text), ['On its way']);
}

// A draft in the composer is left as it is and nothing is sent.
async function draftInTheWay(run) {
  await aConversation({ draft: 'Half a thought' });
  const answer = await run.send('The reply');
  assert.equal(answer.ok, false);
  assert.match(answer.reason, /draft/);
  assert.deepEqual(await sent(), []);
  assert.equal((await snapshot(tab)).composerText, 'Half a thought');
}

// Each row: what the page does, the fault that ignores it, the script it is planted in, the check
// of the page's behaviour, and the text replacements that plant the fault.
const plantedFaults = [
  ['a row opens only on a whole press', 'presses with a bare click', 'capture', pressesOpenRows,
    [['press(target);', 'target.click();']]],
  ['the chat model renders below the row', 'asks the row element alone', 'capture', modelsBelowRows, [
    ['function tarvoRowChatRef(row) {', 'function tarvoRowChatRef(row) {\nreturn tarvoChatRef(row);'],
    ['function tarvoRowChatModel(row) {', 'function tarvoRowChatModel(row) {\nreturn tarvoChatModel(row);'],
  ]],
  ['rows outside the viewport are not laid out', 'reads row text with innerText first', 'capture',
    rowsOutOfViewKeepTheirPrints, [['return row.textContent || row.innerText', 'return row.innerText || row.textContent']]],
  ['a "@lid" chat carries its phone-shaped ref', 'ignores the history ref', 'capture', everyReferenceForm,
    [['const raw = chat.__x_historyChatId;', 'const raw = null;']]],
  ['chats have "@lid" refs', 'takes no "@lid" ref', 'capture', everyReferenceForm, [['g\\.us|lid|', 'g\\.us|']]],
  ['message rows may be marked by test id alone', 'counts only rows with a data-id', 'capture', markedMessageRows,
    [['\'[data-testid^="conv-msg-"]\'', '\'[data-testid^="unmarked-"]\'']]],
  ['the pane follows the selection late', 'takes a selected row as arrived', 'capture', paneFollowsLate,
    [['const showing = open && paneShows(expected, before);', 'const showing = open;']]],
  ['row elements are reused for other chats', 'follows the pressed element', 'capture', recycledRows,
    [['const current = liveRow(key);', 'const current = row.isConnected ? row : liveRow(key);']]],
  ['the page can turn to its linking view mid-pass', 'reports a read', 'capture', pageLostMidPass,
    [['if (lostAt !== null)', 'if (false)']]],
  ['the composer may empty late', 'reports it as not sent', 'send', composerEmptiesLate, [
    ['const HELD_LOOKS = 30;', 'const HELD_LOOKS = 2;'],
    ['Tarvo could not tell whether WhatsApp Web sent that. Nothing is assumed.',
      'WhatsApp Web did not accept the send. The reply is still in the message box.'],
  ]],
  ['the composer may hold a draft', 'types over it', 'send', draftInTheWay, [['if (draft) {', 'if (false) {']]],
];

// Every replacement must find its text exactly once, so a script that changed cannot leave a row
// planting nothing. That failure is no assertion, so it never passes for the fault being caught.
function planted(replacements) {
  return (script) => replacements.reduce((text, [from, to]) => {
    if (text.split(from).length !== 2) throw new Error(`the text to plant the fault in is not in the script once: ${from}`);
    return text.replace(from, () => to);
  }, script);
}

function runner(kind, edit) {
  const only = (of) => (of === kind ? edit : undefined);
  return {
    capture: (args) => capture(tab, args, only('capture')),
    send: (body) => send(tab, body, only('send')),
  };
}

for (const [page, fault, kind, behaviour, replacements] of plantedFaults) {
  test(`${page}, and a ${kind} script that ${fault} fails there`, async () => {
    await behaviour(runner(kind));
    await assert.rejects(behaviour(runner(kind, planted(replacements))), assert.AssertionError);
  });
}
