// Takes the picture of the playground's sums and run in docs/: the nested
// example, its run for n = 2 a few steps in, and the Σ of LOOP 3 pointed at,
// so that the editor shows both marks. Needs the page built (make web).
//   node tools/panels-screenshot.mjs [OUT] [PICTURE]   (OUT: build/web, PICTURE: docs/playground-panels.png)
import { createRequire } from 'node:module';
import { readFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const source = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const out = resolve(process.argv[2] || join(source, 'build', 'web'));
const picture = resolve(process.argv[3] || join(source, 'docs', 'playground-panels.png'));
const { chromium } = createRequire(join(out, 'npm', 'node_modules', 'x'))('playwright-core');
const program = readFileSync(join(source, 'examples', 'nested.lc'), 'utf8');
const wait = { timeout: 20000 };

const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
try {
  const page = await browser.newPage({ viewport: { width: 1180, height: 1000 }, deviceScaleFactor: 1 });
  await page.goto(`${pathToFileURL(join(out, 'index.html')).href}#program=${encodeURIComponent(program)}`);
  await page.waitForSelector('#derivation math', wait);
  for (let step = 0; step < 5; step++) {
    await page.getByRole('button', { name: 'Step', exact: true }).click();
    await page.waitForFunction(() => {
      const state = document.querySelector('#stepping');
      return state.dataset.asked === state.dataset.applied;
    }, null, wait);
  }
  // clicked, the Σ keeps its loop marked once the pointer has left it
  await page.click('#derivation .derivation-sum >> nth=1');
  await page.waitForSelector('#editor .cm-sum-loop', wait);
  await page.mouse.move(0, 0);
  await page.evaluate(() => document.activeElement.blur()); // the mark stays, the focus ring goes
  await page.screenshot({ path: picture });
  console.log(`panels-screenshot: ${picture}`);
} finally {
  await browser.close();
}
