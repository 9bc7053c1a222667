// The two panels that show how program A's cost is made: its sums, solved
// step by step (derivation.js), and its run for one n, to step through
// (stepper.js). What they want rides on the page's one question about A;
// what they show, and mark in A's editor, comes from its answer, and so
// does why they are empty.
import { EditorView } from '@codemirror/view';
import { DerivationPanel, setSumLoop, sumLoopDecorations, sumLoopField } from './derivation.js';
import { Stepper, setStepMarks, stepDecorations, stepField } from './stepper.js';
import { byteToIndex } from './offsets.js';

// The editors' fields for the panels' marks.
export const panelFields = [sumLoopField, stepField];

// Why a panel is empty, in a sentence; `what` is what it would show.
function emptyBecause(what, program, failure, modelError) {
  if (failure) return `No ${what}: ${failure}.`;
  if (modelError) return `No ${what}: the cost model does not read (${modelError.message}).`;
  const error = program && program.error;
  if (error) return `No ${what}: the program does not read (line ${error.line}, column ${error.column}: ${error.message}).`;
  return '';
}

export class Panels {
  // view: A's editor; $: the page's element by id; ask(): asks again
  constructor(view, $, ask) {
    this.view = view;
    this.toIndex = (offset) => offset; // of the text the answer shown is about
    this.marked = ''; // the run marked in the editor, as JSON
    this.derivation = new DerivationPanel($('derivation'), (span, reveal) => this.markLoop(span, reveal));
    this.stepper = new Stepper(
      { n: $('step-n'), nError: $('step-n-error'), controls: $('step-controls'), state: $('stepping') },
      ask,
    );
  }

  // What the question about A asks for them.
  question() {
    return { derive: true, stepping: this.stepper.question() };
  }

  at(offset) {
    return Math.min(this.toIndex(offset), this.view.state.doc.length);
  }

  markLoop(span, reveal) {
    const [from, to] = span ? [this.at(span.offset), this.at(span.end)] : [0, 0];
    const effects = [setSumLoop.of(sumLoopDecorations(from, to))];
    if (reveal && span) effects.push(EditorView.scrollIntoView(from, { y: 'nearest' }));
    this.view.dispatch({ effects });
  }

  // program: the engine's answer about A, or null; text: the text it is
  // about; failure: the analysis failed; modelError: the model does not read
  show(program, text, failure, modelError) {
    const unchanged = text === this.text;
    this.text = text;
    this.toIndex = byteToIndex(text);
    const ok = Boolean(program && program.ok) && !failure;
    this.derivation.show(ok ? program.derivation : null, emptyBecause('sums', program, failure, modelError));
    this.stepper.show(
      program && !failure ? program.stepping : null,
      emptyBecause('run to step through', program, failure, modelError),
    );
    const run = ok ? this.stepper.run : null;
    const marked = JSON.stringify(run ? [run.current, run.loops] : null);
    if (marked === this.marked && unchanged) return;
    this.marked = marked;
    this.view.dispatch({ effects: setStepMarks.of(stepDecorations(run, (offset) => this.at(offset))) });
  }
}
