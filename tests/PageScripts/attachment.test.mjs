import assert from 'node:assert/strict';
import { createHash } from 'node:crypto';
import { after, before, describe, test } from 'node:test';

import { address, attach, events, openChatApp, people, report, setState } from './chatApp.mjs';
import { launchBrowser } from './harness.mjs';

// One tab, loaded anew for each case, and one case at a time: many tabs started at once on a busy
// machine do not start within any fixed time.
let browser;
let tab;
before(async () => {
  browser = await launchBrowser();
  tab = await openChatApp(browser);
});
after(() => browser?.close());

const [friend, other] = people(2);
const png = Buffer.concat([Buffer.from('89504e470d0a1a0a', 'hex'), Buffer.alloc(3000, 7)]);
const picture = { name: 'beach.png', type: 'image/png', bytes: png };
const video = { name: 'waves.mp4', type: 'video/mp4', bytes: Buffer.alloc(5000, 3) };
const sha256 = (bytes) => createHash('sha256').update(bytes).digest('hex');

const conversation = async (state = {}) => {
  await tab.navigate(address, { timeoutMs: 30000 });
  await setState(tab, { view: 'chats', chats: [friend, other], open: friend.ref, ...state });
  return tab;
};
// The hash is worked out after the file left; a moment later it is there.
const filesSent = async (tab) => {
  await new Promise((resolve) => setTimeout(resolve, 50));
  return (await events(tab)).filter((e) => e.type === 'fileSent');
};
const pressedLabels = async (tab) => (await events(tab)).filter((e) => e.type === 'control').map((e) => e.label);
const eachInTurn = async (cases, check) => {
  for (const c of cases) await check(await conversation(c[1]), ...c);
};

describe('the attachment script', () => {
  test('each way a page takes a file sends it once, and each way it does not says where it stopped', async () => {
    const sentOnce = (via) => ({ ok: true, stage: 'sent', sent: [{ name: picture.name, mime: 'image/png', size: png.length, via }] });
    const cases = [
      ['bad base64', {}, { ...picture, b64: '!!not base64!!' },
        { ok: false, stage: 'decode', reason: 'Tarvo could not read the file it was given, so nothing was sent.' }],
      ['an empty file', {}, { ...picture, bytes: Buffer.alloc(0) },
        { ok: false, stage: 'decode', reason: 'The file arrived empty, so nothing was sent.' }],
      ['no attach control', { attach: 'none' }, picture, { ok: false, stage: 'attachMenu',
        reason: 'WhatsApp Web has changed and Tarvo could not find the attach button, so the file was not sent.' }],
      ['a menu that adds no input', { menuInputs: [] }, picture, { ok: false, stage: 'fileInput',
        reason: "Tarvo opened WhatsApp's attach menu and no file picker appeared, so the file was not sent." }],
      ['a video and an input for pictures only', { menuInputs: ['image/*'] }, video, { ok: false, stage: 'notAccepted',
        reason: 'WhatsApp Web will not take a video/mp4 from this Mac, so nothing was sent.' }],
      ['the editor as a dialog', {}, picture, sentOnce('click')],
      ['the editor over the pane, Enter in its caption first', { editor: 'pane' }, picture, sentOnce('enter')],
      ['no editor: the file is a draft and the microphone a send control', { editor: 'draft' }, picture, sentOnce('click')],
      ...['buttonTitle', 'divTitle', 'spanTestid', 'divTestid', 'clip', 'plus', 'buttonLabel', 'named'].map((form) =>
        [`the attach control as ${form}`, { attach: form }, picture, sentOnce('click')]),
    ];
    await eachInTurn(cases, async (tab, name, state, file, expected) => {
      const answer = await attach(tab, file);
      const sent = await filesSent(tab);
      const { sent: expectedSent = [], ...outcome } = expected;
      assert.deepEqual(answer, outcome, name);
      assert.deepEqual(sent.map(({ name: n, mime, size, via, ref }) => ({ name: n, mime, size, via, ref })),
        expectedSent.map((s) => ({ ...s, ref: friend.ref })), name);
      if (expectedSent.length) assert.equal(sent[0].hash, sha256(file.bytes), name);
      assert.deepEqual((await pressedLabels(tab)).filter((label) => /sticker|voice|emoji/i.test(label)), [], name);
    });
  });

  test('an editor that never opens is reported with what the script chose', async () => {
    const tab = await conversation({ editor: 'never' });
    const answer = await attach(tab, picture);
    assert.deepEqual(answer, {
      ok: false, stage: 'preview',
      reason: 'WhatsApp Web did not offer to send the file after Tarvo attached it, so nothing was sent. (The picker held ' +
        '1 file(s) afterwards. menu 0>2 (doc 0>2), fresh input[menu-input-0 accept=image/*,video/mp4,video/3gpp,video/' +
        'quick] in #main footer of 2, dlg0 snd0, pasted.)',
    });
    assert.deepEqual(await filesSent(tab), []);
  });

  test('a conversation that changes under the file is not pressed into', async () => {
    const tab = await conversation({ switchOnAttach: other.ref, editorAfterMs: 300 });
    assert.deepEqual(await attach(tab, picture), {
      ok: false, stage: 'confirm',
      reason: 'WhatsApp Web changed conversation while Tarvo was attaching the file, so nothing was sent. The file is ' +
        'still attached to the conversation it was meant for, waiting to be sent by hand.',
    });
    assert.deepEqual(await filesSent(tab), []);
    assert.deepEqual((await pressedLabels(tab)).filter((label) => label === 'Send'), []);
  });

  test('an editor whose send does nothing is pressed once more the other way, then reported', async () => {
    const tab = await conversation({ editorSendWorks: false });
    const answer = await attach(tab, picture);
    assert.equal(answer.ok, false);
    assert.equal(answer.stage, 'confirm');
    assert.ok(answer.reason.startsWith('Tarvo attached the file and pressed send, and WhatsApp Web still has it ' +
      'waiting. Nothing is assumed to have gone. (pressed: Send/send.) (chose menu 0>2 (doc 0>2), fresh input[menu-input-0 '),
    answer.reason);
    assert.match(answer.reason, /; sends: send\/Send outside \d+x\d+ \| send\/Send outside \d+x\d+; drawer: Close\/x, Send\/send\)$/);
    assert.deepEqual((await pressedLabels(tab)).filter((label) => label === 'Send'), ['Send']);
    // The page keeps the look at whether the file left, for a key press of the companion's own.
    assert.deepEqual(JSON.parse(await report(tab, 'mediaGone')), { gone: false, known: true });
    await tab.evaluate('document.querySelector(\'[role="dialog"]\').remove()');
    assert.deepEqual(JSON.parse(await report(tab, 'mediaGone')), { gone: true, known: true });
  });

  test('the input chosen takes the type, a fresh one wins a tie, and a profile picture\'s never', async () => {
    const cases = [
      ['image/* outranks no accept', { menuInputs: [null, 'image/*'] }, 'menu-input-1'],
      ['a fresh input wins a tie', { inputBefore: 'image/*', menuInputs: ['image/*'] }, 'menu-input-0'],
      ['an input there before still serves alone', { inputBefore: 'image/png', menuInputs: ['video/*'] }, 'before'],
      ['the profile picture\'s input is left out', { profileInput: true, menuInputs: ['image/png'] }, 'menu-input-0'],
    ];
    await eachInTurn(cases, async (tab, name, state, from) => {
      assert.deepEqual(await attach(tab, picture), { ok: true, stage: 'sent' }, name);
      assert.deepEqual((await filesSent(tab)).map((e) => e.from), [from], name);
      assert.deepEqual((await events(tab)).filter((e) => e.type === 'profilePicture'), [], name);
    });
  });

  test('a page given up on gets no press from the script', async () => {
    const tab = await conversation();
    await tab.evaluate('window.tarvoStop = true');
    const answer = await attach(tab, picture);
    assert.equal(answer.ok, false);
    assert.deepEqual(await pressedLabels(tab), []);
  });

  test('the reports around a file say what the composer and the page show', async () => {
    const tab = await conversation({ inputBefore: 'image/*' });
    const composer = (await report(tab, 'composerReport')).split('\n');
    assert.deepEqual(composer, [
      'BEFORE inputs(1): footer accept=image/* input#before',
      'FOOTER controls(2): button[title=Attach][icon=plus-rounded] | button[aria=Voice message][icon=mic]',
      'CLIP: button[title=Attach][icon=plus-rounded]',
      'AFTER inputs(3): footer accept=image/*,video/mp4,video/3gpp,video/quicktime input[testid=menu-input-0] | ' +
        'footer accept=* input[testid=menu-input-1] | footer accept=image/* input#before',
      'MENU(2): li | li',
    ]);
    // The menu it opened for the look is closed again.
    assert.equal(await tab.evaluate('document.querySelectorAll(\'[role="menu"]\').length'), 0);

    const fresh = await conversation({ editor: 'dialog' });
    const after = (await report(fresh, 'afterReport')).split('\n');
    assert.equal(after.length, 3);
    assert.match(after[0], /^BUTTONS\(\d+ shown \d+\): /);
    assert.match(after[0], /footer:Attach\/\/plus-rounded/);
    assert.equal(after[1], 'EDITABLES(2): body, footer');
    assert.equal(after[2], 'DIALOGS: 0 IMG-blob: 0');
  });
});
