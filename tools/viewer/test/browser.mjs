// Drives headless Chromium over its DevTools pipe (--remote-debugging-pipe: JSON messages ended
// by a NUL byte, commands on file descriptor 3, answers and events on 4), so that a test waits
// for the page to say it is done instead of guessing a time.
import { spawn } from 'node:child_process';
import { promises as fs } from 'node:fs';
import path from 'node:path';

const BROWSER_FLAGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  // WebGL without a GPU: the software renderer behind ANGLE, which Chromium no longer falls back
  // to on its own. (--use-gl=swiftshader leaves the page without a WebGL context.)
  '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
];
const KEPT_LOG_CHARS = 4000;
const POLL_MS = 100;

export class Browser {
  // Starts the browser with a new empty profile under scratch.
  static async start(executable, scratch) {
    const profile = await fs.mkdtemp(path.join(scratch, 'profile-'));
    const child = spawn(executable, [...BROWSER_FLAGS, `--user-data-dir=${profile}`, '--remote-debugging-pipe'],
      { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    const browser = new Browser(child);
    await new Promise((resolve, reject) => {
      child.once('spawn', resolve);
      child.once('error', (error) => reject(new Error(`cannot start ${executable}: ${error.message}`)));
    });
    await browser.send('Browser.getVersion');
    return browser;
  }

  constructor(child) {
    this.child = child;
    this.nextId = 1;
    this.pending = new Map();
    this.log = '';
    this.ended = null;
    let buffered = '';
    child.stderr.on('data', (data) => { this.log = (this.log + data).slice(-KEPT_LOG_CHARS); });
    child.stdio[4].on('data', (data) => {
      buffered += data.toString('utf8');
      let end;
      while ((end = buffered.indexOf('\0')) >= 0) {
        const message = JSON.parse(buffered.slice(0, end));
        buffered = buffered.slice(end + 1);
        const waiting = message.id !== undefined && this.pending.get(message.id);
        if (!waiting)
          continue;
        this.pending.delete(message.id);
        if (message.error)
          waiting.reject(new Error(`${waiting.method}: ${message.error.message}`));
        else
          waiting.resolve(message.result);
      }
    });
    child.once('exit', (code, signal) => {
      this.ended = `the browser ended (${signal || `exit status ${code}`}):\n${this.log}`;
      for (const waiting of this.pending.values())
        waiting.reject(new Error(this.ended));
      this.pending.clear();
    });
  }

  send(method, params = {}, sessionId = undefined) {
    if (this.ended)
      return Promise.reject(new Error(this.ended));
    const id = this.nextId++;
    const message = { id, method, params, ...(sessionId ? { sessionId } : {}) };
    return new Promise((resolve, reject) => {
      this.pending.set(id, { method, resolve, reject });
      this.child.stdio[3].write(JSON.stringify(message) + '\0');
    });
  }

  // Opens the address in a new tab of the given size; returns a page to work with.
  async open(url, width, height) {
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    const page = new Page(this, targetId, sessionId);
    await page.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false });
    await page.send('Page.navigate', { url });
    return page;
  }

  async close() {
    if (this.ended)
      return;
    const exited = new Promise((resolve) => this.child.once('exit', resolve));
    await this.send('Browser.close').catch(() => {});
    await exited;
  }
}

class Page {
  constructor(browser, targetId, sessionId) {
    this.browser = browser;
    this.targetId = targetId;
    this.sessionId = sessionId;
  }

  send(method, params) {
    return this.browser.send(method, params, this.sessionId);
  }

  // The value of a JavaScript expression in the page (awaited when it is a promise).
  async evaluate(expression) {
    const { result, exceptionDetails } = await this.send('Runtime.evaluate',
      { expression, returnByValue: true, awaitPromise: true });
    if (exceptionDetails)
      throw new Error(`in the page: ${exceptionDetails.exception?.description || exceptionDetails.text}`);
    return result.value;
  }

  // Waits until the expression gives a value other than null or undefined, or the time is up.
  async waitFor(expression, timeoutMs) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
      const value = await this.evaluate(expression).catch(() => null);  // the page may still be navigating
      if (value !== null && value !== undefined)
        return value;
      if (Date.now() > deadline)
        throw new Error(`gave up after ${timeoutMs} ms waiting for ${expression}`);
      await new Promise((resolve) => setTimeout(resolve, POLL_MS));
    }
  }

  // The page as it is shown now, as PNG bytes.
  async screenshot() {
    const { data } = await this.send('Page.captureScreenshot', { format: 'png' });
    return Buffer.from(data, 'base64');
  }

  close() {
    return this.browser.send('Target.closeTarget', { targetId: this.targetId });
  }
}
