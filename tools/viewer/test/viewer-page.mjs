// What the viewer's browser tests share: starting the server and the browser around a list of
// cases, opening the page until it says it is ready, and taking the picture it shows.
import { promises as fs } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { startServer, VIEWER_ROOT } from '../serve.mjs';
import { Browser } from './browser.mjs';
import { decodeRgb } from './png.mjs';

export const DEFAULT_CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
export const WINDOW = [640, 480];
// Real time a page gets to load the scene and say it is ready (or failed); generous for a busy machine.
const PAGE_TIMEOUT_MS = 60000;
// The page's background (#1d2a44 in index.html) and how far a pixel may be from it to count as background.
const BACKGROUND = [0x1d, 0x2a, 0x44];
const BACKGROUND_TOLERANCE = 12;

// Whether the pixel at byte offset i of an RGB picture shows the page's background.
export function isBackground(rgb, i) {
  return BACKGROUND.every((c, k) => Math.abs(rgb[i + k] - c) <= BACKGROUND_TOLERANCE);
}

export function brightness(rgb, i) {
  return (rgb[i] + rgb[i + 1] + rgb[i + 2]) / 3;
}

// Opens the viewer at the address and waits for it to finish; returns the page with its state
// (ready or error) and status line.
export async function openViewer(browser, url, size = WINDOW) {
  const page = await browser.open(url, ...size);
  const { state, status } = await page.waitFor(`(() => {
    const state = document.body && document.body.dataset.state;
    return state === 'ready' || state === 'error'
      ? { state, status: document.getElementById('status').textContent } : null;
  })()`, PAGE_TIMEOUT_MS);
  return { page, state, status };
}

// Opens the viewer, keeps the picture it shows in file and returns it decoded ({ width, height, rgb }).
export async function viewerPicture(browser, url, file, size = WINDOW) {
  const { page, state, status } = await openViewer(browser, url, size);
  try {
    if (state !== 'ready')
      throw new Error(`page state ${state}: ${status}`);
    // Two frames later the picture drawn on load is on the screen.
    await page.evaluate('new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(() => done(true))))');
    await fs.writeFile(file, await page.screenshot());
    return decodeRgb(await fs.readFile(file));
  } finally {
    await page.close();
  }
}

// Runs a browser test: prepare(scratch) writes the scene and returns its file; cases(context)
// then checks it through context.record(name, promise of a detail line), with context.browser,
// context.url (the page, serving that scene) and context.scratch. Prints one line per case and
// "N passed, N failed"; resolves to the exit status. The scratch folder is kept when a case fails.
export async function runViewerTest({ chromium = DEFAULT_CHROMIUM, prepare, cases }) {
  try {
    await fs.access(path.join(VIEWER_ROOT, 'node_modules', 'three', 'build', 'three.module.js'));
  } catch {
    console.error(`three.js is not installed: run scripts/setup.sh (or npm ci --prefix ${VIEWER_ROOT})`);
    return 1;
  }
  const scratch = await fs.mkdtemp(path.join(os.tmpdir(), 'torvo-viewer-test-'));
  let passed = 0, failed = 0;
  const record = (name, check) => check.then((detail) => {
    passed += 1;
    console.log(`ok   ${name}: ${detail}`);
  }, (error) => {
    failed += 1;
    console.log(`FAIL ${name}: ${error.message}`);
  });
  let browser = null, server = null;
  try {
    const model = await prepare(scratch);
    let url;
    ({ server, url } = await startServer({ model }));
    browser = await Browser.start(chromium, scratch);
    await cases({ browser, url, scratch, record });
  } catch (error) {
    failed += 1;
    console.log(`FAIL ${browser ? 'the browser' : 'the setup'}: ${error.message}`);
  } finally {
    if (browser)
      await browser.close();
    if (server) {
      server.close();
      server.closeAllConnections();
    }
  }
  console.log(`${passed} passed, ${failed} failed`);
  if (failed === 0)
    await fs.rm(scratch, { recursive: true, force: true });
  else
    console.log(`pictures and files kept in ${scratch}`);
  return failed === 0 ? 0 : 1;
}
