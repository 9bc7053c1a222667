// The statement or loop under the cursor: the panel that says how many times
// it runs, what one run costs and their product, all in the engine's words,
// and a light mark on it in the editor.
import { StateEffect, StateField } from '@codemirror/state';
import { Decoration, EditorView } from '@codemirror/view';

export const setExplained = StateEffect.define();

// The mark stays on its statement while the text changes, until the next
// answer replaces it.
export const explainedField = StateField.define({
  create: () => Decoration.none,
  update(marks, tr) {
    for (const effect of tr.effects) if (effect.is(setExplained)) return effect.value;
    return tr.docChanged ? marks.map(tr.changes) : marks;
  },
  provide: (field) => EditorView.decorations.from(field),
});

const explainedMark = Decoration.mark({ class: 'cm-explained' });

export function explainedDecorations(from, to) {
  return from < to ? Decoration.set([explainedMark.range(from, to)]) : Decoration.none;
}

function row(list, term, field, text) {
  const dt = document.createElement('dt');
  dt.textContent = term;
  const dd = document.createElement('dd');
  dd.dataset.field = field;
  dd.textContent = text;
  list.append(dt, dd);
}

// explanation: the engine's (see web/engine.cpp), or null; program: "A" or
// "B" while two programs are compared, else ""; noModel: the cost model does
// not read, so nothing has a cost
export function showExplanation(container, explanation, program, noModel) {
  container.replaceChildren();
  if (!explanation) {
    const note = document.createElement('p');
    note.className = 'note';
    note.textContent = noModel
      ? 'Nothing has a cost while the cost model does not read.'
      : 'Put the cursor on a statement or a loop to see how many times it runs, what one run costs and the product.';
    container.append(note);
    return;
  }
  const head = document.createElement('p');
  head.className = 'explained';
  const code = document.createElement('code');
  code.dataset.field = 'text';
  code.textContent = explanation.text;
  const place = document.createElement('span');
  place.className = 'place';
  place.textContent = `${program ? program + ', ' : ''}line ${explanation.line}, column ${explanation.column}`;
  head.append(code, ' ', place);
  container.append(head);
  if (!explanation.costed) {
    const note = document.createElement('p');
    note.className = 'note';
    note.textContent = 'Not costed: the count of a loop around it does not read.';
    container.append(note);
    return;
  }
  const list = document.createElement('dl');
  const loop = explanation.kind === 'loop';
  row(list, loop ? 'its body runs' : 'runs', 'runs', `${explanation.runs} times: ${explanation.loops}`);
  row(list, loop ? 'in it' : 'its own', 'operations', explanation.operations);
  if (!loop) row(list, 'one run', 'oneRun', explanation.oneRun);
  row(list, 'cost', 'product', explanation.product);
  if (explanation.share !== null) row(list, 'share', 'share', `${explanation.share} of the total's growth`);
  container.append(list);
}
