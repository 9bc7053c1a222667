// Bundles the page's script and style with esbuild and writes OUT/index.html
// with both inlined, and the engine (OUT/engine.js, its WebAssembly inlined
// by emscripten, then worker.js) beside them. The scripts go in as the text
// of elements that the browser does not run as they stand (index.html): the
// page's is compiled off the page's thread, the engine's runs in its worker
// only, so that the page's thread neither parses nor compiles 600 KB of it.
//   node web/assemble.mjs OUT
import { readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const out = resolve(process.argv[2] || 'build/web');
const modules = join(out, 'npm', 'node_modules');
const esbuild = createRequire(join(modules, 'x'))('esbuild');

const engine = readFileSync(join(out, 'engine.js'), 'utf8') + '\n' + readFileSync(join(here, 'src', 'worker.js'), 'utf8');

// Packages that the page needs only once an answer is shown (the sums are
// typeset, the plot drawn): each is evaluated the first time it is used, or
// once the page is idle after starting, not with the rest of the page's
// script, whose first run is the page's longest task. Each has one export,
// which a stand-in passes every use on to.
const deferred = ['temml', 'uplot'];
const standIn = (name) => `
let loaded = null;
const load = () => {
  if (loaded === null) {
    const exports = require('now:${name}');
    loaded = exports && exports.__esModule ? exports.default : exports; // an ES module's, or CommonJS's
  }
  return loaded;
};
(self.requestIdleCallback || setTimeout)(load);
export default new Proxy(function () {}, {
  get: (_, key) => load()[key],
  construct: (_, args) => Reflect.construct(load(), args),
  apply: (_, self, args) => Reflect.apply(load(), self, args),
});`;
const deferModules = {
  name: 'defer-modules',
  setup(build) {
    build.onResolve({ filter: new RegExp(`^(${deferred.join('|')})$`) }, (args) =>
      args.pluginData === 'now' ? undefined : { path: args.path, namespace: 'deferred' },
    );
    build.onLoad({ filter: /.*/, namespace: 'deferred' }, (args) => ({ contents: standIn(args.path), resolveDir: join(here, 'src') }));
    // the package itself, as require() loads it: evaluated when first required
    build.onResolve({ filter: /^now:/ }, (args) => build.resolve(args.path.slice(4), { kind: 'require-call', resolveDir: args.resolveDir, pluginData: 'now' }));
  },
};

const common = { bundle: true, minify: true, write: false, nodePaths: [modules], logLevel: 'warning', legalComments: 'none' };
const [script, style] = await Promise.all([
  esbuild.build({ ...common, entryPoints: [join(here, 'src', 'main.js')], format: 'iife', target: 'es2020', plugins: [deferModules] }),
  esbuild.build({ ...common, entryPoints: [join(here, 'src', 'style.css')] }),
]);
const js = script.outputFiles[0].text;
const css = style.outputFiles[0].text;

// An inline script ends at the first "</script" in it, whatever quotes it
// is in, and "<!--" in it can make the parser pass over the end: esbuild
// escapes those in the bundle, and this makes sure, of the engine's text too,
// which goes in as it is.
if (/<\/script|<!--/i.test(js) || /<\/script|<!--/i.test(engine) || /<\/style/i.test(css)) {
  console.error('web: the bundle or the engine holds text that would end its inline element early');
  process.exit(1);
}
const page = readFileSync(join(here, 'src', 'index.html'), 'utf8')
  .replace('/*STYLE*/', () => css)
  .replace('/*ENGINE*/', () => engine)
  .replace('/*SCRIPT*/', () => js);
writeFileSync(join(out, 'index.html'), page);
console.log(`web: ${join(out, 'index.html')} (${Math.round(page.length / 1024)} KiB)`);
