import assert from 'node:assert/strict';
import { beforeEach, test } from 'node:test';

import {
  address, events, followDeepLink, open, people, pressed, setState, snapshot, withChatApp,
} from './chatApp.mjs';

let tab;
withChatApp((opened) => { tab = opened; });
beforeEach(() => tab.evaluate('fixture.events.length = 0'));


// Whatever the outcome, the list is left unfiltered and at its top for the next capture.
async function assertListPutBack() {
  const seen = await snapshot(tab);
  assert.equal(seen.searchText, '');
  assert.equal(seen.shownSearchText, '');
  assert.equal(seen.listScrollTop, 0);
}

const list = people(120);
const anna = { ref: '4917000000001@c.us', name: 'Anna' };
const otherAnna = { ref: '4917000000002@c.us', name: 'Anna' };
const archived = { ref: '4917000000003@c.us', name: 'Zoe Archived', inList: false };

test('the wanted chat already open is never pressed', async () => {
  await setState(tab, { view: 'chats', chats: list, open: list[5].ref });
  assert.deepEqual(await open(tab, list[5].ref, 'Person 5'), { ok: true, openedRef: list[5].ref, alreadyOpen: true });
  assert.deepEqual(await pressed(tab), []);
});

test('a chat far down the virtualised list is found by walking it and the list goes back up', async () => {
  await setState(tab, { view: 'chats', chats: list, open: list[0].ref });
  assert.equal(await tab.evaluate(`document.querySelector('[role="row"][data-fixture-ref="${list[100].ref}"]')`), null);
  const answer = await open(tab, list[100].ref, 'Person 100');
  assert.deepEqual(answer, { ok: true, openedRef: list[100].ref, alreadyOpen: false, viaSearch: false });
  assert.deepEqual(await pressed(tab), [list[100].ref]);
  await assertListPutBack();
});

test('a chat outside the list is found by its name in the search', async () => {
  await setState(tab, { view: 'chats', chats: [...people(30), archived], open: null });
  const answer = await open(tab, archived.ref, `  ${archived.name}\n`);
  assert.deepEqual(answer, { ok: true, openedRef: archived.ref, alreadyOpen: false, viaSearch: true });
  assert.deepEqual(await pressed(tab), [archived.ref]);
  assert.ok((await events(tab)).some((e) => e.type === 'search' && e.text === archived.name));
  await assertListPutBack();
});

test('of two chats with the same name only the one with the wanted number is pressed', async () => {
  await setState(tab, { view: 'chats', chats: [...people(3), anna, ...people(60), otherAnna], open: null });
  assert.equal((await open(tab, otherAnna.ref, 'Anna')).ok, true);
  assert.deepEqual(await pressed(tab), [otherAnna.ref]);
  await assertListPutBack();
});

test('a chat whose name is shown only by other numbers is refused, not guessed', async () => {
  await setState(tab, { view: 'chats', chats: [...people(40), anna, otherAnna], open: null });
  const answer = await open(tab, '4917000000009@c.us', 'Anna');
  assert.equal(answer.reason, 'not_in_list');
  assert.equal(answer.walked, 42);
  assert.equal(answer.sameNumber, false);
  assert.equal(answer.anyFiber, true);
  assert.deepEqual(answer.searched, { tried: true, box: true, rows: 2 });
  assert.deepEqual(await pressed(tab), []);
  await assertListPutBack();
});

test('a chat that WhatsApp renamed internally is reported as the same number', async () => {
  await setState(tab, { view: 'chats', chats: [...people(10), anna], open: null });
  const answer = await open(tab, '4917000000001@s.whatsapp.net');
  assert.equal(answer.reason, 'not_in_list');
  assert.equal(answer.sameNumber, true);
  assert.deepEqual(answer.searched, { tried: false, box: false, rows: 0 });
  assert.deepEqual(await pressed(tab), []);
  await assertListPutBack();
});

test('a chat the page names by a linked identity is opened by the phone ref it also carries', async () => {
  const linked = { ref: '123456789012345@lid', historyRef: anna.ref, name: 'Anna' };
  await setState(tab, { view: 'chats', chats: [...people(3), linked], open: null });
  assert.deepEqual(await open(tab, anna.ref, 'Anna'), { ok: true, openedRef: anna.ref, alreadyOpen: false, viaSearch: false });
  assert.deepEqual(await pressed(tab), [linked.ref]);
});

test('a row that opens another conversation is reported and nothing more is done', async () => {
  await setState(tab, { view: 'chats', chats: [...people(3), { ...anna, opens: otherAnna.ref }, otherAnna], open: null });
  const answer = await open(tab, anna.ref, 'Anna');
  assert.deepEqual(answer, { ok: false, reason: 'opened_the_wrong_chat', openedRef: otherAnna.ref });
  assert.deepEqual(await pressed(tab), [anna.ref]);
  await assertListPutBack();
});

test('a page without a chat list is reported as such', async () => {
  await setState(tab, { view: 'link', open: null });
  assert.deepEqual(await open(tab, anna.ref, 'Anna'), { ok: false, reason: 'no_chat_list', rows: 0 });
});

test('the deep link opens its number\'s chat, one the list shows or one no chat has, on the page it left', async () => {
  for (const ref of [list[80].ref, '4917099999999@c.us']) {
    await setState(tab, { view: 'chats', chats: list, open: list[0].ref });
    await tab.evaluate('fixture.events.splice(0, Infinity, { type: "before the link" })');
    await followDeepLink(tab, ref.split('@')[0]);
    assert.deepEqual(await open(tab, ref), { ok: true, openedRef: ref, alreadyOpen: true }, ref);
    assert.deepEqual(await events(tab), [{ type: 'before the link' }], ref);
    assert.equal(await tab.evaluate('fixture.state.chats.filter((chat) => chat.inList !== false).length'), list.length);
  }
  await tab.navigate(address, { timeoutMs: 30000 });
});
