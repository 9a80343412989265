// The demonstration's picture timed three ways in one run, alternating, best
// of N rounds of three each: the native build's runtime path (demo_frame
// --time 3 of the bench preset), the browser's Null driver and its canvas
// driver (bench_web.html in headless Chromium, alternating inside the page). Prints
//   web picture: native A s, browser null B s, canvas C s
// and the two ratios against their targets (browser null at most 2.0 x native,
// canvas at most 1.15 x browser null).
//   node bench/web/bench_web.mjs NATIVE_DEMO_FRAME WEB_BENCH_DIR [N]
import { execFileSync } from 'node:child_process';
import process from 'node:process';
import { withPage } from '../../tools/web/browser.mjs';

const [nativeTool, pageDir, n = '5'] = process.argv.slice(2);
if (!nativeTool || !pageDir) {
  console.error('usage: node bench/web/bench_web.mjs NATIVE_DEMO_FRAME WEB_BENCH_DIR [N]');
  process.exit(2);
}
let native = Infinity, nul = Infinity, canvas = Infinity;
for (let i = 0; i < Number(n); ++i) {
  const out = execFileSync(nativeTool, ['--time', '3']).toString();
  native = Math.min(native, Number(/runtime path ([\d.]+) s/.exec(out)[1]));
  await withPage({ dir: pageDir, page: 'bench_web.html?args=3', timeoutMs: 60000 }, async (h) => {
    const code = await h.exitCode(300000);
    const line = h.log.map((l) => /browser null ([\d.]+) s, canvas ([\d.]+) s/.exec(l)).find(Boolean);
    if (code !== 0 || !line) throw new Error(`the page ended with ${code}: ${h.log.join('\n')}`);
    nul = Math.min(nul, Number(line[1]));
    canvas = Math.min(canvas, Number(line[2]));
  });
  console.log(`round ${i + 1}: native ${native.toFixed(3)} s, browser null ${nul.toFixed(3)} s, canvas ${canvas.toFixed(3)} s (best so far)`);
}
console.log(`web picture: native ${native.toFixed(3)} s, browser null ${nul.toFixed(3)} s, canvas ${canvas.toFixed(3)} s`);
const r1 = nul / native, r2 = canvas / nul;
console.log(`browser null / native ${r1.toFixed(2)} (at most 2.00: ${r1 <= 2 ? 'met' : 'NOT met'}), ` +
            `canvas / browser null ${r2.toFixed(2)} (at most 1.15: ${r2 <= 1.15 ? 'met' : 'NOT met'})`);
