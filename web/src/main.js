// The playground: an editor whose every edit goes to the engine (the
// analysis compiled to WebAssembly) and whose answer is shown as the exact
// total, the first error, a cost note on each line and a plot.
import { basicSetup } from 'codemirror';
import { EditorView, keymap, Decoration } from '@codemirror/view';
import { setDiagnostics, lintGutter } from '@codemirror/lint';
import { Engine } from './engine.js';
import { loopSyntax } from './language.js';
import { heatField, setHeat, heatDecorations } from './heatmap.js';
import { CostPlot } from './plot.js';
import { readFragment, fragmentOf } from './share.js';
import { byteToIndex } from './offsets.js';
import { examples } from './examples.js';

const debounce = 60; // ms after the last keystroke before the engine is asked
const fragmentDelay = 250; // ms; rewriting a long address on every key is wasted work

const $ = (id) => document.getElementById(id);
const ui = {
  cost: $('cost'),
  order: $('order'),
  diagnostics: $('diagnostics'),
  status: $('status'),
  add: $('add'),
  mul: $('mul'),
  modelError: $('model-error'),
  format: $('format'),
  share: $('share'),
  shareNote: $('share-note'),
  examples: $('examples'),
  log: $('log'),
  max: $('max'),
};

let version = 0; // of the program and model; an answer for an older one is not shown
let latest = null; // {answer, version} last shown
let askTimer = 0;
let fragmentTimer = 0;
let writtenFragment = '';

const plot = new CostPlot($('plot'));
const engine = new Engine(show, (busy) => {
  ui.status.textContent = busy ? 'working…' : '';
});

const view = new EditorView({
  parent: $('editor'),
  doc: '',
  extensions: [
    basicSetup,
    loopSyntax,
    heatField,
    lintGutter(),
    keymap.of([{ key: 'Alt-Shift-f', run: () => format() }]),
    EditorView.contentAttributes.of({ 'aria-label': 'Program' }),
    EditorView.updateListener.of((update) => {
      if (update.docChanged) changed();
    }),
  ],
});

function state() {
  return { program: view.state.doc.toString(), add: ui.add.value.trim(), mul: ui.mul.value.trim() };
}

function changed() {
  version++;
  clearTimeout(askTimer);
  askTimer = setTimeout(ask, debounce);
  clearTimeout(fragmentTimer);
  fragmentTimer = setTimeout(keepFragment, fragmentDelay);
}

function ask() {
  const { program, add, mul } = state();
  engine.analyse({ text: program, add, mul, version });
}

function keepFragment() {
  writtenFragment = fragmentOf(state());
  history.replaceState(null, '', writtenFragment);
}

function show(answer, request) {
  if (request.version !== version) return; // the text changed since; its own answer is coming
  latest = { answer, version };
  ui.cost.textContent = answer.ok ? answer.total : '';
  ui.order.textContent = answer.ok ? answer.order : '';
  showModelError(answer.modelError);
  const error = answer.error;
  ui.diagnostics.textContent = error ? `${error.line}:${error.column}: ${error.message}` : '';
  ui.format.disabled = !answer.ok;

  const doc = view.state.doc;
  const toIndex = byteToIndex(request.text);
  const diagnostics = [];
  for (const each of answer.errors || (error ? [error] : [])) {
    const from = Math.min(toIndex(each.offset), doc.length);
    const to = Math.min(toIndex(each.offset + each.length), doc.length);
    diagnostics.push({ from, to, severity: 'error', message: each.message });
  }
  const heat = answer.lines ? heatDecorations(doc, answer.lines) : Decoration.none;
  view.dispatch(setDiagnostics(view.state, diagnostics), { effects: setHeat.of(heat) });
  plot.setAnswer(answer);
}

function showModelError(modelError) {
  for (const field of ['add', 'mul']) {
    const invalid = modelError && modelError.field === field;
    ui[field].setAttribute('aria-invalid', invalid ? 'true' : 'false');
  }
  ui.modelError.textContent = modelError ? modelError.message : '';
}

function setProgram(text) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text } });
}

function format() {
  if (!latest || latest.version !== version || !latest.answer.ok) return false;
  const canonical = latest.answer.canonical;
  if (canonical !== view.state.doc.toString()) setProgram(canonical);
  return true;
}

function load({ program, add, mul }) {
  ui.add.value = add ?? '1';
  ui.mul.value = mul ?? '1';
  setProgram(program ?? examples[0].program);
  changed(); // the program may be the same and only the model new
}

async function copyLink() {
  keepFragment();
  const link = location.href;
  try {
    await navigator.clipboard.writeText(link);
    ui.shareNote.textContent = 'Link copied: it opens this program and model.';
  } catch {
    ui.shareNote.textContent = 'Copy this page’s address: it opens this program and model.';
  }
}

for (const [i, example] of examples.entries()) ui.examples.add(new Option(example.name, String(i)));
ui.examples.addEventListener('change', () => {
  const example = examples[Number(ui.examples.value)];
  if (example) setProgram(example.program);
  ui.examples.value = '';
  view.focus();
});
ui.format.addEventListener('click', () => format());
ui.share.addEventListener('click', copyLink);
ui.add.addEventListener('input', changed);
ui.mul.addEventListener('input', changed);
ui.log.addEventListener('change', () => plot.setLog(ui.log.checked));
ui.max.addEventListener('input', () => {
  const max = Math.round(Number(ui.max.value));
  if (Number.isFinite(max) && max >= 2 && max <= 100000) plot.setMax(max);
});
window.addEventListener('hashchange', () => {
  if (location.hash !== writtenFragment) load(readFragment(location.hash));
});

load(readFragment(location.hash));
