// How long the playground takes to show the new costs after a keystroke in a
// 100 KB program: Chromium opens build/web/index.html from file://, the
// program is pasted, and a key turns its last `LOOP 3` into `LOOP 30` and
// back, again and again. Each time is taken inside the page, from the key's
// keydown to the new total in the page and to the frame painted after it,
// and split by the User Timing measures that the page makes (loopcost:...)
// into the editor's own work, the question, the engine's answer and showing
// it. A measurement, not a test: nothing here passes or fails.
//   node bench/page.mjs [OUT] [KEYSTROKES]
import { createRequire } from 'node:module';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const out = resolve(process.argv[2] || 'build/web');
const keystrokes = Number(process.argv[3] || 40);
const { chromium } = createRequire(join(out, 'npm', 'node_modules', 'x'))('playwright-core');

// The program of the page's tests: a loop over n around a statement and a
// loop of 3, again and again up to 100 KB.
let program = 'BEGIN\n';
while (program.length < 100000) program += '  LOOP n\n    a + b * c ;\n    LOOP 3\n      w * w * z + x * y ;\n    END\n  END\n';
program += 'END\n';

function summary(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const at = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
  return `median ${at(0.5).toFixed(1)} ms, 90% ${at(0.9).toFixed(1)} ms, max ${sorted[sorted.length - 1].toFixed(1)} ms`;
}

const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
try {
  const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
  await page.goto(pathToFileURL(join(out, 'index.html')).href);
  await page.click('.cm-content');
  await page.keyboard.press('Control+A');
  await page.evaluate((pasted) => {
    const data = new DataTransfer();
    data.setData('text/plain', pasted);
    document.querySelector('.cm-content').dispatchEvent(new ClipboardEvent('paste', { clipboardData: data, bubbles: true, cancelable: true }));
  }, program);
  const loops = (program.match(/LOOP n/g) || []).length;
  await page.waitForFunction((t) => document.querySelector('#cost').textContent === t, `${14 * loops} * n^1`, { timeout: 20000 });

  // the cursor after the last `LOOP 3`
  await page.keyboard.press('Control+End');
  for (let i = 0; i < 5; i++) await page.keyboard.press('ArrowUp');
  await page.keyboard.press('End');

  // from each keydown to the total changed in the page, and to the frame
  // painted after that
  await page.evaluate(() => {
    window.benchKeys = [];
    let pressed = null;
    document.addEventListener('keydown', () => (pressed = performance.now()), true);
    new MutationObserver(() => {
      if (pressed === null) return;
      const key = { pressed, shown: performance.now() };
      pressed = null;
      requestAnimationFrame(() => setTimeout(() => window.benchKeys.push({ ...key, painted: performance.now() })));
    }).observe(document.querySelector('#cost'), { childList: true, characterData: true, subtree: true });
    performance.clearMeasures();
  });
  for (let i = 0; i < keystrokes; i++) {
    const expected = i % 2 === 0 ? `${14 * loops + 4 * 27} * n^1` : `${14 * loops} * n^1`;
    await page.keyboard.press(i % 2 === 0 ? '0' : 'Backspace');
    await page.waitForFunction((t) => document.querySelector('#cost').textContent === t, expected, { timeout: 20000 });
    await page.waitForFunction((n) => window.benchKeys.length === n, i + 1);
    await page.waitForTimeout(100);
  }
  // each keystroke's own question and answer: the first of each after it
  const phases = await page.evaluate(() => {
    const measures = performance.getEntriesByType('measure');
    const first = (name, after) => measures.find((m) => m.name === name && m.startTime >= after);
    return window.benchKeys.map((key) => {
      const times = { total: key.shown - key.pressed, painted: key.painted - key.pressed };
      const ask = first('loopcost:ask', key.pressed);
      if (!ask) return times; // a page without its measures
      const answer = first('loopcost:answer', ask.startTime);
      const engine = first('loopcost:engine', answer.startTime - 1); // two clocks may differ by a little
      const show = first('loopcost:show', answer.startTime + answer.duration);
      return {
        ...times,
        editor: ask.startTime - key.pressed,
        ask: ask.duration,
        answer: answer.duration,
        engine: engine.duration,
        toWorker: engine.startTime - answer.startTime,
        back: answer.startTime + answer.duration - (engine.startTime + engine.duration),
        show: show.duration,
      };
    });
  });
  const column = (name) => phases.map((p) => p[name]);
  console.log(`100 KB program (${program.length} bytes, ${program.split('\n').length - 1} lines), ${keystrokes} keystrokes`);
  console.log(`keystroke to the new total in the page:  ${summary(column('total'))}`);
  console.log(`keystroke to the frame painted after it: ${summary(column('painted'))}`);
  if (phases[0].ask !== undefined) {
    console.log('of which:');
    console.log(`  the editor takes the key:              ${summary(column('editor'))}`);
    console.log(`  the question is made:                  ${summary(column('ask'))}`);
    console.log(`  from the question to its answer:       ${summary(column('answer'))}`);
    console.log(`    until the worker starts on it:       ${summary(column('toWorker'))}`);
    console.log(`    the engine in its worker:            ${summary(column('engine'))}`);
    console.log(`    until the page has the answer:       ${summary(column('back'))}`);
    console.log(`  the answer is shown:                   ${summary(column('show'))}`);
  }
} finally {
  await browser.close();
}
