// The display driver suite in headless Chromium on the canvas driver: opens
// the built test_display_suite.html, lends the page the host's function
// (zqHost, see suite_host_web.cpp) and answers it with real DevTools input and
// the canvas's pixels, prints the program's output, exits with its exit code.
//   node tests/gfx/display/suite_web.mjs BUILD_DIR [--gtest_filter=...]
// ZQ_TRACE=1 prints each of the host's requests on standard error.
import process from 'node:process';
import { openPage, SCREEN } from '../../../tools/web/browser.mjs';

const [dir, ...programArguments] = process.argv.slice(2);
if (!dir) {
  console.error('usage: node tests/gfx/display/suite_web.mjs BUILD_DIR [gtest arguments]');
  process.exit(2);
}
const TIMEOUT_S = 240;
// The screen is shown at twice its size, so that the driver's pointer
// positions go through the page's scaling.
const CSS_SCALE = 2;
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

let h; // the page's helpers, once it is open
let front; // the tab with the focus: keys, and the pointer off the screen, go there
let other = null; // the tab that takes the focus away
let cdp; // DevTools session on the suite's page
let failure = null; // what ended the run early
let closing = false; // the tab is being closed for the host

// The host's requests, by `op`; each answers an array of numbers, or a
// string of base64 words.
const OPS = {
  async focus({ screen }) {
    if (screen) {
      await h.page.bringToFront();
      front = h.page;
      if (other) await other.close();
      other = null;
    } else {
      other ??= await h.browser.newPage();
      await other.bringToFront();
      front = other;
    }
    return [];
  },

  // The canvas's own pixels: width, height, then 0xRRGGBB row by row.
  async shoot() {
    return h.page.evaluate((selector) => {
      const c = document.querySelector(selector);
      if (!(c instanceof HTMLCanvasElement) || !c.width || !c.height) return btoa('\0'.repeat(8));
      const rgba = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
      const words = new Int32Array(2 + c.width * c.height);
      words[0] = c.width;
      words[1] = c.height;
      for (let i = 0, j = 2; i < rgba.length; i += 4, ++j) words[j] = (rgba[i] << 16) | (rgba[i + 1] << 8) | rgba[i + 2];
      const bytes = new Uint8Array(words.buffer);
      let s = '';
      for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
      return btoa(s);
    }, SCREEN);
  },

  // Keys by the browser's names of physical keys, to the focused tab.
  async keys({ strokes }) {
    for (const [name, down] of strokes) await (down ? front.keyboard.down(name) : front.keyboard.up(name));
    return [];
  },

  // A key the browser has no code for, typing one character.
  async character({ text }) {
    const session = front === h.page ? cdp : await front.createCDPSession();
    await session.send('Input.dispatchKeyEvent', { type: 'keyDown', key: text, code: '', text, unmodifiedText: text });
    await session.send('Input.dispatchKeyEvent', { type: 'keyUp', key: text, code: '' });
    return [];
  },

  // Picture pixels of the screen, or page pixels of the focused tab without one.
  async move({ x, y, screen }) {
    await (screen ? h.mouseMove(x, y) : front.mouse.move(x, y));
    return [];
  },

  async button({ button, down }) {
    await (down ? h.page.mouse.down({ button }) : h.page.mouse.up({ button }));
    return [];
  },

  async scale() {
    return [CSS_SCALE];
  },

  // One notch: up (a negative deltaY) and right are the forward steps.
  async wheel({ step, horizontal }) {
    const delta = step > 0 ? 100 : -100;
    await h.page.mouse.wheel(horizontal ? { deltaX: delta } : { deltaY: -delta });
    return [];
  },

  // The tab closed as a person closes it; the browser asks whether to leave
  // (the page asked it to) and the answer is to stay.
  async close() {
    closing = true;
    const asked = new Promise((resolve) =>
      h.page.once('dialog', async (d) => {
        await d.dismiss();
        resolve(d.type());
      }),
    );
    await h.page.close({ runBeforeUnload: true });
    const kind = await Promise.race([asked, sleep(3000).then(() => null)]);
    closing = false;
    if (kind !== 'beforeunload') throw new Error((failure ??= `closing the tab asked ${kind ?? 'nothing within 3 s'}`));
    return [];
  },

  // Event listeners on the window, the document and the screen's canvas.
  async listeners() {
    const counts = [];
    for (const expression of ['window', 'document', `document.querySelector('${SCREEN}')`]) {
      const { result } = await cdp.send('Runtime.evaluate', { expression });
      if (!result.objectId) {
        counts.push(-1);
        continue;
      }
      const { listeners } = await cdp.send('DOMDebugger.getEventListeners', { objectId: result.objectId });
      await cdp.send('Runtime.releaseObject', { objectId: result.objectId });
      counts.push(listeners.length);
    }
    return counts;
  },
};

async function answer(text) {
  if (process.env.ZQ_TRACE) console.error(`${Date.now() % 100000} ${text.slice(0, 80)}`);
  const request = JSON.parse(text);
  const op = OPS[request.op];
  if (!op) throw new Error(`no host operation ${request.op}`);
  return op(request);
}

async function prepare(page) {
  await page.exposeFunction('zqHost', answer);
  // A trap in the program ends it without an exit code.
  page.on('pageerror', (e) => (failure ??= `the page failed: ${e.stack || e.message}`));
  // The program's standard output on ours, its errors on ours.
  page.on('console', (m) => {
    if (/^Canvas2D: Multiple readback/.test(m.text())) return;
    (m.type() === 'log' || m.type() === 'info' ? process.stdout : process.stderr).write(`${m.text()}\n`);
  });
  await page.evaluateOnNewDocument(
    (args, scale, selector) => {
      // The program's arguments, given to the page's Module as it is made.
      let module;
      Object.defineProperty(window, 'Module', {
        configurable: true,
        get: () => module,
        set: (m) => {
          module = m;
          if (m && args.length) m.arguments = args;
        },
      });
      document.addEventListener('DOMContentLoaded', () => {
        const style = document.createElement('style');
        style.textContent = `${selector} { transform: scale(${scale}); }`;
        document.head.append(style);
      });
    },
    programArguments,
    CSS_SCALE,
    SCREEN,
  );
}

async function run() {
  const deadline = Date.now() + TIMEOUT_S * 1000;
  const started = Date.now();
  h = await openPage({ dir, page: 'test_display_suite.html', prepare, timeoutMs: 60000 });
  try {
    front = h.page;
    cdp = await h.page.createCDPSession();
    const gone = () => (closing ? 'closing the tab closed it: the page did not ask to stay' : 'the page closed');
    h.page.once('close', () => (failure ??= gone()));
    let code = null;
    while (code === null && failure === null && Date.now() < deadline)
      code = await h.exitCode(Math.min(1000, deadline - Date.now())).catch(async (e) => {
        await sleep(100); // the page's close, when that was it, is reported
        failure ??= h.page.isClosed() ? gone() : e.message;
        return null;
      });
    if (code === null) {
      console.error(failure ? `suite_web: ${failure}` : `suite_web: no exit code within ${TIMEOUT_S} s`);
      h.printLog();
      return failure ? 1 : 124;
    }
    console.log(`suite_web: exit code ${code} after ${((Date.now() - started) / 1000).toFixed(1)} s`);
    if (code !== 0) h.printLog();
    return code;
  } finally {
    await h.close();
  }
}

try {
  process.exitCode = await run();
} catch (e) {
  console.error(`suite_web: ${e.message}`);
  if (h) h.printLog();
  process.exitCode = 1;
}
