// Headless Chromium driven over the DevTools protocol through a pipe
// (--remote-debugging-pipe: commands on fd 3, replies on fd 4, each message
// JSON ended by a NUL), so no network port and no package is needed.
//
//   const browser = await Chromium.launch();
//   const page = await browser.open('file:///…/index.html', {width: 1440, height: 900});
//   await page.evaluate('document.title');
//   const png = await page.screenshot();   // a Buffer
//   await browser.close();
import {spawn} from 'node:child_process';
import {mkdtempSync, rmSync, existsSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';

export function chromiumPath() {
  if (process.env.CHROMIUM) return process.env.CHROMIUM;
  for (const candidate of ['/usr/bin/chromium', '/usr/bin/chromium-browser']) {
    if (existsSync(candidate)) return candidate;
  }
  return null;
}

class Page {
  constructor(browser, sessionId) {
    this.browser = browser;
    this.sessionId = sessionId;
    this.errors = [];   // uncaught exceptions and console errors of the page
  }

  send(method, params = {}) { return this.browser.send(method, params, this.sessionId); }

  // The value of a JavaScript expression (awaited when it is a promise);
  // a thrown exception rejects with its description.
  async evaluate(expression) {
    const reply = await this.send('Runtime.evaluate', {expression, awaitPromise: true, returnByValue: true});
    if (reply.exceptionDetails) {
      const d = reply.exceptionDetails;
      throw new Error(`page: ${d.exception && d.exception.description || d.text}`);
    }
    return reply.result.value;
  }

  // Polls expression until it is truthy; rejects after timeout ms.
  async waitFor(expression, timeout = 20000) {
    const end = Date.now() + timeout;
    for (;;) {
      const value = await this.evaluate(expression);
      if (value) return value;
      if (Date.now() > end) throw new Error(`timed out waiting for ${expression}`);
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
  }

  async screenshot() {
    const reply = await this.send('Page.captureScreenshot', {format: 'png'});
    return Buffer.from(reply.data, 'base64');
  }
}

export class Chromium {
  static async launch() {
    const executable = chromiumPath();
    if (!executable) throw new Error('chromium is not installed');
    const browser = new Chromium();
    browser.profile = mkdtempSync(join(tmpdir(), 'tweenery-chromium-'));
    browser.process = spawn(executable, [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${browser.profile}`, '--remote-debugging-pipe', 'about:blank',
    ], {stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe']});
    browser.process.stderr.on('data', () => {});
    browser.toBrowser = browser.process.stdio[3];
    browser.process.stdio[4].on('data', (chunk) => browser.receive(chunk));
    browser.process.on('exit', () => {
      for (const {reject} of browser.pending.values()) reject(new Error('chromium exited'));
      browser.pending.clear();
    });
    await browser.send('Target.getBrowserContexts');
    return browser;
  }

  constructor() {
    this.nextId = 1;
    this.pending = new Map();
    this.buffer = Buffer.alloc(0);
    this.pages = new Map();
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = {id, method, params};
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, {resolve, reject, method});
      this.toBrowser.write(JSON.stringify(message) + '\0');
    });
  }

  receive(chunk) {
    this.buffer = Buffer.concat([this.buffer, chunk]);
    for (let end = this.buffer.indexOf(0); end >= 0; end = this.buffer.indexOf(0)) {
      const message = JSON.parse(this.buffer.subarray(0, end).toString('utf8'));
      this.buffer = this.buffer.subarray(end + 1);
      if (message.id !== undefined) {
        const waiting = this.pending.get(message.id);
        this.pending.delete(message.id);
        if (!waiting) continue;
        if (message.error) waiting.reject(new Error(`${waiting.method}: ${message.error.message}`));
        else waiting.resolve(message.result);
      } else {
        this.event(message);
      }
    }
  }

  event(message) {
    const page = this.pages.get(message.sessionId);
    if (!page) return;
    if (message.method === 'Runtime.exceptionThrown') {
      const d = message.params.exceptionDetails;
      page.errors.push(d.exception && d.exception.description || d.text);
    } else if (message.method === 'Runtime.consoleAPICalled' && message.params.type === 'error') {
      page.errors.push(message.params.args.map((a) => a.value || a.description).join(' '));
    }
  }

  // A new tab at the size given, loaded with url.
  async open(url, {width = 1280, height = 900} = {}) {
    const {targetId} = await this.send('Target.createTarget', {url: 'about:blank'});
    const {sessionId} = await this.send('Target.attachToTarget', {targetId, flatten: true});
    const page = new Page(this, sessionId);
    this.pages.set(sessionId, page);
    await page.send('Runtime.enable');
    await page.send('Page.enable');
    await page.send('Emulation.setDeviceMetricsOverride',
                    {width, height, deviceScaleFactor: 1, mobile: width < 600});
    await page.send('Page.navigate', {url});
    await page.waitFor('document.readyState === "complete"');
    return page;
  }

  async close() {
    try {
      await Promise.race([this.send('Browser.close'), new Promise((resolve) => setTimeout(resolve, 3000))]);
    } catch (e) {
      // already gone
    }
    // The profile goes once Chromium has stopped writing into it.
    const exited = this.process.exitCode !== null ? Promise.resolve()
      : new Promise((resolve) => this.process.once('exit', resolve));
    this.process.kill();
    await Promise.race([exited, new Promise((resolve) => setTimeout(resolve, 5000))]);
    try {
      rmSync(this.profile, {recursive: true, force: true, maxRetries: 5, retryDelay: 200});
    } catch (e) {
      console.error(`could not remove ${this.profile}: ${e.message}`);
    }
  }
}
