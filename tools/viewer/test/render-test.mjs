// Renders the viewer in headless Chromium and checks from the screenshots that the baked
// lighting is what is shown: the test scene's floor is bright on one half and dark on the other
// (make-test-scene.mjs), and which half is bright depends on the pass chosen.
//
//   node render-test.mjs [path/to/chromium]
//
// Prints one line per case and "N passed, N failed" at the end; exits non-zero on any failure.
import { promises as fs } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { startServer, VIEWER_ROOT } from '../serve.mjs';
import { Browser } from './browser.mjs';
import { makeTestScene } from './make-test-scene.mjs';
import { decodeRgb } from './png.mjs';

const CHROMIUM = process.argv[2] || process.env.CHROMIUM || '/usr/bin/chromium';
const WINDOW = [640, 480];
// Real time a page gets to load the scene and say it is ready (or failed); generous for a busy machine.
const PAGE_TIMEOUT_MS = 60000;
// The page's background (#1d2a44 in index.html) and how far a pixel may be from it to count as background.
const BACKGROUND = [0x1d, 0x2a, 0x44];
const BACKGROUND_TOLERANCE = 12;
// The floor's halves are 230 and 25 in the texture; blur and the box leave far more than this between them.
const MIN_CONTRAST = 100;
// Share of each sampled side the model must cover (the floor covers about a sixth of it).
const MIN_COVERAGE = 0.1;

// Opens the viewer at the address and waits for it to finish; returns the page with its state
// (ready or error) and status line.
async function openViewer(browser, url) {
  const page = await browser.open(url, ...WINDOW);
  const { state, status } = await page.waitFor(`(() => {
    const state = document.body && document.body.dataset.state;
    return state === 'ready' || state === 'error'
      ? { state, status: document.getElementById('status').textContent } : null;
  })()`, PAGE_TIMEOUT_MS);
  return { page, state, status };
}

// Mean brightness of the model's pixels in the left and right 40 % of the picture's lower half
// (the near part of the floor; the box and the status panel stay above it).
function halvesOf(picture) {
  const { width, height, rgb } = picture;
  const sums = { left: 0, right: 0 }, counts = { left: 0, right: 0 };
  const columns = Math.floor(width * 0.4);
  for (let y = Math.floor(height / 2); y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const side = x < columns ? 'left' : x >= width - columns ? 'right' : null;
      if (!side)
        continue;
      const i = (y * width + x) * 3;
      const pixel = [rgb[i], rgb[i + 1], rgb[i + 2]];
      if (pixel.every((c, k) => Math.abs(c - BACKGROUND[k]) <= BACKGROUND_TOLERANCE))
        continue;
      sums[side] += (pixel[0] + pixel[1] + pixel[2]) / 3;
      counts[side] += 1;
    }
  }
  const area = columns * (height - Math.floor(height / 2));
  return {
    left: counts.left ? sums.left / counts.left : 0,
    right: counts.right ? sums.right / counts.right : 0,
    coverage: Math.min(counts.left, counts.right) / area,
  };
}

async function screenshotCase(browser, base, scratch, { pass, brighter }) {
  const { page, state, status } = await openViewer(browser, pass ? `${base}?pass=${pass}` : base);
  try {
    if (state !== 'ready')
      throw new Error(`page state ${state}: ${status}`);
    // Two frames later the picture drawn on load is on the screen.
    await page.evaluate('new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(() => done(true))))');
    const file = path.join(scratch, `${pass || 'default'}.png`);
    await fs.writeFile(file, await page.screenshot());
    const seen = halvesOf(decodeRgb(await fs.readFile(file)));
    const describe = `left ${seen.left.toFixed(0)}, right ${seen.right.toFixed(0)}, coverage ${(seen.coverage * 100).toFixed(0)} %`;
    if (seen.coverage < MIN_COVERAGE)
      throw new Error(`the model is not on the picture (${describe}); picture kept in ${file}`);
    const contrast = brighter === 'left' ? seen.left - seen.right : seen.right - seen.left;
    if (contrast < MIN_CONTRAST)
      throw new Error(`the ${brighter} half should be brighter by ${MIN_CONTRAST} at least (${describe}); picture kept in ${file}`);
    return describe;
  } finally {
    await page.close();
  }
}

async function errorCase(browser, url, expected) {
  const { page, state, status } = await openViewer(browser, url);
  await page.close();
  if (state !== 'error' || !status.startsWith(expected))
    throw new Error(`page state ${state}: ${status}`);
  return status;
}

async function main() {
  try {
    await fs.access(path.join(VIEWER_ROOT, 'node_modules', 'three', 'build', 'three.module.js'));
  } catch {
    console.error(`three.js is not installed: run scripts/setup.sh (or npm ci --prefix ${VIEWER_ROOT})`);
    return 1;
  }
  const scratch = await fs.mkdtemp(path.join(os.tmpdir(), 'torvo-viewer-test-'));
  const model = path.join(scratch, 'scene.glb');
  await fs.writeFile(model, makeTestScene());
  const { server, url } = await startServer({ model });
  const cases = [
    { name: 'the pass the file marks as shown', pass: null, brighter: 'left' },
    { name: 'the light-map pass, chosen', pass: 'lightmap', brighter: 'left' },
    { name: 'the other pass, chosen', pass: 'ao', brighter: 'right' },
  ];
  let passed = 0, failed = 0;
  const record = (name, check) => check.then((detail) => {
    passed += 1;
    console.log(`ok   ${name}: ${detail}`);
  }, (error) => {
    failed += 1;
    console.log(`FAIL ${name}: ${error.message}`);
  });
  let browser = null;
  try {
    browser = await Browser.start(CHROMIUM, scratch);
    for (const c of cases)
      await record(c.name, screenshotCase(browser, url, scratch, c));
    await record('a missing file is reported on the page',
      errorCase(browser, `${url}?model=missing.glb`, 'Could not show missing.glb: '));
    await record('an unknown pass is reported on the page',
      errorCase(browser, `${url}?pass=normals`, 'scene.glb has no pass "normals" (it has: lightmap, ao)'));
  } catch (error) {
    failed += 1;
    console.log(`FAIL the browser: ${error.message}`);
  } finally {
    if (browser)
      await browser.close();
    server.close();
    server.closeAllConnections();
  }
  console.log(`${passed} passed, ${failed} failed`);
  if (failed === 0)
    await fs.rm(scratch, { recursive: true, force: true });
  return failed === 0 ? 0 : 1;
}

process.exitCode = await main();
