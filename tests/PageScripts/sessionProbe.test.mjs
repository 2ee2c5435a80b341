import assert from 'node:assert/strict';
import { test } from 'node:test';

import { assembled, events, people, setState, withChatApp } from './chatApp.mjs';

let tab;
withChatApp((opened) => { tab = opened; });

const probe = async () => JSON.parse(await tab.evaluate(assembled('probe')));

test('the probe tells the four states apart', async () => {
  const cases = [
    [{ view: 'link' }, { state: 'needsLink' }],
    [{ view: 'chats', chats: people(3) }, { state: 'linked' }],
    [{ view: 'chats', chats: [] }, { state: 'linked' }],
    [{ view: 'loading' }, { state: 'syncing' }],
    [{ view: 'downloading' }, { state: 'syncing' }],
    [{ view: 'blank' }, { state: 'unrecognised', title: 'WhatsApp', sample: 'Something went wrong.' }],
  ];
  for (const [state, answer] of cases) {
    await setState(tab, state);
    assert.deepEqual(await probe(), answer, state.view);
  }
});

test('a chat list wins over a linking code shown beside it', async () => {
  await setState(tab, { view: 'chats', chats: people(2) });
  await tab.evaluate(`(() => {
    const code = document.createElement('div');
    code.setAttribute('data-ref', '2@linking-code');
    document.body.append(code);
  })()`);
  assert.deepEqual(await probe(), { state: 'linked' });
});

test('an evicted page is taken back with one press and then reads as syncing', async () => {
  await tab.evaluate('fixture.events.length = 0');
  await setState(tab, { view: 'evicted', takeBack: 'Use here' });
  assert.deepEqual(await probe(), { state: 'syncing', reclaimed: true });
  assert.deepEqual(await probe(), { state: 'syncing' });
  assert.deepEqual(await events(tab), [{ type: 'takeBack' }]);
});

test('an evicted page without a take-back control is reported with what it shows', async () => {
  await tab.evaluate('fixture.events.length = 0');
  await setState(tab, { view: 'evicted', takeBack: null });
  const answer = await probe();
  assert.equal(answer.state, 'evicted');
  assert.equal(answer.title, 'WhatsApp');
  assert.match(answer.sample, /^WhatsApp is open in another window/);
  assert.deepEqual(await events(tab), []);
});
