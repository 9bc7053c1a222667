'use strict';
// The VS Code extension's files: its manifest, its language configuration,
// and its TextMate grammar, whose patterns are tried here as an editor tries
// them (at each place the match that starts first, the first pattern on a
// tie). Its regular expressions use nothing that JavaScript's lack.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');

const SOURCE = process.env.LOOPCOST_SOURCE || path.join(__dirname, '../..');
const dir = path.join(SOURCE, 'editors/vscode');
const json = (name) => JSON.parse(fs.readFileSync(path.join(dir, name), 'utf8'));

function tokenize(grammar, line) {
  const patterns = grammar.patterns.map((p) => ({ ...p, regex: new RegExp(p.match, 'dg') }));
  const tokens = [];
  for (let at = 0; at < line.length; ) {
    let best = null;
    for (const p of patterns) {
      p.regex.lastIndex = at;
      const m = p.regex.exec(line);
      if (m && m[0].length > 0 && (!best || m.index < best.m.index)) best = { p, m };
    }
    if (!best) break;
    const { p, m } = best;
    if (p.name) tokens.push([m[0], p.name]);
    for (const [group, capture] of Object.entries(p.captures || {}))
      if (m[group] !== undefined) tokens.push([m[group], capture.name]);
    at = m.index + m[0].length;
  }
  return tokens.map(([text, scope]) => `${text}=${scope.replace(/\.loopcost$/, '')}`);
}

test('the grammar colours keywords, counts, variables, operators and ;', () => {
  const grammar = json('syntaxes/loopcost.tmLanguage.json');
  assert.equal(grammar.scopeName, 'source.loopcost');
  assert.deepEqual(tokenize(grammar, 'BEGIN'), ['BEGIN=keyword.control.block']);
  assert.deepEqual(tokenize(grammar, '  LOOP n'), ['LOOP=keyword.control.loop', 'n=variable.language.count']);
  assert.deepEqual(tokenize(grammar, '  LOOP -3'), ['LOOP=keyword.control.loop', '-3=constant.numeric.integer']);
  assert.deepEqual(tokenize(grammar, '    a + b * n ;'), [
    'a=variable.other', '+=keyword.operator.arithmetic', 'b=variable.other',
    '*=keyword.operator.arithmetic', 'n=variable.other', ';=punctuation.terminator.statement',
  ]);
  assert.deepEqual(tokenize(grammar, 'END'), ['END=keyword.control.block']);
  assert.deepEqual(tokenize(grammar, 'ENDING'), []);
});

test('the manifest names the language, the grammar, the settings and a package script', () => {
  const manifest = json('package.json');
  const language = manifest.contributes.languages[0];
  assert.equal(language.id, 'loopcost');
  assert.deepEqual(language.extensions, ['.lc']);
  assert.ok(fs.existsSync(path.join(dir, language.configuration)));
  assert.ok(fs.existsSync(path.join(dir, manifest.contributes.grammars[0].path)));
  assert.ok(fs.existsSync(path.join(dir, manifest.main)));
  assert.ok(manifest.dependencies['vscode-languageclient']);
  assert.ok(manifest.scripts.package);
  const settings = Object.keys(manifest.contributes.configuration.properties);
  assert.deepEqual(settings.sort(), ['loopcost.addCost', 'loopcost.codeLens', 'loopcost.inlayHints', 'loopcost.mulCost', 'loopcost.path']);
  assert.deepEqual(manifest.contributes.semanticTokenModifiers.map((m) => m.id), ['costliest']);
  const configuration = json('language-configuration.json');
  new RegExp(configuration.wordPattern);
  new RegExp(configuration.indentationRules.increaseIndentPattern);
  assert.match('  LOOP n', new RegExp(configuration.indentationRules.increaseIndentPattern));
  assert.match('  END', new RegExp(configuration.indentationRules.decreaseIndentPattern));
});

test('the extension compiles and starts `loopcost --lsp` with the cost model', () => {
  const source = fs.readFileSync(path.join(dir, 'extension.js'), 'utf8');
  new vm.Script(source, { filename: 'extension.js' });
  // run it against stand-ins for vscode and vscode-languageclient
  const started = [];
  class LanguageClient {
    constructor(id, name, server, client) {
      started.push({ id, server, client });
    }
    start() {
      return Promise.resolve();
    }
    stop() {}
  }
  const settings = { path: '/opt/loopcost', addCost: '0.5', mulCost: 2, codeLens: false, inlayHints: true };
  const fakes = {
    vscode: { workspace: { getConfiguration: () => ({ get: (key) => settings[key] }) } },
    'vscode-languageclient/node': { LanguageClient, TransportKind: { stdio: 0 } },
  };
  const module = { exports: {} };
  vm.runInNewContext(source, { require: (name) => fakes[name], module, exports: module.exports });
  const context = { subscriptions: [] };
  return module.exports.activate(context).then(() => {
    assert.equal(started.length, 1);
    const plain = (x) => JSON.parse(JSON.stringify(x)); // made in another context
    assert.deepEqual(plain(started[0].server), { command: '/opt/loopcost', args: ['--lsp'], transport: 0 });
    assert.deepEqual(plain(started[0].client.initializationOptions), { addCost: '0.5', mulCost: 2, codeLens: false, inlayHints: true });
    assert.equal(started[0].client.synchronize.configurationSection, 'loopcost');
  });
});
