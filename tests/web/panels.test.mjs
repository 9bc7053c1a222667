// The panels that show how a cost is made: the sums, checked line by line
// against `loopcost --derive`, each Σ tied to its loop in the editor; and the
// run stepped through, checked step by step against `loopcost --trace` and
// at its end against the cost at n; both saying why they are empty.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, readdirSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { answerTime, browserForTests, nested, replaceProgram, runCli, screenshots, waitForText } from './page.mjs';

const examples = resolve(new URL('../../examples', import.meta.url).pathname);

// What the command line writes for a program; null where it says it has errors.
function run(args, program) {
  const { stdout, status } = runCli(args, program);
  return status === 0 ? stdout : null;
}
const model = (add, mul) => ['--add-cost', add, '--mul-cost', mul];
// Every step of `loopcost --trace N --json`, then what it comes to.
function trace(program, n, add, mul) {
  const lines = run(['--trace', n, '--steps', '1000', '--json', ...model(add, mul)], program).trim().split('\n');
  const objects = lines.map((line) => JSON.parse(line));
  return { steps: objects.slice(0, -1), all: objects.at(-1) };
}
const costAt = (program, n, add, mul) =>
  /cost at n = \d+: (.*)/.exec(run(['--at', n, ...model(add, mul)], program))[1];

const open = browserForTests();

async function openWith(program, add = '1', mul = '1') {
  const page = await open(`#program=${encodeURIComponent(program)}&add=${add}&mul=${mul}`, {
    width: 1280,
    height: 1400,
  });
  await page.waitForFunction(() => document.querySelector('#stepping').textContent !== '', null, { timeout: answerTime });
  return page;
}

// A new program and model typed in, as a person does.
async function setProgram(page, program, add = '1', mul = '1') {
  await page.fill('#add', add);
  await page.fill('#mul', mul);
  await replaceProgram(page, program);
}

async function waitForDerivation(page, text) {
  await page.waitForFunction(
    (t) => document.querySelector('#derivation details:first-of-type pre')?.textContent === t,
    text,
    { timeout: answerTime },
  );
}

// The panel field by field, the loops under way as their lines of text,
// and what the editor marks: the statement that runs next and the counters.
async function stepState(page) {
  return page.evaluate(() => {
    const fields = Object.fromEntries(
      [...document.querySelectorAll('#stepping [data-field]')].map((f) => [f.dataset.field, f.textContent]),
    );
    fields.loops = [...document.querySelectorAll('#stepping .step-loops li')].map((li) => li.textContent);
    fields.marked = [...document.querySelectorAll('#editor .cm-step-current')].map((m) => m.textContent).join('');
    fields.counters = [...document.querySelectorAll('#editor .cm-step-counter')].map((c) => c.textContent);
    return fields;
  });
}

// Presses a button of the run by its accessible name and waits until the
// panel shows what the engine made of it.
async function act(page, name, how = 'click') {
  const button = page.getByRole('button', { name, exact: true });
  if (how === 'click') await button.click();
  else await page.keyboard.press(how);
  await page.waitForFunction(
    () => {
      const state = document.querySelector('#stepping');
      return state.dataset.asked === state.dataset.applied;
    },
    null,
    { timeout: answerTime },
  );
  return stepState(page);
}

async function setStepN(page, n) {
  await page.fill('#step-n', n);
  await page.waitForFunction(
    (value) => document.querySelector('#stepping [data-field="at"]')?.previousElementSibling.textContent === `cost at n = ${value}`,
    n,
    { timeout: answerTime },
  );
}

// The lines of the editor, from 1, that hold a mark of `selector`.
const markedLines = (page, selector) =>
  page.evaluate((s) => {
    const lines = [...document.querySelectorAll('#editor .cm-content > .cm-line')];
    const marked = new Set([...document.querySelectorAll(`#editor ${s}`)].map((m) => lines.indexOf(m.closest('.cm-line')) + 1));
    return [...marked].sort((a, b) => a - b);
  }, selector);

describe('the sums', () => {
  test('are the lines of loopcost --derive, as text, LaTeX and mathematics, one Σ per sum', async () => {
    const cases = readdirSync(examples)
      .filter((name) => name.endsWith('.lc'))
      .map((name) => [name, readFileSync(join(examples, name), 'utf8'), '1', '1'])
      .concat([
        ['nested.lc, decimal model', nested, '0.5', '3'],
        ['nested.lc, negative model', nested, '-1.25', '2'],
        ['nested.lc, zero model', nested, '0', '0'],
        ['LOOP 0 and an empty body', 'BEGIN LOOP 0 LOOP n a + b ; END END LOOP n a ; END a ; END', '1', '1'],
      ]);
    const page = await openWith(nested);
    let checked = 0;
    for (const [name, program, add, mul] of cases) {
      const text = run(['--derive', ...model(add, mul)], program);
      if (text === null) continue; // an example with errors: its case is below
      await setProgram(page, program, add, mul);
      await waitForDerivation(page, text.replace(/\n$/, ''));
      const latex = run(['--derive', '--latex', ...model(add, mul)], program);
      assert.equal(await page.textContent('#derivation details:nth-of-type(2) pre'), latex.replace(/\n$/, ''), name);
      const lines = text.trim().split('\n');
      const shown = await page.$$eval('#derivation .derivation-line', (rows) =>
        rows.map((row) => [row.getAttribute('aria-label'), row.querySelectorAll('math').length, row.querySelectorAll('.derivation-sum').length]),
      );
      assert.deepEqual(
        shown.map(([label]) => label),
        lines.map((line) => line.trim()),
        name,
      );
      for (const [i, [, maths, sums]] of shown.entries()) {
        assert.ok(maths >= 1, `${name}: line ${i + 1} is typeset`);
        assert.equal(sums, lines[i].split('Σ').length - 1, `${name}: the Σ of line ${i + 1}`);
      }
      checked++;
    }
    assert.ok(checked >= 8, `${checked} derivations checked`);
    assert.deepEqual(page.errors, []);
  });

  test('a Σ pointed at or focused marks its loop in the editor, and clicked keeps it marked', async () => {
    const page = await openWith(nested);
    await waitForDerivation(page, run(['--derive'], nested).replace(/\n$/, ''));
    // by loop, in the program's order: the lines from its LOOP to its END
    const loops = [
      [2, 14],
      [4, 9],
      [5, 7],
      [11, 13],
    ];
    const sums = await page.$$eval('#derivation .derivation-sum', (all) => all.map((sum) => Number(sum.dataset.loop)));
    assert.deepEqual(sums, [0, 1, 2, 3, 0, 1, 0, 0]);
    for (const [i, loop] of sums.entries()) {
      await page.hover(`#derivation .derivation-sum >> nth=${i}`);
      const [first, last] = loops[loop];
      // marked as the pointer enters, in the same task
      const lines = Array.from({ length: last - first + 1 }, (_, k) => first + k);
      assert.deepEqual(await markedLines(page, '.cm-sum-loop'), lines, `Σ ${i + 1}`);
      const marked = await page.$eval('#editor .cm-sum-loop', (m) => m.textContent);
      assert.ok(marked.startsWith('LOOP'), marked);
      // the same loop's Σ on every line is marked with it, and no other
      const pointed = await page.$$eval('#derivation .derivation-sum.derivation-pointed', (all) => all.map((s) => Number(s.dataset.loop)));
      assert.deepEqual(pointed, sums.filter((l) => l === loop));
    }
    await page.hover('#cost');
    assert.deepEqual(await markedLines(page, '.cm-sum-loop'), []);

    await page.click('#derivation .derivation-sum >> nth=1');
    await page.hover('#cost');
    assert.deepEqual(await markedLines(page, '.cm-sum-loop'), [4, 5, 6, 7, 8, 9]);
    await page.screenshot({ path: join(screenshots, 'sums.png') });
    await page.click('#derivation .derivation-sum >> nth=1');
    await page.hover('#cost');
    assert.deepEqual(await markedLines(page, '.cm-sum-loop'), []);

    // from the keyboard: a Σ takes the focus, Enter keeps its loop marked
    await page.focus('#derivation .derivation-sum >> nth=3');
    assert.deepEqual(await markedLines(page, '.cm-sum-loop'), [11, 12, 13]);
    await page.keyboard.press('Enter');
    await page.keyboard.press('Shift+Tab');
    assert.deepEqual(await markedLines(page, '.cm-sum-loop'), [5, 6, 7]);
    await page.focus('#step-n');
    assert.deepEqual(await markedLines(page, '.cm-sum-loop'), [11, 12, 13]);
    assert.deepEqual(page.errors, []);
  });
});

describe('the run', () => {
  test('steps as loopcost --trace does, the editor marking what runs next, and ends at the cost at n', async () => {
    const [add, mul, n] = ['0.5', '3', '2'];
    const page = await openWith(nested, add, mul);
    await setStepN(page, n);
    const { steps, all } = trace(nested, n, add, mul);
    assert.equal(all.steps, 27);
    let state = await stepState(page);
    assert.equal(state.steps, '0');
    assert.equal(state.cost, '0');
    assert.equal(state.marked, 'LOOP n');
    for (const [k, step] of steps.slice(0, -1).entries()) {
      state = await act(page, 'Step');
      assert.equal(state.steps, String(k + 1));
      assert.equal(state.cost, String(step.total), `step ${k + 1}`);
      const adds = steps.slice(0, k + 1).reduce((sum, s) => sum + nestedAdditions(s.line), 0);
      assert.equal(state.additions, String(adds), `step ${k + 1}`);
      const next = steps[k + 1];
      // the loops around what runs next, each "counter of count", outermost first
      const counters = state.loops.map((loop) => /(\d+) of (\d+)$/.exec(loop)[1]);
      const statementNext = state.next.includes(`line ${next.line}, column ${next.column}`);
      if (statementNext) assert.deepEqual(counters.map(Number), next.counters, `after step ${k + 1}`);
      else assert.deepEqual(counters.map(Number), next.counters.slice(0, counters.length), `after step ${k + 1}`);
      assert.deepEqual(
        state.counters,
        state.loops.map((loop) => loop.replace(/^(\w+): .* (\d+ of \d+)$/, '$1 = $2')),
      );
      assert.ok(state.next.startsWith(state.marked), `${state.next} is marked as ${state.marked}`);
    }
    assert.ok(state.next.startsWith('s * s + s ;'), state.next);
    state = await act(page, 'Step');
    assert.equal(state.next, 'nothing: the run is over after 27 statements');
    assert.equal(state.cost, String(all.total));
    assert.equal(state.at, costAt(nested, n, add, mul));
    assert.equal(state.cost, state.at);
    assert.deepEqual(state.loops, []);
    assert.equal(state.marked, '');
    assert.equal(await page.getByRole('button', { name: 'Step', exact: true }).getAttribute('aria-disabled'), 'true');
    assert.deepEqual(page.errors, []);
  });

  test('runs to the end at the cost at n, for each n and model', async () => {
    const page = await openWith(nested);
    const programs = [nested, readFileSync(join(examples, 'layout.lc'), 'utf8'), readFileSync(join(examples, 'float.lc'), 'utf8')];
    const models = [
      ['1', '1'],
      ['0.25', '-2'],
    ];
    for (const program of programs)
      for (const [add, mul] of models) {
        await setProgram(page, program, add, mul);
        await waitForDerivation(page, run(['--derive', ...model(add, mul)], program).replace(/\n$/, ''));
        for (const n of ['0', '1', '3', '1000000']) {
          await setStepN(page, n);
          const state = await act(page, 'To the end');
          const about = `${program} +${add} *${mul} n=${n}`;
          assert.equal(state.at, costAt(program, n, add, mul), about);
          assert.equal(state.cost, state.at, about);
          assert.equal(state.steps, String(trace(program, n, add, mul).all.steps), about);
        }
      }
    assert.deepEqual(page.errors, []);
  });

  test('goes back to the counters and costs before each action, and steps over a loop whole', async () => {
    const [add, mul, n] = ['1', '1', '2'];
    const page = await openWith(nested, add, mul);
    await setStepN(page, n);
    const { steps } = trace(nested, n, add, mul);
    const states = [await stepState(page)];
    for (const action of ['Step', 'Step', 'Step over', 'Step', 'Step over', 'Step'])
      states.push(await act(page, action));
    assert.notDeepEqual(states.at(-1), states[0]);
    for (let k = states.length - 1; k-- > 0; ) assert.deepEqual(await act(page, 'Back'), states[k], `back to ${k}`);
    assert.equal(await page.getByRole('button', { name: 'Back', exact: true }).getAttribute('aria-disabled'), 'true');

    // the outer loop whole: every step but the last
    let state = await act(page, 'Step over');
    assert.equal(state.steps, '26');
    assert.equal(state.cost, String(steps[25].total));
    assert.ok(state.next.startsWith('s * s + s ;'), state.next);
    // LOOP 3 whole, inside the first pass of the outer loop: 3 × (2 + 1) statements
    await act(page, 'Back');
    state = await act(page, 'Step');
    assert.ok(state.next.startsWith('LOOP 3 line 4'), state.next);
    state = await act(page, 'Step over');
    assert.equal(state.steps, '10');
    assert.equal(state.cost, String(steps[9].total));
    assert.ok(state.next.startsWith('r + r + r + r * s ; line 10'), state.next);
    assert.deepEqual(state.loops, ['i: LOOP n (line 2) 1 of 2']);
    // over a statement is a step
    state = await act(page, 'Step over');
    assert.equal(state.steps, '11');
    assert.equal(state.cost, String(steps[10].total));
    assert.deepEqual(page.errors, []);
  });

  test('works from the keyboard, the focus staying on its buttons', async () => {
    const page = await openWith(nested);
    await page.focus('#step-n');
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.textContent), 'Step');
    let state = await act(page, 'Step', 'Enter');
    assert.equal(state.steps, '1');
    state = await act(page, 'Step', 'Space');
    assert.equal(state.steps, '2');
    await page.keyboard.press('Tab');
    state = await act(page, 'Back', 'Enter');
    assert.equal(state.steps, '1');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.textContent), 'To the end');
    state = await act(page, 'To the end', 'Enter');
    assert.equal(state.cost, state.at);
    // at the end it says it cannot go on, and keeps the focus
    assert.equal(await page.evaluate(() => document.activeElement.textContent), 'To the end');
    assert.equal(await page.evaluate(() => document.activeElement.getAttribute('aria-disabled')), 'true');
    await page.keyboard.press('Shift+Tab');
    await page.keyboard.press('Shift+Tab');
    state = await act(page, 'Back', 'Enter');
    assert.equal(state.steps, '1');
    assert.deepEqual(page.errors, []);
  });
});

describe('empty panels', () => {
  test('say why: the program or the model does not read, or n is no number; and follow the edits back', async () => {
    const page = await openWith(nested);
    await act(page, 'Step');
    const broken = 'BEGIN\n  LOOP n\n    a b ;\n  END\nEND\n';
    await replaceProgram(page, broken);
    const because = "the program does not read (line 3, column 7: expected '+' or '*' between 'a' and 'b').";
    await waitForText(page, '#derivation', `No sums: ${because}`);
    await waitForText(page, '#stepping', `No run to step through: ${because}`);
    assert.equal(await page.$$eval('#derivation math, #derivation pre', (shown) => shown.length), 0);
    for (const name of ['Step', 'Back', 'Step over', 'To the end'])
      assert.equal(await page.getByRole('button', { name, exact: true }).getAttribute('aria-disabled'), 'true', name);
    assert.deepEqual(await markedLines(page, '.cm-step-current'), []);
    await page.screenshot({ path: join(screenshots, 'panels-broken.png') });

    // mended, the panels follow: the new sums, and a new run from its start
    const mended = 'BEGIN\n  LOOP n\n    a + b ;\n  END\nEND\n';
    await replaceProgram(page, mended);
    await waitForDerivation(page, run(['--derive'], mended).replace(/\n$/, ''));
    let state = await stepState(page);
    assert.equal(state.steps, '0');
    assert.equal(state.at, '2');

    await page.fill('#mul', 'x');
    await page.waitForFunction(() => document.querySelector('#derivation').textContent.startsWith('No sums: the cost model does not read ('), null, { timeout: answerTime });
    assert.match(await page.textContent('#stepping'), /^No run to step through: the cost model does not read \(the cost of one '\*' must be a decimal number/);
    await page.fill('#mul', '1');
    await waitForDerivation(page, run(['--derive'], mended).replace(/\n$/, ''));

    // too long to show, the sums say so; the run is there all the same
    const long = `BEGIN\n${'  a + b ;\n'.repeat(401)}END\n`;
    await replaceProgram(page, long);
    await waitForText(page, '#derivation', 'The sums of 401 statements are too long to write here: loopcost --derive writes them.');
    state = await act(page, 'To the end');
    assert.equal(state.cost, '401');
    await replaceProgram(page, mended);
    await waitForDerivation(page, run(['--derive'], mended).replace(/\n$/, ''));

    await page.fill('#step-n', 'lots');
    await waitForText(page, '#step-n-error', "n must be a whole number, 0 or more, such as 10, 123456789 or 1e30, not 'lots'");
    assert.equal(await page.getAttribute('#step-n', 'aria-invalid'), 'true');
    assert.equal(await page.textContent('#stepping'), '');
    await page.fill('#step-n', '3');
    await waitForText(page, '#step-n-error', '');
    state = await act(page, 'To the end');
    assert.equal(state.cost, '3');
    assert.deepEqual(page.errors, []);
  });
});

// The '+' of nested's statement on a line, for the additions so far.
function nestedAdditions(line) {
  return (nested.split('\n')[line - 1].match(/\+/g) || []).length;
}
