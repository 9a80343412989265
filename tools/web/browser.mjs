// Serves a built web folder and drives Debian's Chromium, headless, through
// the DevTools protocol. Shared by the web tests and scripts.
//
// The page contract: <canvas id="zq-screen"> is the screen, <pre id="zq-console">
// the text console; the page sets document.documentElement.dataset.zqReady = "1"
// once the program runs and dataset.zqExit to its exit code (decimal) when it ends.
import fs from 'node:fs/promises';
import path from 'node:path';
import process from 'node:process';
import { fileURLToPath } from 'node:url';
import { startServer } from './serve.mjs';
import { encodePng } from './png.mjs';

let puppeteer;
try {
  puppeteer = (await import('puppeteer-core')).default;
} catch (e) {
  if (e.code !== 'ERR_MODULE_NOT_FOUND') throw e;
  const here = path.relative(process.cwd(), path.dirname(fileURLToPath(import.meta.url))) || '.';
  console.error(`The browser tools' packages are not installed: run \`npm ci --prefix ${here}\` (or ${here}/setup.sh).`);
  process.exit(2);
}

export const SCREEN = '#zq-screen';
export const CONSOLE = '#zq-console';
const CHROMIUM = process.env.ZQ_CHROMIUM || '/usr/bin/chromium';

// Opens `page` (a path inside `dir`) in a fresh headless Chromium with a
// width x height viewport at device scale factor 1 (or, headless false, in a
// Chromium window on the display). Close the result always; withPage() does
// that for you. `prepare(page)`, when given, runs on the fresh page before it
// loads (functions lent to it, its console, scripts of its own).
export async function openPage({ dir, page = 'index.html', width = 1280, height = 1024, timeoutMs = 30000, args = [], headless = true, prepare }) {
  try {
    await fs.access(CHROMIUM);
  } catch {
    throw new Error(`no Chromium at ${CHROMIUM}: install Debian's chromium (tools/web/setup.sh) or set ZQ_CHROMIUM`);
  }
  const log = [];
  let server, browser;
  const close = async () => {
    const b = browser, s = server;
    browser = server = undefined;
    if (b) {
      // A hung browser must not keep the caller waiting.
      const proc = b.process();
      let timer;
      await Promise.race([b.close().catch(() => {}), new Promise((r) => (timer = setTimeout(r, 5000)))]);
      clearTimeout(timer);
      if (proc && proc.exitCode === null && proc.signalCode === null) proc.kill('SIGKILL');
    }
    if (s) await s.close();
  };
  try {
    server = await startServer(dir);
    browser = await puppeteer.launch({
      executablePath: CHROMIUM,
      headless,
      // Root cannot use the sandbox; the network is closed, so nothing may
      // phone home; canvas colours must come back unconverted.
      args: [
        '--no-sandbox',
        `--window-size=${width},${height}`,
        '--force-device-scale-factor=1',
        '--force-color-profile=srgb',
        '--disable-background-networking',
        '--disable-component-update',
        '--disable-sync',
        '--disable-quic',
        '--no-first-run',
        '--hide-scrollbars',
        '--mute-audio',
        // WebGL on the software rasteriser, as this machine has no GPU.
        '--enable-unsafe-swiftshader',
        ...args,
      ],
      // Shown on a display, the page takes the window's size.
      defaultViewport: headless ? { width, height, deviceScaleFactor: 1 } : null,
      timeout: timeoutMs,
    });
    const p = (await browser.pages())[0] ?? (await browser.newPage());
    // Our own getImageData reads make Chromium advise willReadFrequently.
    p.on('console', (m) => /^Canvas2D: Multiple readback/.test(m.text()) || log.push(`console.${m.type()}: ${m.text()}`));
    p.on('pageerror', (e) => log.push(`page error: ${e.message}`));
    p.on('error', (e) => log.push(`page crashed: ${e.message}`));
    p.on('requestfailed', (r) => log.push(`request failed: ${r.url()} ${r.failure()?.errorText ?? ''}`));
    p.on('response', (r) => r.status() >= 400 && log.push(`HTTP ${r.status()}: ${r.url()}`));
    await p.setCacheEnabled(false);
    if (prepare) await prepare(p);
    await p.goto(`${server.url}/${page.replace(/^\//, '')}`, { waitUntil: 'load', timeout: timeoutMs });
    return makeHelpers(p, browser, server.url, log, close);
  } catch (e) {
    printLog(log);
    await close();
    throw e;
  }
}

// Runs fn(helpers) on an opened page; prints the page's log when fn throws,
// closes the browser and the server either way.
export async function withPage(options, fn) {
  const h = await openPage(options);
  try {
    return await fn(h);
  } catch (e) {
    h.printLog();
    throw e;
  } finally {
    await h.close();
  }
}

export function printLog(log, out = process.stderr) {
  if (!log.length) return;
  out.write(`--- page log (${log.length} lines) ---\n${log.join('\n')}\n--- end of page log ---\n`);
}

function makeHelpers(page, browser, url, log, close) {
  const box = async (selector) => {
    const el = await page.$(selector);
    if (!el) throw new Error(`no element ${selector}`);
    const b = await el.boundingBox();
    if (!b) throw new Error(`${selector} is not displayed`);
    // A canvas counts in its own pixels, whatever its CSS size.
    const own = await el.evaluate((e) => (e instanceof HTMLCanvasElement ? [e.width, e.height] : null));
    return { ...b, sx: own ? b.width / own[0] : 1, sy: own ? b.height / own[1] : 1 };
  };
  // A whole CSS pixel inside element pixel (x, y): Chromium truncates
  // clientX but rounds offsetX, so only whole pixels read back the same both ways.
  const point = async (selector, x, y) => {
    const b = await box(selector);
    const axis = (origin, v, s) => {
      const lo = origin + v * s, hi = origin + (v + 1) * s;
      const p = Math.max(Math.ceil(lo), Math.floor(origin + (v + 0.5) * s));
      return p < hi ? p : lo;
    };
    return [axis(b.x, x, b.sx), axis(b.y, y, b.sy)];
  };
  const focus = async (selector) => {
    await page.bringToFront();
    await page.$eval(selector, (e) => e.focus()).catch(() => {});
  };

  const h = {
    page,
    browser,
    url,
    log,
    printLog: (out) => printLog(log, out),
    close,

    // Waits until expr (a JS expression string or a function run in the page)
    // is truthy and returns its value; null on timeout.
    async waitFor(expr, timeoutMs = 10000) {
      try {
        const h = await page.waitForFunction(expr, { timeout: timeoutMs, polling: 50 });
        return await h.jsonValue();
      } catch (e) {
        if (e.name === 'TimeoutError') return null;
        throw e;
      }
    },

    async ready(timeoutMs = 10000) {
      return (await h.waitFor('document.documentElement.dataset.zqReady === "1"', timeoutMs)) === true;
    },

    // The program's exit code, or null when it has not ended within timeoutMs.
    async exitCode(timeoutMs = 10000) {
      const v = await h.waitFor('document.documentElement.dataset.zqExit', timeoutMs);
      if (v === null) return null;
      const n = Number.parseInt(v, 10);
      if (!/^-?\d+$/.test(v.trim()) || Number.isNaN(n)) throw new Error(`the page's exit code is not a number: ${JSON.stringify(v)}`);
      return n;
    },

    async text(selector = CONSOLE) {
      return page.$eval(selector, (e) => e.textContent);
    },

    // The canvas's own pixels via getImageData: {width, height, data: RGBA},
    // or null when there is no such canvas yet.
    async canvasPixels(selector = SCREEN) {
      const r = await page.evaluate((sel) => {
        const c = document.querySelector(sel);
        if (!(c instanceof HTMLCanvasElement) || !c.width || !c.height) return null;
        let ctx = c.getContext('2d');
        if (!ctx) {
          // A WebGL canvas: copy the picture onto a 2D one first.
          const copy = document.createElement('canvas');
          copy.width = c.width;
          copy.height = c.height;
          ctx = copy.getContext('2d');
          ctx.drawImage(c, 0, 0);
        }
        const d = ctx.getImageData(0, 0, c.width, c.height).data;
        // Base64 keeps the transfer to a third more than the bytes.
        let s = '';
        for (let i = 0; i < d.length; i += 0x8000) s += String.fromCharCode.apply(null, d.subarray(i, i + 0x8000));
        return { width: c.width, height: c.height, b64: btoa(s) };
      }, selector);
      if (!r) return null;
      return { width: r.width, height: r.height, data: new Uint8Array(Buffer.from(r.b64, 'base64')) };
    },

    // Writes the canvas's own pixels as a PNG of its own size.
    async canvasPng(file, selector = SCREEN) {
      const px = await h.canvasPixels(selector);
      if (!px) throw new Error(`no canvas ${selector}`);
      await fs.writeFile(file, encodePng(px.width, px.height, px.data));
      return px;
    },

    // A PNG of what Chromium shows: the element's box, or the viewport.
    async screenshot(file, selector) {
      if (!selector) return page.screenshot({ path: file, type: 'png' });
      const el = await page.$(selector);
      if (!el) throw new Error(`no element ${selector}`);
      return el.screenshot({ path: file, type: 'png' });
    },

    // Keys by their DOM names ('Escape', 'a', 'ArrowLeft', 'Shift'), sent as
    // real input events to the focused canvas.
    async keyDown(key, selector = SCREEN) {
      await focus(selector);
      await page.keyboard.down(key);
    },
    async keyUp(key, selector = SCREEN) {
      await focus(selector);
      await page.keyboard.up(key);
    },
    async key(key, selector = SCREEN) {
      await focus(selector);
      await page.keyboard.press(key);
    },
    async type(text, selector = SCREEN) {
      await focus(selector);
      await page.keyboard.type(text);
    },

    // Pointer at (x, y) in the element's own pixels (a canvas's bitmap pixels).
    async mouseMove(x, y, selector = SCREEN) {
      await page.mouse.move(...(await point(selector, x, y)));
    },
    async mouseDown(x, y, { button = 'left', selector = SCREEN } = {}) {
      await h.mouseMove(x, y, selector);
      await page.mouse.down({ button });
    },
    async mouseUp(x, y, { button = 'left', selector = SCREEN } = {}) {
      await h.mouseMove(x, y, selector);
      await page.mouse.up({ button });
    },
    async click(x, y, { button = 'left', selector = SCREEN } = {}) {
      const [px, py] = await point(selector, x, y);
      await page.mouse.click(px, py, { button });
    },
    async wheel(x, y, deltaX, deltaY, selector = SCREEN) {
      await h.mouseMove(x, y, selector);
      await page.mouse.wheel({ deltaX, deltaY });
    },
  };
  return h;
}
