// The demonstration in a real browser: the page's canvas shows exactly the
// reference picture (the hand-written loop and the font, no graphics layer,
// from demo_frame --reference), a key ends the program with exit code 0; and
// under Node.js, without a page, the same build prints its message and ends on
// a key.
//   node tests/web/demo.test.mjs BUILD_DIR        (the web build folder)
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import process from 'node:process';
import { withPage, SCREEN } from '../../tools/web/browser.mjs';

const build = process.argv[2] || 'build/web';
let passed = 0, failed = 0;
const check = (ok, what) => {
  if (ok) ++passed;
  else ++failed;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
};

// The reference frame as palette indices; the demonstration's palette shows
// 15 as white and 0 as black.
const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'demo-web-'));
const pgm = path.join(tmp, 'reference.pgm');
execFileSync('node', [path.join(build, 'tools/demo_frame.js'), '--reference', pgm]);
const bytes = fs.readFileSync(pgm);
const indices = bytes.subarray(bytes.length - 1280 * 1024);
const COLOURS = { 0: [0, 0, 0], 15: [255, 255, 255] };

function differing(px) {
  let count = 0;
  for (let i = 0; i < indices.length; ++i) {
    const c = COLOURS[indices[i]];
    const o = 4 * i;
    if (!c || px.data[o] !== c[0] || px.data[o + 1] !== c[1] || px.data[o + 2] !== c[2] || px.data[o + 3] !== 255) ++count;
  }
  return count;
}

await withPage({ dir: path.join(build, 'app'), page: 'demo.html', timeoutMs: 60000 }, async (h) => {
  // While the program draws, the page answers and its canvas grows (the
  // long loop gives the page its turn); the picture is done when the message
  // is on it.
  let px = null, off = -1, growing = 0, lastLit = -1;
  for (const end = Date.now() + 120000; Date.now() < end; await new Promise((r) => setTimeout(r, 100))) {
    px = await h.canvasPixels(SCREEN);
    if (!px || px.width !== 1280 || px.height !== 1024) continue;
    if ((off = differing(px)) === 0) break;
    let lit = 0;
    for (let i = 0; i < px.data.length; i += 4) lit += px.data[i] !== 0;
    if (lit !== lastLit && lastLit >= 0) ++growing;
    lastLit = lit;
  }
  check(growing >= 2, `the canvas changes while the program draws (${growing} changes seen)`);
  check(px && px.width === 1280 && px.height === 1024, `the canvas is 1280 x 1024 (${px?.width} x ${px?.height})`);
  check(off === 0, `the canvas equals the reference picture (${off} differing pixels)`);
  check((await h.exitCode(10)) === null, 'the program waits for a key');
  // ALT+ENTER: the browser's full screen for the canvas, and back; no key
  // reaches the program meanwhile.
  const fullScreen = () => h.page.evaluate(() => document.fullscreenElement?.id ?? '');
  const altEnter = async () => {
    await h.keyDown('AltLeft');
    await h.key('Enter');
    await h.keyUp('AltLeft');
  };
  await altEnter();
  await h.waitFor('document.fullscreenElement !== null', 5000);
  check((await fullScreen()) === 'zq-screen', `ALT+ENTER shows the canvas full screen (${await fullScreen()})`);
  await altEnter();
  await h.waitFor('document.fullscreenElement === null', 5000);
  check((await fullScreen()) === '', 'ALT+ENTER again leaves full screen');
  check((await h.exitCode(10)) === null, 'and the program still waits for its key');
  await h.key('Escape');
  const code = await h.exitCode(20000);
  check(code === 0, `a key ends it with exit code 0 (${code})`);
  // The last picture stays on the page after the end.
  px = await h.canvasPixels(SCREEN);
  check(px && differing(px) === 0, 'the picture stays after the end');
});

// Node.js: no page, the Null driver and the console on stdin/stdout.
const run = spawnSync("node", [path.join(build, "app/demo.js")], { input: "x", timeout: 30000 });
const out = run.stdout.toString();
check(out.includes('presionar \u2190 ESC para salir'), `under Node.js the message is printed (${JSON.stringify(out.slice(0, 60))})`);
check(run.status === 0, `under Node.js a key ends it with exit code 0 (${run.status}${run.signal ? ', ' + run.signal : ''})`);

fs.rmSync(tmp, { recursive: true, force: true });
console.log(`demo: ${passed} passed, ${failed} failed`);
process.exitCode = failed ? 1 : 0;
