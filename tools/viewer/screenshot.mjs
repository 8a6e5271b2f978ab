// Takes the viewer's picture of a baked scene in headless Chromium (as the README's picture was made):
//
//   node tools/viewer/screenshot.mjs [--size WxH] [--pass NAME] [--chromium PATH] scene.glb picture.png
import { promises as fs } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { parseArgs } from 'node:util';
import { startServer } from './serve.mjs';
import { Browser } from './test/browser.mjs';
import { DEFAULT_CHROMIUM, viewerPicture } from './test/viewer-page.mjs';

const USAGE = 'usage: node screenshot.mjs [--size WxH] [--pass NAME] [--chromium PATH] scene.glb picture.png';
let options;
try {
  options = parseArgs({ allowPositionals: true, options: {
    size: { type: 'string', default: '800x500' }, pass: { type: 'string' }, chromium: { type: 'string', default: DEFAULT_CHROMIUM } } });
} catch (error) {
  console.error(`${error.message}\n${USAGE}`);
  process.exit(2);
}
const size = /^(\d+)x(\d+)$/.exec(options.values.size);
if (options.positionals.length !== 2 || !size) {
  console.error(USAGE);
  process.exit(2);
}
const [model, picture] = options.positionals;
try {
  await fs.access(model);
} catch (error) {
  console.error(`screenshot.mjs: cannot read ${model}: ${error.code || error.message}`);
  process.exit(1);
}
const scratch = await fs.mkdtemp(path.join(os.tmpdir(), 'torvo-screenshot-'));
const { server, url } = await startServer({ model });
let browser = null;
try {
  browser = await Browser.start(options.values.chromium, scratch);
  const address = options.values.pass ? `${url}?pass=${encodeURIComponent(options.values.pass)}` : url;
  await viewerPicture(browser, address, path.resolve(picture), [Number(size[1]), Number(size[2])]);
} catch (error) {
  console.error(`screenshot.mjs: ${error.message}`);
  process.exitCode = 1;
} finally {
  if (browser)
    await browser.close();
  server.close();
  server.closeAllConnections();
  await fs.rm(scratch, { recursive: true, force: true });
}
