// Bundles the page's script and style with esbuild and writes OUT/index.html
// with both inlined, the engine (OUT/engine.js, its WebAssembly inlined by
// emscripten) carried inside the script as the text of its worker.
//   node web/assemble.mjs OUT
import { readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const out = resolve(process.argv[2] || 'build/web');
const modules = join(out, 'npm', 'node_modules');
const esbuild = createRequire(join(modules, 'x'))('esbuild');

const engineWorker = {
  name: 'engine-worker',
  setup(build) {
    build.onResolve({ filter: /^virtual:engine-worker$/ }, (args) => ({ path: args.path, namespace: 'engine' }));
    build.onLoad({ filter: /.*/, namespace: 'engine' }, () => ({
      contents: readFileSync(join(out, 'engine.js'), 'utf8') + '\n' + readFileSync(join(here, 'src', 'worker.js'), 'utf8'),
      loader: 'text',
    }));
  },
};

const common = { bundle: true, minify: true, write: false, nodePaths: [modules], logLevel: 'warning', legalComments: 'none' };
const [script, style] = await Promise.all([
  esbuild.build({ ...common, entryPoints: [join(here, 'src', 'main.js')], format: 'iife', target: 'es2020', plugins: [engineWorker] }),
  esbuild.build({ ...common, entryPoints: [join(here, 'src', 'style.css')] }),
]);
const js = script.outputFiles[0].text;
const css = style.outputFiles[0].text;

// An inline script ends at the first "</script" in it, whatever quotes it
// is in; esbuild escapes those, and this makes sure.
if (/<\/script|<!--/i.test(js) || /<\/style/i.test(css)) {
  console.error('web: the bundle holds text that would end its inline element early');
  process.exit(1);
}
const page = readFileSync(join(here, 'src', 'index.html'), 'utf8')
  .replace('/*STYLE*/', () => css)
  .replace('/*SCRIPT*/', () => js);
writeFileSync(join(out, 'index.html'), page);
console.log(`web: ${join(out, 'index.html')} (${Math.round(page.length / 1024)} KiB)`);
