// How long the playground takes to show the new costs after a keystroke in a
// 100 KB program: Chromium opens build/web/index.html from file://, the
// program is pasted, and a key turns its last `LOOP 3` into `LOOP 30` and
// back, again and again. Each time is taken inside the page, from the key's
// keydown to the new total in the page and to the frame painted after it,
// and split by the User Timing measures that the page makes (loopcost:...)
// into the editor's own work, the question, the engine's answer and showing
// it. Then how long a link that holds a program of 1 KB (what the page takes
// to start), 100 KB, 600 KB or 1 MB takes to show its cost, and the longest
// task on the page's main thread meanwhile (while it runs, the page answers
// nothing), from a trace of Chromium's, for compressed links and for the
// older, uncompressed form. A measurement, not a test: nothing here passes
// or fails.
//   node bench/page.mjs [OUT] [KEYSTROKES] [RUNS]     (KEYSTROKES 0: links only)
import { createRequire } from 'node:module';
import { join, resolve } from 'node:path';
import { loadavg } from 'node:os';
import { pathToFileURL } from 'node:url';
import { deflateSync } from 'node:zlib';

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

const pageUrl = pathToFileURL(join(out, 'index.html')).href;

async function keystrokeTimes(browser) {
  const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
  await page.goto(pageUrl);
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
  await page.close();
}

// The program of the keystrokes, or, less alike from block to block (so
// that it compresses as a program written by hand would rather than a
// thousandfold), blocks of pseudo-random letters, operators and counts;
// with the total each costs at a cost of 1 for '+' and '*'.
function linkProgram(size, varied) {
  let seed = 12345;
  const next = (below) => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed % below;
  };
  const expression = () => {
    let text = String.fromCharCode(97 + next(26));
    let operators = 0;
    for (let i = next(5); i >= 0; i--, operators++) text += (next(2) ? ' + ' : ' * ') + String.fromCharCode(97 + next(26));
    return [text, operators];
  };
  let text = 'BEGIN\n';
  let linear = 0;
  while (text.length < size) {
    if (!varied) {
      text += '  LOOP n\n    a + b * c ;\n    LOOP 3\n      w * w * z + x * y ;\n    END\n  END\n';
      linear += 14;
      continue;
    }
    const [outer, outerCost] = expression();
    const [inner, innerCost] = expression();
    const count = 2 + next(998);
    text += `  LOOP n\n    ${outer} ;\n    LOOP ${count}\n      ${inner} ;\n    END\n  END\n`;
    linear += outerCost + count * innerCost;
  }
  return { text: text + 'END\n', total: `${linear} * n^1` };
}

// The two forms of a link: the program deflated in base64url, and the
// older one with the program escaped as a URI component.
const linkOf = (form, text) =>
  form === 'compressed' ? `#z=${deflateSync(Buffer.from(text)).toString('base64url')}` : `#program=${encodeURIComponent(text)}`;

const patience = 90000; // ms to wait for the cost before a link counts as not opening

// The tasks of the page's main thread in a trace of Chromium's, each as its
// time (while it runs, the page answers nothing) and the CPU time the thread
// had in it, which a machine busy with other work moves less.
async function mainThreadTasks(session) {
  const done = new Promise((resolve) => session.once('Tracing.tracingComplete', resolve));
  await session.send('Tracing.end');
  const { stream } = await done;
  let text = '';
  for (;;) {
    const piece = await session.send('IO.read', { handle: stream });
    text += piece.base64Encoded ? Buffer.from(piece.data, 'base64').toString() : piece.data;
    if (piece.eof) break;
  }
  await session.send('IO.close', { handle: stream });
  const events = JSON.parse(text).traceEvents;
  const page = events.find((e) => e.name === 'EvaluateScript' && (e.args?.data?.url || '').includes('index.html'));
  const main = events.find((e) => e.pid === page?.pid && e.name === 'thread_name' && e.args.name === 'CrRendererMain');
  return events
    .filter((e) => e.pid === main?.pid && e.tid === main.tid && e.name === 'RunTask' && e.ph === 'X')
    .map((e) => ({ time: e.dur / 1000, cpu: (e.tdur || 0) / 1000 }));
}

// From the navigation to the cost in the page, and the tasks of the page's
// main thread until a second after it.
async function linkTime(browser, link, total) {
  const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
  await page.addInitScript((expected) => {
    const bench = (window.benchLink = { shown: null });
    const watch = new MutationObserver(() => {
      if (document.getElementById('cost')?.textContent !== expected) return;
      bench.shown = performance.now();
      watch.disconnect();
    });
    watch.observe(document, { childList: true, characterData: true, subtree: true });
  }, total);
  const session = await page.context().newCDPSession(page);
  await session.send('Tracing.start', {
    categories: 'devtools.timeline,disabled-by-default-devtools.timeline',
    transferMode: 'ReturnAsStream',
  });
  await page.goto(pageUrl + link, { waitUntil: 'commit', timeout: patience });
  try {
    await page.waitForFunction(() => window.benchLink.shown !== null, null, { timeout: patience, polling: 100 });
    await page.waitForTimeout(1000);
  } catch {
    // shown too late or never: said so, with the tasks until then
  }
  const { shown } = await page.evaluate(() => window.benchLink);
  const tasks = await mainThreadTasks(session);
  await page.close();
  return { shown, longest: Math.max(0, ...tasks.map((t) => t.time)), cpu: Math.max(0, ...tasks.map((t) => t.cpu)) };
}

async function linkTimes(browser, runs) {
  const load = loadavg().map((l) => l.toFixed(1)).join(', ');
  console.log(`\nA link that holds the program, from the navigation to its cost in the page (${runs} runs each, load average ${load}):`);
  console.log('| program | link | link characters | cost shown after | longest main-thread task | most CPU in one task |');
  console.log('|---|---|---:|---|---|---|');
  const range = (values) => {
    if (values.includes(null)) return `not shown within ${patience / 1000} s`;
    const sorted = [...values].sort((a, b) => a - b);
    return `${Math.round(sorted[0])} to ${Math.round(sorted[sorted.length - 1])} ms`;
  };
  const cases = [
    [1000, false, 'compressed'], // what the page takes to start, whatever the program
    [100000, false, 'compressed'],
    [100000, false, 'uncompressed'],
    [600000, false, 'compressed'],
    [600000, false, 'uncompressed'],
    [600000, true, 'compressed'],
    [1000000, true, 'compressed'],
  ];
  let start = null; // the 1 KB link's: the page starting
  for (const [size, varied, form] of cases) {
    const { text, total } = linkProgram(size, varied);
    const link = linkOf(form, text);
    const times = [];
    for (let run = 0; run < runs; run++) times.push(await linkTime(browser, link, total));
    const name = `${Math.round(size / 1000)} KB${varied ? ', varied' : ''}`;
    console.log(
      `| ${name} | ${form} | ${link.length} | ${range(times.map((t) => t.shown))} | ${range(times.map((t) => t.longest))} | ${range(times.map((t) => t.cpu))} |`,
    );
    start ??= times;
  }
  const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
  console.log(
    `\nThe page's start (the 1 KB link): longest main-thread task ${Math.round(median(start.map((t) => t.longest)))} ms, ` +
      `${Math.round(median(start.map((t) => t.cpu)))} ms of CPU, the median of ${runs} (target at most 200 ms)`,
  );
}

const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
try {
  if (keystrokes > 0) await keystrokeTimes(browser);
  await linkTimes(browser, Number(process.argv[4] || 3));
} finally {
  await browser.close();
}
