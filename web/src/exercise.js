// The exercise mode: a program to work out the cost of, made by the engine
// from a level and a seed (the very program that
// `loopcost --exercise --level L --seed S` prints), loaded into the editor
// under its own cost model, with its costs hidden until the answer is right
// or the user asks to see them. The address holds the exercise,
// #exercise=S&level=L, so that a set of links is a set of exercises.
//
// While the costs are hidden the body has the class `costs-hidden`, and the
// style sheet hides every element with the class `reveals-cost` (the totals,
// the value at n, the panel at the cursor, the comparison, the plot) and the
// editor's cost notes. A panel that shows a cost opts in by that class
// alone; nothing here needs to know it.
//
// The answer is right: the event `answer-right` on document (or a call of
// exerciseSolved()) shows the costs. Whenever they are shown again, by a
// right answer or by Reveal, `exercise-revealed` is dispatched on document,
// for a panel that would rather open itself then (the derivation).

// Fresh seeds are below this, as the command line's: short to pass on.
export const freshSeeds = 1000000;

const freshSeed = () => String(Math.floor(Math.random() * freshSeeds));

let mode = null; // the page's one ExerciseMode

// For the answer field: the answer given is right.
export function exerciseSolved() {
  if (mode) mode.solved();
}

export class ExerciseMode {
  // elements: {button, level, panel, task, status, reveal, next};
  // ask(): asks the engine again (the question now holds the exercise);
  // put({program, add, mul}): loads a program and its model;
  // linkChanged(): the address should follow the page again.
  constructor({ elements, ask, put, linkChanged }) {
    this.ui = elements;
    this.ask = ask;
    this.put = put;
    this.linkChanged = linkChanged;
    this.active = false;
    this.wanted = null; // {level, seed} as text, asked of the engine until it answers
    this.current = null; // the exercise shown, as the engine made it
    mode = this;
    elements.button.addEventListener('click', () => (this.active ? this.leave() : this.start(this.ui.level.value)));
    elements.level.addEventListener('change', () => {
      if (this.active) this.start(this.ui.level.value);
    });
    elements.reveal.addEventListener('click', () => this.show('Revealed: the cost, and how it adds up.'));
    elements.next.addEventListener('click', () => this.start(this.ui.level.value));
    document.addEventListener('answer-right', () => this.solved());
  }

  // A new exercise of `level` (text), of `seed` (text) or a fresh one.
  start(level, seed = freshSeed()) {
    this.active = true;
    this.wanted = { level: String(level), seed: String(seed) };
    this.current = null;
    this.hide(true);
    this.ui.task.textContent = 'Making the exercise…';
    this.ui.status.textContent = '';
    this.update();
    this.ask();
  }

  leave() {
    this.stop();
    this.linkChanged();
  }

  stop() {
    this.active = false;
    this.wanted = this.current = null;
    this.hide(false);
    this.update();
  }

  // A link's state: true when it is an exercise, which the engine makes
  // next; any other leaves the exercise mode.
  open(state) {
    if (state.exercise !== undefined) {
      this.start(state.level ?? '1', state.exercise);
      return true;
    }
    if (this.active) this.stop();
    return false;
  }

  // What the engine is asked, until it has answered.
  question() {
    return this.wanted ?? undefined;
  }

  // The engine's exercise for the question `asked`.
  answered(exercise, asked) {
    if (!exercise || !this.wanted || asked !== this.wanted) return;
    this.wanted = null;
    if (exercise.error) {
      this.hide(false);
      this.ui.task.textContent = `This exercise cannot be made: ${exercise.error}.`;
      this.update();
      return;
    }
    this.current = exercise;
    this.ui.level.value = String(exercise.level);
    this.ui.task.textContent =
      `Level ${exercise.level}, seed ${exercise.seed}: work out the cost of this program ` +
      `when one + costs ${exercise.addCost} and one * costs ${exercise.mulCost}.`;
    this.update();
    this.put({ program: exercise.program, add: exercise.addCost, mul: exercise.mulCost });
    this.linkChanged();
  }

  solved() {
    if (this.current && this.hidden) this.show('Right! Here is the cost, and how it adds up.');
  }

  show(status) {
    if (!this.current || !this.hidden) return;
    this.hide(false);
    this.ui.status.textContent = status;
    this.update();
    document.dispatchEvent(new CustomEvent('exercise-revealed', { detail: { ...this.current } }));
  }

  // The fields of the address while an exercise is shown, else null.
  link() {
    const shown = this.current ?? this.wanted;
    if (!this.active || !shown) return null;
    return { exercise: String(shown.seed), level: String(shown.level) };
  }

  // Asked about no program while the one to show is being made.
  waiting() {
    return this.wanted !== null;
  }

  hide(hidden) {
    this.hidden = hidden;
    document.body.classList.toggle('costs-hidden', hidden);
  }

  update() {
    this.ui.button.setAttribute('aria-pressed', String(this.active));
    this.ui.panel.hidden = !this.active;
    this.ui.reveal.disabled = !this.current || !this.hidden;
  }
}
