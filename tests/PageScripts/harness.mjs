// Drives Debian's headless Chromium over its DevTools pipe, so that the page scripts the companion
// injects are tested in the engine that runs them. Every request a page makes is answered from the
// fixtures a test serves or failed: nothing a test does reaches the network.
import { spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const chromium = '/usr/lib/chromium/chromium';
const scriptsFolder = join(dirname(fileURLToPath(import.meta.url)), '../../TarvoCore/WhatsApp/Scripts');
// Generous, for machines busy building: a test that wants a deadline hit passes a short one.
const defaultTimeoutMs = 10000;
// Starting the browser, and a page with its renderer process.
const startTimeoutMs = 30000;
const closeTimeoutMs = 5000;
// Services the browser calls on its own that no switch turns off are sent to a closed local port.
const nowhere = 'http://127.0.0.1:9';

export function readScript(name) {
  return readFileSync(join(scriptsFolder, name), 'utf8');
}

export class DeadlineError extends Error {}

function browserArguments(profile) {
  return [
    '--headless',
    '--remote-debugging-pipe',
    `--user-data-dir=${profile}`,
    // The sandbox refuses to start as root; as anyone else it stays on.
    ...(process.getuid() === 0 ? ['--no-sandbox'] : []),
    '--no-first-run',
    '--no-default-browser-check',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
    '--disable-domain-reliability',
    '--disable-breakpad',
    '--disable-default-apps',
    '--disable-extensions',
    '--password-store=basic',
    `--gaia-url=${nowhere}`,
    `--lso-url=${nowhere}`,
    `--google-apis-url=${nowhere}`,
    `--google-url=${nowhere}`,
    `--sync-url=${nowhere}`,
    `--variations-server-url=${nowhere}`,
    `--variations-insecure-server-url=${nowhere}`,
    `--component-updater=url-source=${nowhere}`,
    // The bench never needs a name resolved; without this the browser still looks up its default
    // search engine and the hosts of the served pages, though no request to them is made.
    '--host-resolver-rules=MAP * ~NOTFOUND',
    // A hidden page would otherwise run about one timer a minute.
    '--disable-background-timer-throttling',
    '--disable-backgrounding-occluded-windows',
    '--disable-renderer-backgrounding',
    // Only the last of these switches counts, so every feature goes in this one.
    '--disable-features=NetworkTimeServiceQuerying,OptimizationHints,Translate,MediaRouter,' +
      'AutofillServerCommunication,CertificateTransparencyComponentUpdater,InterestFeedContentSuggestions',
  ];
}

function withDeadline(promise, timeoutMs, what) {
  let timer;
  const late = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new DeadlineError(`${what}: no answer within ${timeoutMs} ms`)), timeoutMs);
  });
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

// One JSON object and a NUL byte per message each way; replies carry the command's id, events
// carry none and go to the listener of their session ('' for the browser's own).
class Pipe {
  #writer;
  #nextId = 1;
  #pending = new Map();
  #listeners = new Map();
  #partial = [];
  #closedBecause = null;

  constructor(writer, reader) {
    this.#writer = writer;
    reader.on('data', (bytes) => this.#receive(bytes));
    // The browser's exit reports the failure; a broken pipe must not end the test process first.
    reader.on('error', () => {});
    writer.on('error', () => {});
  }

  send(method, params = {}, { sessionId, timeoutMs = defaultTimeoutMs } = {}) {
    if (this.#closedBecause) return Promise.reject(new Error(`${method}: ${this.#closedBecause}`));
    const id = this.#nextId++;
    const reply = new Promise((resolve, reject) => this.#pending.set(id, { method, resolve, reject }));
    this.#writer.write(JSON.stringify({ id, method, params, ...(sessionId && { sessionId }) }) + '\0');
    return withDeadline(reply, timeoutMs, method).finally(() => this.#pending.delete(id));
  }

  listen(sessionId, listener) {
    this.#listeners.set(sessionId, listener);
  }

  fail(reason) {
    this.#closedBecause = reason;
    for (const { method, reject } of this.#pending.values()) reject(new Error(`${method}: ${reason}`));
    this.#pending.clear();
  }

  // Only the new bytes are scanned for the NUL: a reply of many megabytes comes in many pieces.
  #receive(bytes) {
    let start = 0;
    for (let end = bytes.indexOf(0); end !== -1; end = bytes.indexOf(0, start)) {
      this.#partial.push(bytes.subarray(start, end));
      const message = JSON.parse(Buffer.concat(this.#partial).toString('utf8'));
      this.#partial = [];
      start = end + 1;
      this.#dispatch(message);
    }
    if (start < bytes.length) this.#partial.push(bytes.subarray(start));
  }

  #dispatch(message) {
    if (message.id === undefined) {
      this.#listeners.get(message.sessionId ?? '')?.(message.method, message.params, message.sessionId);
      return;
    }
    const waiting = this.#pending.get(message.id);
    if (!waiting) return;
    if (message.error) waiting.reject(new Error(`${waiting.method}: ${message.error.message}`));
    else waiting.resolve(message.result);
  }
}

const running = new Set();
process.on('exit', () => {
  for (const browser of running) browser.kill();
});

export async function launchBrowser({ timeoutMs = startTimeoutMs } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'tarvo-pages-'));
  const child = spawn(chromium, browserArguments(profile), { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
  const browser = new Browser(child, profile);
  try {
    await browser.pipe.send('Browser.getVersion', {}, { timeoutMs });
  } catch (error) {
    await browser.close();
    throw new Error(`Chromium did not start: ${error.message}${browser.lastWords()}`);
  }
  return browser;
}

class Browser {
  #child;
  #profile;
  #exited;
  #stderr = '';

  constructor(child, profile) {
    this.#child = child;
    this.#profile = profile;
    this.pipe = new Pipe(child.stdio[3], child.stdio[4]);
    child.stderr.on('data', (bytes) => {
      this.#stderr = (this.#stderr + bytes.toString('utf8')).slice(-4000);
    });
    this.#exited = new Promise((resolve) => {
      child.once('error', (error) => {
        this.pipe.fail(`cannot start ${chromium}: ${error.message}`);
        resolve();
      });
      child.once('exit', (code, signal) => {
        this.pipe.fail(`the browser exited (${signal ?? code})`);
        resolve();
      });
    });
    running.add(this);
  }

  async newPage({ timeoutMs = startTimeoutMs } = {}) {
    const { targetId } = await this.pipe.send('Target.createTarget', { url: 'about:blank' }, { timeoutMs });
    const { sessionId } = await this.pipe.send('Target.attachToTarget', { targetId, flatten: true }, { timeoutMs });
    const page = new Page(this.pipe, sessionId);
    await page.start(timeoutMs);
    return page;
  }

  async close() {
    if (!running.delete(this)) return;
    this.pipe.send('Browser.close', {}, { timeoutMs: closeTimeoutMs }).catch(() => {});
    try {
      await withDeadline(this.#exited, closeTimeoutMs, 'Browser.close');
    } catch {
      this.#child.kill('SIGKILL');
      await this.#exited;
    }
    this.#removeProfile();
  }

  kill() {
    this.#child.kill('SIGKILL');
    this.#removeProfile();
  }

  // Helper processes of a killed browser may still write into the profile for a moment.
  #removeProfile() {
    rmSync(this.#profile, { recursive: true, force: true, maxRetries: 5 });
  }

  lastWords() {
    return this.#stderr ? `\n${this.#stderr}` : '';
  }
}

const everyRequest = { patterns: [{ urlPattern: '*' }] };

function withoutFragment(url) {
  const parsed = new URL(url);
  parsed.hash = '';
  return parsed.href;
}

class Page {
  #pipe;
  #sessionId;
  #served = new Map();
  #documentScripts = [];
  #loadWaiters = new Set();
  // Addresses asked for that no fixture served; each was failed instead of fetched.
  unserved = [];

  constructor(pipe, sessionId) {
    this.#pipe = pipe;
    this.#sessionId = sessionId;
  }

  async start(timeoutMs) {
    this.#pipe.listen(this.#sessionId, (method, params, sessionId) => this.#event(method, params, sessionId));
    await this.#send('Page.enable', {}, timeoutMs);
    await this.#send('Emulation.setFocusEmulationEnabled', { enabled: true }, timeoutMs);
    await this.#watch(this.#sessionId, timeoutMs);
  }

  serve(url, response) {
    this.#served.set(withoutFragment(url), typeof response === 'string' ? { body: response } : response);
  }

  async navigate(url, { timeoutMs = defaultTimeoutMs } = {}) {
    let loaded;
    const load = new Promise((resolve) => {
      loaded = resolve;
    });
    this.#loadWaiters.add(loaded);
    const work = async () => {
      const { errorText } = await this.#send('Page.navigate', { url }, timeoutMs);
      if (errorText) throw new Error(`navigate to ${url}: ${errorText}`);
      await load;
    };
    try {
      await withDeadline(work(), timeoutMs, `navigate to ${url}`);
    } finally {
      this.#loadWaiters.delete(loaded);
    }
  }

  // A script that never settles is given up at our deadline: the engine itself would wait forever.
  // A busy loop is also stopped then, so the page answers the next call.
  async evaluate(expression, { timeoutMs = defaultTimeoutMs } = {}) {
    let reply;
    try {
      reply = await this.#send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true }, timeoutMs);
    } catch (error) {
      if (error instanceof DeadlineError) await this.#send('Runtime.terminateExecution').catch(() => {});
      throw error;
    }
    if (reply.exceptionDetails) {
      const { exception, text } = reply.exceptionDetails;
      throw new Error(`the page script failed: ${exception?.description ?? text}`);
    }
    return reply.result.value;
  }

  // `body` is the body of an async function whose parameters are the names of `args`, each given
  // the JSON value under its name.
  async callFunction(body, args = {}, options = {}) {
    const names = Object.keys(args);
    for (const name of names) {
      if (!/^[A-Za-z_$][\w$]*$/.test(name)) throw new Error(`not a parameter name: ${name}`);
    }
    const values = names.map((name) => JSON.stringify(args[name]));
    return this.evaluate(`(async function (${names.join(', ')}) {\n${body}\n})(${values.join(', ')})`, options);
  }

  async insertText(text, { timeoutMs = defaultTimeoutMs } = {}) {
    await this.#send('Input.insertText', { text }, timeoutMs);
  }

  async pressReturn({ timeoutMs = defaultTimeoutMs } = {}) {
    const key = { key: 'Enter', code: 'Enter', windowsVirtualKeyCode: 13, nativeVirtualKeyCode: 13 };
    await this.#send('Input.dispatchKeyEvent', { type: 'keyDown', ...key, text: '\r', unmodifiedText: '\r' }, timeoutMs);
    await this.#send('Input.dispatchKeyEvent', { type: 'keyUp', ...key }, timeoutMs);
  }

  async addScriptOnNewDocument(source, { timeoutMs = defaultTimeoutMs } = {}) {
    this.#documentScripts.push(source);
    await this.#send('Page.addScriptToEvaluateOnNewDocument', { source }, timeoutMs);
  }

  #send(method, params = {}, timeoutMs = defaultTimeoutMs, sessionId = this.#sessionId) {
    return this.#pipe.send(method, params, { sessionId, timeoutMs });
  }

  // Frames of other sites run in targets of their own; each is held at its start until it, too,
  // answers only from the fixtures and has the document-start scripts.
  async #watch(sessionId, timeoutMs = defaultTimeoutMs) {
    await this.#send('Fetch.enable', everyRequest, timeoutMs, sessionId);
    await this.#send('Target.setAutoAttach', { autoAttach: true, waitForDebuggerOnStart: true, flatten: true },
      timeoutMs, sessionId);
  }

  async #attached({ sessionId, targetInfo }) {
    this.#pipe.listen(sessionId, (method, params, from) => this.#event(method, params, from));
    if (targetInfo.type === 'iframe') {
      await this.#send('Page.enable', {}, defaultTimeoutMs, sessionId);
      for (const source of this.#documentScripts) {
        await this.#send('Page.addScriptToEvaluateOnNewDocument', { source }, defaultTimeoutMs, sessionId);
      }
      await this.#watch(sessionId);
    } else {
      await this.#send('Fetch.enable', everyRequest, defaultTimeoutMs, sessionId);
    }
    await this.#send('Runtime.runIfWaitingForDebugger', {}, defaultTimeoutMs, sessionId);
  }

  #event(method, params, sessionId) {
    if (method === 'Fetch.requestPaused') this.#answer(params, sessionId);
    else if (method === 'Target.attachedToTarget') this.#attached(params).catch(() => {});
    else if (method === 'Page.loadEventFired' && sessionId === this.#sessionId) {
      for (const loaded of this.#loadWaiters) loaded();
    }
  }

  // A request left unanswered would hang its page until the caller's deadline, which reports it;
  // so an answer that cannot be delivered (the page went away) needs no report of its own.
  #answer({ requestId, request }, sessionId) {
    const url = withoutFragment(request.url);
    const response = this.#served.get(url);
    if (!response) {
      this.unserved.push(url);
      this.#send('Fetch.failRequest', { requestId, errorReason: 'AddressUnreachable' }, defaultTimeoutMs, sessionId)
        .catch(() => {});
      return;
    }
    const fulfilment = {
      requestId,
      responseCode: response.status ?? 200,
      responseHeaders: [{ name: 'Content-Type', value: response.contentType ?? 'text/html; charset=utf-8' }],
      body: Buffer.from(response.body ?? '').toString('base64'),
    };
    this.#send('Fetch.fulfillRequest', fulfilment, defaultTimeoutMs, sessionId).catch(() => {});
  }
}
