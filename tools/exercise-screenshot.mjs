// Takes the picture of an exercise in docs/: level 4, seed 7, with an answer
// that takes two loops in sequence as nested, so that the page shows the
// term that is off, its statement marked in the editor and the slip named,
// while the cost itself stays hidden. Needs the page built (make web).
//   node tools/exercise-screenshot.mjs [OUT] [PICTURE]   (OUT: build/web, PICTURE: docs/playground-exercise.png)
import { createRequire } from 'node:module';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const source = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const out = resolve(process.argv[2] || join(source, 'build', 'web'));
const picture = resolve(process.argv[3] || join(source, 'docs', 'playground-exercise.png'));
const { chromium } = createRequire(join(out, 'npm', 'node_modules', 'x'))('playwright-core');
const wait = { timeout: 20000 };

const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
try {
  const page = await browser.newPage({ viewport: { width: 1180, height: 640 }, deviceScaleFactor: 1 });
  await page.goto(`${pathToFileURL(join(out, 'index.html')).href}#exercise=7&level=4`);
  await page.waitForFunction(() => document.querySelector('#exercise-task').textContent.startsWith('Level 4, seed 7:'), null, wait);
  await page.getByRole('textbox', { name: 'Your answer' }).fill('40n^2 + 40n + 4');
  await page.waitForSelector('#answer .slip', wait);
  await page.evaluate(() => document.activeElement.blur());
  await page.screenshot({ path: picture });
  console.log(`exercise-screenshot: ${picture}`);
} finally {
  await browser.close();
}
