// The program run for one small n, a statement at a time: the engine keeps
// the run (analysis/trace.h) and takes the page's actions; the panel shows
// what runs next, marked in the editor, each loop under way with its counter
// ("2 of 3", also beside its LOOP), and the additions, multiplications and
// cost so far beside the cost at n.
import { RangeSet, StateEffect, StateField } from '@codemirror/state';
import { Decoration, EditorView, WidgetType } from '@codemirror/view';

export const setStepMarks = StateEffect.define();

export const stepField = StateField.define({
  create: () => Decoration.none,
  update(marks, tr) {
    for (const effect of tr.effects) if (effect.is(setStepMarks)) return effect.value;
    return tr.docChanged ? marks.map(tr.changes) : marks;
  },
  provide: (field) => EditorView.decorations.from(field),
});

class CounterWidget extends WidgetType {
  constructor(text) {
    super();
    this.text = text;
  }
  eq(other) {
    return other.text === this.text;
  }
  toDOM() {
    const note = document.createElement('span');
    note.className = 'cm-step-counter';
    note.textContent = this.text;
    return note;
  }
  ignoreEvent() {
    return true;
  }
}

const currentMark = Decoration.mark({ class: 'cm-step-current' });

// run: the engine's; at(offset): the editor's index of a byte offset
export function stepDecorations(run, at) {
  if (!run) return Decoration.none;
  const ranges = [];
  for (const loop of run.loops) {
    const widget = new CounterWidget(`${loop.index} = ${loop.counter} of ${loop.count}`);
    ranges.push(Decoration.widget({ widget, side: 1 }).range(at(loop.headEnd)));
  }
  if (run.current) {
    const from = at(run.current.offset);
    const to = at(run.current.kind === 'loop' ? run.current.headEnd : run.current.end);
    if (from < to) ranges.push(currentMark.range(from, to));
  }
  return RangeSet.of(ranges, true);
}

const actions = [
  ['step', 'Step', 'Runs the next statement'],
  ['back', 'Back', 'Goes back to before the last action'],
  ['over', 'Step over', 'Runs the next statement, or the loop about to begin, whole'],
  ['end', 'To the end', 'Runs the rest of the program'],
];

function row(list, term, field, value) {
  const dt = document.createElement('dt');
  dt.textContent = term;
  const dd = document.createElement('dd');
  dd.dataset.field = field;
  if (typeof value === 'string') dd.textContent = value;
  else dd.append(value);
  list.append(dt, dd);
}

function place(span) {
  return `line ${span.line}, column ${span.column}`;
}

export class Stepper {
  // elements: {n, nError, controls, state}; onAction(): the page asks again
  constructor(elements, onAction) {
    this.ui = elements;
    this.onAction = onAction;
    this.seq = 0; // of the last action made
    this.pending = []; // the actions the engine has not answered yet
    this.run = null;
    this.buttons = {};
    for (const [kind, name, title] of actions) {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = name;
      button.title = title;
      button.dataset.action = kind;
      // aria-disabled, not disabled: the button keeps the keyboard's focus
      // when the run reaches its end
      button.setAttribute('aria-disabled', 'true');
      button.addEventListener('click', () => this.act(kind));
      this.buttons[kind] = button;
      elements.controls.append(button);
    }
    elements.n.addEventListener('input', () => {
      this.pending = []; // they were for the run of the n before
      onAction();
    });
  }

  act(kind) {
    if (this.buttons[kind].getAttribute('aria-disabled') === 'true') return;
    this.pending.push({ seq: ++this.seq, kind });
    this.ui.state.dataset.asked = String(this.seq); // what the page has asked, and below what it shows
    this.onAction();
  }

  question() {
    return { n: this.ui.n.value, actions: this.pending };
  }

  // stepping: the engine's, or null; reason: why there is no run
  show(stepping, reason) {
    if (stepping) {
      this.pending = this.pending.filter((action) => action.seq > stepping.applied);
      this.ui.state.dataset.applied = String(stepping.applied);
    }
    const nError = stepping ? stepping.nError : null;
    this.ui.nError.textContent = nError || '';
    this.ui.n.setAttribute('aria-invalid', nError ? 'true' : 'false');
    const run = stepping ? stepping.run : null;
    this.run = run;
    const can = { step: run && !run.atEnd, over: run && !run.atEnd, end: run && !run.atEnd, back: run && run.back };
    for (const [kind, button] of Object.entries(this.buttons))
      button.setAttribute('aria-disabled', can[kind] ? 'false' : 'true');
    const key = JSON.stringify(run || reason || nError);
    if (key === this.shown) return;
    this.shown = key;
    this.ui.state.replaceChildren();
    if (!run) {
      if (!reason) return; // n does not read, which its field says
      const note = document.createElement('p');
      note.className = 'note';
      note.textContent = reason;
      this.ui.state.append(note);
      return;
    }
    const list = document.createElement('dl');
    const next = document.createElement('span');
    if (run.current) {
      const code = document.createElement('code');
      code.textContent = run.current.text;
      next.append(code, ` ${place(run.current)}`);
    } else {
      next.textContent = `nothing: the run is over after ${run.steps} statements`;
    }
    row(list, 'next', 'next', next);
    const loops = document.createElement('ul');
    loops.className = 'step-loops';
    for (const loop of run.loops) {
      const item = document.createElement('li');
      const code = document.createElement('code');
      code.textContent = loop.text;
      const counter = document.createElement('span');
      counter.className = 'step-counter';
      counter.textContent = `${loop.counter} of ${loop.count}`;
      item.append(`${loop.index}: `, code, ` (line ${loop.line}) `, counter);
      loops.append(item);
    }
    row(list, 'loops', 'loops', run.loops.length ? loops : 'none under way');
    row(list, 'statements run', 'steps', run.steps);
    row(list, 'additions', 'additions', run.additions);
    row(list, 'multiplications', 'multiplications', run.multiplications);
    row(list, 'cost so far', 'cost', run.cost);
    row(list, `cost at n = ${run.n}`, 'at', run.at ?? 'too many digits to show');
    this.ui.state.append(list);
  }
}
