// cost(n) for n from 1 to a maximum, and what each loop over n outside any
// other loop contributes. The exact coefficients are turned into doubles
// here for drawing only; the exact total is what the page shows as text.
import uPlot from 'uplot';

const mostContributions = 6;
const palette = ['#c0392b', '#2471a3', '#229954', '#b9770e', '#7d3c98', '#117a65', '#839192'];

function valueAt(coefficients, n) {
  let value = 0;
  for (let i = coefficients.length - 1; i >= 0; i--) value = value * n + coefficients[i];
  return value;
}

// The parts drawn beside the total: the statements and loops outside any
// loop that grow with n, when there are several of them; the fastest
// growing first.
export function contributions(answer) {
  const parts = answer.statements.filter((s) => s.parent < 0 && s.order > 0);
  if (parts.length < 2) return [];
  return parts
    .map((s, index) => ({ s, index }))
    .sort((a, b) => b.s.order - a.s.order || b.s.share - a.s.share || a.index - b.index)
    .slice(0, mostContributions)
    .map(({ s }) => ({
      label: `${s.text.replace(/ ;$/, '')} at ${s.line}:${s.column}`,
      coefficients: s.coefficients.map(Number),
    }));
}

export class CostPlot {
  constructor(container) {
    this.container = container;
    this.plot = null;
    this.shape = ''; // the lines and scale of the plot drawn
    this.log = false;
    this.max = 50;
    this.answer = null;
    new ResizeObserver(() => this.fit()).observe(container);
  }

  setAnswer(answer) {
    this.answer = answer && answer.ok ? answer : null;
    this.draw();
  }
  setLog(log) {
    this.log = log;
    this.draw();
  }
  setMax(max) {
    this.max = max;
    this.draw();
  }

  size() {
    const width = Math.max(200, this.container.clientWidth);
    return { width, height: Math.round(Math.min(260, Math.max(160, width * 0.55))) };
  }
  fit() {
    if (this.plot) this.plot.setSize(this.size());
  }

  clear() {
    if (this.plot) this.plot.destroy();
    this.plot = null;
    this.shape = '';
    this.container.replaceChildren();
  }

  draw() {
    if (!this.answer) {
      this.clear();
      return;
    }
    const lines = [
      { label: 'total', coefficients: this.answer.coefficients.map(Number) },
      ...contributions(this.answer),
    ];
    const xs = [];
    for (let n = 1; n <= this.max; n++) xs.push(n);
    // a log scale shows positive values only; the rest are left as gaps
    const shown = (v) => (Number.isFinite(v) && (!this.log || v > 0) ? v : null);
    const data = [xs, ...lines.map((line) => xs.map((n) => shown(valueAt(line.coefficients, n))))];
    if (data[1].every((v) => v === null)) {
      this.clear();
      const note = document.createElement('p');
      note.className = 'note';
      note.textContent = this.log
        ? 'Nothing to draw on a log scale: the cost is never above zero here, or beyond the range of the plot.'
        : 'Nothing to draw: the cost is beyond the range of the plot.';
      this.container.append(note);
      return;
    }
    // the same lines on the same scale: new values into the same plot, so
    // that typing does not rebuild it (and the cursor stays where it is)
    const shape = JSON.stringify([this.log, lines.map((line) => line.label)]);
    if (this.plot && shape === this.shape) {
      this.plot.setData(data);
      return;
    }
    this.clear();
    this.shape = shape;
    const series = [
      { label: 'n' },
      ...lines.map((line, i) => ({
        label: line.label,
        stroke: palette[i % palette.length],
        width: i === 0 ? 2.5 : 1.5,
        dash: i === 0 ? undefined : [6, 3],
        points: { show: false },
      })),
    ];
    const options = {
      ...this.size(),
      series,
      scales: { x: { time: false }, y: this.log ? { distr: 3 } : {} },
      axes: [{ label: 'n' }, { label: 'cost', size: 70 }],
      legend: { live: true },
      cursor: { drag: { x: false, y: false } },
    };
    this.plot = new uPlot(options, data, this.container);
  }
}
