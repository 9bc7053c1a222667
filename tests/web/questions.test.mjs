// The questions the page answers beside the costs: why the statement under
// the cursor costs what it does (checked against the command line's own
// figures), the exact cost at any n, and two programs compared, with both
// kept in the address.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import {
  answerTime,
  browserForTests,
  editorText,
  nested,
  plotLabels,
  replaceProgram,
  runCli,
  screenshots,
  textOf,
  waitForText,
} from './page.mjs';


// What `loopcost --json` says of a program under a model.
function cliJson(program, add, mul) {
  return JSON.parse(runCli(['--json', '--add-cost', add, '--mul-cost', mul], program).stdout);
}

// The cursor to a line and column (both from 1), as a person moves it.
async function moveCursor(page, line, column) {
  await page.click('#editor .cm-content');
  await page.keyboard.press('Control+Home');
  for (let i = 1; i < line; i++) await page.keyboard.press('ArrowDown');
  for (let i = 1; i < column; i++) await page.keyboard.press('ArrowRight');
}

// The explanation panel, field by field, once it is about `text` at `line`.
async function explanationOf(page, text, line) {
  await page.waitForFunction(
    ([t, l]) => {
      const code = document.querySelector('#explanation [data-field="text"]');
      return code && code.textContent === t && document.querySelector('#explanation .place').textContent.includes(`line ${l},`);
    },
    [text, line],
    { timeout: answerTime },
  );
  return page.$$eval('#explanation [data-field]', (fields) => Object.fromEntries(fields.map((f) => [f.dataset.field, f.textContent])));
}

const open = browserForTests();

describe('the questions', () => {
  test('explains each statement and loop under the cursor with the numbers of the command line', async () => {
    const page = await open(`#program=${encodeURIComponent(nested)}&add=0.5&mul=3`);
    await waitForText(page, '#cost', '37.5 * n^2 + 17 * n^1 + 3.5');
    const costed = cliJson(nested, '0.5', '3');
    // under one '+' of cost 1 and '*' of none, a statement with one '+'
    // costs what it runs
    const runs = cliJson(nested, '1', '0');
    assert.equal(costed.text, '37.5 * n^2 + 17 * n^1 + 3.5');
    for (const [i, statement] of costed.statements.entries()) {
      await moveCursor(page, statement.line, statement.column);
      const shown = await explanationOf(page, statement.text, statement.line);
      assert.ok(shown.product.endsWith(` = ${statement.cost}`), `${statement.text}: ${shown.product} is not ${statement.cost}`);
      assert.ok(Math.abs(Number.parseFloat(shown.share) / 100 - statement.share.toPrecision(3)) < 1e-12, statement.text);
      if (statement.kind === 'loop') {
        assert.equal(shown.oneRun, undefined);
        continue;
      }
      const adds = statement.text.split('+').length - 1;
      const muls = statement.text.split('*').length - 1;
      assert.equal(shown.operations, `${adds} '+' and ${muls} '*'`);
      assert.ok(shown.oneRun.endsWith(` = ${0.5 * adds + 3 * muls}`), shown.oneRun);
      const [times] = shown.runs.split(' times: ');
      assert.ok(shown.product.startsWith(`${times} × ${0.5 * adds + 3 * muls} = `), shown.product);
      if (adds === 1) assert.equal(times, runs.statements[i].cost, statement.text);
    }
    // the loops around the innermost statement, with their lines
    await moveCursor(page, 6, 9);
    const innermost = await explanationOf(page, 'w * w * z + x * y ;', 6);
    assert.equal(innermost.runs, '3 * n^2 times: LOOP n (line 2) × LOOP 3 (line 4) × LOOP n (line 5)');
    // at the end of a line, past its blanks, it is still the statement there
    await moveCursor(page, 8, 14);
    assert.equal((await explanationOf(page, 'a * w ;', 8)).operations, "0 '+' and 1 '*'");
    assert.equal(await textOf(page, '.cm-explained'), 'a * w ;');
    await page.screenshot({ path: join(screenshots, 'explained.png') });
    // on BEGIN there is nothing to explain
    await moveCursor(page, 1, 2);
    await page.waitForFunction(() => document.querySelector('#explanation').textContent.startsWith('Put the cursor on a statement'));
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('gives the exact cost at any whole n, and says when n is not one', async () => {
    const page = await open(`#program=${encodeURIComponent(nested)}`);
    await waitForText(page, '#cost', '15 * n^2 + 9 * n^1 + 2');
    await waitForText(page, '#at', String(15n * 1000n ** 2n + 9n * 1000n + 2n));
    const n = 123456789012345678901234567890123456789n;
    await page.fill('#n', String(n));
    await waitForText(page, '#at', String(15n * n * n + 9n * n + 2n));
    await page.fill('#n', '1e60');
    await waitForText(page, '#at', String(15n * 10n ** 120n + 9n * 10n ** 60n + 2n));
    for (const bad of ['-1', '2.5', 'ten']) {
      await page.fill('#n', bad);
      await waitForText(page, '#n-error', `n must be a whole number, 0 or more, such as 10, 123456789 or 1e30, not '${bad}'`);
      assert.equal(await textOf(page, '#at'), '');
      assert.equal(await page.getAttribute('#n', 'aria-invalid'), 'true');
    }
    // every form of a whole number alike, up to the bound of digits, for n and for the cost there
    await page.fill('#n', ' 150e-1 ');
    await waitForText(page, '#at', String(15n * 15n * 15n + 9n * 15n + 2n));
    await page.fill('#n', '1e100000');
    await waitForText(page, '#n-error', "n must have at most 100000 digits, not '1e100000'");
    assert.equal(await textOf(page, '#at'), '');
    await page.fill('#n', '1e50000');
    await waitForText(page, '#n-error', 'the cost of A at this n would have more than 100000 digits, the most shown');
    assert.equal(await textOf(page, '#at'), '');
    // and in the address
    await page.fill('#n', '0');
    await waitForText(page, '#at', '2');
    await page.waitForFunction(() => location.hash.endsWith('&n=0'));
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('compares two examples: which is cheaper where, both on one plot, the crossing marked', async () => {
    const page = await open();
    await page.selectOption('#examples', { label: 'Quadratic, light' });
    await waitForText(page, '#cost', 'n^2');
    await page.click('#compare');
    assert.equal(await page.getAttribute('#compare', 'aria-pressed'), 'true');
    // B starts as a copy of A
    await waitForText(page, '#comparison', 'A and B cost the same for every n');
    await page.selectOption('#examples-b', { label: 'Linear, heavy' });
    await waitForText(page, '#cost-b', '40 * n^1 + 2');
    await waitForText(page, '#comparison', 'A is cheaper for n = 0 to 40, B from n = 41 on');
    await plotLabels(page, ['n', 'A', 'B']);
    await waitForText(page, '#plot-marks', 'Marked where the cheaper one changes: n = 41');
    await waitForText(page, '#at', '1000000');
    assert.equal(await textOf(page, '#at-b'), '40002');

    // the cursor in B explains B
    await page.click('#editor-b .cm-line:nth-child(5)');
    await page.waitForFunction(() => document.querySelector('#explanation .place')?.textContent.startsWith('B, line 5'));
    assert.equal(await textOf(page, '#explanation [data-field="product"]'), '20 * n^1 × 2 = 40 * n^1');

    // B with an error: nothing to compare, and its error under it
    await replaceProgram(page, 'BEGIN LOOP n a + ; END END', '#editor-b');
    await page.waitForFunction(() => document.querySelector('#diagnostics-b').textContent.startsWith('1:18: '));
    await waitForText(page, '#comparison', 'Both programs must be costed to be compared.');
    await plotLabels(page, ['n', 'A']);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('keeps both programs in the link, and opens them side by side from it', async () => {
    const page = await open();
    await replaceProgram(page, nested);
    await waitForText(page, '#cost', '15 * n^2 + 9 * n^1 + 2');
    await page.click('#compare');
    const second = 'BEGIN\n  LOOP n\n    LOOP n\n      LOOP 16\n        a + b ;\n      END\n    END\n  END\nEND\n';
    await replaceProgram(page, second, '#editor-b');
    await waitForText(page, '#cost-b', '16 * n^2');
    await page.fill('#n', '7');
    const text = 'B is cheaper for n = 0 to 9, A from n = 10 on';
    await waitForText(page, '#comparison', text);
    await page.waitForFunction(() => location.hash.includes('&z2=') && location.hash.endsWith('&n=7'));
    const link = await page.evaluate(() => location.hash);
    await page.screenshot({ path: join(screenshots, 'compared.png') });
    await page.close();

    const reopened = await open(link);
    await waitForText(reopened, '#comparison', text);
    assert.equal(await editorText(reopened), nested.replace(/\n$/, ''));
    assert.equal(await editorText(reopened, '#editor-b'), second.replace(/\n$/, ''));
    assert.equal(await reopened.getAttribute('#compare', 'aria-pressed'), 'true');
    assert.equal(await reopened.inputValue('#n'), '7');
    await waitForText(reopened, '#at-b', String(16 * 49));
    // a link without a second program opens one
    await reopened.goto(reopened.url().replace(/#.*/, '') + `#program=${encodeURIComponent(second)}`);
    await waitForText(reopened, '#cost', '16 * n^2');
    assert.equal(await reopened.getAttribute('#compare', 'aria-pressed'), 'false');
    assert.equal(await reopened.isVisible('#editor-b'), false);
    assert.deepEqual(reopened.errors, []);
    await reopened.close();
  });
});
