// The exercise mode: the program of a level and a seed is the command line's
// byte for byte, under its model, its costs hidden until the answer is right
// or revealed; the address holds the exercise.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { join } from 'node:path';
import { answerTime, browserForTests, cli, editorText, runCli, screenshots, textOf, waitForText } from './page.mjs';

// What `loopcost --exercise --json` makes of a level and a seed, the costs
// as the page's fields hold them (the seed is exact only as text).
function cliExercise(level, seed) {
  const json = execFileSync(cli, ['--exercise', '--json', '--level', String(level), '--seed', String(seed)], { encoding: 'utf8' });
  const made = JSON.parse(json);
  return { ...made, seed: /"seed": (\d+)/.exec(json)[1], addCost: String(made.addCost), mulCost: String(made.mulCost) };
}

// The command line's cost of a program under a model.
function cliCost(program, add, mul) {
  return runCli(['--add-cost', add, '--mul-cost', mul], program).stdout.trim();
}

// What of the page shows a cost, and whether each is visible now.
const costShown = (page) =>
  Promise.all(['#cost', '#order', '#at', '#explanation', '#plot', '.cm-cost-notes'].map((s) => page.isVisible(s)));

// Waits for the editor to hold `program` and the task line to name the exercise.
async function exerciseShown(page, { level, seed, program }) {
  await page.waitForFunction(
    (task) => document.querySelector('#exercise-task').textContent.startsWith(task),
    `Level ${level}, seed ${seed}:`,
    { timeout: answerTime },
  );
  await page.waitForFunction(
    (lines) => document.querySelectorAll('#editor .cm-line').length === lines,
    program.split('\n').length, // the line end at its end begins an empty line
    { timeout: answerTime },
  );
  assert.equal(await editorText(page), program.replace(/\n$/, ''));
}

const open = browserForTests();

describe('the exercise mode', () => {
  test("shows exactly the command line's exercise of a link, under its model, with every cost hidden", async () => {
    const asked = [
      [1, '0'],
      [2, '12345'],
      [3, '999999'],
      [4, '7'],
      [5, '18446744073709551615'],
    ];
    const page = await open(`#exercise=${asked[0][1]}&level=${asked[0][0]}`);
    for (const [level, seed] of asked) {
      if (seed !== asked[0][1]) await page.evaluate((hash) => (location.hash = hash), `#exercise=${seed}&level=${level}`);
      const made = cliExercise(level, seed);
      await exerciseShown(page, made);
      assert.equal(await page.inputValue('#add'), made.addCost);
      assert.equal(await page.inputValue('#mul'), made.mulCost);
      assert.equal(
        await textOf(page, '#exercise-task'),
        `Level ${level}, seed ${seed}: work out the cost of this program when one + costs ${made.addCost} and one * costs ${made.mulCost}.`,
      );
      // the engine has costed it all the same: the cost waits, hidden
      await waitForText(page, '#cost', cliCost(made.program, made.addCost, made.mulCost));
      assert.deepEqual(await costShown(page), [false, false, false, false, false, false]);
      assert.equal(await page.isVisible('text=Hidden until your answer is right, or you reveal it.'), true);
      await page.waitForFunction((hash) => location.hash === hash, `#exercise=${seed}&level=${level}`, { timeout: answerTime });
      if (level === 4) await page.screenshot({ path: join(screenshots, 'exercise.png') });
    }
    // the same exercise however its numbers are written; the address then says it plainly
    await page.evaluate(() => (location.hash = '#exercise=0.7e1&level=04'));
    await exerciseShown(page, cliExercise(4, 7));
    await page.waitForFunction(() => location.hash === '#exercise=7&level=4', null, { timeout: answerTime });
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('shows the costs and the explanations once the answer is right, or once revealed', async () => {
    const made = cliExercise(3, 42);
    const total = cliCost(made.program, made.addCost, made.mulCost);
    const page = await open('#exercise=42&level=3');
    await exerciseShown(page, made);
    const revealed = page.evaluate(
      () => new Promise((done) => document.addEventListener('exercise-revealed', (e) => done(e.detail), { once: true })),
    );
    await page.getByRole('button', { name: 'Reveal' }).click();
    assert.equal((await revealed).seed, '42');
    await waitForText(page, '#exercise-status', 'Revealed: the cost, and how it adds up.');
    assert.deepEqual(await costShown(page), [true, true, true, true, true, true]);
    assert.equal(await textOf(page, '#cost'), total);
    assert.equal(await page.isDisabled('#reveal'), true);
    await page.screenshot({ path: join(screenshots, 'exercise-revealed.png') });

    // Next: another seed of the level, hidden again; a right answer shows it
    await page.getByRole('button', { name: 'Next' }).click();
    await page.waitForFunction(() => /^#exercise=\d+&level=3$/.test(location.hash) && location.hash !== '#exercise=42&level=3', null, {
      timeout: answerTime,
    });
    const seed = new URLSearchParams((await page.evaluate(() => location.hash)).slice(1)).get('exercise');
    assert.ok(Number(seed) < 1000000, seed);
    await exerciseShown(page, cliExercise(3, seed));
    assert.deepEqual(await costShown(page), [false, false, false, false, false, false]);
    await page.evaluate(() => document.dispatchEvent(new CustomEvent('answer-right')));
    await waitForText(page, '#exercise-status', 'Right! Here is the cost, and how it adds up.');
    assert.deepEqual(await costShown(page), [true, true, true, true, true, true]);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('takes its answer from the answer field: a wrong one keeps the cost hidden, a right one shows it', async () => {
    const made = cliExercise(4, 7);
    const total = cliCost(made.program, made.addCost, made.mulCost);
    const page = await open('#exercise=7&level=4');
    await exerciseShown(page, made);
    const answer = page.getByRole('textbox', { name: 'Your answer' });
    await answer.fill('n^2');
    await page.waitForFunction(() => document.querySelector('#answer .verdict')?.textContent === 'Wrong.', null, {
      timeout: answerTime,
    });
    // which terms are off is shown, what they should be is not
    const visible = await page.evaluate(() => document.querySelector('#answer-result').innerText);
    assert.match(visible, /you answered 1/);
    assert.doesNotMatch(visible, /the cost has|costs /);
    assert.deepEqual(await costShown(page), [false, false, false, false, false, false]);
    await answer.fill(total);
    await waitForText(page, '#exercise-status', 'Right! Here is the cost, and how it adds up.');
    assert.deepEqual(await costShown(page), [true, true, true, true, true, true]);
    // the next exercise starts with an empty answer
    await page.getByRole('button', { name: 'Next' }).click();
    await page.waitForFunction(() => location.hash !== '#exercise=7&level=4', null, { timeout: answerTime });
    assert.equal(await answer.inputValue(), '');
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('starts at the level chosen, changes with it, and leaves the costs shown when it ends', async () => {
    const page = await open();
    await waitForText(page, '#cost', '15 * n^2 + 9 * n^1 + 2');
    const button = page.getByRole('button', { name: 'Exercise', exact: true });
    await page.getByRole('combobox', { name: 'Level', exact: true }).selectOption('5');
    await button.click();
    assert.equal(await button.getAttribute('aria-pressed'), 'true');
    await page.waitForFunction(() => /^#exercise=\d+&level=5$/.test(location.hash), null, { timeout: answerTime });
    let seed = new URLSearchParams((await page.evaluate(() => location.hash)).slice(1)).get('exercise');
    await exerciseShown(page, cliExercise(5, seed));
    assert.deepEqual(await costShown(page), [false, false, false, false, false, false]);

    await page.getByRole('combobox', { name: 'Level', exact: true }).selectOption('2');
    await page.waitForFunction(() => /^#exercise=\d+&level=2$/.test(location.hash), null, { timeout: answerTime });
    seed = new URLSearchParams((await page.evaluate(() => location.hash)).slice(1)).get('exercise');
    const made = cliExercise(2, seed);
    await exerciseShown(page, made);

    await button.click();
    assert.equal(await button.getAttribute('aria-pressed'), 'false');
    assert.equal(await page.isVisible('#exercise-panel'), false);
    assert.deepEqual(await costShown(page), [true, true, true, true, true, true]);
    await waitForText(page, '#cost', cliCost(made.program, '1', '1'));
    // the address holds the program again, not the exercise
    await page.waitForFunction(() => location.hash.startsWith('#z='), null, { timeout: answerTime });
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('says why the exercise of a link cannot be made', async () => {
    const page = await open('#exercise=abc&level=2');
    await waitForText(
      page,
      '#exercise-task',
      "This exercise cannot be made: the seed must be a whole number from 0 to 18446744073709551615, not 'abc'.",
    );
    assert.equal(await page.evaluate(() => document.body.classList.contains('costs-hidden')), false);
    await page.evaluate(() => (location.hash = '#exercise=3&level=6'));
    await waitForText(page, '#exercise-task', "This exercise cannot be made: the level must be a whole number from 1 to 5, not '6'.");
    // Next makes one of the level chosen
    await page.getByRole('button', { name: 'Next' }).click();
    await page.waitForFunction(() => /^#exercise=\d+&level=1$/.test(location.hash), null, { timeout: answerTime });
    assert.deepEqual(page.errors, []);
    await page.close();
  });
});
