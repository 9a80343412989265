// Checks the browser tools against the fixture page in tests/web/fixture:
//   node tools/web/selftest.mjs
import http from 'node:http';
import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import process from 'node:process';
import { execFile } from 'node:child_process';
import { fileURLToPath } from 'node:url';
import { startServer } from './serve.mjs';
import { withPage } from './browser.mjs';
import { decodePng } from './png.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const fixture = path.join(here, '../../tests/web/fixture');
let passed = 0, failed = 0;

function check(name, ok, detail = '') {
  if (ok) passed++;
  else failed++;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${ok || !detail ? '' : `: ${detail}`}`);
}

// The fixture's picture, from its description rather than from its code.
function expectedPixel(x, y) {
  if (y >= 40) return [x * 4, 255 - x * 4, (y - 40) * 32, 255];
  if (x >= 30 && x < 34 && y >= 20 && y < 24) return [42, 84, 126, 255];
  if (x >= 8 && x < 24 && y >= 4 && y < 16) return [255, 0, 0, 255];
  return [0x10, 0x20, 0x30, 255];
}

// First differing pixel against the model, or '' when all match.
function comparePicture(img) {
  if (!img || img.width !== 64 || img.height !== 48) return `size ${img?.width}x${img?.height}, not 64x48`;
  for (let y = 0; y < 48; y++)
    for (let x = 0; x < 64; x++) {
      const got = Array.from(img.data.subarray((y * 64 + x) * 4, (y * 64 + x) * 4 + 4));
      const want = expectedPixel(x, y);
      if (got.some((v, i) => v !== want[i])) return `(${x},${y}) is ${got}, not ${want}`;
    }
  return '';
}

// Raw requests: fetch() would fold '..' before sending it.
function request(url, rawPath) {
  return new Promise((resolve, reject) => {
    const req = http.get(url + rawPath, { path: rawPath }, (res) => {
      res.resume();
      res.on('end', () => resolve(res));
    });
    req.on('error', reject);
  });
}

async function serverChecks() {
  const { url, close } = await startServer(fixture);
  try {
    const types = {
      '/index.html': 'text/html',
      '/fixture.js': 'text/javascript',
      '/k.wasm': 'application/wasm',
      '/fixture.css': 'text/css',
      '/dot.png': 'image/png',
      '/data.json': 'application/json',
      '/': 'text/html',
    };
    for (const [p, type] of Object.entries(types)) {
      const res = await request(url, p);
      const got = res.headers['content-type'] ?? '';
      const cacheHeaders = ['etag', 'last-modified', 'cache-control', 'expires'].filter((h) => h in res.headers);
      check(`serves ${p} as ${type}`, res.statusCode === 200 && got.split(';')[0] === type && !cacheHeaders.length,
        `${res.statusCode} ${got} ${cacheHeaders}`);
    }
    check('a missing file is 404', (await request(url, '/missing.js')).statusCode === 404);
    // Each names a file that exists, read through the folder's parent.
    for (const p of ['/../fixture/index.html', '/%2e%2e/../web/fixture/index.html', '/x/..%2f..%2f..%2f..%2fREADME.md']) {
      const res = await request(url, p);
      check(`refuses ${p}`, res.statusCode === 403, `status ${res.statusCode}`);
    }
  } finally {
    await close();
  }
}

async function pageChecks(tmp) {
  await withPage({ dir: fixture, page: 'index.html', width: 320, height: 240 }, async (h) => {
    check('the page starts', await h.ready(5000));
    check('canvas pixels read exactly', !comparePicture(await h.canvasPixels()), comparePicture(await h.canvasPixels()));

    const shot = path.join(tmp, 'shot.png');
    await h.screenshot(shot, '#zq-screen');
    const decoded = decodePng(await fs.readFile(shot));
    check("Chromium's screenshot decodes to the picture", !comparePicture(decoded), comparePicture(decoded));

    // Our PNG writer, read back by Chromium's decoder.
    const ours = path.join(tmp, 'ours.png');
    await h.canvasPng(ours);
    const b64 = (await fs.readFile(ours)).toString('base64');
    const back = await h.page.evaluate(async (b64) => {
      const img = new Image();
      img.src = `data:image/png;base64,${b64}`;
      await img.decode();
      const c = document.createElement('canvas');
      [c.width, c.height] = [img.width, img.height];
      const g = c.getContext('2d');
      g.drawImage(img, 0, 0);
      return { width: c.width, height: c.height, data: Array.from(g.getImageData(0, 0, c.width, c.height).data) };
    }, b64);
    back.data = Uint8Array.from(back.data);
    check('our PNG decodes in Chromium to the picture', !comparePicture(back), comparePicture(back));

    check('no exit code before Escape', (await h.exitCode(200)) === null);
    await h.key('a');
    await h.click(10, 20);
    await h.click(63, 47, { button: 'right' });
    await h.wheel(5, 5, 0, 100);
    await h.key('Escape');
    const code = await h.exitCode(3000);
    const lines = (await h.text()).trim().split('\n');
    const want = ['key a KeyA', 'down 0 10,20', 'down 2 63,47', 'wheel 100', 'key Escape Escape'];
    check('keys and the mouse reach the canvas', JSON.stringify(lines) === JSON.stringify(want), JSON.stringify(lines));
    check('Escape ends the page with exit code 3', code === 3, `got ${code}`);
  });
}

function runPageCheck(tmp) {
  const shot = path.join(tmp, 'run.png');
  const args = [path.join(here, 'run-page.mjs'), '--dir', fixture, '--page', 'index.html', '--screenshot', shot,
    '--settle-ms', '200', '--key', 'Escape', '--timeout', '10'];
  return new Promise((resolve) => {
    execFile(process.execPath, args, async (err, stdout, stderr) => {
      const code = err ? err.code : 0;
      let picture = 'no screenshot';
      try {
        picture = comparePicture(decodePng(await fs.readFile(shot)));
      } catch (e) {
        picture = e.message;
      }
      check('run-page exits with the exit code and prints it', code === 3 && /^exit code 3$/m.test(stdout),
        `exit ${code}\n${stdout}${stderr}`);
      check('run-page saves the canvas picture', !picture, picture);
      resolve();
    });
  });
}

const tmp = await fs.mkdtemp(path.join(os.tmpdir(), 'zq-web-selftest-'));
try {
  await serverChecks();
  await pageChecks(tmp);
  await runPageCheck(tmp);
} catch (e) {
  check('selftest ran to the end', false, e.stack);
} finally {
  await fs.rm(tmp, { recursive: true, force: true });
}
console.log(`selftest: ${passed} passed, ${failed} failed`);
process.exitCode = failed ? 1 : 0;
