// The answer field under the cost: a cost counted by hand, checked against
// program A's as it is typed, all in the engine's words (web/engine.cpp,
// whose check is the command line's --expect): right or wrong, each wrong
// power of n with the statements that make it, marked in the editor, and
// the slip the answer matches. Everything it shows is in one container, so
// that a mode that hides the costs can hide or keep it whole.
import { StateEffect, StateField } from '@codemirror/state';
import { Decoration, EditorView } from '@codemirror/view';

export const setAnswerMarks = StateEffect.define();

// The marks stay on their statements while the text changes, until the next
// answer replaces them.
export const answerMarksField = StateField.define({
  create: () => Decoration.none,
  update(marks, tr) {
    for (const effect of tr.effects) if (effect.is(setAnswerMarks)) return effect.value;
    return tr.docChanged ? marks.map(tr.changes) : marks;
  },
  provide: (field) => EditorView.decorations.from(field),
});

const wrongMark = Decoration.mark({ class: 'cm-answer-wrong' });
const slipMark = Decoration.mark({ class: 'cm-answer-slip' });

// The statements of the wrong terms, and the slip's statement or loop (its
// first line: a loop's whole body would cover the rest); `at` turns a byte
// offset of the text into a position in `doc`.
export function answerDecorations(expect, at, doc) {
  if (!expect || expect.right) return Decoration.none;
  const ranges = [];
  for (const term of expect.terms)
    for (const statement of term.statements) {
      const from = at(statement.from);
      const to = at(statement.to);
      if (from < to) ranges.push(wrongMark.range(from, to));
    }
  if (expect.slip && expect.slip.from !== undefined) {
    const from = at(expect.slip.from);
    const to = Math.min(at(expect.slip.to), doc.lineAt(from).to);
    if (from < to) ranges.push(slipMark.range(from, to));
  }
  return Decoration.set(ranges, true);
}

// "n^2", "n^1" and "n^0", as the command line names the powers.
const powerName = (power) => `n^${power}`;

// A term as the command line writes it: "12 * n^2", "n^1", "-n^1", "3".
function termText(coefficient, power) {
  if (power === 0 || coefficient === '0') return coefficient;
  if (coefficient === '1') return powerName(power);
  if (coefficient === '-1') return `-${powerName(power)}`;
  return `${coefficient} * ${powerName(power)}`;
}

function element(tag, className, text) {
  const made = document.createElement(tag);
  if (className) made.className = className;
  if (text !== undefined) made.textContent = text;
  return made;
}

// The first line: right or wrong, and what the cost is where that helps.
function verdict(expect) {
  const line = element('p', `verdict ${expect.right ? 'right' : 'wrong'}`);
  const order = expect.order;
  if (expect.kind === 'exact') line.textContent = expect.right ? 'Right.' : 'Wrong.';
  else if (expect.right) line.textContent = order.loose ? `Right, but loose: the cost is ${order.cost}.` : 'Right.';
  else {
    line.append('Wrong', revealing(order.cost === 'O(1)' ? ': the cost is 0, which is O(1) and has no Θ or Ω' : `: the cost is ${order.cost}`), '.');
  }
  return line;
}

// What would give the cost away in an exercise, which hides it until the
// answer is right (see exercise.js): which terms and statements are off is
// the help, what they should be is the answer.
function revealing(text) {
  return element('span', 'reveals-cost', text);
}

function termItem(term) {
  const item = element('li', term.right ? 'right' : 'wrong');
  const head = element('span', 'term');
  if (term.answered === null) head.append(`${powerName(term.power)}`, revealing(`: the cost has ${term.cost}`));
  else if (term.right) head.textContent = `${powerName(term.power)}: ${term.answered}, right`;
  else head.append(`${powerName(term.power)}: you answered ${term.answered}`, revealing(`, the cost has ${term.cost}`));
  item.append(head);
  if (term.statements.length === 0) return item;
  const list = element('ul', 'statements');
  for (const statement of term.statements) {
    const line = element('li');
    line.append(
      element('code', '', statement.text),
      ` at ${statement.line}:${statement.column}`,
      revealing(` costs ${termText(statement.cost, term.power)}`),
    );
    list.append(line);
  }
  if (term.more) list.append(element('li', 'note', `… and ${term.more} more statements`));
  item.append(list);
  return item;
}

export class AnswerField {
  // container: the element that holds all of the field; onInput: called
  // when the answer changes, to ask the engine again
  constructor(container, onInput) {
    this.container = container;
    const label = element('label', 'answer-label', 'Your answer');
    label.htmlFor = 'answer-input';
    this.input = element('input');
    Object.assign(this.input, {
      id: 'answer-input',
      placeholder: 'such as 15n^2 + 9n + 2 or O(n^2)',
      autocomplete: 'off',
      spellcheck: false,
    });
    this.input.setAttribute('aria-invalid', 'false');
    this.input.setAttribute('aria-describedby', 'answer-result');
    this.result = element('div', 'answer-result');
    Object.assign(this.result, { id: 'answer-result' });
    this.result.setAttribute('role', 'status');
    this.result.setAttribute('aria-live', 'polite');
    container.replaceChildren(label, this.input, this.result);
    this.input.addEventListener('input', onInput);
    this.shown = '';
  }

  // A new program to work out (an exercise): the last answer was not for it.
  clear() {
    this.input.value = '';
  }

  // The answer to ask about, or null while the field is blank.
  get text() {
    return this.input.value.trim() === '' ? null : this.input.value;
  }

  // program: the engine's answer about program A, or null; failure: the
  // analysis itself failed; asked: the answer it was asked to check (typing
  // outruns the engine), or null
  show(program, failure, asked) {
    const expect = program && !failure && asked !== null ? program.expect : null;
    const error = program && !failure && asked !== null ? program.expectError : null;
    const key = JSON.stringify([asked, expect, error, Boolean(program && program.ok)]);
    if (key === this.shown) return; // an answer about the cursor or the view changes nothing here
    this.shown = key;
    this.result.dataset.answer = asked ?? '';
    this.input.setAttribute('aria-invalid', error ? 'true' : 'false');
    this.result.replaceChildren();
    if (asked === null || !program || failure) return;
    if (error) {
      this.result.append(element('p', 'answer-error', `Does not read at column ${error.column}: ${error.message}.`));
      return;
    }
    if (!expect) {
      this.result.append(element('p', 'note', 'The program and the cost model must read to check an answer.'));
      return;
    }
    this.result.append(verdict(expect));
    if (expect.right) {
      document.dispatchEvent(new CustomEvent('answer-right'));
      return;
    }
    const terms = element('ul', 'terms');
    terms.append(...expect.terms.map(termItem));
    if (expect.terms.length) this.result.append(terms);
    if (expect.slip) {
      const slip = element('p', 'slip');
      slip.append(element('strong', '', expect.slip.kind), `: ${expect.slip.text}`);
      this.result.append(slip);
    }
  }
}
