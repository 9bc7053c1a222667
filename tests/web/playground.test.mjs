// The playground opened from file:// in Chromium, used as a person would:
// typing, breaking and mending a program, the cost model, Format, and the
// state carried by the address. Screenshots go to OUT/screenshots.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { answerTime, editorText, launch, nested, open as openPage, plotLabels, replaceProgram, screenshots, textOf, waitForText } from './page.mjs';


let browser;
before(async () => {
  browser = await launch();
});
after(async () => {
  await browser?.close();
});
const open = (fragment, viewport) => openPage(browser, fragment, viewport);

describe('the playground', () => {
  test('costs a typed program exactly, with a note on each line and a line per loop in the plot', async () => {
    const page = await open();
    await replaceProgram(page, 'BEGIN\n  LOOP n\n    a + b * c ;\n  END\n  LOOP n\n    LOOP n\n      d * e ;\n    END\n  END\nEND\n');
    await waitForText(page, '#cost', 'n^2 + 2 * n^1');
    assert.equal(await textOf(page, '#order'), 'O(n^2)');
    assert.equal(await textOf(page, '#diagnostics'), '');
    const notes = await page.$$eval('.cm-cost', (spans) => spans.map((s) => s.textContent));
    assert.deepEqual(notes, ['2 * n^1', '2 * n^1', 'n^2', 'n^2', 'n^2']);
    // the quadratic loop carries the whole growth, the linear one none of it
    const colours = await page.$$eval('.cm-cost', (spans) => spans.map((s) => s.style.background));
    assert.equal(colours[0], colours[1]);
    assert.equal(colours[2], colours[4]);
    assert.notEqual(colours[0], colours[2]);
    // each loop over n beside the total, the fastest growing first
    await plotLabels(page, ['n', 'total', 'LOOP n at 5:3', 'LOOP n at 2:3']);
    await page.screenshot({ path: join(screenshots, 'typed.png') });
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('shows the first error at its place and clears it once the text reads', async () => {
    const page = await open();
    await replaceProgram(page, 'BEGIN\n  LOOP n\n    a + b * 2 ;\n  END\nEND\n');
    await waitForText(page, '#diagnostics', "3:13: expected a variable, '+', '*' or ';', found '2'");
    assert.equal(await textOf(page, '#cost'), '');
    assert.equal(await textOf(page, '.cm-lintRange-error'), '2');
    assert.equal(await page.isDisabled('#format'), true);
    await page.screenshot({ path: join(screenshots, 'error.png') });

    // mend it where it broke: the 2 becomes a variable
    await page.click('.cm-lintRange-error');
    await page.keyboard.press('End');
    for (let i = 0; i < 2; i++) await page.keyboard.press('ArrowLeft');
    await page.keyboard.press('Backspace');
    await page.keyboard.type('c');
    await waitForText(page, '#cost', '2 * n^1');
    assert.equal(await textOf(page, '#diagnostics'), '');
    assert.equal(await page.$('.cm-lintRange-error'), null);

    // a quote and a backslash in the message, and a character of two bytes
    // under the squiggle, which the engine measures in bytes
    await replaceProgram(page, 'BEGIN\n  LOOP "b\\"\n  a ;\n  END\nEND');
    await waitForText(page, '#diagnostics', `2:8: expected a loop count ('n' or a whole number), found '"b\\"'`);
    await replaceProgram(page, 'BEGIN\n  \u00e9 ;\nEND');
    await waitForText(page, '#diagnostics', "2:3: expected a statement, found '\\xc3\\xa9'");
    assert.equal(await textOf(page, '.cm-lintRange-error'), '\u00e9');
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('costs with the model as typed, exactly, and says when a value is no number', async () => {
    const page = await open();
    await replaceProgram(page, 'BEGIN LOOP n a+b*c; END END');
    await page.fill('#add', '0.1');
    await page.fill('#mul', '0.2');
    // 0.1 + 0.2 in doubles would not print as 0.3
    await waitForText(page, '#cost', '0.3 * n^1');

    await page.fill('#mul', 'two');
    await waitForText(page, '#model-error',
      "the cost of one '*' must be a decimal number such as 1, 0.5 or 2e3 (exponent at most 1000), not 'two'");
    assert.equal(await textOf(page, '#cost'), '');
    assert.equal(await page.getAttribute('#mul', 'aria-invalid'), 'true');

    await page.fill('#mul', '2e3');
    await waitForText(page, '#cost', '2000.1 * n^1');
    assert.equal(await textOf(page, '#model-error'), '');
    assert.equal(await page.getAttribute('#mul', 'aria-invalid'), 'false');

    // digits that begin with 0 are decimal, as on the command line
    for (const [mul, cost] of [['0.25', '0.35 * n^1'], ['0.8', '0.9 * n^1'], ['08', '8.1 * n^1'], ['010.5', '10.6 * n^1'], ['0.125', '0.225 * n^1']]) {
      await page.fill('#mul', mul);
      await waitForText(page, '#cost', cost);
    }

    // coefficients beyond the range of a double still have their shares
    await page.fill('#mul', '1e400');
    await page.waitForFunction(() => document.querySelector('#cost').textContent.endsWith('0.1 * n^1'));
    // one line, one note: the loop's, with the statement in it
    const titles = await page.$$eval('.cm-cost', (spans) => spans.map((s) => s.title));
    assert.equal(titles.length, 1);
    for (const title of titles) assert.match(title, /\(100% of the total's growth\)$/);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('formats the program into its canonical layout from the keyboard', async () => {
    const page = await open();
    await replaceProgram(page, 'BEGIN a*a*b; LOOP n LOOP n c+d+e*f; END END r*s+u*v; END');
    await waitForText(page, '#cost', '3 * n^2 + 5');
    await page.keyboard.press('Alt+Shift+F');
    await page.waitForFunction(() => document.querySelector('.cm-line:nth-child(2)')?.textContent.startsWith('  a * a'));
    assert.equal(
      await editorText(page),
      'BEGIN\n  a * a * b ;\n  LOOP n\n    LOOP n\n      c + d + e * f ;\n    END\n  END\n  r * s + u * v ;\nEND',
    );
    await waitForText(page, '#cost', '3 * n^2 + 5');
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('opens the state of a fragment and keeps the fragment up to date', async () => {
    const fragment = `#program=${encodeURIComponent(nested)}&add=2&mul=4`;
    const page = await open(fragment);
    await waitForText(page, '#cost', '54 * n^2 + 28 * n^1 + 6');
    assert.equal(await page.inputValue('#add'), '2');
    assert.equal(await page.inputValue('#mul'), '4');
    assert.equal(await editorText(page), nested.replace(/\n$/, ''));
    await page.screenshot({ path: join(screenshots, 'desktop.png') });
    await page.setViewportSize({ width: 390, height: 844 });
    await page.waitForTimeout(200);
    await page.screenshot({ path: join(screenshots, 'phone.png'), fullPage: true });

    await page.click('.cm-content');
    await page.keyboard.press('Control+End');
    await page.keyboard.type(' ');
    await page.waitForFunction(() => location.hash.endsWith(`${encodeURIComponent('END\n ')}&add=2&mul=4`));
    const state = await page.evaluate(() => {
      const fields = Object.fromEntries(location.hash.slice(1).split('&').map((f) => f.split('=')));
      return { program: decodeURIComponent(fields.program), add: fields.add, mul: fields.mul };
    });
    assert.deepEqual(state, { program: nested + ' ', add: '2', mul: '4' });
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('loads an example and plots it on a log scale only where the cost is above zero', async () => {
    const page = await open();
    await page.selectOption('#examples', { label: 'Cubic' });
    await waitForText(page, '#cost', '3 * n^3 + n^2');
    assert.equal(await textOf(page, '#order'), 'O(n^3)');
    await page.check('#log');
    assert.equal(await page.$$eval('#plot canvas', (c) => c.length), 1);
    // every cost negative: nothing for a log scale, and it says so
    await page.fill('#add', '-1');
    await page.fill('#mul', '-1');
    await waitForText(page, '#cost', '-3 * n^3 - n^2');
    await page.waitForFunction(() => document.querySelector('#plot').textContent.startsWith('Nothing to draw on a log scale'));
    await page.uncheck('#log');
    assert.equal(await page.$$eval('#plot canvas', (c) => c.length), 1);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('answers a keystroke in a 100 KB program, and gives up an analysis that a newer text overtakes', async () => {
    let big = 'BEGIN\n';
    while (big.length < 100000) big += '  LOOP n\n    a + b * c ;\n    LOOP 3\n      w * w * z + x * y ;\n    END\n  END\n';
    big += 'END\n';
    const loops = (big.match(/LOOP n/g) || []).length;
    const page = await open();
    await replaceProgram(page, big);
    await waitForText(page, '#cost', `${14 * loops} * n^1`);

    // one keystroke after the closing END: the new answer is an error; how
    // long it takes is for bench/page.mjs to say
    await page.click('.cm-content');
    await page.keyboard.press('Control+End');
    await page.keyboard.type('x');
    await page.waitForFunction(() => document.querySelector('#diagnostics').textContent.includes('after the closing END'), null, { timeout: answerTime });
    // the notes of the lines in view are there, and only those
    const notes = (await page.$$('.cm-cost')).length;
    assert.ok(notes > 10 && notes < 400, `${notes} notes`);

    // 300 loops over n, one in the other, at n = 10^332: a cost of 99901
    // digits, just within the bound, a second of work for the engine, which
    // a newer text overtakes: the worker on it is ended, and a new one
    // answers the newer text
    let workers = 0;
    page.on('worker', () => workers++);
    await page.fill('#n', '1e332');
    await replaceProgram(page, 'BEGIN\n' + 'LOOP n\n'.repeat(300) + 'a * b ;\n' + 'END\n'.repeat(300) + 'END\n');
    await page.waitForTimeout(100);
    await page.selectOption('#examples', { label: 'Two loops side by side' });
    await waitForText(page, '#cost', 'n^2 + 2 * n^1 + 1');
    assert.equal(workers, 1);
    assert.deepEqual(page.errors, []);
    await page.close();
  });
});
