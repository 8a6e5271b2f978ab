// Bakes a small scene with torvo-bake and checks from the viewer's picture of the result that
// the sun's shadow is where it must fall:
//
//   node bake-view-test.mjs path/to/torvo-bake [path/to/chromium]
//
// The scene (written here as OBJ) is a 4 x 4 floor at y = 0 with a unit cube standing on its
// centre; the sun travels along (1, -1, 0), so the cube's shadow covers the floor from x = 0.5 to
// 1.5 beside it, and nothing darkens the floor on the other side. The viewer's camera looks
// down -Z at the centre of this scene, which is symmetric in X apart from the light: the shadow
// appears right of the cube, and every pixel's mirror image across the picture's middle column
// shows lit floor. The file's own texture coordinates are those of the light map's direction
// flipped, so a viewer that shows the bake on the wrong UV set puts the shadow on the left.
//
// Prints one line per case and "N passed, N failed"; exits non-zero on any failure.
import { execFile } from 'node:child_process';
import { promises as fs } from 'node:fs';
import path from 'node:path';
import { promisify } from 'node:util';
import { brightness, isBackground, runViewerTest, viewerPicture } from './viewer-page.mjs';

const FLOOR_HALF = 2;
const CUBE_HALF = 0.5;
const SUN = '1,-1,0';
// Small and quick: the shadow's edge only has to be clear, not smooth. Direct light only and no
// sky, so that the shadow is black and the lit floor is the sun's alone.
const BAKE_OPTIONS = ['-q', '-p', 'lightmap', '-s', '128', '--gi-rays', '0', '--sun', SUN,
  '--sun-intensity', '1', '--sky-intensity', '0', '--lights', 'default', '-j', '2'];
const BAKE_TIMEOUT_MS = 120000;
// A pixel in shadow is at least this much darker than its lit mirror image (0..255, gamma 2.2).
const MIN_CONTRAST = 80;
// Share of the picture's model pixels that the shadow beside the cube covers at least (it covers
// about a twelfth of the floor seen), and the most that may be darker on the unshaded side.
const MIN_SHADOW_SHARE = 0.02;
const MAX_MIRRORED_SHARE = 0.005;
// The status panel sits in the picture's top left corner: the rows above this share are left out.
const SKIPPED_TOP_SHARE = 0.25;

// OBJ text for the floor and the cube, with normals and texture coordinates (u flipped in x).
function sceneObj() {
  const vertices = [], uvs = [], normals = [], faces = [];
  const quad = (corners, normal) => {
    const base = vertices.length;
    for (const p of corners) {
      vertices.push(p);
      uvs.push([(FLOOR_HALF - p[0]) / (2 * FLOOR_HALF), (p[2] + FLOOR_HALF) / (2 * FLOOR_HALF)]);
    }
    normals.push(normal);
    const n = normals.length;
    faces.push([1, 2, 3, 4].map((k) => `${base + k}/${base + k}/${n}`).join(' '));
  };
  const h = FLOOR_HALF;
  quad([[-h, 0, h], [h, 0, h], [h, 0, -h], [-h, 0, -h]], [0, 1, 0]);
  const c = CUBE_HALF;
  for (let axis = 0; axis < 3; ++axis) {
    for (const sign of [1, -1]) {
      const u = (axis + 1) % 3, v = (axis + 2) % 3;
      const corners = [[-1, -1], [1, -1], [1, 1], [-1, 1]].map(([a, b]) => {
        const p = [0, 0, 0];
        p[axis] = sign * c;
        p[u] = sign * a * c;  // counter-clockwise seen from outside
        p[v] = b * c;
        p[1] += c;            // standing on the floor
        return p;
      });
      const n = [0, 0, 0];
      n[axis] = sign;
      quad(corners, n);
    }
  }
  return ['# a floor and a cube for the viewer test', 'o scene',
    ...vertices.map((p) => `v ${p.join(' ')}`),
    ...uvs.map((t) => `vt ${t.join(' ')}`),
    ...normals.map((n) => `vn ${n.join(' ')}`),
    ...faces.map((f) => `f ${f}`), ''].join('\n');
}

// Compares every model pixel right of the middle column with its mirror image on the left.
function shadowOf(picture) {
  const { width, height, rgb } = picture;
  let model = 0, rightDarker = 0, leftDarker = 0;
  for (let y = Math.floor(height * SKIPPED_TOP_SHARE); y < height; ++y) {
    for (let x = Math.ceil(width / 2); x < width; ++x) {
      const right = (y * width + x) * 3, left = (y * width + (width - 1 - x)) * 3;
      model += !isBackground(rgb, right) + !isBackground(rgb, left);
      if (isBackground(rgb, right) || isBackground(rgb, left))
        continue;
      const difference = brightness(rgb, left) - brightness(rgb, right);
      rightDarker += difference >= MIN_CONTRAST;
      leftDarker += -difference >= MIN_CONTRAST;
    }
  }
  return { model, rightDarker: rightDarker / Math.max(model, 1), leftDarker: leftDarker / Math.max(model, 1) };
}

async function shadowCase(browser, url, scratch) {
  const file = path.join(scratch, 'lightmap.png');
  const seen = shadowOf(await viewerPicture(browser, `${url}?pass=lightmap`, file));
  const percent = (share) => `${(share * 100).toFixed(1)} %`;
  const describe = `darker right of the middle: ${percent(seen.rightDarker)}, left of it: ${percent(seen.leftDarker)} of ${seen.model} model pixels`;
  if (seen.rightDarker < MIN_SHADOW_SHARE)
    throw new Error(`no shadow beside the cube (${describe}); picture kept in ${file}`);
  if (seen.leftDarker > MAX_MIRRORED_SHARE)
    throw new Error(`dark floor on the sunny side (${describe}); picture kept in ${file}`);
  return describe;
}

const [bakeTool, chromium] = process.argv.slice(2);
if (!bakeTool) {
  console.error('usage: node bake-view-test.mjs path/to/torvo-bake [path/to/chromium]');
  process.exit(2);
}
process.exitCode = await runViewerTest({
  chromium,
  async prepare(scratch) {
    const obj = path.join(scratch, 'floor-and-cube.obj');
    await fs.writeFile(obj, sceneObj());
    const out = path.join(scratch, 'bake');
    try {
      await promisify(execFile)(bakeTool, [...BAKE_OPTIONS, '-o', out, obj], { timeout: BAKE_TIMEOUT_MS });
    } catch (error) {
      throw new Error(`torvo-bake failed: ${(error.stderr || error.message).trim()}`);
    }
    return path.join(out, 'scene.glb');
  },
  async cases({ browser, url, scratch, record }) {
    await record('the sun\'s shadow beside the cube, on the light-map pass', shadowCase(browser, url, scratch));
  },
});
