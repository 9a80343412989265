// Runs a built program page headless, as a person would: wait for the picture
// to settle, optionally save it, press a key, wait for the program to end.
//   node tools/web/run-page.mjs --dir build/web/app --page demo.html
//        [--screenshot FILE] [--settle-ms N] [--key Escape] [--timeout S]
//        [--width W] [--height H] [--show]
// --show: in a Chromium window on the display; the person presses the key.
// Prints `exit code N` and exits with N; 124 when the time runs out.
import { parseArgs } from 'node:util';
import process from 'node:process';
import { openPage, SCREEN } from './browser.mjs';

const USAGE =
  'usage: node tools/web/run-page.mjs --dir DIR --page PAGE [--screenshot FILE] [--settle-ms N] [--key KEY] [--timeout S] [--width W] [--height H] [--show]';

let opts;
try {
  ({ values: opts } = parseArgs({
    options: {
      dir: { type: 'string' },
      page: { type: 'string', default: 'index.html' },
      screenshot: { type: 'string' },
      'settle-ms': { type: 'string', default: '1000' },
      key: { type: 'string' },
      timeout: { type: 'string', default: '60' },
      width: { type: 'string', default: '1280' },
      height: { type: 'string', default: '1024' },
      show: { type: 'boolean', default: false },
    },
  }));
} catch (e) {
  console.error(`${e.message}\n${USAGE}`);
  process.exit(2);
}
const settleMs = Number(opts['settle-ms']);
const timeoutS = Number(opts.timeout);
if (!opts.dir || !(settleMs >= 0) || !(timeoutS > 0)) {
  console.error(USAGE);
  process.exit(2);
}

const deadline = Date.now() + timeoutS * 1000;
const left = () => Math.max(0, deadline - Date.now());
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const ended = (h) => h.page.evaluate(() => document.documentElement.dataset.zqExit !== undefined);

function samePixels(a, b) {
  return a && b && a.width === b.width && a.height === b.height && Buffer.compare(a.data, b.data) === 0;
}

// Blank: every pixel the same (cleared, or never drawn).
function blank(px) {
  const d = px.data;
  for (let i = 4; i < d.length; i += 4)
    if (d[i] !== d[0] || d[i + 1] !== d[1] || d[i + 2] !== d[2] || d[i + 3] !== d[3]) return false;
  return true;
}

// Settled: two reads settleMs apart equal and not blank, or the program ended.
// Returns '' when settled, else why not.
async function settle(h) {
  let before = await h.canvasPixels(SCREEN);
  while (left() > 0) {
    if (await ended(h)) return '';
    await sleep(Math.min(settleMs, left()));
    const now = await h.canvasPixels(SCREEN);
    if (now && samePixels(before, now) && !blank(now)) return '';
    before = now;
  }
  return !before ? `there is no canvas ${SCREEN}` : blank(before) ? 'the canvas stayed one colour' : 'the canvas kept changing';
}

async function run() {
  const h = await openPage({
    dir: opts.dir,
    page: opts.page,
    width: Number(opts.width),
    height: Number(opts.height),
    timeoutMs: left(),
    headless: !opts.show,
  });
  try {
    if (opts.show) {
      console.log(`${h.url}: press a key in the page to end the program`);
      const code = await h.exitCode(left());
      console.log(code === null ? 'no exit code (the time ran out)' : `exit code ${code}`);
      return code === null ? 124 : code;
    }
    const unsettled = await settle(h);
    if (unsettled) {
      console.error(`run-page: the picture did not settle within ${timeoutS} s: ${unsettled}`);
      h.printLog();
      return 124;
    }
    if (opts.screenshot) {
      // The canvas's own pixels at its own size, whatever CSS does to it.
      const px = await h.canvasPng(opts.screenshot, SCREEN);
      console.log(`screenshot ${opts.screenshot} ${px.width}x${px.height}`);
    }
    if (opts.key && !(await ended(h))) await h.key(opts.key);
    const code = await h.exitCode(left());
    if (code === null) {
      console.error(`run-page: no exit code within ${timeoutS} s`);
      h.printLog();
      return 124;
    }
    console.log(`exit code ${code}`);
    if (code !== 0) h.printLog();
    return code;
  } finally {
    await h.close();
  }
}

try {
  process.exitCode = await run();
} catch (e) {
  console.error(`run-page: ${e.message}`);
  process.exitCode = 1;
}
