// Writes a small baked scene in the form torvo-bake gives it, for the viewer's test:
//
//   node make-test-scene.mjs out/scene.glb
//
// A 4 x 4 floor (y = 0, facing up) and a box standing on its far half. The floor's "lightmap" pass
// is bright on its -X half and dark on its +X half; its "ao" pass is the other way round; the box
// is mid grey in both. The floor's TEXCOORD_0 is TEXCOORD_1 mirrored, so a viewer that samples the
// wrong UV set shows the halves swapped.
import { promises as fs } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { encodeRgb } from './png.mjs';

export const BRIGHT = 230;
export const DARK = 25;
export const GREY = 128;
const TEXTURE_SIZE = 16;
const FLOOR_HALF = 2;
const BOX_HALF = 0.4;
const BOX_CENTRE = [0, BOX_HALF, -1.2];

const GLB_MAGIC = 0x46546c67;  // "glTF"
const GLB_VERSION = 2;
const CHUNK_JSON = 0x4e4f534a;
const CHUNK_BIN = 0x004e4942;
const FLOAT = 5126;
const UNSIGNED_SHORT = 5123;
const ARRAY_BUFFER = 34962;
const ELEMENT_ARRAY_BUFFER = 34963;

// A picture whose left columns (u < 0.5) have one grey value and whose right columns another.
function halves(left, right) {
  const rgb = new Uint8Array(TEXTURE_SIZE * TEXTURE_SIZE * 3);
  for (let y = 0; y < TEXTURE_SIZE; ++y)
    for (let x = 0; x < TEXTURE_SIZE; ++x)
      rgb.fill(x < TEXTURE_SIZE / 2 ? left : right, (y * TEXTURE_SIZE + x) * 3, (y * TEXTURE_SIZE + x + 1) * 3);
  return encodeRgb(TEXTURE_SIZE, TEXTURE_SIZE, rgb);
}

function floor() {
  const h = FLOOR_HALF;
  const positions = [-h, 0, h, h, 0, h, h, 0, -h, -h, 0, -h];
  const uv1 = positions.flatMap((_, i) => (i % 3 === 0 ? [(positions[i] + h) / (2 * h), (positions[i + 2] + h) / (2 * h)] : []));
  const uv0 = uv1.map((value, i) => (i % 2 === 0 ? 1 - value : value));
  return { positions, normals: [0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0], uv0, uv1, indices: [0, 1, 2, 0, 2, 3] };
}

function box() {
  const positions = [], normals = [], uv1 = [], indices = [];
  // Each face: its normal axis and sign; the corners span the two other axes.
  for (let axis = 0; axis < 3; ++axis) {
    for (const sign of [1, -1]) {
      const u = (axis + 1) % 3, v = (axis + 2) % 3;
      const base = positions.length / 3;
      for (const [a, b] of [[-1, -1], [1, -1], [1, 1], [-1, 1]]) {
        const p = [0, 0, 0];
        p[axis] = sign;
        p[u] = sign * a;  // keeps the winding counter-clockwise seen from outside
        p[v] = b;
        positions.push(...p.map((c, i) => BOX_CENTRE[i] + c * BOX_HALF));
        const n = [0, 0, 0];
        n[axis] = sign;
        normals.push(...n);
        uv1.push(0.5, 0.5);
      }
      indices.push(base, base + 1, base + 2, base, base + 2, base + 3);
    }
  }
  return { positions, normals, uv0: uv1, uv1, indices };
}

export function makeTestScene() {
  const chunks = [];
  let length = 0;
  const bufferViews = [], accessors = [];
  const view = (bytes, target) => {
    const padding = (4 - (length % 4)) % 4;
    chunks.push(Buffer.alloc(padding));
    length += padding;
    bufferViews.push({ buffer: 0, byteOffset: length, byteLength: bytes.length, ...(target ? { target } : {}) });
    chunks.push(bytes);
    length += bytes.length;
    return bufferViews.length - 1;
  };
  const accessor = (values, type, componentType, target, bounds) => {
    const array = componentType === FLOAT ? new Float32Array(values) : new Uint16Array(values);
    const width = { SCALAR: 1, VEC2: 2, VEC3: 3 }[type];
    const entry = { bufferView: view(Buffer.from(array.buffer), target), componentType, count: values.length / width, type };
    if (bounds) {
      entry.min = [0, 1, 2].map((k) => Math.min(...values.filter((_, i) => i % 3 === k)));
      entry.max = [0, 1, 2].map((k) => Math.max(...values.filter((_, i) => i % 3 === k)));
    }
    accessors.push(entry);
    return accessors.length - 1;
  };
  const primitive = (mesh, material) => ({
    attributes: {
      POSITION: accessor(mesh.positions, 'VEC3', FLOAT, ARRAY_BUFFER, true),
      NORMAL: accessor(mesh.normals, 'VEC3', FLOAT, ARRAY_BUFFER),
      TEXCOORD_0: accessor(mesh.uv0, 'VEC2', FLOAT, ARRAY_BUFFER),
      TEXCOORD_1: accessor(mesh.uv1, 'VEC2', FLOAT, ARRAY_BUFFER),
    },
    indices: accessor(mesh.indices, 'SCALAR', UNSIGNED_SHORT, ELEMENT_ARRAY_BUFFER),
    material,
  });
  const pictures = [halves(BRIGHT, DARK), halves(DARK, BRIGHT), halves(GREY, GREY)];
  const meshes = [{ name: 'floor', primitives: [primitive(floor(), 0)] },
    { name: 'box', primitives: [primitive(box(), 1)] }];
  const images = pictures.map((png) => ({ bufferView: view(png), mimeType: 'image/png' }));
  const material = (name, lightmap, ao) => ({
    name,
    pbrMetallicRoughness: { baseColorFactor: [1, 1, 1, 1], baseColorTexture: { index: lightmap, texCoord: 1 } },
    extensions: { KHR_materials_unlit: {} },
    extras: { torvo: { passes: { lightmap, ao }, shown: 'lightmap' } },
  });
  const json = {
    asset: { version: '2.0', generator: 'torvo32 viewer test', extras: { torvo: { passes: ['lightmap', 'ao'] } } },
    extensionsUsed: ['KHR_materials_unlit'],
    scene: 0,
    scenes: [{ nodes: [0, 1] }],
    nodes: [{ name: 'floor', mesh: 0 }, { name: 'box', mesh: 1 }],
    meshes,
    materials: [material('floor', 0, 1), material('box', 2, 2)],
    textures: images.map((_, source) => ({ source, sampler: 0 })),
  // Linear, no mipmaps, clamped at the edges: the halves stay sharp.
  samplers: [{ magFilter: 9729, minFilter: 9729, wrapS: 33071, wrapT: 33071 }],
    images,
    accessors,
    bufferViews,
    buffers: [{ byteLength: 0 }],
  };
  const bin = Buffer.concat([...chunks, Buffer.alloc((4 - (length % 4)) % 4)]);
  json.buffers[0].byteLength = bin.length;
  let text = Buffer.from(JSON.stringify(json));
  text = Buffer.concat([text, Buffer.alloc((4 - (text.length % 4)) % 4, 0x20)]);
  const header = Buffer.alloc(12);
  header.writeUInt32LE(GLB_MAGIC, 0);
  header.writeUInt32LE(GLB_VERSION, 4);
  header.writeUInt32LE(12 + 8 + text.length + 8 + bin.length, 8);
  const chunkHead = (size, type) => {
    const head = Buffer.alloc(8);
    head.writeUInt32LE(size, 0);
    head.writeUInt32LE(type, 4);
    return head;
  };
  return Buffer.concat([header, chunkHead(text.length, CHUNK_JSON), text, chunkHead(bin.length, CHUNK_BIN), bin]);
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  if (process.argv.length !== 3) {
    console.error('usage: node make-test-scene.mjs out/scene.glb');
    process.exit(2);
  }
  await fs.writeFile(process.argv[2], makeTestScene());
}
