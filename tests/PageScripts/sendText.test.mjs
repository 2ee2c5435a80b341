import assert from 'node:assert/strict';
import { test } from 'node:test';

import { assembled, events, people, send, setState, snapshot, withChatApp } from './chatApp.mjs';

let tab;
withChatApp((opened) => { tab = opened; });

const [friend] = people(1);
const sent = async () => (await events(tab)).filter((e) => e.type === 'sent');
const conversation = (state = {}) =>
  setState(tab, { view: 'chats', chats: [friend], open: friend.ref, ...state })
    .then(() => tab.evaluate('fixture.events.length = 0'));

const awkward = [
  'Plain words',
  'She said "hi" and it\'s fine',
  'C:\\Users\\anna\\ and \\n stays two characters',
  'first line\nsecond line\n\nafter a blank line',
  'windows\r\nline ends',
  'emoji 😀👍🏽 and 🇩🇪 flags',
  '</script><script>alert(1)</script>',
  'separators \u2028 and \u2029 inside',
  '{{body}} and ${template} and `ticks`',
];

test('the words are typed, sent and confirmed gone from the message box', async () => {
  for (const body of awkward) {
    await conversation();
    assert.deepEqual(await send(tab, body), { ok: true }, body);
    assert.deepEqual(await sent(), [{ type: 'sent', ref: friend.ref, text: body.replaceAll('\r', '') }], body);
    assert.equal((await snapshot(tab)).composerText, '');
  }
});

test('escaped text reads back the same inside a script literal', async () => {
  for (const text of [...awkward, '\t\u0007\u0000 controls', 'mixed \'"\\ quotes']) {
    assert.equal(await tab.evaluate(`"${assembled('escape', text)}"`), text.replaceAll('\r', ''), text);
  }
});

test('a send whose words stay in the box cannot be told, and is not sent again', async () => {
  await conversation({ composerClearsAfterMs: null });
  assert.deepEqual(await send(tab, 'The reply'),
    { ok: false, reason: 'Tarvo could not tell whether WhatsApp Web sent that. Nothing is assumed.' });
  const retry = await send(tab, 'The reply');
  assert.equal(retry.ok, false);
  assert.match(retry.reason, /draft/);
  assert.deepEqual((await sent()).map((e) => e.text), ['The reply']);
  assert.equal((await snapshot(tab)).composerText, 'The reply');
});

test('a composer that appears late is waited for', async () => {
  await conversation({ composerAfterMs: 1000 });
  assert.deepEqual(await send(tab, 'Late but fine'), { ok: true });
  assert.deepEqual((await sent()).map((e) => e.text), ['Late but fine']);
});

test('a composer that never appears is reported after the wait', async () => {
  await conversation({ composerAfterMs: null });
  assert.deepEqual(await send(tab, 'Nowhere to type'),
    { ok: false, reason: 'WhatsApp Web has changed and Tarvo could not find the message box.' });
  assert.deepEqual(await sent(), []);
});

// The editor shows a blank line as more line breaks than the words hold; the reply is found all the same.
test('a send control that stays disabled leaves the reply in the box and says so', async () => {
  await conversation({ sendControl: 'disabled' });
  const body = 'Hi Anna,\n\nthe reply stays in the box';
  assert.deepEqual(await send(tab, body),
    { ok: false, reason: 'WhatsApp Web did not accept the send. The reply is still in the message box.' });
  assert.deepEqual(await sent(), []);
  assert.equal((await snapshot(tab)).composerText, body);
});

test('a missing send control sends nothing', async () => {
  await conversation({ sendControl: 'missing' });
  assert.deepEqual(await send(tab, 'Typed only'),
    { ok: false, reason: "Tarvo typed the reply but could not find WhatsApp's send button. Nothing was sent." });
  assert.deepEqual(await sent(), []);
});
