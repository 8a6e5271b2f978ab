// Shows a baked scene (scene.glb as torvo-bake writes it) lit by nothing but its baked textures:
// every material is drawn unlit with the chosen pass's texture on the light-map UV set
// (TEXCOORD_1), and the buttons (or the keys 1, 2, ...) switch between the passes the file lists.
//
// Query parameters: model=<address of the .glb> (default: scene.glb next to the page),
// pass=<pass name> (default: the pass the file marks as shown).
import * as THREE from 'three';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';

const LIGHT_MAP_UV_SET = 1;
// The camera starts in front of the model and a little above it, looking at its centre.
const START_DIRECTION = new THREE.Vector3(0, 0.6, 1).normalize();
const VERTICAL_FIELD_OF_VIEW = 45;
// Room around the model's bounding sphere when framing it.
const FRAME_MARGIN = 1.1;
const NEAR_FRACTION = 0.01;
const FAR_FACTOR = 100;
// A surface whose material has no texture for the chosen pass: dark, so that it reads as "not baked".
const MISSING_PASS_COLOR = 0x303030;
const BACKGROUND = 0x1d2a44;

const params = new URLSearchParams(window.location.search);
const modelAddress = params.get('model') || 'scene.glb';

const statusLine = document.getElementById('status');
const passBar = document.getElementById('passes');

// The page's state is also kept on <body data-state> (loading, ready, error) for scripted checks.
function report(text, state) {
  statusLine.textContent = text;
  statusLine.classList.toggle('error', state === 'error');
  document.body.dataset.state = state;
}

function errorText(error) {
  if (error instanceof Error)
    return error.message;
  if (error && error.target && error.target.status)  // a failed request from the file loader
    return `HTTP ${error.target.status}`;
  return String(error);
}

// The baked textures of one material, by pass name; an empty map for a material the bake did not touch.
async function bakedTextures(parser, material, cache) {
  const torvo = material.userData.torvo;
  const textures = new Map();
  if (!torvo || typeof torvo.passes !== 'object' || torvo.passes === null)
    return textures;
  for (const [pass, index] of Object.entries(torvo.passes)) {
    if (!Number.isInteger(index))
      throw new Error(`material "${material.name}": pass "${pass}" names no texture`);
    if (!cache.has(index)) {
      cache.set(index, parser.getDependency('texture', index).then((loaded) => {
        const texture = loaded.clone();
        texture.channel = LIGHT_MAP_UV_SET;
        texture.colorSpace = THREE.SRGBColorSpace;  // the bake's pictures carry gamma 2.2
        return texture;
      }));
    }
    textures.set(pass, await cache.get(index));
  }
  return textures;
}

// Replaces every baked material by an unlit one; returns them with their textures by pass.
async function prepareMaterials(gltf) {
  const replaced = new Map();  // loaded material -> { material, textures }
  const cache = new Map();
  const meshes = [];
  gltf.scene.traverse((object) => { if (object.isMesh) meshes.push(object); });
  for (const mesh of meshes) {
    const original = mesh.material;
    if (!replaced.has(original)) {
      const textures = await bakedTextures(gltf.parser, original, cache);
      if (textures.size === 0) {
        replaced.set(original, null);
      } else {
        const unlit = new THREE.MeshBasicMaterial({ name: original.name, side: original.side });
        replaced.set(original, { material: unlit, textures, shown: original.userData.torvo.shown });
      }
    }
    const entry = replaced.get(original);
    if (entry)
      mesh.material = entry.material;
  }
  return [...replaced.values()].filter((entry) => entry !== null);
}

// The passes in the order the file gives, then any a material has that the list lacks.
function passNames(gltf, baked) {
  const listed = gltf.parser.json.asset?.extras?.torvo?.passes;
  const names = Array.isArray(listed) ? listed.filter((name) => typeof name === 'string') : [];
  for (const entry of baked)
    for (const name of entry.textures.keys())
      if (!names.includes(name))
        names.push(name);
  return names;
}

function frame(camera, controls, object) {
  const box = new THREE.Box3().setFromObject(object);
  if (box.isEmpty())
    throw new Error('the model holds no geometry');
  const sphere = box.getBoundingSphere(new THREE.Sphere());
  const radius = Math.max(sphere.radius, Number.EPSILON);
  const halfVertical = THREE.MathUtils.degToRad(camera.fov / 2);
  const halfHorizontal = Math.atan(Math.tan(halfVertical) * camera.aspect);
  const distance = (radius * FRAME_MARGIN) / Math.sin(Math.min(halfVertical, halfHorizontal));
  camera.position.copy(sphere.center).addScaledVector(START_DIRECTION, distance);
  camera.near = distance * NEAR_FRACTION;
  camera.far = distance * FAR_FACTOR;
  camera.updateProjectionMatrix();
  controls.target.copy(sphere.center);
  controls.update();
}

async function main() {
  report(`Loading ${modelAddress}…`, 'loading');
  let renderer;
  try {
    renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
  } catch (error) {
    report(`No WebGL here: ${errorText(error)}`, 'error');
    return;
  }
  const container = document.getElementById('view');
  renderer.setPixelRatio(window.devicePixelRatio);
  renderer.setSize(container.clientWidth, container.clientHeight);
  container.appendChild(renderer.domElement);

  const scene = new THREE.Scene();
  scene.background = new THREE.Color(BACKGROUND);
  const camera = new THREE.PerspectiveCamera(VERTICAL_FIELD_OF_VIEW,
    container.clientWidth / Math.max(container.clientHeight, 1), 0.1, 1000);
  const controls = new OrbitControls(camera, renderer.domElement);
  const draw = () => renderer.render(scene, camera);
  controls.addEventListener('change', draw);
  window.addEventListener('resize', () => {
    camera.aspect = container.clientWidth / Math.max(container.clientHeight, 1);
    camera.updateProjectionMatrix();
    renderer.setSize(container.clientWidth, container.clientHeight);
    draw();
  });

  let gltf, baked;
  try {
    gltf = await new GLTFLoader().loadAsync(modelAddress);
    baked = await prepareMaterials(gltf);
    scene.add(gltf.scene);
    frame(camera, controls, gltf.scene);
  } catch (error) {
    report(`Could not show ${modelAddress}: ${errorText(error)}`, 'error');
    return;
  }

  const names = passNames(gltf, baked);
  const buttons = new Map();
  const show = (pass) => {
    for (const entry of baked) {
      const texture = entry.textures.get(pass) || null;
      entry.material.map = texture;
      entry.material.color.set(texture ? 0xffffff : MISSING_PASS_COLOR);
      entry.material.needsUpdate = true;
    }
    for (const [name, button] of buttons)
      button.setAttribute('aria-pressed', String(name === pass));
    report(`${modelAddress}: ${pass || 'no baked passes'}`, 'ready');
    draw();
  };
  names.forEach((name, i) => {
    const button = document.createElement('button');
    button.textContent = name;
    button.title = `key ${i + 1}`;
    button.addEventListener('click', () => show(name));
    passBar.appendChild(button);
    buttons.set(name, button);
  });
  window.addEventListener('keydown', (event) => {
    const index = Number.parseInt(event.key, 10) - 1;
    if (index >= 0 && index < names.length)
      show(names[index]);
  });

  const requested = params.get('pass');
  const marked = baked.map((entry) => entry.shown).find((name) => names.includes(name));
  if (requested && !names.includes(requested)) {
    report(`${modelAddress} has no pass "${requested}" (it has: ${names.join(', ') || 'none'})`, 'error');
    return;
  }
  show(requested || marked || names[0]);
}

main();
