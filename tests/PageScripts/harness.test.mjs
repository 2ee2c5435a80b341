import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launchBrowser } from './harness.mjs';

let browser;
before(async () => {
  browser = await launchBrowser();
});
after(async () => {
  await browser?.close();
});

async function pageAt(url, html) {
  const page = await browser.newPage();
  page.serve(url, html);
  await page.navigate(url);
  return page;
}

for (const [kind, script] of [
  ['a promise that never settles', 'new Promise(() => {})'],
  ['a busy loop', 'for (;;) {}'],
]) {
  test(`${kind} fails at our deadline and the page answers the next call`, async () => {
    const page = await pageAt('https://deadline.test/', '<p>waiting</p>');
    await assert.rejects(page.evaluate(script, { timeoutMs: 300 }), /no answer within 300 ms/);
    assert.equal(await page.evaluate('document.querySelector("p").textContent'), 'waiting');
  });
}

test('a document-start script runs before the page\'s own first script, in frames of other sites too', async () => {
  const page = await browser.newPage();
  await page.addScriptOnNewDocument('window.order = ["document start"];');
  page.serve('https://outer.test/', `<script>window.order.push("page");</script>
    <iframe src="https://inner.test/frame"></iframe>`);
  page.serve('https://inner.test/frame',
    '<script>parent.postMessage(JSON.stringify(window.order ?? "no document-start script"), "*")</script>');
  await page.addScriptOnNewDocument(
    'window.addEventListener("message", (e) => { window.frameSaw = JSON.parse(e.data); });');
  await page.navigate('https://outer.test/');
  assert.deepEqual(await page.evaluate('window.order'), ['document start', 'page']);
  const frameSaw = await page.evaluate(`new Promise((resolve) => {
    const look = () => (window.frameSaw ? resolve(window.frameSaw) : setTimeout(look, 10));
    look();
  })`);
  assert.deepEqual(frameSaw, ['document start']);
});

test('typed text and Return arrive in a textarea as trusted events', async () => {
  const page = await pageAt('https://input.test/', `<textarea autofocus></textarea><script>
    window.seen = [];
    const box = document.querySelector('textarea');
    box.addEventListener('input', (e) => seen.push(['input', e.isTrusted]));
    box.addEventListener('keydown', (e) => seen.push([e.key, e.isTrusted]));
    box.focus();
  </script>`);
  await page.insertText('hej då');
  await page.pressReturn();
  assert.equal(await page.evaluate('document.querySelector("textarea").value'), 'hej då\n');
  assert.deepEqual(await page.evaluate('window.seen'), [['input', true], ['Enter', true], ['input', true]]);
});

test('an address no fixture serves is failed, never fetched', async () => {
  const page = await pageAt('https://served.test/app', '<p>app</p>');
  const outcome = await page.evaluate(
    'fetch("https://elsewhere.test/data?x=1").then(() => "fetched", (e) => e.name)');
  assert.equal(outcome, 'TypeError');
  await assert.rejects(page.navigate('https://unserved.test/'), /ERR_ADDRESS_UNREACHABLE/);
  assert.ok(page.unserved.includes('https://elsewhere.test/data?x=1'));
  assert.ok(page.unserved.includes('https://unserved.test/'));
});

test('a served fixture keeps its status, type and bytes', async () => {
  const page = await pageAt('https://files.test/', '<p>files</p>');
  page.serve('https://files.test/data.json', { body: '{"ä":1}', contentType: 'application/json', status: 201 });
  const answer = await page.evaluate(`fetch("/data.json").then(async (r) =>
    [r.status, r.headers.get("content-type"), await r.json()])`);
  assert.deepEqual(answer, [201, 'application/json', { ä: 1 }]);
});

test('a function body gets each JSON argument under its name and its failure is reported', async () => {
  const page = await pageAt('https://call.test/', '<p>call</p>');
  const text = 'quote " backslash \\ </script> \u2028 emoji 👋';
  const result = await page.callFunction('await null; return { text, count: list.length + n };',
    { text, list: [1, 2], n: 3 });
  assert.deepEqual(result, { text, count: 5 });
  await assert.rejects(page.callFunction('throw new Error("no chat open");'), /no chat open/);
});
