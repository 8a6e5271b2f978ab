// Serves the viewer page on this machine only (127.0.0.1), with a baked scene as /scene.glb.
//
//   node tools/viewer/serve.mjs [--port N] [path/to/scene.glb]
//
// Prints the address to open and serves until stopped. Without a file, scene.glb is looked for
// next to the page. Only files below the viewer's folder (and the one scene file) are served.
import { createReadStream, promises as fs } from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const VIEWER_ROOT = path.dirname(fileURLToPath(import.meta.url));
const LOCAL_HOST = '127.0.0.1';

const CONTENT_TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',  // module scripts are refused under any other type
  '.mjs': 'text/javascript; charset=utf-8',
  '.json': 'application/json',
  '.glb': 'model/gltf-binary',
  '.gltf': 'model/gltf+json',
  '.bin': 'application/octet-stream',
  '.png': 'image/png',
  '.css': 'text/css',
};

function send(response, status, text) {
  response.writeHead(status, { 'Content-Type': 'text/plain; charset=utf-8' });
  response.end(text + '\n');
}

// The file a request names, or null when it lies outside what is served.
function resolve(root, model, requestPath) {
  let decoded;
  try {
    decoded = decodeURIComponent(requestPath);
  } catch {
    return null;
  }
  if (decoded.includes('\0'))
    return null;
  if (model && decoded === '/scene.glb')
    return model;
  const file = path.resolve(root, '.' + path.posix.normalize(decoded === '/' ? '/index.html' : decoded));
  return file === root || file.startsWith(root + path.sep) ? file : null;
}

// Starts the server; resolves to { server, url } once it listens (port 0 picks a free one).
export function startServer({ root = VIEWER_ROOT, model = null, port = 0 } = {}) {
  const served = path.resolve(root);
  const modelFile = model ? path.resolve(model) : null;
  const server = http.createServer(async (request, response) => {
    if (request.method !== 'GET' && request.method !== 'HEAD')
      return send(response, 405, 'only GET and HEAD');
    const file = resolve(served, modelFile, new URL(request.url, 'http://localhost').pathname);
    if (!file)
      return send(response, 403, 'not served');
    let stat;
    try {
      stat = await fs.stat(file);
    } catch {
      return send(response, 404, 'not found');
    }
    if (!stat.isFile())
      return send(response, 404, 'not found');
    response.writeHead(200, {
      'Content-Type': CONTENT_TYPES[path.extname(file).toLowerCase()] || 'application/octet-stream',
      'Content-Length': stat.size,
      'Cache-Control': 'no-store',
    });
    if (request.method === 'HEAD')
      return response.end();
    createReadStream(file).on('error', () => response.destroy()).pipe(response);
  });
  return new Promise((resolvePromise, reject) => {
    server.once('error', reject);
    server.listen(port, LOCAL_HOST, () => {
      resolvePromise({ server, url: `http://${LOCAL_HOST}:${server.address().port}/` });
    });
  });
}

async function main(argv) {
  let port = 0;
  let model = null;
  for (let i = 0; i < argv.length; ++i) {
    if (argv[i] === '--port' && i + 1 < argv.length) {
      port = Number(argv[++i]);
      if (!Number.isInteger(port) || port < 0 || port > 65535) {
        console.error(`serve.mjs: not a port: ${argv[i]}`);
        return 2;
      }
    } else if (argv[i].startsWith('-') || model) {
      console.error('usage: node serve.mjs [--port N] [scene.glb]');
      return 2;
    } else {
      model = argv[i];
    }
  }
  if (model) {
    try {
      if (!(await fs.stat(model)).isFile())
        throw new Error('not a file');
    } catch (error) {
      console.error(`serve.mjs: cannot read ${model}: ${error.message}`);
      return 1;
    }
  }
  try {
    await fs.access(path.join(VIEWER_ROOT, 'node_modules', 'three', 'build', 'three.module.js'));
  } catch {
    console.error(`serve.mjs: three.js is missing; run: npm ci --prefix ${VIEWER_ROOT}`);
    return 1;
  }
  const { url } = await startServer({ model, port });
  console.log(`Viewer at ${url} (Ctrl-C stops it)`);
  return null;
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  main(process.argv.slice(2)).then((code) => { if (code !== null) process.exitCode = code; },
    (error) => { console.error(`serve.mjs: ${error.message}`); process.exitCode = 1; });
}
