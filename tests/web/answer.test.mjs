// The answer field: a cost typed under the cost of A is checked as it is
// typed, in the command line's own words (loopcost --expect): right or
// wrong, each wrong power with its statements marked in the editor, the slip
// named, and an answer that does not read told where.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { answerTime, browserForTests, nested, replaceProgram, runCli, screenshots } from './page.mjs';

// What `loopcost --json --expect` says of an answer.
function cliCheck(program, answer, add = '1', mul = '1') {
  return JSON.parse(runCli(['--json', '--add-cost', add, '--mul-cost', mul, '--expect', answer], program).stdout).expect;
}

const field = (page) => page.getByRole('textbox', { name: 'Your answer' });

// Once the field's first line is `verdict` for the answer in the field (not
// one typed on the way to it), what it shows.
async function shownCheck(page, verdict) {
  await page.waitForFunction(
    (v) =>
      document.querySelector('#answer .verdict')?.textContent === v &&
      document.querySelector('#answer-result').dataset.answer === document.querySelector('#answer-input').value,
    verdict,
    { timeout: answerTime },
  );
  return page.evaluate(() => ({
    terms: [...document.querySelectorAll('#answer .terms > li > .term')].map((term) => term.textContent),
    statements: [...document.querySelectorAll('#answer .statements li')].map((line) => line.textContent),
    slip: document.querySelector('#answer .slip')?.textContent ?? null,
    wrong: [...document.querySelectorAll('#editor .cm-answer-wrong')].map((mark) => mark.textContent),
    marked: document.querySelector('#editor .cm-answer-slip')?.textContent ?? null,
  }));
}

const open = browserForTests();

describe('the answer field', () => {
  test('says right or wrong as the answer is typed, marks the wrong terms and names the slip', async () => {
    const page = await open(`#program=${encodeURIComponent(nested)}`);
    await page.waitForFunction(() => document.querySelector('#cost').textContent === '15 * n^2 + 9 * n^1 + 2');
    await field(page).fill('2 + 9n + 15 n²');
    const right = await shownCheck(page, 'Right.');
    assert.deepEqual(right.wrong, []);

    // the count of LOOP 3 left out, typed a key at a time
    await field(page).fill('');
    await field(page).pressSequentially('7n^2 + 7n + 2');
    const wrong = await shownCheck(page, 'Wrong.');
    const expected = cliCheck(nested, '7n^2 + 7n + 2');
    assert.equal(wrong.slip, `loop-left-out: ${expected.slip.text}`);
    assert.deepEqual(wrong.terms, [
      'n^2: you answered 7, the cost has 15',
      'n^1: you answered 7, the cost has 9',
      'n^0: 2, right',
    ]);
    assert.deepEqual(wrong.statements, [
      'w * w * z + x * y ; at 6:9 costs 12 * n^2',
      'a * a * a * a ; at 12:7 costs 3 * n^2',
      'a + b * c ; at 3:5 costs 2 * n^1',
      'a * w ; at 8:7 costs 3 * n^1',
      'r + r + r + r * s ; at 10:5 costs 4 * n^1',
    ]);
    // marked in the editor in the order of the text
    const listed = expected.terms.flatMap((term) => term.statements).sort((a, b) => a.line - b.line);
    assert.deepEqual(wrong.wrong, listed.map((statement) => statement.text));
    assert.equal(wrong.marked, 'LOOP 3');
    await page.screenshot({ path: join(screenshots, 'answer.png') });

    // an order, loose; then one that does not read, told where
    await field(page).fill('O(n^3)');
    await shownCheck(page, 'Right, but loose: the cost is Θ(n^2).');
    await field(page).fill('15n^2 + x');
    await page.waitForFunction(
      () => document.querySelector('#answer .answer-error')?.textContent ===
        "Does not read at column 9: expected a number or n, found 'x'.",
      null,
      { timeout: answerTime },
    );
    assert.equal(await field(page).getAttribute('aria-invalid'), 'true');
    assert.equal(await page.locator('#editor .cm-answer-wrong').count(), 0);
    // a blank field shows nothing
    await field(page).fill('  ');
    await page.waitForFunction(() => document.querySelector('#answer-result').childElementCount === 0);
    assert.equal(await field(page).getAttribute('aria-invalid'), 'false');
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('follows the program and the cost model', async () => {
    const page = await open(`#program=${encodeURIComponent(nested)}`);
    await field(page).fill('15n^2 + 9n + 2');
    await shownCheck(page, 'Right.');
    // the same answer under another model: the operations were counted
    await page.fill('#add', '0.1');
    await page.fill('#mul', '0.7');
    const ignored = await shownCheck(page, 'Wrong.');
    assert.equal(ignored.slip, `model-ignored: ${cliCheck(nested, '15n^2 + 9n + 2', '0.1', '0.7').slip.text}`);
    await field(page).fill('8.7n^2 + 3.9n + 0.8');
    await shownCheck(page, 'Right.');
    // loops one after the other, taken as nested
    await page.fill('#add', '1');
    await page.fill('#mul', '1');
    const sequence = 'BEGIN\n  LOOP n\n    a + b ;\n  END\n  LOOP n\n    a * b ;\n  END\nEND\n';
    await replaceProgram(page, sequence);
    await field(page).fill('n^2 + n');
    const nestedSlip = await shownCheck(page, 'Wrong.');
    assert.equal(nestedSlip.slip, `loops-nested: ${cliCheck(sequence, 'n^2 + n').slip.text}`);
    assert.equal(nestedSlip.marked, 'LOOP n');
    // a program that does not read has nothing to check
    await replaceProgram(page, 'BEGIN LOOP n a + ; END END');
    await page.waitForFunction(
      () => document.querySelector('#answer-result')?.textContent === 'The program and the cost model must read to check an answer.',
      null,
      { timeout: answerTime },
    );
    assert.deepEqual(page.errors, []);
    await page.close();
  });
});
