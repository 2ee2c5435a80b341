// The fixture chat app served at WhatsApp Web's address, and the page scripts exactly as the
// companion assembles them (printed by the C++ program `assembled_page_script`).
import { execFileSync } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import { after, before } from 'node:test';
import { fileURLToPath } from 'node:url';

import { launchBrowser } from './harness.mjs';

export const address = 'https://web.whatsapp.com/';
const page = readFileSync(new URL('./fixtures/chatApp.html', import.meta.url), 'utf8');
const builtTool = fileURLToPath(new URL('../../build/tests/assembled_page_script', import.meta.url));

export async function openChatApp(browser, state = {}) {
  const tab = await browser.newPage();
  tab.serve(address, page);
  await tab.navigate(address);
  await setState(tab, state);
  return tab;
}

// Follows WhatsApp Web's deep link to a number's chat, as the companion loads it.
export async function followDeepLink(tab, phone) {
  const link = `${address}send?phone=${phone}`;
  tab.serve(link, page);
  await tab.navigate(link, { timeoutMs: 30000 });
}

// One browser showing the chat app for every test of the file that calls this: `use` gets its
// page before the first test; the browser closes after the last.
export function withChatApp(use) {
  let browser;
  before(async () => {
    browser = await launchBrowser();
    use(await openChatApp(browser));
  });
  after(() => browser?.close());
}

// The page as a test wants it: every option the state does not name takes its default.
export const setState = (tab, state) => tab.evaluate(`fixture.reset(${JSON.stringify(state)})`);
export const events = (tab) => tab.evaluate('fixture.events');
export const snapshot = (tab) => tab.evaluate('fixture.snapshot()');

// `kind` and its texts as the program takes them: probe | open <ref> [<name>] | send <body> |
// escape <text> | capture <arguments as JSON>, the texts as a JSON array on its input (an argument cannot hold a NUL). The
// program comes from TARVO_ASSEMBLED_PAGE_SCRIPT (ctest sets it), else from the plain build.
export function assembled(kind, ...texts) {
  const tool = process.env.TARVO_ASSEMBLED_PAGE_SCRIPT || builtTool;
  if (!existsSync(tool)) throw new Error(`no ${tool}: build the companion first (tools/build.sh plain)`);
  return execFileSync(tool, [kind], { input: JSON.stringify(texts), encoding: 'utf8' });
}

// The arguments the capture pass gives the capture script.
export const passArguments = {
  chatLimit: 6, messageLimit: 40, bootstrapChats: 3, known: [], catchUp: false, cursor: 0, mediaBudget: 12582912,
  retriesSpent: [], peek: [], peekLimit: 6, peekMessageLimit: 20, peekWatching: {},
};

// Each page script as the companion assembles it, run in the tab and its answer parsed; `edit`
// may change the script's text first (the planted faults do).
const unchanged = (script) => script;
const run = async (tab, script, timeoutMs) => JSON.parse(await tab.callFunction(script, {}, { timeoutMs }));
export const capture = (tab, args = {}, edit = unchanged) =>
  run(tab, edit(assembled('capture', JSON.stringify({ ...passArguments, ...args }))), 60000);
export const send = (tab, body, edit = unchanged) => run(tab, edit(assembled('send', body)), 20000);
export const open = (tab, ref, name, edit = unchanged) =>
  run(tab, edit(assembled('open', ref, ...(name === undefined ? [] : [name]))), 30000);

// The attachment script given one file as the companion gives it: `bytes` a Buffer.
export const attach = async (tab, { name, type, bytes, b64 }, edit = unchanged) => {
  const args = JSON.parse(assembled('attachArguments', name, type, bytes ? bytes.toString('base64') : ''));
  if (b64 !== undefined) args.fileB64 = b64;
  return JSON.parse(await tab.callFunction(edit(assembled('attachment')), args, { timeoutMs: 90000 }));
};
// A report script's text as the log gets it.
export const report = (tab, kind) => tab.callFunction(assembled(kind), {}, { timeoutMs: 30000 });

export const pressed = async (tab) => (await events(tab)).filter((e) => e.type === 'press').map((e) => e.ref);
export const receive = (tab, ref, message) =>
  tab.evaluate(`fixture.receive(${JSON.stringify(ref)}, ${JSON.stringify(message)})`);
export const tweak = (tab, ref, changes) =>
  tab.evaluate(`Object.assign(fixture.state.chats.find((c) => c.ref === ${JSON.stringify(ref)}), ${JSON.stringify(changes)})`);
export const ids = (report) => report.messages.map((m) => m.id);

// A message said at the next second.
let clock = 1765000000;
export const said = (id, text, more = {}) => ({ id, t: clock++, text, ...more });
export const withMessages = (chats) => chats.map((chat, i) => ({ ...chat, messages: [said(`old${i}`, `hello ${i}`)] }));

// A chat list of `count` people, each with their own number.
export const people = (count) =>
  Array.from({ length: count }, (_, i) => ({ ref: `4915${String(i).padStart(9, '0')}@c.us`, name: `Person ${i}` }));
