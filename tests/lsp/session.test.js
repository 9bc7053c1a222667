'use strict';
// Whole sessions of `loopcost --lsp` from a real client library
// (vscode-jsonrpc and vscode-languageserver-protocol), one server per test.
// LOOPCOST names the server binary. They check what is answered; how soon
// is for `make bench` (bench/lspsession.cpp).

const test = require('node:test');
const assert = require('node:assert/strict');
const { spawn, execFileSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const rpc = require('vscode-jsonrpc/node');
const lsp = require('vscode-languageserver-protocol/node');

const LOOPCOST = process.env.LOOPCOST || path.join(__dirname, '../../build/bin/loopcost');
const SOURCE = process.env.LOOPCOST_SOURCE || path.join(__dirname, '../..');
const NESTED = fs.readFileSync(path.join(SOURCE, 'examples/nested.lc'), 'utf8');
const URI = 'file:///work/program.lc';

// Every server started, so that a failed test leaves none running.
const children = [];
test.after(() => {
  for (const child of children) if (child.exitCode === null && child.signalCode === null) child.kill('SIGKILL');
});

// The server, a connection to it, and every byte it wrote.
function start(args = ['--lsp']) {
  const child = spawn(LOOPCOST, args, { stdio: ['pipe', 'pipe', 'pipe'] });
  children.push(child);
  const out = [];
  const err = [];
  child.stdout.on('data', (d) => out.push(d));
  child.stderr.on('data', (d) => err.push(d));
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
  return {
    child,
    exited,
    stdout: () => Buffer.concat(out),
    stderr: () => Buffer.concat(err).toString(),
  };
}

function connect(args) {
  const server = start(args);
  const connection = lsp.createProtocolConnection(
    new rpc.StreamMessageReader(server.child.stdout),
    new rpc.StreamMessageWriter(server.child.stdin),
  );
  const published = new Map(); // uri -> { queue, waiters }
  const slot = (uri) => {
    if (!published.has(uri)) published.set(uri, { queue: [], waiters: [] });
    return published.get(uri);
  };
  connection.onNotification(lsp.PublishDiagnosticsNotification.type, (params) => {
    const s = slot(params.uri);
    if (s.waiters.length) s.waiters.shift()(params);
    else s.queue.push(params);
  });
  const refreshes = [];
  connection.onRequest(lsp.InlayHintRefreshRequest.type, () => {
    refreshes.push(Date.now());
    return null;
  });
  const messages = [];
  connection.onNotification(lsp.ShowMessageNotification.type, (params) => messages.push(params));
  connection.listen();
  return {
    ...server,
    connection,
    refreshes,
    messages,
    // the next diagnostics published for `uri`
    diagnostics(uri = URI) {
      const s = slot(uri);
      if (s.queue.length) return Promise.resolve(s.queue.shift());
      return new Promise((resolve) => s.waiters.push(resolve));
    },
    async initialize(capabilities = {}, initializationOptions = undefined) {
      const result = await connection.sendRequest(lsp.InitializeRequest.type, {
        processId: process.pid,
        rootUri: null,
        capabilities,
        initializationOptions,
      });
      connection.sendNotification(lsp.InitializedNotification.type, {});
      return result;
    },
    open(text, uri = URI, version = 1) {
      connection.sendNotification(lsp.DidOpenTextDocumentNotification.type, {
        textDocument: { uri, languageId: 'loopcost', version, text },
      });
    },
    change(contentChanges, version, uri = URI) {
      connection.sendNotification(lsp.DidChangeTextDocumentNotification.type, {
        textDocument: { uri, version },
        contentChanges,
      });
    },
    hover(line, character, uri = URI) {
      return connection.sendRequest(lsp.HoverRequest.type, { textDocument: { uri }, position: { line, character } });
    },
    async stop() {
      await connection.sendRequest(lsp.ShutdownRequest.type);
      connection.sendNotification(lsp.ExitNotification.type);
      const end = await server.exited;
      connection.dispose();
      return end;
    },
  };
}

// Every byte of `bytes` is a frame whose body is a JSON-RPC message.
function frames(bytes) {
  const messages = [];
  let at = 0;
  while (at < bytes.length) {
    const text = bytes.subarray(at, at + 64).toString('latin1');
    const m = /^Content-Length: (\d+)\r\n\r\n/.exec(text);
    assert.ok(m, `a frame at byte ${at}: ${JSON.stringify(text)}`);
    const start = at + m[0].length;
    const body = JSON.parse(bytes.subarray(start, start + Number(m[1])).toString('utf8'));
    assert.equal(body.jsonrpc, '2.0');
    messages.push(body);
    at = start + Number(m[1]);
  }
  return messages;
}

function framed(body) {
  const bytes = Buffer.from(typeof body === 'string' ? body : JSON.stringify(body), 'utf8');
  return Buffer.concat([Buffer.from(`Content-Length: ${bytes.length}\r\n\r\n`, 'ascii'), bytes]);
}

// A server fed raw bytes; its messages read back by the client library.
function raw(args) {
  const server = start(args);
  const reader = new rpc.StreamMessageReader(server.child.stdout);
  const messages = [];
  let wake = null;
  reader.listen((m) => {
    messages.push(m);
    if (wake) wake();
  });
  return {
    ...server,
    messages,
    write(bytes) {
      server.child.stdin.write(bytes);
    },
    // waits until a message with this id has come
    async answer(id) {
      for (;;) {
        const found = messages.find((m) => m.id === id && !('method' in m));
        if (found) return found;
        await new Promise((resolve) => {
          wake = resolve;
        });
      }
    },
    async errorsWithoutId(count) {
      for (;;) {
        const found = messages.filter((m) => m.id === null && m.error);
        if (found.length >= count) return found;
        await new Promise((resolve) => {
          wake = resolve;
        });
      }
    },
  };
}

const request = (id, method, params = {}) => ({ jsonrpc: '2.0', id, method, params });
const notification = (method, params = {}) => ({ jsonrpc: '2.0', method, params });
const range = (l1, c1, l2, c2) => ({ start: { line: l1, character: c1 }, end: { line: l2, character: c2 } });

// Applies LSP text edits (ranges in UTF-16) to a text, as an editor would.
function applyEdits(text, edits) {
  const offset = (p) => {
    const lines = text.split(/(?<=\r\n|\n|\r(?!\n))/);
    let o = 0;
    for (let i = 0; i < p.line && i < lines.length; ++i) o += lines[i].length;
    const line = (lines[p.line] || '').replace(/\r?\n$|\r$/, '');
    return o + Math.min(p.character, line.length);
  };
  const sorted = [...edits].sort((a, b) => offset(b.range.start) - offset(a.range.start));
  for (const e of sorted) text = text.slice(0, offset(e.range.start)) + e.newText + text.slice(offset(e.range.end));
  return text;
}

test('initialize answers the capabilities and negotiates the position encoding', async () => {
  const s = connect();
  const result = await s.initialize();
  const c = result.capabilities;
  assert.equal(c.positionEncoding, 'utf-16');
  assert.equal(c.hoverProvider, true);
  assert.equal(c.inlayHintProvider, true);
  assert.equal(c.documentSymbolProvider, true);
  assert.equal(c.documentFormattingProvider, true);
  assert.deepEqual(c.textDocumentSync, { openClose: true, change: lsp.TextDocumentSyncKind.Incremental });
  assert.equal(result.serverInfo.name, 'loopcost');
  assert.deepEqual(await s.stop(), { code: 0, signal: null });

  const t = connect(['--stdio', '--lsp']);
  const r8 = await t.initialize({ general: { positionEncodings: ['utf-8', 'utf-16'] } });
  assert.equal(r8.capabilities.positionEncoding, 'utf-8');
  assert.deepEqual(await t.stop(), { code: 0, signal: null });
});

test('diagnostics with ranges, a fix that clears them, and didClose', async () => {
  const s = connect();
  await s.initialize();
  const text = fs.readFileSync(path.join(SOURCE, 'examples/typo.lc'), 'utf8');
  s.open(text);
  let d = await s.diagnostics();
  assert.equal(d.version, 1);
  assert.equal(d.diagnostics.length, 1);
  assert.deepEqual(d.diagnostics[0].range, range(2, 12, 2, 13));
  assert.equal(d.diagnostics[0].severity, lsp.DiagnosticSeverity.Error);
  assert.equal(d.diagnostics[0].source, 'loopcost');
  assert.match(d.diagnostics[0].message, /found '2'/);

  s.change([{ range: range(2, 12, 2, 13), text: 'd' }], 2); // incremental
  d = await s.diagnostics();
  assert.equal(d.version, 2);
  assert.deepEqual(d.diagnostics, []);

  s.change([{ text: 'BEGIN\n  LOOP n\n    a ;\nEND\n' }], 3); // the whole text
  d = await s.diagnostics();
  assert.equal(d.version, 3);
  assert.deepEqual(d.diagnostics[0].range, range(4, 0, 4, 0));
  assert.match(d.diagnostics[0].message, /unexpected end of input: BEGIN at 1:1 is not closed/);

  s.connection.sendNotification(lsp.DidCloseTextDocumentNotification.type, { textDocument: { uri: URI } });
  d = await s.diagnostics();
  assert.deepEqual(d.diagnostics, []);
  assert.deepEqual(await s.stop(), { code: 0, signal: null });
});

test('columns count UTF-16 code units, or bytes where UTF-8 was agreed', async () => {
  const text = '\uFEFFBEGIN a + b * 2 ; \u{1D44E} ; END';
  for (const [encodings, start, wide] of [
    [undefined, 15, [19, 21]],
    [['utf-8'], 17, [21, 25]],
  ]) {
    const s = connect();
    await s.initialize(encodings ? { general: { positionEncodings: encodings } } : {});
    s.open(text);
    let d = await s.diagnostics();
    assert.deepEqual(d.diagnostics[0].range, range(0, start, 0, start + 1));
    s.change([{ range: range(0, start, 0, start + 1), text: 'c' }], 2);
    d = await s.diagnostics();
    // now the 4-byte character after the BOM is the error, wide as it is
    assert.deepEqual(d.diagnostics[0].range, range(0, wide[0], 0, wide[1]));
    s.change([{ range: range(0, wide[0], 0, wide[1]), text: 'e' }], 3);
    d = await s.diagnostics();
    assert.deepEqual(d.diagnostics, []);
    const hover = await s.hover(0, wide[0]);
    assert.match(hover.contents.value, /`e ;`/);
    await s.stop();
  }
});

test('hover: a statement, a loop, BEGIN and END, under the initial cost model', async () => {
  const s = connect();
  await s.initialize({}, { addCost: 2, mulCost: '4' });
  s.open(NESTED);
  await s.diagnostics();
  const statement = await s.hover(2, 10); // a + b * c ;
  assert.equal(statement.contents.kind, 'markdown');
  assert.match(statement.contents.value, /`a \+ b \* c ;`/);
  assert.match(statement.contents.value, /cost: `6 \* n\^1`/);
  assert.match(statement.contents.value, /share of the total as n grows: 0%/);
  assert.match(statement.contents.value, /additions: `n\^1`/);
  assert.match(statement.contents.value, /multiplications: `n\^1`/);
  assert.deepEqual(statement.range, range(2, 8, 2, 19));
  const inner = await s.hover(5, 16); // w * w * z + x * y ; inside LOOP 3, LOOP n
  assert.match(inner.contents.value, /cost: `42 \* n\^2`/);
  assert.match(inner.contents.value, /share of the total as n grows: 77.8%/);
  assert.match(inner.contents.value, /additions: `3 \* n\^2`/);
  assert.match(inner.contents.value, /multiplications: `9 \* n\^2`/);
  const loop = await s.hover(3, 9); // LOOP 3
  assert.match(loop.contents.value, /\*\*Loop\*\* `LOOP 3`/);
  assert.match(loop.contents.value, /cost of the whole loop: `42 \* n\^2 \+ 12 \* n\^1`/);
  assert.match(loop.contents.value, /77.8%/);
  assert.match(loop.contents.value, /additions: `3 \* n\^2`/); // its body's, repeated
  assert.match(loop.contents.value, /multiplications: `9 \* n\^2 \+ 3 \* n\^1`/);
  const loopEnd = await s.hover(8, 9); // the END of LOOP 3
  assert.match(loopEnd.contents.value, /`LOOP 3`/);
  for (const [line, character] of [[0, 2], [15, 1]]) {
    const program = await s.hover(line, character);
    assert.match(program.contents.value, /total cost: `54 \* n\^2 \+ 28 \* n\^1 \+ 6`/);
    assert.match(program.contents.value, /order of growth: `O\(n\^2\)`/);
  }
  assert.equal(await s.hover(2, 2), null); // white space
  await s.stop();
});

test('inlay hints: one per statement and loop, at the end of its line, as the CLI annotates', async () => {
  const s = connect();
  await s.initialize({}, { addCost: 2, mulCost: 4 });
  s.open(NESTED);
  await s.diagnostics();
  const hints = await s.connection.sendRequest(lsp.InlayHintRequest.type, {
    textDocument: { uri: URI },
    range: range(0, 0, 16, 0),
  });
  const annotated = execFileSync(LOOPCOST, ['--annotate', '--add-cost', '2', '--mul-cost', '4'], { input: NESTED })
    .toString()
    .split('\n')
    .filter((l) => l.includes('#') && !l.includes('total:'))
    .map((l) => l.replace(/.*# /, ''));
  assert.deepEqual(hints.map((h) => h.label), annotated);
  const lines = NESTED.split('\n');
  for (const h of hints) assert.equal(h.position.character, lines[h.position.line].length);
  const some = await s.connection.sendRequest(lsp.InlayHintRequest.type, {
    textDocument: { uri: URI },
    range: range(4, 0, 5, 100),
  });
  assert.deepEqual(some.map((h) => h.position.line), [4, 5]);
  await s.stop();
});

test('document symbols: one per LOOP, nested, with the cost as detail', async () => {
  const s = connect();
  await s.initialize({ textDocument: { documentSymbol: { hierarchicalDocumentSymbolSupport: true } } });
  s.open(NESTED);
  await s.diagnostics();
  const symbols = await s.connection.sendRequest(lsp.DocumentSymbolRequest.type, { textDocument: { uri: URI } });
  const shape = (list) => list.map((x) => [x.name, x.detail, shape(x.children)]);
  assert.deepEqual(shape(symbols), [
    ['LOOP n', '15 * n^2 + 9 * n^1', [
      ['LOOP 3', '12 * n^2 + 3 * n^1', [['LOOP n', '12 * n^2', []]]],
      ['LOOP n', '3 * n^2', []],
    ]],
  ]);
  assert.deepEqual(symbols[0].range, range(1, 4, 13, 7));
  assert.deepEqual(symbols[0].selectionRange, range(1, 4, 1, 10));
  await s.stop();
});

test('formatting gives the canonical layout; a text that does not read gets no edits', async () => {
  const s = connect();
  await s.initialize();
  const messy = 'BEGIN a*a*b; LOOP n LOOP n c+d+e*f; END END r*s+u*v; END';
  s.open(messy);
  await s.diagnostics();
  const options = { tabSize: 4, insertSpaces: true };
  const edits = await s.connection.sendRequest(lsp.DocumentFormattingRequest.type, { textDocument: { uri: URI }, options });
  const canonical = execFileSync(LOOPCOST, ['--format'], { input: messy }).toString();
  assert.equal(applyEdits(messy, edits), canonical);
  s.change([{ text: canonical }], 2);
  await s.diagnostics();
  assert.deepEqual(await s.connection.sendRequest(lsp.DocumentFormattingRequest.type, { textDocument: { uri: URI }, options }), []);
  s.change([{ text: 'BEGIN a*; END' }], 3);
  await s.diagnostics();
  assert.deepEqual(await s.connection.sendRequest(lsp.DocumentFormattingRequest.type, { textDocument: { uri: URI }, options }), []);
  await s.stop();
});

test('a configuration change re-costs the open documents and refreshes the hints', async () => {
  const s = connect();
  await s.initialize({ workspace: { inlayHint: { refreshSupport: true } } });
  s.open(NESTED);
  s.open('BEGIN LOOP n a * b ; END END', 'file:///work/other.lc');
  await s.diagnostics();
  await s.diagnostics('file:///work/other.lc');
  assert.match((await s.hover(0, 1)).contents.value, /total cost: `15 \* n\^2 \+ 9 \* n\^1 \+ 2`/);
  s.connection.sendNotification(lsp.DidChangeConfigurationNotification.type, {
    settings: { loopcost: { addCost: 0.5, mulCost: '1e-1' } },
  });
  // both documents are costed again and published again
  assert.deepEqual((await s.diagnostics()).diagnostics, []);
  assert.deepEqual((await s.diagnostics('file:///work/other.lc')).diagnostics, []);
  assert.match((await s.hover(0, 1)).contents.value, /total cost: `2.7 \* n\^2 \+ 2.5 \* n\^1 \+ 0.6`/);
  assert.match((await s.hover(0, 1, 'file:///work/other.lc')).contents.value, /total cost: `0.1 \* n\^1`/);
  assert.equal(s.refreshes.length, 1);
  // a value that is not a number is named, and changes nothing
  s.connection.sendNotification(lsp.DidChangeConfigurationNotification.type, { settings: { loopcost: { mulCost: true } } });
  assert.match((await s.hover(0, 1)).contents.value, /`\*` costs 0.1/);
  assert.equal(s.messages.length, 1);
  assert.match(s.messages[0].message, /mulCost must be a decimal number/);
  await s.stop();
});

test('faults: before initialize, unknown methods, $/cancelRequest, shutdown and exit', async () => {
  const s = connect();
  await assert.rejects(s.hover(0, 0), (e) => e.code === lsp.ErrorCodes.ServerNotInitialized);
  await s.initialize();
  await assert.rejects(s.connection.sendRequest('loopcost/noSuchRequest', {}), (e) => e.code === lsp.ErrorCodes.MethodNotFound);
  s.connection.sendNotification('loopcost/noSuchNotification', { x: 1 });
  s.connection.sendNotification('$/cancelRequest', { id: 12345 });
  s.connection.sendNotification('$/setTrace', { value: 'off' });
  s.open('BEGIN a ; END');
  assert.deepEqual((await s.diagnostics()).diagnostics, []);
  await s.connection.sendRequest(lsp.ShutdownRequest.type);
  await assert.rejects(s.hover(0, 0), (e) => e.code === lsp.ErrorCodes.InvalidRequest);
  s.connection.sendNotification(lsp.ExitNotification.type);
  assert.deepEqual(await s.exited, { code: 0, signal: null });

  const t = connect();
  await t.initialize();
  t.connection.sendNotification(lsp.ExitNotification.type);
  assert.deepEqual(await t.exited, { code: 1, signal: null });

  const u = raw(); // the input ends without exit
  u.write(framed(request(1, 'initialize', { capabilities: {} })));
  await u.answer(1);
  u.child.stdin.end();
  assert.deepEqual(await u.exited, { code: 1, signal: null });
});

test('faults: malformed JSON, a missing header, wrong lengths; the server goes on', async () => {
  const s = raw();
  s.write(framed(request(1, 'initialize', { capabilities: {} })));
  await s.answer(1);
  s.write(framed('{"jsonrpc": "2.0", "id": 2, "method": "shutdown"'));
  let errors = await s.errorsWithoutId(1);
  assert.equal(errors[0].error.code, lsp.ErrorCodes.ParseError);
  s.write('{"jsonrpc": "2.0", "id": 3, "method": "shutdown"}'); // no header at all
  errors = await s.errorsWithoutId(2);
  assert.equal(errors[1].error.code, lsp.ErrorCodes.ParseError);
  s.write('Content-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n{}'); // no Content-Length
  errors = await s.errorsWithoutId(3);
  const body = JSON.stringify(request(4, 'textDocument/hover', { textDocument: { uri: URI }, position: { line: 0, character: 0 } }));
  // too short: the body is cut and does not parse; the next message is read
  s.write(`Content-Length: ${body.length - 5}\r\n\r\n${body}`);
  s.write(framed(request(5, 'textDocument/hover', { textDocument: { uri: URI }, position: { line: 0, character: 0 } })));
  assert.equal((await s.answer(5)).result, null);
  // too long: the body runs into the next message, which is found inside it
  const six = framed(request(6, 'textDocument/hover', { textDocument: { uri: URI }, position: { line: 0, character: 0 } }));
  s.write(Buffer.concat([Buffer.from(`Content-Length: ${body.length + 30}\r\n\r\n${body}`), six, framed(request(7, 'shutdown'))]));
  assert.equal((await s.answer(6)).result, null);
  assert.equal((await s.answer(7)).result, null);
  assert.equal(s.messages.filter((m) => m.id === 4).length, 0);
  errors = await s.errorsWithoutId(5);
  assert.ok(errors.every((e) => e.error.code === lsp.ErrorCodes.ParseError));
  s.write(framed(notification('exit')));
  assert.deepEqual(await s.exited, { code: 0, signal: null });
  frames(s.stdout());
  assert.equal(s.stderr(), '');
});

test('faults: nothing but protocol messages reaches stdout, whatever the documents', async () => {
  const s = connect();
  await s.initialize();
  const broken = ['', 'BEGIN', 'BEGIN a + ; END', 'BEGIN LOOP x a ; END END', 'BEGIN a ; END END', '\u00e9\u0000\uFFFD', 'LOOP n'];
  broken.forEach((text, i) => s.open(text, `file:///work/broken${i}.lc`));
  for (let i = 0; i < broken.length; ++i) {
    const d = await s.diagnostics(`file:///work/broken${i}.lc`);
    assert.ok(d.diagnostics.length >= 1, broken[i]); // every error: a text that is not a program may have several
  }
  await s.stop();
  const messages = frames(s.stdout());
  assert.ok(messages.length >= broken.length + 2);
  assert.equal(s.stderr(), '');
});

test('a 2 MB document: diagnosed, with an error at its end, changed and hovered', async () => {
  const s = connect();
  await s.initialize();
  const block = '  LOOP n\n    a + b * c ;\n    LOOP 3\n      d * e + f ;\n    END\n  END\n';
  const count = Math.ceil(2e6 / block.length);
  const good = 'BEGIN\n' + block.repeat(count) + 'END\n';
  const bad = 'BEGIN\n' + block.repeat(count) + '  a + ;\nEND\n';
  s.open(good, 'file:///work/big.lc');
  assert.deepEqual((await s.diagnostics('file:///work/big.lc')).diagnostics, []);
  s.open(bad, 'file:///work/bad.lc');
  const d = await s.diagnostics('file:///work/bad.lc');
  assert.deepEqual(d.diagnostics[0].range.start, { line: 1 + count * 6, character: 6 });
  // a keystroke in the big document: an incremental change, costed again
  s.change([{ range: range(2, 4, 2, 5), text: 'z' }], 2, 'file:///work/big.lc');
  assert.deepEqual((await s.diagnostics('file:///work/big.lc')).diagnostics, []);
  const hover = await s.hover(2, 6, 'file:///work/big.lc');
  assert.match(hover.contents.value, /\*\*Statement\*\* `z \+ b \* c ;`/);
  await s.stop();
});

test('a burst of 500 changes to a 4 MB document, each its own message, then a hover', async (t) => {
  const s = connect();
  await s.initialize();
  const block = '  LOOP n\n    a + b * c ;\n  END\n';
  const count = Math.ceil(4e6 / block.length);
  s.open('BEGIN\n' + block.repeat(count) + 'END\n');
  await s.diagnostics();
  // scattered over the document, lines made and unmade: each statement
  // changed gets a new line and a variable, which the last changes take back
  const chosen = new Set();
  for (let i = 0; chosen.size < 250; ++i) chosen.add(2 + 3 * ((i * 7919) % count));
  // from the end, so that the lines before a change stay where they are
  const lines = [...chosen].sort((x, y) => y - x);
  let version = 1;
  for (const line of lines) s.change([{ range: range(line, 4, line, 5), text: 'x\n    y' }], ++version);
  // each line now lies one further down for every line split before it
  lines.forEach((line, k) => s.change([{ range: range(line + 249 - k, 5, line + 250 - k, 4), text: ' + ' }], ++version));
  const hover = await s.hover(lines[249], 4);
  assert.match(hover.contents.value, /\*\*Statement\*\* `x \+ y \+ b \* c ;`/);
  assert.match(hover.contents.value, /cost: `3 \* n\^1`/);
  // published whenever no more input waited: the last version at the end
  let d = await s.diagnostics();
  let published = 1;
  for (; d.version !== 501; ++published) {
    assert.ok(d.version < 501);
    d = await s.diagnostics();
  }
  t.diagnostic(`${published} publications for 500 changes`);
  assert.deepEqual(d.diagnostics, []);
  const program = await s.hover(0, 1);
  assert.match(program.contents.value, new RegExp(`total cost: \`${2 * count + 250} \\* n\\^1\``));
  await s.stop();
});

test('faults: numbers beyond a double, negative positions, two lengths; the server goes on', async () => {
  const s = raw();
  s.write(framed('{"jsonrpc":"2.0","id":1e400,"method":"initialize","params":{}}'));
  let errors = await s.errorsWithoutId(1);
  assert.equal(errors[0].error.code, lsp.ErrorCodes.ParseError);
  s.write(framed(request(1, 'initialize', { capabilities: {} })));
  await s.answer(1);
  s.write(framed(notification('textDocument/didOpen', { textDocument: { uri: URI, languageId: 'loopcost', version: 1, text: 'BEGIN a ; END' } })));
  s.write(framed(`{"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":{"textDocument":{"uri":"${URI}"},"position":{"line":-1e400,"character":0}}}`));
  assert.equal((await s.answer(2)).error.code, lsp.ErrorCodes.InvalidParams);
  s.write(framed(request(3, 'textDocument/hover', { textDocument: { uri: URI }, position: { line: -1, character: 0 } })));
  assert.equal((await s.answer(3)).error.code, lsp.ErrorCodes.InvalidParams);
  const four = JSON.stringify(request(4, 'textDocument/hover', { textDocument: { uri: URI }, position: { line: 0, character: 6 } }));
  s.write(`Content-Length: ${four.length}\r\nContent-Length: ${four.length + 1}\r\n\r\n${four}`);
  errors = await s.errorsWithoutId(2);
  assert.match(errors[1].error.message, /disagree/);
  s.write(`Content-Length: ${four.length}\r\nContent-Length: ${four.length}\r\n\r\n${four}`);
  assert.match((await s.answer(4)).result.contents.value, /`a ;`/);
  assert.equal(s.messages.filter((m) => m.id === 4).length, 1);
  s.write(framed(request(5, 'shutdown')));
  await s.answer(5);
  s.write(framed(notification('exit')));
  assert.deepEqual(await s.exited, { code: 0, signal: null });
  assert.equal(s.stderr(), '');
});

test('faults: a document nested 100000 deep gets a nesting error, without a crash', async () => {
  const s = connect();
  await s.initialize({ textDocument: { documentSymbol: { hierarchicalDocumentSymbolSupport: true } } });
  const deep = 'BEGIN\n' + 'LOOP n\n'.repeat(100000) + 'a ;\n' + 'END\n'.repeat(100001);
  s.open(deep);
  const d = await s.diagnostics();
  assert.equal(d.diagnostics[0].message, 'loops nested deeper than 1000');
  assert.deepEqual(d.diagnostics[0].range, range(1001, 0, 1001, 4));
  // the loops that read are symbols, nested as they are; those too deep are not
  let tree = await s.connection.sendRequest(lsp.DocumentSymbolRequest.type, { textDocument: { uri: URI } });
  let levels = 0;
  for (; tree.length; tree = tree[0].children) ++levels;
  assert.equal(levels, 1000);
  // 1000 deep reads: symbols nest 1000 deep
  s.change([{ text: 'BEGIN\n' + 'LOOP 2\n'.repeat(1000) + 'a + a ;\n' + 'END\n'.repeat(1001) }], 2);
  assert.deepEqual((await s.diagnostics()).diagnostics, []);
  let symbols = await s.connection.sendRequest(lsp.DocumentSymbolRequest.type, { textDocument: { uri: URI } });
  let depth = 0;
  for (; symbols.length; symbols = symbols[0].children) ++depth;
  assert.equal(depth, 1000);
  assert.match((await s.hover(1001, 0)).contents.value, /additions: `1071508607186267320948425049060001810561404811705533607443750388370351051124936122493198378815695858127594672917553146825187145285692314043598457757469857480393456777482423098542107460506237114187795418215304647498358194126739876755916554394607706291457119647768654216766042983165262438683720566806937\d*`/);
  await s.stop();
});

test('faults: random bytes never end the server', async () => {
  const s = raw();
  let seed = 12345;
  const random = () => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed;
  };
  const pieces = ['Content-Length: ', '\r\n', '\r\n\r\n', '{', '}', '"', '[', ']', ':', ',', 'jsonrpc', '"method"', '"id"', '12', 'initialize', 'textDocument/didOpen'];
  for (let round = 0; round < 200; ++round) {
    const parts = [];
    for (let i = 0; i < 50; ++i) {
      const r = random();
      if (r % 3 === 0) parts.push(Buffer.from(pieces[r % pieces.length]));
      else parts.push(Buffer.from([r % 256, (r >> 8) % 256]));
    }
    s.write(Buffer.concat(parts));
  }
  // whatever state the garbage left, a header line end and a few messages get through
  s.write('\r\n\r\n');
  for (let i = 0; i < 3; ++i) s.write(framed(request(100 + i, 'initialize', { capabilities: {} })));
  const answer = await Promise.race([s.answer(100), s.answer(101), s.answer(102)]);
  assert.ok(answer);
  s.write(framed(request(200, 'shutdown')));
  await s.answer(200);
  s.write(framed(notification('exit')));
  assert.deepEqual(await s.exited, { code: 0, signal: null });
  frames(s.stdout());
});
