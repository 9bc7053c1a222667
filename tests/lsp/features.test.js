'use strict';
// Sessions of `loopcost --lsp` for what an editor asks beyond hover and
// hints: quick fixes (each applied and the text read back), folding ranges,
// highlights, selection ranges, code lenses, semantic tokens, completion,
// range formatting and pulled diagnostics, on programs written out here and
// on programs generated with their loops' lines known.

const test = require('node:test');
const assert = require('node:assert/strict');
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const rpc = require('vscode-jsonrpc/node');
const lsp = require('vscode-languageserver-protocol/node');

const LOOPCOST = process.env.LOOPCOST || path.join(__dirname, '../../build/bin/loopcost');
const SOURCE = process.env.LOOPCOST_SOURCE || path.join(__dirname, '../..');
const NESTED = fs.readFileSync(path.join(SOURCE, 'examples/nested.lc'), 'utf8');
const URI = 'file:///work/features.lc';

const children = [];
test.after(() => {
  for (const child of children) if (child.exitCode === null && child.signalCode === null) child.kill('SIGKILL');
});

const SNIPPETS = { textDocument: { completion: { completionItem: { snippetSupport: true } } } };

// A server and a connection; each document opened gets a fresh uri.
async function session(capabilities = SNIPPETS, initializationOptions = undefined) {
  const child = spawn(LOOPCOST, ['--lsp'], { stdio: ['pipe', 'pipe', 'inherit'] });
  children.push(child);
  const connection = lsp.createProtocolConnection(
    new rpc.StreamMessageReader(child.stdout),
    new rpc.StreamMessageWriter(child.stdin),
  );
  const refreshes = [];
  for (const method of ['workspace/codeLens/refresh', 'workspace/inlayHint/refresh', 'workspace/semanticTokens/refresh'])
    connection.onRequest(method, () => {
      refreshes.push(method);
      return null;
    });
  const messages = [];
  connection.onNotification(lsp.ShowMessageNotification.type, (m) => messages.push(m));
  const published = [];
  let onPublish = null;
  connection.onNotification(lsp.PublishDiagnosticsNotification.type, (p) => {
    published.push(p);
    if (onPublish) onPublish();
  });
  connection.listen();
  const init = await connection.sendRequest(lsp.InitializeRequest.type, {
    processId: process.pid,
    rootUri: null,
    capabilities,
    initializationOptions,
  });
  connection.sendNotification(lsp.InitializedNotification.type, {});
  let documents = 0;
  const ask = (method, params) => connection.sendRequest(method, params);
  return {
    init,
    refreshes,
    published,
    // the diagnostics pushed for `uri`, once they come
    async pushed(uri) {
      for (;;) {
        const found = published.find((p) => p.uri === uri);
        if (found) return found;
        await new Promise((resolve) => {
          onPublish = resolve;
        });
      }
    },
    messages,
    ask,
    open(text) {
      const uri = `file:///work/doc${++documents}.lc`;
      connection.sendNotification(lsp.DidOpenTextDocumentNotification.type, {
        textDocument: { uri, languageId: 'loopcost', version: 1, text },
      });
      return { uri };
    },
    // the errors of a text, read back by the server
    async errors(text) {
      return (await ask('textDocument/diagnostic', { textDocument: this.open(text) })).items;
    },
    configure(settings) {
      connection.sendNotification(lsp.DidChangeConfigurationNotification.type, { settings });
    },
    async stop() {
      await ask(lsp.ShutdownRequest.type);
      connection.sendNotification(lsp.ExitNotification.type);
      await new Promise((resolve) => child.on('exit', resolve));
      connection.dispose();
    },
  };
}

const pos = (line, character) => ({ line, character });
const range = (l1, c1, l2, c2) => ({ start: pos(l1, c1), end: pos(l2, c2) });
const EVERYWHERE = range(0, 0, 100000, 0);

// Offsets of positions in a text (UTF-16, as the default encoding has it).
function offsetOf(text, p) {
  const lines = text.split(/(?<=\r\n|\n|\r(?!\n))/);
  let o = 0;
  for (let i = 0; i < p.line && i < lines.length; ++i) o += lines[i].length;
  const line = (lines[p.line] || '').replace(/\r?\n$|\r$/, '');
  return o + Math.min(p.character, line.length);
}

function applyEdits(text, edits) {
  const sorted = [...edits].sort((a, b) => offsetOf(text, b.range.start) - offsetOf(text, a.range.start));
  for (const e of sorted) text = text.slice(0, offsetOf(text, e.range.start)) + e.newText + text.slice(offsetOf(text, e.range.end));
  return text;
}
const slice = (text, r) => text.slice(offsetOf(text, r.start), offsetOf(text, r.end));

// Every fix of every error of `text`, applied, and the errors of the result.
async function everyFix(s, text) {
  const doc = s.open(text);
  const before = (await s.ask('textDocument/diagnostic', { textDocument: doc })).items;
  const results = [];
  for (const d of before) {
    const actions = await s.ask('textDocument/codeAction', { textDocument: doc, range: d.range, context: { diagnostics: [d] } });
    for (const action of actions.filter((a) => a.diagnostics[0].message === d.message)) {
      assert.equal(action.kind, 'quickfix');
      const mended = applyEdits(text, action.edit.changes[doc.uri]);
      results.push({ diagnostic: d, action, mended, after: await s.errors(mended) });
    }
  }
  return { before, results };
}

test('the capabilities name every feature', async () => {
  const s = await session();
  const c = s.init.capabilities;
  assert.deepEqual(c.codeActionProvider, { codeActionKinds: ['quickfix'] });
  for (const key of ['foldingRangeProvider', 'documentHighlightProvider', 'selectionRangeProvider', 'documentRangeFormattingProvider'])
    assert.equal(c[key], true, key);
  assert.ok(c.codeLensProvider && c.completionProvider);
  assert.deepEqual(c.semanticTokensProvider.legend.tokenTypes, ['keyword', 'number', 'variable', 'operator']);
  assert.deepEqual(c.semanticTokensProvider.legend.tokenModifiers, ['costliest']);
  assert.equal(c.semanticTokensProvider.full, true);
  assert.equal(c.semanticTokensProvider.range, true);
  assert.deepEqual(c.diagnosticProvider, { interFileDependencies: false, workspaceDiagnostics: false });
  await s.stop();
});

test('quick fixes: each one applied leaves one error fewer, and the half-typed statement reads', async () => {
  const s = await session();
  const cases = [
    // a statement half typed at the end: ';' and both ENDs
    ['BEGIN\n  LOOP n\n    a + b * c +', 'End the statement with \';\' and close what is open with 2 ENDs',
      'BEGIN\n  LOOP n\n    a + b * c ;\n  END\nEND'],
    ['BEGIN\n  LOOP n\n    a + b * c +\n  END\nEND\n', 'End the statement with \';\' in place of the \'+\' after it',
      'BEGIN\n  LOOP n\n    a + b * c ;\n  END\nEND\n'],
    ['BEGIN\n  a + b\n  LOOP 3\n    c ;\n  END\nEND\n', 'End the statement with \';\'', 'BEGIN\n  a + b ;\n  LOOP 3\n    c ;\n  END\nEND\n'],
    ['BEGIN\n  a b ;\nEND', 'Insert \'*\' between \'a\' and \'b\'', 'BEGIN\n  a * b ;\nEND'],
    ['BEGIN\n  a b ;\nEND', 'Insert \'+\' between \'a\' and \'b\'', 'BEGIN\n  a + b ;\nEND'],
    ['BEGIN ab c ; END', 'Insert \'*\' between the variables side by side', 'BEGIN a * b * c ; END'],
    ['BEGIN\r\n  LOOP n\r\n    a ;\r\n', 'Insert the 2 missing ENDs', 'BEGIN\r\n  LOOP n\r\n    a ;\r\n  END\r\nEND\r\n'],
    ['BEGIN LOOP n a ; END END END\n', 'Remove the stray END after the closing END', 'BEGIN LOOP n a ; END END\n'],
    ['BEGIN LOOP n a ; END; END', 'Remove the \';\' after END', 'BEGIN LOOP n a ; END END'],
    ['BEGIN LOOPn a ; END END', 'Put a blank between LOOP and \'n\'', 'BEGIN LOOP n a ; END END'],
    ['BEGIN LOOP n a ; ENDEND', 'Put a blank between END and \'END\'', 'BEGIN LOOP n a ; END END'],
  ];
  for (const [text, title, expected] of cases) {
    const { before, results } = await everyFix(s, text);
    const fix = results.find((r) => r.action.title === title);
    assert.ok(fix, `${JSON.stringify(text)}: no '${title}' among ${JSON.stringify(results.map((r) => r.action.title))}`);
    assert.equal(fix.mended, expected);
    assert.ok(fix.after.length < before.length, JSON.stringify(fix.after));
  }
  // several errors at once: each fix takes its own away and leaves the others
  const several = 'BEGIN\n  a b ;\n  LOOP n\n    c d + ;\n    e + f\n  END;\n  LOOP3 g ; END\nEND END\n';
  const { before, results } = await everyFix(s, several);
  assert.deepEqual(before.map((d) => d.range.start.line), [1, 3, 5, 5, 6, 7]);
  // every error has a fix but 'c d + ;', which one edit does not mend
  assert.deepEqual([...new Set(results.map((r) => r.diagnostic.message))].length, 5);
  assert.ok(!results.some((r) => r.diagnostic.range.start.line === 3));
  for (const r of results) {
    assert.ok(r.after.length < before.length, `${r.action.title}: ${JSON.stringify(r.after)}`);
    assert.ok(!r.after.some((d) => d.message === r.diagnostic.message), r.action.title);
  }
  // no fix is offered that would not mend: a statement with two faults
  assert.deepEqual((await everyFix(s, 'BEGIN a b + ; END')).results, []);
  await s.stop();
});

// A program of random loops and statements, the lines of each loop known.
function generate(seed, lines = 30) {
  let state = seed;
  const random = (n) => {
    state = (state * 1103515245 + 12345) % 2147483648;
    return state % n;
  };
  const out = ['BEGIN'];
  const loops = [];
  const open = [];
  while (out.length < lines || open.length) {
    const indent = '  '.repeat(open.length + 1);
    const r = random(10);
    if (out.length < lines && r < 3 && open.length < 6) {
      open.push({ start: out.length, column: indent.length, hasBody: false });
      out.push(`${indent}LOOP ${random(2) ? 'n' : random(5) + 1}`);
    } else if (open.length && open[open.length - 1].hasBody && (r < 5 || out.length >= lines)) {
      const loop = open.pop();
      loop.end = out.length;
      loop.endColumn = indent.length - 2;
      loops.push(loop);
      out.push(`${indent.slice(2)}END`);
    } else {
      if (open.length) open[open.length - 1].hasBody = true;
      const ops = random(4);
      let statement = 'abcdefgh'[random(8)];
      for (let i = 0; i < ops; ++i) statement += ` ${random(2) ? '+' : '*'} ${'abcdefgh'[random(8)]}`;
      out.push(`${indent}${statement} ;`);
    }
  }
  out.push('END');
  return { text: out.join('\n') + '\n', loops: loops.sort((a, b) => a.start - b.start) };
}

test('folding ranges and highlights match the loops of generated programs', async () => {
  const s = await session();
  for (let seed = 1; seed <= 25; ++seed) {
    const { text, loops } = generate(seed);
    const doc = s.open(text);
    assert.deepEqual((await s.ask('textDocument/diagnostic', { textDocument: doc })).items, [], text);
    const folds = await s.ask('textDocument/foldingRange', { textDocument: doc });
    assert.deepEqual(
      folds.map((f) => [f.startLine, f.endLine]).sort((a, b) => a[0] - b[0]),
      loops.map((l) => [l.start, l.end - 1]),
    );
    for (const loop of loops) {
      const both = [range(loop.start, loop.column, loop.start, loop.column + 4), range(loop.end, loop.endColumn, loop.end, loop.endColumn + 3)];
      for (const at of [pos(loop.start, loop.column + 2), pos(loop.end, loop.endColumn), pos(loop.end, loop.endColumn + 3)]) {
        const highlights = await s.ask('textDocument/documentHighlight', { textDocument: doc, position: at });
        assert.deepEqual(highlights.map((h) => h.range), both, `seed ${seed} at ${JSON.stringify(at)}`);
      }
    }
  }
  const doc = s.open(NESTED);
  assert.deepEqual((await s.ask('textDocument/documentHighlight', { textDocument: doc, position: pos(0, 3) })).map((h) => h.range),
    [range(0, 0, 0, 5), range(15, 0, 15, 3)]);
  assert.deepEqual(await s.ask('textDocument/documentHighlight', { textDocument: doc, position: pos(2, 10) }), []);
  // a loop left open folds nothing and highlights its LOOP alone
  const open = s.open('BEGIN\n  LOOP n\n    a ;\n');
  assert.deepEqual(await s.ask('textDocument/foldingRange', { textDocument: open }), []);
  assert.deepEqual((await s.ask('textDocument/documentHighlight', { textDocument: open, position: pos(1, 3) })).map((h) => h.range),
    [range(1, 2, 1, 6)]);
  await s.stop();
});

test('selection ranges: statement, loop, enclosing loop, program', async () => {
  const s = await session();
  const doc = s.open(NESTED);
  const [inner, blank, outside] = await s.ask('textDocument/selectionRange', {
    textDocument: doc,
    positions: [pos(5, 17), pos(4, 0), pos(99, 99)],
  });
  const chain = (r) => (r ? [r.range, ...chain(r.parent)] : []);
  assert.deepEqual(chain(inner), [
    range(5, 16, 5, 17), // the variable w
    range(5, 16, 5, 35), // w * w * z + x * y ;
    range(4, 12, 6, 15), // LOOP n
    range(3, 8, 8, 11), // LOOP 3
    range(1, 4, 13, 7), // LOOP n
    range(0, 0, 15, 3), // the program
  ]);
  assert.deepEqual(chain(blank), [range(3, 8, 8, 11), range(1, 4, 13, 7), range(0, 0, 15, 3)]);
  assert.deepEqual(chain(outside), [range(16, 0, 16, 0)]); // after the program: the place alone
  await s.stop();
});

test('code lenses: each loop\'s cost and share; loopcost.codeLens and loopcost.inlayHints turn them off', async () => {
  const s = await session({ workspace: { codeLens: { refreshSupport: true }, inlayHint: { refreshSupport: true } } });
  const doc = s.open(NESTED);
  const lenses = await s.ask('textDocument/codeLens', { textDocument: doc });
  assert.deepEqual(lenses.map((l) => [l.range.start.line, l.command.title]), [
    [1, '15 * n^2 + 9 * n^1 \u00b7 100%'],
    [3, '12 * n^2 + 3 * n^1 \u00b7 80%'],
    [4, '12 * n^2 \u00b7 80%'],
    [10, '3 * n^2 \u00b7 20%'],
  ]);
  assert.deepEqual(lenses[0].range, range(1, 4, 1, 10));
  // with errors there is no total, and so no share; a loop that does not read has no lens
  const broken = s.open('BEGIN LOOP n a * b ; END LOOP x c ; END d e ; END');
  assert.deepEqual((await s.ask('textDocument/codeLens', { textDocument: broken })).map((l) => l.command.title), ['n^1']);
  const hints = () => s.ask('textDocument/inlayHint', { textDocument: doc, range: EVERYWHERE });
  const count = (await hints()).length;
  assert.ok(count > 0);
  s.configure({ loopcost: { codeLens: false, inlayHints: false } });
  assert.deepEqual(await s.ask('textDocument/codeLens', { textDocument: doc }), []);
  assert.deepEqual(await hints(), []);
  assert.deepEqual(s.refreshes.sort(), ['workspace/codeLens/refresh', 'workspace/inlayHint/refresh']);
  s.configure({ loopcost: { codeLens: 'yes', inlayHints: null } });
  assert.deepEqual(await s.ask('textDocument/codeLens', { textDocument: doc }), []);
  assert.equal((await hints()).length, count);
  assert.match(s.messages[0].message, /codeLens must be true or false, not "yes"; it stays false/);
  await s.stop();
  const off = await session({}, { codeLens: false });
  assert.deepEqual(await off.ask('textDocument/codeLens', { textDocument: off.open(NESTED) }), []);
  await off.stop();
});

// The tokens of a semantic tokens answer, as [text, type, modifiers].
function decode(text, legend, data) {
  const lines = text.split('\n');
  const tokens = [];
  let line = 0;
  let character = 0;
  for (let i = 0; i < data.length; i += 5) {
    line += data[i];
    character = data[i] === 0 ? character + data[i + 1] : data[i + 1];
    const modifiers = legend.tokenModifiers.filter((_, bit) => data[i + 4] & (1 << bit));
    tokens.push([lines[line].substr(character, data[i + 2]), legend.tokenTypes[data[i + 3]], ...modifiers]);
  }
  return tokens;
}

test('semantic tokens: keywords, counts, variables, operators, and the costliest statements marked', async () => {
  const s = await session();
  const legend = s.init.capabilities.semanticTokensProvider.legend;
  const text = 'BEGIN\n  LOOP n\n    LOOP -3 a+b ; END\n  END\n  c * d ;\n  e;LOOPx 2 f ; END\nEND';
  const doc = s.open(text);
  const full = await s.ask('textDocument/semanticTokens/full', { textDocument: doc });
  assert.deepEqual(decode(text, legend, full.data), [
    ['BEGIN', 'keyword'], ['LOOP', 'keyword'], ['n', 'number'],
    ['LOOP', 'keyword'], ['-3', 'number'], // a count below 0 stands for n
    ['a', 'variable', 'costliest'], ['+', 'operator', 'costliest'], ['b', 'variable', 'costliest'], ['END', 'keyword'],
    ['END', 'keyword'],
    ['c', 'variable'], ['*', 'operator'], ['d', 'variable'],
    ['e', 'variable'], ['f', 'variable'], ['END', 'keyword'], ['END', 'keyword'],
  ]);
  const costly = s.open(NESTED);
  const marked = decode(NESTED, legend, (await s.ask('textDocument/semanticTokens/full', { textDocument: costly })).data)
    .filter((t) => t.length === 3);
  assert.equal(marked.map((t) => t[0]).join(''), 'w*w*z+x*ya*a*a*a'); // the n^2 statements
  const part = await s.ask('textDocument/semanticTokens/range', { textDocument: costly, range: range(5, 0, 6, 0) });
  assert.deepEqual(decode(NESTED, legend, part.data).map((t) => t[0]).join(''), 'w*w*z+x*y');
  const reversed = await s.ask('textDocument/semanticTokens/range', { textDocument: costly, range: range(6, 0, 5, 0) });
  assert.deepEqual(reversed, part);
  await s.stop();
});

test('completion: BEGIN first, keywords and the loop snippet where a statement may begin, nothing elsewhere', async () => {
  const s = await session();
  const labels = async (text, at, session = s) =>
    (await session.ask('textDocument/completion', { textDocument: session.open(text), position: at })).map((i) => i.label);
  assert.deepEqual(await labels('', pos(0, 0)), ['BEGIN', 'BEGIN \u2026 END']);
  assert.deepEqual(await labels('BEGIN\n  a ;\n  \nEND', pos(2, 2)), ['LOOP', 'END', 'LOOP n \u2026 END']);
  assert.deepEqual(await labels('BEGIN\n  LOOP 3\n    LO', pos(2, 6)), ['LOOP', 'END', 'LOOP n \u2026 END']);
  assert.deepEqual(await labels('BEGIN\n  a + ', pos(1, 6)), []); // inside a statement
  assert.deepEqual(await labels('BEGIN\n  LOOP ', pos(1, 7)), []); // a count comes next
  assert.deepEqual(await labels('BEGIN a ; END\n', pos(1, 0)), []); // after the program
  const items = await s.ask('textDocument/completion', { textDocument: s.open('BEGIN\n  LO'), position: pos(1, 4) });
  const snippet = items.find((i) => i.kind === lsp.CompletionItemKind.Snippet);
  assert.equal(snippet.insertTextFormat, lsp.InsertTextFormat.Snippet);
  assert.deepEqual(snippet.textEdit, { range: range(1, 2, 1, 4), newText: 'LOOP ${1:n}\n\t$0\nEND' });
  await s.stop();
  const plain = await session({});
  const item = (await plain.ask('textDocument/completion', { textDocument: plain.open('BEGIN a ; '), position: pos(0, 10) }))[2];
  assert.equal(item.insertTextFormat, undefined);
  assert.equal(item.textEdit.newText, 'LOOP n\nEND');
  await plain.stop();
});

test('range formatting lays out the whole statements and loops in the range, and only them', async () => {
  const s = await session();
  const messy = 'BEGIN\n  a*b;\n  LOOP n c+d; LOOP 3 e*f;\n  END END\n  g  +h ;\nEND\n';
  const doc = s.open(messy);
  const format = (r) => s.ask('textDocument/rangeFormatting', { textDocument: doc, range: r, options: { tabSize: 2, insertSpaces: true } });
  // a range inside the loop: the statements it touches
  let edits = await format(range(2, 9, 2, 12));
  assert.equal(applyEdits(messy, edits), 'BEGIN\n  a*b;\n  LOOP n c + d ; LOOP 3 e*f;\n  END END\n  g  +h ;\nEND\n');
  edits = await format(range(2, 9, 2, 20));
  assert.equal(applyEdits(messy, edits), 'BEGIN\n  a*b;\n  LOOP n c + d ;\n    LOOP 3\n      e * f ;\n    END END\n  g  +h ;\nEND\n');
  // from the first statement into the loop: both, whole, and the other lines stay
  edits = await format(range(3, 0, 1, 3));
  assert.equal(applyEdits(messy, edits), 'BEGIN\n  a * b ;\n  LOOP n\n    c + d ;\n    LOOP 3\n      e * f ;\n    END\n  END\n  g  +h ;\nEND\n');
  // formatted already, or an error among the statements: no edits
  const canonical = s.open('BEGIN\n  a * b ;\nEND\n');
  assert.deepEqual(await s.ask('textDocument/rangeFormatting', { textDocument: canonical, range: EVERYWHERE, options: {} }), []);
  const broken = s.open('BEGIN a*b; c d ; e+f; END');
  assert.deepEqual(await s.ask('textDocument/rangeFormatting', { textDocument: broken, range: EVERYWHERE, options: {} }), []);
  edits = await s.ask('textDocument/rangeFormatting', { textDocument: broken, range: range(0, 6, 0, 9), options: {} });
  assert.deepEqual(edits, [{ range: range(0, 6, 0, 10), newText: 'a * b ;' }]);
  await s.stop();
});

test('pulled diagnostics are the pushed ones; a client that pulls gets none pushed', async () => {
  const text = 'BEGIN\n  a b ;\n  LOOP x\n    c ;\n  END\n  d +';
  const s = await session();
  const doc = s.open(text);
  const pushed = await s.pushed(doc.uri);
  const pulled = await s.ask('textDocument/diagnostic', { textDocument: doc });
  assert.equal(pulled.kind, 'full');
  assert.deepEqual(pulled.items, pushed.diagnostics);
  assert.deepEqual(pulled.items.map((d) => slice(text, d.range)), ['b', 'x', '']);
  assert.match(pulled.items[2].message, /expected ';' to end the statement at 6:3/);
  await s.stop();
  const pulling = await session({ textDocument: { diagnostic: { dynamicRegistration: false } } });
  const other = pulling.open(text);
  assert.deepEqual((await pulling.ask('textDocument/diagnostic', { textDocument: other })).items, pulled.items);
  // the server was idle after that answer: what it would push came before the next
  await pulling.ask('textDocument/foldingRange', { textDocument: other });
  assert.deepEqual(pulling.published, []);
  await pulling.stop();
});

test('faults: unopened and empty documents, positions out of range, reversed ranges, missing parameters', async () => {
  const s = await session();
  const nowhere = { uri: 'file:///nowhere.lc' };
  assert.deepEqual(await s.ask('textDocument/codeAction', { textDocument: nowhere, range: EVERYWHERE, context: { diagnostics: [] } }), []);
  assert.deepEqual(await s.ask('textDocument/semanticTokens/full', { textDocument: nowhere }), { data: [] });
  assert.deepEqual(await s.ask('textDocument/diagnostic', { textDocument: nowhere }), { kind: 'full', items: [] });
  for (const text of ['', '\uFEFF', 'BEGIN', 'END', 'LOOP', '\u00e9\u0000;', 'BEGIN a ; END END']) {
    const doc = s.open(text);
    const far = pos(2 ** 31, 2 ** 31);
    for (const [method, params] of [
      ['textDocument/codeAction', { range: { start: far, end: pos(0, 0) }, context: { diagnostics: [], only: ['quickfix'] } }],
      ['textDocument/foldingRange', {}],
      ['textDocument/documentHighlight', { position: far }],
      ['textDocument/selectionRange', { positions: [far, pos(0, 0)] }],
      ['textDocument/codeLens', {}],
      ['textDocument/semanticTokens/full', {}],
      ['textDocument/semanticTokens/range', { range: { start: far, end: pos(0, 0) } }],
      ['textDocument/completion', { position: far }],
      ['textDocument/rangeFormatting', { range: { start: far, end: pos(0, 0) }, options: {} }],
      ['textDocument/diagnostic', {}],
    ])
      await s.ask(method, { textDocument: doc, ...params });
    const actions = await s.ask('textDocument/codeAction', { textDocument: doc, range: EVERYWHERE, context: { diagnostics: [] } });
    for (const action of actions) assert.ok((await s.errors(applyEdits(text, action.edit.changes[doc.uri]))).length < (await s.errors(text)).length);
  }
  // a client that asks for other kinds of action gets no quick fixes
  const doc = s.open('BEGIN a b ; END');
  assert.deepEqual(await s.ask('textDocument/codeAction', { textDocument: doc, range: EVERYWHERE, context: { diagnostics: [], only: ['refactor'] } }), []);
  for (const method of ['textDocument/codeAction', 'textDocument/documentHighlight', 'textDocument/selectionRange', 'textDocument/completion', 'textDocument/rangeFormatting', 'textDocument/semanticTokens/range'])
    await assert.rejects(s.ask(method, { textDocument: doc }), (e) => e.code === lsp.ErrorCodes.InvalidParams, method);
  await s.stop();
});
