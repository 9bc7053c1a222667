// The playground opened from file:// in Chromium, used as a person would:
// typing, breaking and mending a program, the cost model, Format, and the
// state carried by the address. Screenshots go to OUT/screenshots.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { deflateSync, inflateSync } from 'node:zlib';
import {
  answerTime,
  browserForTests,
  editorText,
  nested,
  plotLabels,
  replaceProgram,
  screenshots,
  textOf,
  waitForText,
} from './page.mjs';


const open = browserForTests();

// The fields of a link, its programs unpacked.
function linkState(hash) {
  const fields = Object.fromEntries(hash.slice(1).split('&').map((field) => field.split('=')));
  for (const key of ['z', 'z2'])
    if (key in fields) fields[key] = inflateSync(Buffer.from(fields[key], 'base64url')).toString();
  return fields;
}
const packed = (text) => deflateSync(Buffer.from(text)).toString('base64url');

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

    // the address stays as it was opened until the state changes, and is
    // then written in the newer, compressed form
    assert.equal(await page.evaluate(() => location.hash), fragment);
    await page.click('.cm-content');
    await page.keyboard.press('Control+End');
    await page.keyboard.type(' ');
    await page.waitForFunction(() => location.hash.startsWith('#z='));
    assert.deepEqual(linkState(await page.evaluate(() => location.hash)), { z: nested + ' ', add: '2', mul: '4' });
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
    // a newer text gives up the analysis it overtakes at once, however fast
    // the machine
    const page = await open('?patience=1');
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
    // digits, just within the bound, a good part of a second of work for the
    // engine, which a newer text overtakes: the worker on it is ended, and a new one
    // answers the newer text
    let workers = 0;
    page.on('worker', () => workers++);
    await page.fill('#n', '1e332');
    await replaceProgram(page, 'BEGIN\n' + 'LOOP n\n'.repeat(300) + 'a * b ;\n' + 'END\n'.repeat(300) + 'END\n');
    // the cursor moved meanwhile asks about the same text: that waits for
    // the analysis it needs rather than starting a worker over on it
    // (briefly: the analysis takes about a second, and the newer text below
    // must come while it runs)
    for (let i = 0; i < 4; i++) {
      await page.keyboard.press(i % 2 ? 'ArrowDown' : 'ArrowUp');
      await page.waitForTimeout(25);
    }
    assert.equal(workers, 0);
    await page.selectOption('#examples', { label: 'Two loops side by side' });
    await waitForText(page, '#cost', 'n^2 + 2 * n^1 + 1');
    assert.equal(workers, 1);
    assert.deepEqual(page.errors, []);
    await page.close();
  });
});

// A program of a megabyte or more, unlike from block to block so that it
// does not compress to nothing, with its cost at a cost of 1 for each
// operation.
function bigProgram(size) {
  let text = 'BEGIN\n';
  let linear = 0;
  for (let k = 0; text.length < size; k++) {
    const count = 2 + ((k * 7919) % 997);
    const letter = String.fromCharCode(97 + (k % 26));
    text += `  LOOP n\n    ${letter} + b * c ;\n    LOOP ${count}\n      ${letter} * z + x ;\n    END\n  END\n`;
    linear += 2 + 2 * count;
  }
  return { text: text + 'END\n', cost: `${linear} * n^1` };
}

describe('a link', () => {
  const escape = (at) => `its '%' escape at character ${at} is cut short or is not UTF-8`;
  const program = (name, why) => `This link's ${name} cannot be read: ${why}. Its editor is left empty.`;
  const value = (name, why) => `This link's ${name} cannot be read: ${why}. Its field shows the link's text.`;
  const plain = encodeURIComponent(nested);
  const good = packed(nested);
  const cost = '15 * n^2 + 9 * n^1 + 2';
  const empty = "1:1: unexpected end of input: expected 'BEGIN'";
  const cut = 'its compressed text is cut short or altered';
  const altered = good.slice(0, 20) + (good[20] === 'A' ? 'B' : 'A') + good.slice(21);
  const cases = [
    // the link; what the page says of it; then, once the engine has
    // answered, A's text (B's too while compared) and what shows of A
    { link: '#program=%E0%A4%A&add=2', said: [program('program', escape(1))], a: '', diagnostics: empty, add: '2' },
    { link: '#program=%FF%FE', said: [program('program', escape(1))], a: '', diagnostics: empty },
    { link: '#program=%', said: [program('program', escape(1))], a: '', diagnostics: empty },
    { link: `#program=${plain}%E0%80`, said: [program('program', escape(plain.length + 1))], a: '', diagnostics: empty },
    { link: '#program=BEGIN%20a%ZZ%20END', said: [program('program', escape(10))], a: '', diagnostics: empty },
    { link: `#program=${plain}&add=%`, said: [value("cost of one '+'", escape(1))], a: nested, add: '%',
      model: "the cost of one '+' must be a decimal number such as 1, 0.5 or 2e3 (exponent at most 1000), not '%'" },
    { link: `#program=${plain}&mul=2%E0`, said: [value("cost of one '*'", escape(2))], a: nested, mul: '2%E0',
      model: "the cost of one '*' must be a decimal number such as 1, 0.5 or 2e3 (exponent at most 1000), not '2%E0'" },
    { link: `#program=${plain}&n=%4`, said: [value('n', escape(1))], a: nested, cost, n: '%4' },
    { link: `#program=${plain}&second=%ZZ`, said: [program('program B', escape(1))], a: nested, b: '', cost },
    { link: `#program=%&second=%ZZ`, said: [program('program A', escape(1)), program('program B', escape(1))], a: '', b: '', diagnostics: empty },
    { link: `#z=${good.slice(0, -4)}`, said: [program('program', cut)], a: '', diagnostics: empty },
    { link: `#z=${good}AAAA`, said: [program('program', cut)], a: '', diagnostics: empty },
    { link: `#z=${altered}`, said: [program('program', cut)], a: '', diagnostics: empty },
    { link: '#z=no*base64', said: [program('program', cut)], a: '', diagnostics: empty },
    { link: `#z=${good}&z2=${packed(Buffer.from([0x42, 0xff, 0xfe]))}`, said: [program('program B', 'it unpacks to bytes that are not UTF-8')], a: nested, b: '', cost },
    { link: `#z=${packed('x'.repeat(17 * 1024 * 1024))}`, said: [program('program', 'it unpacks to more than 16 MiB')], a: '', diagnostics: empty },
    // the packed program wins over a plain one beside it
    { link: `#program=%&z=${good}&add=1`, said: [], a: nested, cost },
  ];

  test('that does not read says what of it cannot be read, and shows no other program as its own', async () => {
    // the first opened as a person opens a link, the others put in the
    // address of the page in turn, each after a link that reads
    const page = await open(cases[0].link);
    const reset = '#program=BEGIN%20a%20%3B%20END';
    for (const row of cases) {
      if (row !== cases[0]) {
        await page.evaluate((hash) => (location.hash = hash), reset);
        await waitForText(page, '#cost', '0');
        await page.evaluate((hash) => (location.hash = hash), row.link);
      }
      // what is said of it, and an answer about it: no row costs 0
      await page.waitForFunction(
        (said) =>
          JSON.stringify([...document.querySelectorAll('#link-problems p')].map((line) => line.textContent)) === said &&
          document.querySelector('#cost').textContent !== '0',
        JSON.stringify(row.said),
        { timeout: answerTime },
      );
      if (row.cost !== undefined) await waitForText(page, '#cost', row.cost);
      if (row.diagnostics !== undefined) await waitForText(page, '#diagnostics', row.diagnostics);
      if (row.model !== undefined) await waitForText(page, '#model-error', row.model);
      assert.equal(await page.isVisible('#link-problems'), row.said.length > 0, row.link);
      assert.equal(await editorText(page), row.a.replace(/\n$/, ''), row.link);
      assert.equal(await page.getAttribute('#compare', 'aria-pressed'), String(row.b !== undefined), row.link);
      if (row.b !== undefined) assert.equal(await editorText(page, '#editor-b'), row.b, row.link);
      assert.equal(await textOf(page, '#cost'), row.cost ?? '', row.link);
      for (const field of ['add', 'mul', 'n']) assert.equal(await page.inputValue(`#${field}`), row[field] ?? (field === 'n' ? '1000' : '1'), row.link);
      if (row === cases[0]) await page.screenshot({ path: join(screenshots, 'broken-link.png') });
    }
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('of a megabyte program opens, the page writes its own in the same form, and either form opened in place replaces the state', async () => {
    const big = bigProgram(1000000);
    const link = `#z=${packed(big.text)}&add=1&mul=1`;
    const page = await open(link);
    await waitForText(page, '#cost', big.cost);
    assert.equal(await page.evaluate(() => location.hash), link);

    // an edit: the address is the page's own, and it holds the whole text
    await page.click('.cm-content');
    await page.keyboard.press('Control+End');
    await page.keyboard.type('\n');
    await page.waitForFunction((opened) => location.hash !== opened, link, { timeout: answerTime });
    const written = await page.evaluate(() => location.hash);
    assert.deepEqual(linkState(written), { z: big.text + '\n', add: '1', mul: '1' });
    const reopened = await open(written);
    await waitForText(reopened, '#cost', big.cost);
    await reopened.close();

    // a link of either form put in the address replaces what is shown, and
    // what was said of an earlier one goes with it
    await page.evaluate(() => (location.hash = '#program=%E0'));
    await page.waitForSelector('#link-problems p');
    await waitForText(page, '#diagnostics', empty);
    await page.evaluate((hash) => (location.hash = hash), `#program=${plain}&add=2&mul=4`);
    await waitForText(page, '#cost', '54 * n^2 + 28 * n^1 + 6');
    assert.equal(await page.isVisible('#link-problems'), false);
    assert.deepEqual(page.errors, []);
    await page.close();
  });
});
