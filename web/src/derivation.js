// The cost as nested sums, one Σ per loop, solved from the inside out: the
// engine's lines (analysis/derive.h) typeset as MathML by Temml, each Σ tied
// to its loop, which pointing at the Σ (or focusing it) marks in the editor
// and clicking keeps marked. The plain text and the LaTeX are there to copy.
import temml from 'temml';
import { StateEffect, StateField } from '@codemirror/state';
import { Decoration, EditorView } from '@codemirror/view';

export const setSumLoop = StateEffect.define();

// The loop of the Σ pointed at; it follows the text until the next answer.
export const sumLoopField = StateField.define({
  create: () => Decoration.none,
  update(marks, tr) {
    for (const effect of tr.effects) if (effect.is(setSumLoop)) return effect.value;
    return tr.docChanged ? marks.map(tr.changes) : marks;
  },
  provide: (field) => EditorView.decorations.from(field),
});

const sumLoopMark = Decoration.mark({ class: 'cm-sum-loop' });

export function sumLoopDecorations(from, to) {
  return from < to ? Decoration.set([sumLoopMark.range(from, to)]) : Decoration.none;
}

const sigma = '\u2211';

// One line of the engine's LaTeX as its two sides: "T(n) &= …" and "&= …".
function sides(latex) {
  const at = latex.indexOf('&=');
  return at < 0 ? ['', latex] : [latex.slice(0, at).trim(), '=' + latex.slice(at + 2)];
}

function typeset(tex, into) {
  try {
    temml.render(tex, into, { throwOnError: true });
  } catch {
    into.textContent = tex; // never for the engine's lines; the text still says it all
  }
}

function copyBlock(summary, text) {
  const details = document.createElement('details');
  const head = document.createElement('summary');
  head.textContent = summary;
  const pre = document.createElement('pre');
  pre.textContent = text;
  details.append(head, pre);
  return details;
}

export class DerivationPanel {
  // onLoop(span or null, reveal): a loop's {line, column, offset, end} to
  // mark, null for none; reveal: scroll the editor to it
  constructor(container, onLoop) {
    this.container = container;
    this.onLoop = onLoop;
    this.shown = ''; // the derivation or the reason on show, as JSON
    this.pinned = null; // the loop clicked, kept marked
    this.sums = []; // [{loop, parts: [elements]}] of what is shown
  }

  // derivation: the engine's, or null; reason: why there is none
  show(derivation, reason) {
    const key = JSON.stringify(derivation || reason);
    if (key === this.shown) return;
    this.shown = key;
    this.pinned = null;
    this.sums = [];
    this.onLoop(null, false);
    this.container.replaceChildren();
    if (!derivation || derivation.tooLong) {
      const note = document.createElement('p');
      note.className = 'note';
      note.textContent = derivation
        ? `The sums of ${derivation.statements} statements are too long to write here: loopcost --derive writes them.`
        : reason;
      this.container.append(note);
      return;
    }
    this.loops = derivation.loops;
    const steps = document.createElement('div');
    steps.className = 'derivation-steps';
    steps.setAttribute('role', 'list');
    for (const line of derivation.lines) {
      const [left, right] = sides(line.latex);
      const row = document.createElement('div');
      row.className = 'derivation-line';
      row.setAttribute('role', 'listitem');
      row.setAttribute('aria-label', line.text.trim());
      const lhs = document.createElement('span');
      lhs.className = 'derivation-lhs';
      if (left) typeset(left, lhs);
      const rhs = document.createElement('span');
      rhs.className = 'derivation-rhs';
      typeset(right, rhs);
      row.append(lhs, rhs);
      steps.append(row);
      this.tieSums(rhs, line.sums);
    }
    const text = derivation.lines.map((line) => line.text).join('\n');
    const latex = ['\\begin{align*}', ...derivation.lines.map((line, i, all) => line.latex + (i + 1 < all.length ? ' \\\\' : '')), '\\end{align*}'];
    this.container.append(steps, copyBlock('As text', text), copyBlock('As LaTeX', latex.join('\n')));
  }

  // Each Σ of a line, in order, stands for the loop the engine names.
  tieSums(math, loops) {
    const heads = [...math.querySelectorAll('mo')].filter((mo) => mo.textContent === sigma);
    heads.forEach((mo, i) => {
      const loop = loops[i];
      const span = this.loops[loop];
      if (span === undefined) return;
      const sum = mo.parentElement; // the Σ with its limits
      const parts = [sum, sum.nextElementSibling].filter(Boolean); // and its body
      this.sums.push({ loop, parts });
      sum.classList.add('derivation-sum');
      sum.dataset.loop = String(loop);
      sum.setAttribute('tabindex', '0');
      sum.setAttribute('role', 'button');
      sum.setAttribute('aria-label', `The sum of the loop at line ${span.line}, column ${span.column}`);
      sum.addEventListener('mouseenter', () => this.point(loop));
      sum.addEventListener('focus', () => this.point(loop));
      sum.addEventListener('mouseleave', () => this.point(this.pinned));
      sum.addEventListener('blur', () => this.point(this.pinned));
      sum.addEventListener('click', () => this.pin(loop));
      sum.addEventListener('keydown', (event) => {
        if (event.key !== 'Enter' && event.key !== ' ') return;
        event.preventDefault();
        this.pin(loop);
      });
    });
  }

  pin(loop) {
    this.pinned = this.pinned === loop ? null : loop;
    this.point(loop, this.pinned !== null);
  }

  // Marks the sums of one loop, on every line, and the loop in the editor.
  point(loop, reveal = false) {
    for (const sum of this.sums)
      for (const part of sum.parts) part.classList.toggle('derivation-pointed', sum.loop === loop);
    this.onLoop(loop === null ? null : this.loops[loop], reveal);
  }
}
