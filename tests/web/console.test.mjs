// The WebAssembly build's text console, driven for real: console_program in
// headless Chromium (the grid on the page: glyphs, positions, scrolling and
// CLS in a text view, colour spans, the cursor, a LINE INPUT typed with real
// key events, the exit code) and under Node.js with piped standard input, as
// the demonstration is too.
//
//   node tests/web/console.test.mjs build/web
import { spawnSync } from 'node:child_process';
import path from 'node:path';

import { withPage } from '../../tools/web/browser.mjs';

const build = path.resolve(process.argv[2] ?? 'build/web');
const programDir = path.join(build, 'tests/web');
let passed = 0;
let failed = 0;

function check(name, ok, detail = '') {
  if (ok) {
    passed++;
  } else {
    failed++;
    console.log(`FAIL ${name}${detail ? `\n  ${detail}` : ''}`);
  }
}

function same(name, got, want) {
  check(name, JSON.stringify(got) === JSON.stringify(want), `got  ${JSON.stringify(got)}\n  want ${JSON.stringify(want)}`);
}

const at = (column, text) => ' '.repeat(column - 1) + text;

// The 25 rows the program leaves on the page, trailing blanks dropped.
const SCREEN = [
  'controls: tab|  |',
  'glyphs: ☺♥←░╔═╗ß°<&>',
  'abXY',
  '56: 1234',
  'bell',
  'wide: ☺♪',
  '',
  '',
  '',
  at(30, 'at 10,30'),
  at(30, 'packed 68126 cursor 38,10'), // row 10, column 30, cursor shown; 8 characters on
  '',
  'yellow on blue white on blue 7 65550 65551',
  '',
  'name? hello wörld',
  'typed [hello wörld] 11 bytes',
  '',
  '',
  '',
  's3', // s1..s7 scrolled in the view of rows 20-24, then rows 22-23 cleared
  's4',
  '',
  '',
  's7',
  '',
];

// Each row's spans: [class, text] with the text's trailing blanks dropped,
// and where the cursor is (1-based row and column, or null).
function readGrid() {
  const rows = [...document.getElementById('zq-console').children];
  const spans = rows.map((row) => [...row.children].map((s) => [s.className, s.textContent.trimEnd()]));
  let cursor = null;
  rows.forEach((row, i) => {
    const mark = row.querySelector('.zq-cursor');
    if (!mark) return;
    const before = document.createRange();
    before.setStart(row, 0);
    before.setEndBefore(mark);
    cursor = [i + 1, before.toString().length + 1];
  });
  const style = (selector) => {
    const s = getComputedStyle(document.querySelector(selector));
    return [s.color, s.backgroundColor];
  };
  return { spans, cursors: document.querySelectorAll('.zq-cursor').length, cursor, yellowOnBlue: style('.zq-f14.zq-b1') };
}

async function inThePage() {
  await withPage({ dir: programDir, page: 'console_program.html', width: 1000, height: 600 }, async (h) => {
    check('the page runs the program', await h.ready());
    const prompt = await h.waitFor(() => /name\? /.test(document.getElementById('zq-console').textContent), 10000);
    check('the program waits at its LINE INPUT', prompt !== null);
    const waiting = await h.page.evaluate(readGrid);
    same('one cursor, after the prompt', [waiting.cursors, waiting.cursor], [1, [15, 7]]);
    same('COLOR: a span per run of one attribute', waiting.spans[12], [
      ['zq-f14 zq-b1', 'yellow on blue'],
      ['zq-f15 zq-b1', ' white on blue'],
      ['zq-f7 zq-b0', ' 7 65550 65551'],
    ]);
    same('the classic yellow on blue', waiting.yellowOnBlue, ['rgb(255, 255, 85)', 'rgb(0, 0, 170)']);

    // Editing keys, and 'ö' as a German keyboard's key beside L gives it
    // (the test's keyboard has no such key to press).
    await h.type('helo');
    await h.key('ArrowLeft');
    await h.type('l');
    await h.key('End');
    await h.type(' w');
    await h.page.evaluate(() => {
      for (const type of ['keydown', 'keyup'])
        document.dispatchEvent(new KeyboardEvent(type, { key: 'ö', code: 'Semicolon', bubbles: true }));
    });
    await h.type('rldx');
    await h.key('Backspace');
    await h.key('Enter');
    same('exit code', await h.exitCode(10000), 3);

    const text = await h.text();
    const rows = text.split('\n');
    same('25 rows of 80 characters', rows.map((r) => r.length), Array(25).fill(80));
    same('the screen', rows.map((r) => r.trimEnd()), SCREEN);
    same('the cursor hidden at the end', (await h.page.evaluate(readGrid)).cursors, 0);
  });
}

function underNode(name, script, input, wantOutput, wantCode) {
  const run = spawnSync(process.execPath, [script], { input, timeout: 10000 });
  same(`${name}: output`, run.stdout.toString('utf8'), wantOutput);
  same(`${name}: exit code`, run.status, wantCode);
}

function inNode() {
  const program = path.join(programDir, 'console_program.js');
  // Not a terminal: no escape sequences, LOCATE reports without moving, and
  // the cursor is not known.
  const printed =
    'junk that CLS clears\r\ncontrols: tab|\t|\r\nglyphs: ☺♥←░╔═╗ß°<&>\r\nabcd\b\bXY\r\n' +
    'CR: 1234\r56\r\nbell\x07\r\nwide: ☺♪\r\nat 10,30packed 2590 cursor 0,0' +
    'yellow on blue white on blue 7 65550 65551s1\r\ns2\r\ns3\r\ns4\r\ns5\r\ns6\r\ns7name? ';
  underNode('piped keys', program, 'hello\r', `${printed}hellotyped [hello] 5 bytes`, 3);
  underNode('input that has ended', program, '', `${printed}typed [] 0 bytes`, 3);
  underNode('the demonstration', path.join(build, 'app/demo.js'), '\n', 'presionar ← ESC para salir \r\n', 0);
}

try {
  await inThePage();
} catch (e) {
  check('the page test ran', false, e.stack);
}
inNode();
console.log(`console: ${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
