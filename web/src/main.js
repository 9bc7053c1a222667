// The playground: one editor, or two side by side while they are compared,
// whose every edit, cursor move and scroll goes to the engine (the analysis
// compiled to WebAssembly) as one question about all the page shows: the
// exact totals, every error, the cost notes of the lines in view, the
// statement under the cursor, the costs at n, which program is cheaper where,
// the sums of A's cost and its run for one n, and the plot. The page
// computes none of it.
import { basicSetup } from 'codemirror';
import { EditorView, keymap } from '@codemirror/view';
import { setDiagnostics, lintGutter } from '@codemirror/lint';
import { Engine } from './engine.js';
import { loopSyntax } from './language.js';
import { heatField, setHeat, heatDecorations } from './heatmap.js';
import { explainedField, setExplained, explainedDecorations, showExplanation } from './explain.js';
import { Panels, panelFields } from './panels.js';
import { AnswerField, answerMarksField, setAnswerMarks, answerDecorations } from './answer.js';
import { CostPlot } from './plot.js';
import { readFragment, fragmentOf, mostUnpacked } from './share.js';
import { byteToIndex, indexToByte } from './offsets.js';
import { examples } from './examples.js';
import { ExerciseMode } from './exercise.js';
import { measure } from './timing.js';

const fragmentDelay = 250; // ms; rewriting a long address on every key is wasted work
const busyDelay = 150; // ms an answer may take before the page says it is working
const names = ['A', 'B'];

const $ = (id) => document.getElementById(id);
const ui = {
  status: $('status'),
  add: $('add'),
  mul: $('mul'),
  modelError: $('model-error'),
  n: $('n'),
  nError: $('n-error'),
  format: $('format'),
  compare: $('compare'),
  share: $('share'),
  shareNote: $('share-note'),
  linkProblems: $('link-problems'),
  comparison: $('comparison'),
  explanation: $('explanation'),
  plotMarks: $('plot-marks'),
  log: $('log'),
  max: $('max'),
};
// what the page shows of each program
const shown = [
  { cost: $('cost'), order: $('order'), at: $('at'), diagnostics: $('diagnostics'), examples: $('examples') },
  { cost: $('cost-b'), order: $('order-b'), at: $('at-b'), diagnostics: $('diagnostics-b'), examples: $('examples-b') },
];

let version = 0; // of the programs and the model; an answer for an older one is not shown
let comparing = false;
let active = 0; // the program whose cursor is explained
let formatting = null; // the program to put in its canonical layout once the engine has it
let latest = null; // the last answer shown
let loading = false; // while a link's state is put in place, asked about once it all is
let opened = 0; // counts the addresses opened: only the newest is loaded
let fragmentTimer = 0;
let kept = 0; // counts the fragments being written: only the newest is
let writtenFragment = '';
let busyTimer = 0;
let shownExplanation = '';

const plot = new CostPlot($('plot'));
const exercise = new ExerciseMode({
  elements: {
    button: $('exercise'),
    level: $('level'),
    panel: $('exercise-panel'),
    task: $('exercise-task'),
    status: $('exercise-status'),
    reveal: $('reveal'),
    next: $('next'),
  },
  ask: () => {
    version++;
    ask();
  },
  put: (state) => {
    answerField.clear();
    loadState(state);
  },
  linkChanged: () => keepFragment(),
});
const answerField = new AnswerField($('answer'), () => ask());
const engine = new Engine(show, (busy) => {
  clearTimeout(busyTimer);
  if (busy) busyTimer = setTimeout(() => (ui.status.textContent = 'working…'), busyDelay);
  else ui.status.textContent = '';
});

function makeEditor(program, parent) {
  return new EditorView({
    parent,
    doc: '',
    extensions: [
      basicSetup,
      loopSyntax,
      heatField,
      explainedField,
      ...panelFields,
      answerMarksField,
      lintGutter(),
      keymap.of([{ key: 'Alt-Shift-f', run: () => format(program) }]),
      EditorView.contentAttributes.of({ 'aria-label': `Program ${names[program]}` }),
      EditorView.updateListener.of((update) => {
        if (update.focusChanged && update.view.hasFocus) active = program;
        if (update.docChanged) changed();
        else if (update.selectionSet || update.viewportChanged || update.focusChanged) ask();
      }),
    ],
  });
}
const editors = [makeEditor(0, $('editor')), makeEditor(1, $('editor-b'))];
const panels = new Panels(editors[0], $, () => ask());

// The text of an editor, made once for each state of its document.
const texts = new WeakMap();
function textOf(program) {
  const doc = editors[program].state.doc;
  let text = texts.get(doc);
  if (text === undefined) texts.set(doc, (text = doc.toString()));
  return text;
}

function changed() {
  version++;
  if (loading) return;
  ask();
  keepFragmentSoon();
}

// The address follows the state once typing pauses, when the page is idle:
// writing a long program into it takes a while.
const whenIdle = window.requestIdleCallback || ((callback) => setTimeout(callback));
function keepFragmentSoon() {
  clearTimeout(fragmentTimer);
  const link = opened; // a link opened meanwhile has its own state
  fragmentTimer = setTimeout(() => whenIdle(() => link === opened && keepFragment(), { timeout: 1000 }), fragmentDelay);
}

// One question about everything the page shows now; the engine answers only
// the newest.
function ask() {
  const started = performance.now();
  const asked = (program) => !exercise.waiting() && (program === 0 || comparing);
  const programs = editors.map((view, program) => {
    if (!asked(program)) return null;
    const { from, to } = view.viewport;
    const doc = view.state.doc;
    const cursor = program === active ? indexToByte(textOf(program), view.state.selection.main.head) : null;
    const lines = [doc.lineAt(from).number, doc.lineAt(to).number];
    return { lines, cursor, canonical: formatting === program, ...(program === 0 ? panels.question() : {}) };
  });
  if (programs[0] && answerField.text !== null) programs[0].expect = answerField.text; // checked against A
  engine.ask({
    version,
    add: ui.add.value.trim(),
    mul: ui.mul.value.trim(),
    texts: editors.map((view, program) => (asked(program) ? textOf(program) : null)),
    question: { programs, n: ui.n.value, compare: comparing, exercise: exercise.question() },
  });
  measure('loopcost:ask', started);
}

function state() {
  const exerciseLink = exercise.link();
  if (exerciseLink) return exerciseLink;
  const fragment = { program: textOf(0), add: ui.add.value.trim(), mul: ui.mul.value.trim() };
  if (comparing) fragment.second = textOf(1);
  if (ui.n.value !== ui.n.defaultValue) fragment.n = ui.n.value;
  return fragment;
}

// Once the address holds the page's own state, what was wrong with the link
// it was opened with no longer applies.
async function keepFragment() {
  const keeping = ++kept;
  const fragment = await fragmentOf(state());
  if (keeping !== kept) return;
  writtenFragment = fragment;
  history.replaceState(null, '', fragment);
  showLinkProblems([]);
}

function show(answer, request) {
  if (request.version !== version) return; // the text changed since; its own answer is coming
  const started = performance.now();
  latest = answer;
  const failure = answer.failure || null;
  const programs = answer.programs || [];
  showModelError(answer.modelError || null);
  ui.nError.textContent = answer.nError || '';
  ui.n.setAttribute('aria-invalid', answer.nError ? 'true' : 'false');
  editors.forEach((view, program) => showProgram(program, programs[program] || null, request.texts[program], failure));
  panels.show(programs[0] || null, request.texts[0], failure, answer.modelError || null);
  answerField.show(programs[0] || null, failure, request.question.programs[0]?.expect ?? null);

  const explained = programs[active] || null;
  const explanation = [explained && explained.explanation, comparing ? names[active] : '', Boolean(answer.modelError)];
  if (JSON.stringify(explanation) !== shownExplanation) {
    shownExplanation = JSON.stringify(explanation);
    showExplanation(ui.explanation, ...explanation);
  }
  const unsettled = comparing ? 'Both programs must be costed to be compared.' : '';
  ui.comparison.textContent = answer.comparison ? answer.comparison.text : unsettled;
  showPlot(programs, answer.comparison || null);
  ui.format.disabled = !(programs[active] && programs[active].ok);

  if (formatting !== null) {
    const program = programs[formatting];
    const canonical = program ? program.canonical : undefined;
    if (canonical !== undefined && canonical !== textOf(formatting)) setProgram(formatting, canonical);
    if (program || failure) formatting = null;
  }
  exercise.answered(answer.exercise, request.question.exercise);
  measure('loopcost:show', started);
}

function showProgram(program, answer, text, failure) {
  const view = editors[program];
  const place = shown[program];
  const ok = Boolean(answer && answer.ok);
  place.cost.textContent = ok ? answer.total : '';
  place.order.textContent = ok ? answer.order : '';
  const value = ok && answer.at !== null ? answer.at : '';
  if (place.at.textContent !== value) place.at.textContent = value; // it may have thousands of digits
  const error = failure ? { line: 1, column: 1, offset: 0, length: 0, message: failure } : answer && answer.error;
  place.diagnostics.textContent = error ? `${error.line}:${error.column}: ${error.message}` : '';
  if (text === null) return;

  const doc = view.state.doc;
  const toIndex = byteToIndex(text);
  const at = (offset) => Math.min(toIndex(offset), doc.length);
  const range = (offset, length) => [at(offset), at(offset + length)];
  const diagnostics = [];
  for (const each of failure ? [error] : answer.errors) {
    const [from, to] = range(each.offset, each.length);
    diagnostics.push({ from, to, severity: 'error', message: each.message });
  }
  const explanation = answer && program === active ? answer.explanation : null;
  const marked = explanation ? range(explanation.offset, explanation.end - explanation.offset) : [0, 0];
  const effects = [
    setHeat.of(heatDecorations(doc, answer ? answer.lines : [])),
    setExplained.of(explainedDecorations(...marked)),
    setAnswerMarks.of(answerDecorations(answer && program === 0 ? answer.expect : null, at, doc)),
  ];
  // a text without errors that had none keeps its (empty) set of them
  const errorsChanged = diagnostics.length > 0 || place.errors > 0;
  place.errors = diagnostics.length;
  view.dispatch(...(errorsChanged ? [setDiagnostics(view.state, diagnostics)] : []), { effects });
}

// The total of the program alone with what its loops add, or both totals
// with a mark where the cheaper one changes.
function showPlot(programs, comparison) {
  const [first, second] = programs;
  if (!comparing) {
    ui.plotMarks.textContent = '';
    if (!first || !first.ok) return plot.show([]);
    const parts = first.contributions.map((part) => ({ ...part, part: true }));
    return plot.show([{ label: 'total', coefficients: first.coefficients }, ...parts]);
  }
  const lines = [];
  if (first && first.ok) lines.push({ label: 'A', coefficients: first.coefficients });
  if (second && second.ok) lines.push({ label: 'B', coefficients: second.coefficients });
  const marks = comparison ? comparison.runs.slice(1).map((run) => ({ n: run.from, label: `n = ${run.from}` })) : [];
  const labels = marks.map((mark) => mark.label).join(', ');
  ui.plotMarks.textContent = marks.length ? `Marked where the cheaper one changes: ${labels}` : '';
  plot.show(lines, marks);
}

function showModelError(modelError) {
  for (const field of ['add', 'mul']) {
    const invalid = modelError && modelError.field === field;
    ui[field].setAttribute('aria-invalid', invalid ? 'true' : 'false');
  }
  ui.modelError.textContent = modelError ? modelError.message : '';
}

function setProgram(program, text) {
  const view = editors[program];
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text } });
}

function format(program = active) {
  if (!latest || !latest.programs || !latest.programs[program] || !latest.programs[program].ok) return false;
  formatting = program;
  ask();
  return true;
}

function setComparing(on) {
  comparing = on;
  document.body.classList.toggle('comparing', on);
  ui.compare.setAttribute('aria-pressed', String(on));
  for (const element of document.querySelectorAll('.second')) element.hidden = !on;
  if (!on && active === 1) active = 0;
}

// A link's state; an exercise's program comes from the engine.
function load(linked) {
  if (!exercise.open(linked)) loadState(linked);
}

// Each text is put in its place once, and the engine asked once about all.
function loadState({ program, add, mul, second, n }) {
  loading = true;
  ui.add.value = add ?? '1';
  ui.mul.value = mul ?? '1';
  ui.n.value = n ?? ui.n.defaultValue;
  setProgram(0, program ?? examples[0].program);
  if (second !== undefined) setProgram(1, second);
  setComparing(second !== undefined);
  loading = false;
  version++; // the programs may be the same and only the model new
  ask();
}

const nextTask = () => new Promise((resolve) => setTimeout(resolve));

// The state of an address. The address stays as it was opened until the
// state changes: writing a long one again would cost the browser as much as
// opening it.
async function openLink(hash) {
  const opening = ++opened;
  await nextTask(); // reading the link is a task apart from the page's start,
  const { state, problems } = await readFragment(hash);
  await nextTask(); // and so is putting what it holds in place
  if (opening !== opened) return;
  clearTimeout(fragmentTimer);
  kept++; // a fragment still being made is of the state before
  load(state);
  writtenFragment = hash;
  showLinkProblems(problems);
}

function linkFieldName(field) {
  switch (field) {
    case 'program': return comparing ? 'program A' : 'program';
    case 'second': return 'program B';
    case 'exercise': return 'exercise seed';
    case 'level': return 'exercise level';
    case 'add': return "cost of one '+'";
    case 'mul': return "cost of one '*'";
    default: return 'n';
  }
}

function linkReason({ reason, at }) {
  switch (reason) {
    case 'escape': return `its '%' escape at character ${at} is cut short or is not UTF-8`;
    case 'packed': return 'its compressed text is cut short or altered';
    case 'text': return 'it unpacks to bytes that are not UTF-8';
    default: return `it unpacks to more than ${mostUnpacked / (1024 * 1024)} MiB`;
  }
}

// What of the link could not be read, one line each: a program of it is
// left empty rather than shown as another, and a value stands in its field
// as the link has it, which the page then says is no number.
function showLinkProblems(problems) {
  if (problems.length === 0 && ui.linkProblems.hidden) return;
  ui.linkProblems.replaceChildren(
    ...problems.map((problem) => {
      const line = document.createElement('p');
      const program = problem.field === 'program' || problem.field === 'second';
      const left = program ? 'Its editor is left empty.' : "Its field shows the link's text.";
      line.textContent = `This link's ${linkFieldName(problem.field)} cannot be read: ${linkReason(problem)}. ${left}`;
      return line;
    }),
  );
  ui.linkProblems.hidden = problems.length === 0;
}

async function copyLink() {
  await keepFragment();
  const link = location.href;
  try {
    await navigator.clipboard.writeText(link);
    ui.shareNote.textContent = 'Link copied: it opens these programs and this model.';
  } catch {
    ui.shareNote.textContent = 'Copy this page’s address: it opens these programs and this model.';
  }
}

shown.forEach((place, program) => {
  for (const [i, example] of examples.entries()) place.examples.add(new Option(example.name, String(i)));
  place.examples.addEventListener('change', () => {
    const example = examples[Number(place.examples.value)];
    if (example) {
      exercise.stop(); // an example is no exercise
      setProgram(program, example.program);
    }
    place.examples.value = '';
    editors[program].focus();
  });
});
ui.format.addEventListener('click', () => format());
ui.compare.addEventListener('click', () => {
  setComparing(!comparing);
  // B starts as a copy of A, to be changed and compared
  if (comparing && editors[1].state.doc.length === 0) setProgram(1, textOf(0));
  changed();
});
ui.share.addEventListener('click', copyLink);
ui.add.addEventListener('input', changed);
ui.mul.addEventListener('input', changed);
ui.n.addEventListener('input', () => {
  ask();
  keepFragmentSoon();
});
ui.log.addEventListener('change', () => plot.setLog(ui.log.checked));
ui.max.addEventListener('input', () => {
  const max = Math.round(Number(ui.max.value));
  if (Number.isFinite(max) && max >= 2 && max <= 100000) plot.setMax(max);
});
window.addEventListener('hashchange', () => {
  if (location.hash !== writtenFragment) openLink(location.hash);
});

openLink(location.hash);
