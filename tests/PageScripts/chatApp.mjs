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

export const setState = (tab, state) => tab.evaluate(`fixture.setState(${JSON.stringify(state)})`);
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

// A chat list of `count` people, each with their own number.
export const people = (count) =>
  Array.from({ length: count }, (_, i) => ({ ref: `4915${String(i).padStart(9, '0')}@c.us`, name: `Person ${i}` }));
