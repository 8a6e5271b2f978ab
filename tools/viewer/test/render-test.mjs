// Renders the viewer in headless Chromium and checks from the screenshots that the baked
// lighting is what is shown: the test scene's floor is bright on one half and dark on the other
// (make-test-scene.mjs), and which half is bright depends on the pass chosen.
//
//   node render-test.mjs [path/to/chromium]
//
// Prints one line per case and "N passed, N failed" at the end; exits non-zero on any failure.
import { promises as fs } from 'node:fs';
import path from 'node:path';
import { makeTestScene } from './make-test-scene.mjs';
import { brightness, isBackground, openViewer, runViewerTest, viewerPicture } from './viewer-page.mjs';

// The floor's halves are 230 and 25 in the texture; blur and the box leave far more than this between them.
const MIN_CONTRAST = 100;
// Share of each sampled side the model must cover (the floor covers about a sixth of it).
const MIN_COVERAGE = 0.1;

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
      if (isBackground(rgb, i))
        continue;
      sums[side] += brightness(rgb, i);
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
  const file = path.join(scratch, `${pass || 'default'}.png`);
  const seen = halvesOf(await viewerPicture(browser, pass ? `${base}?pass=${pass}` : base, file));
  const describe = `left ${seen.left.toFixed(0)}, right ${seen.right.toFixed(0)}, coverage ${(seen.coverage * 100).toFixed(0)} %`;
  if (seen.coverage < MIN_COVERAGE)
    throw new Error(`the model is not on the picture (${describe}); picture kept in ${file}`);
  const contrast = brighter === 'left' ? seen.left - seen.right : seen.right - seen.left;
  if (contrast < MIN_CONTRAST)
    throw new Error(`the ${brighter} half should be brighter by ${MIN_CONTRAST} at least (${describe}); picture kept in ${file}`);
  return describe;
}

async function errorCase(browser, url, expected) {
  const { page, state, status } = await openViewer(browser, url);
  await page.close();
  if (state !== 'error' || !status.startsWith(expected))
    throw new Error(`page state ${state}: ${status}`);
  return status;
}

const cases = [
  { name: 'the pass the file marks as shown', pass: null, brighter: 'left' },
  { name: 'the light-map pass, chosen', pass: 'lightmap', brighter: 'left' },
  { name: 'the other pass, chosen', pass: 'ao', brighter: 'right' },
];

process.exitCode = await runViewerTest({
  chromium: process.argv[2],
  async prepare(scratch) {
    const model = path.join(scratch, 'scene.glb');
    await fs.writeFile(model, makeTestScene());
    return model;
  },
  async cases({ browser, url, scratch, record }) {
    for (const c of cases)
      await record(c.name, screenshotCase(browser, url, scratch, c));
    await record('a missing file is reported on the page',
      errorCase(browser, `${url}?model=missing.glb`, 'Could not show missing.glb: '));
    await record('an unknown pass is reported on the page',
      errorCase(browser, `${url}?pass=normals`, 'scene.glb has no pass "normals" (it has: lightmap, ao)'));
  },
});
