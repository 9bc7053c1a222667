// What the playground's tests share: Chromium driven by playwright-core,
// the page opened from file://, and the ways a person uses it.
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { after, before } from 'node:test';
import { pathToFileURL } from 'node:url';

export const out = resolve(process.env.LOOPCOST_WEB_OUT || 'build/web');
const { chromium } = createRequire(join(out, 'npm', 'node_modules', 'x'))('playwright-core');
const pageUrl = pathToFileURL(join(out, 'index.html')).href;
export const screenshots = join(out, 'screenshots');
// The nested example of the docs, which the tests type into the page.
export const nested = `BEGIN
  LOOP n
    a + b * c ;
    LOOP 3
      LOOP n
        w * w * z + x * y ;
      END
      a * w ;
    END
    r + r + r + r * s ;
    LOOP n
      a * a * a * a ;
    END
  END
  s * s + s ;
END
`;

export const answerTime = 10000; // ms; far above what an answer takes, for a loaded machine

export async function launch() {
  mkdirSync(screenshots, { recursive: true });
  // as root Chromium runs only without its sandbox
  return chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
}

// One browser for the tests of a file, started before them and closed after
// them; what it gives is open(fragment, viewport) in that browser.
export function browserForTests() {
  let browser;
  before(async () => {
    browser = await launch();
  });
  after(async () => {
    await browser?.close();
  });
  return (fragment, viewport) => open(browser, fragment, viewport);
}

// The command line the page is held to, and what it writes for `program`
// (as a file) with `args` before it: its standard output, whatever its status.
export const cli = process.env.LOOPCOST_CLI || resolve('build/bin/loopcost');
const work = mkdtempSync(join(tmpdir(), 'loopcost-web-'));
export function runCli(args, program) {
  const file = join(work, 'program.lc');
  writeFileSync(file, program);
  try {
    return { stdout: execFileSync(cli, [...args, file], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }), status: 0 };
  } catch (failed) {
    if (typeof failed.status !== 'number') throw failed;
    return { stdout: failed.stdout, status: failed.status };
  }
}

export async function open(browser, fragment = '', viewport = { width: 1280, height: 800 }) {
  const page = await browser.newPage({ viewport });
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(pageUrl + fragment);
  page.errors = errors;
  return page;
}

// Selects all and pastes `text`, as a person replaces a program; `editor` is
// #editor for A and #editor-b for B.
export async function replaceProgram(page, text, editor = '#editor') {
  await page.click(`${editor} .cm-content`);
  await page.keyboard.press('Control+A');
  await page.evaluate(
    ([pasted, selector]) => {
      const data = new DataTransfer();
      data.setData('text/plain', pasted);
      const paste = new ClipboardEvent('paste', { clipboardData: data, bubbles: true, cancelable: true });
      document.querySelector(`${selector} .cm-content`).dispatchEvent(paste);
    },
    [text, editor],
  );
}

export const textOf = (page, selector) => page.textContent(selector);

export async function waitForText(page, selector, expected) {
  await page.waitForFunction(
    ([s, e]) => document.querySelector(s).textContent === e,
    [selector, expected],
    { timeout: answerTime },
  );
}

// The program as an editor shows it, without the cost notes.
export const editorText = (page, editor = '#editor') =>
  page.$$eval(`${editor} .cm-line`, (lines) =>
    lines
      .map((line) => {
        const copy = line.cloneNode(true);
        for (const note of copy.querySelectorAll('.cm-cost-notes')) note.remove();
        return copy.textContent;
      })
      .join('\n')
      .replace(/\n$/, ''),
  );

// The legend of the plot, which is drawn a frame after the texts.
export async function plotLabels(page, expected) {
  await page.waitForFunction(
    (e) => JSON.stringify([...document.querySelectorAll('#plot .u-legend .u-label')].map((l) => l.textContent)) === e,
    JSON.stringify(expected),
    { timeout: answerTime },
  );
}
