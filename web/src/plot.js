// cost(n) for n from 1 to a maximum: the lines the page gives, each by its
// exact coefficients as the engine writes them, and vertical marks at the
// values of n it names. The coefficients are turned into doubles here for
// drawing only; every figure shown as text is the engine's, exact.
import uPlot from 'uplot';

const palette = ['#c0392b', '#2471a3', '#229954', '#b9770e', '#7d3c98', '#117a65', '#839192'];

function valueAt(coefficients, n) {
  let value = 0;
  for (let i = coefficients.length - 1; i >= 0; i--) value = value * n + coefficients[i];
  return value;
}

// Draws each mark inside the plotted range as a dashed vertical line with its
// label at the top.
function drawMarks(plot, marks) {
  const { ctx } = plot;
  const { left, top, width, height } = plot.bbox;
  const ratio = uPlot.pxRatio;
  ctx.save();
  ctx.strokeStyle = '#444';
  ctx.fillStyle = '#333';
  ctx.lineWidth = ratio;
  ctx.setLineDash([4 * ratio, 4 * ratio]);
  ctx.font = `${11 * ratio}px system-ui, sans-serif`;
  ctx.textBaseline = 'top';
  for (const mark of marks) {
    const x = plot.valToPos(mark.n, 'x', true);
    if (!(x >= left && x <= left + width)) continue;
    ctx.beginPath();
    ctx.moveTo(x, top);
    ctx.lineTo(x, top + height);
    ctx.stroke();
    const label = mark.label;
    const labelWidth = ctx.measureText(label).width;
    ctx.fillText(label, Math.min(x + 4 * ratio, left + width - labelWidth), top + 2 * ratio);
  }
  ctx.restore();
}

export class CostPlot {
  constructor(container) {
    this.container = container;
    this.plot = null;
    this.shape = ''; // the lines and scale of the plot drawn
    this.drawn = ''; // everything drawn, to skip drawing it again
    this.log = false;
    this.max = 50;
    this.lines = []; // [{label, coefficients}]
    this.marks = []; // [{n, label}]
    this.width = 0; // of the container, as last laid out
    this.pending = false; // a drawing waits for the frame after the next one
    new ResizeObserver((entries) => this.fit(entries[entries.length - 1].contentRect.width)).observe(container);
  }

  // lines: [{label, coefficients: [exact decimal text], part}], a part of
  // another line drawn thin and dashed; marks: [{n: whole number text, label}]
  show(lines, marks = []) {
    this.lines = lines.map((line) => ({
      label: line.label,
      coefficients: line.coefficients.map(Number),
      part: Boolean(line.part),
    }));
    this.marks = marks.map((mark) => ({ n: Number(mark.n), label: mark.label }));
    this.drawSoon();
  }
  // The plot is drawn in the frame after the one that shows the texts and
  // notes that change with it, so that they show first; of the answers that
  // come before then, the last is drawn.
  drawSoon() {
    if (this.pending) return;
    this.pending = true;
    requestAnimationFrame(() =>
      requestAnimationFrame(() => {
        this.pending = false;
        this.draw();
      }),
    );
  }
  setLog(log) {
    this.log = log;
    this.draw();
  }
  setMax(max) {
    this.max = max;
    this.draw();
  }

  // From the width the container had when last laid out: asking for it
  // while typing would make the browser lay the page out again at once.
  size() {
    if (!this.width) this.width = this.container.clientWidth;
    const width = Math.max(200, Math.round(this.width));
    return { width, height: Math.round(Math.min(260, Math.max(160, width * 0.55))) };
  }
  fit(width) {
    if (Math.round(width) === Math.round(this.width)) return;
    this.width = width;
    if (this.plot) this.plot.setSize(this.size());
  }

  clear() {
    if (this.plot) this.plot.destroy();
    this.plot = null;
    this.shape = '';
    this.drawn = '';
    this.container.replaceChildren();
  }

  draw() {
    const drawn = JSON.stringify([this.log, this.max, this.lines, this.marks]);
    if (drawn === this.drawn) return; // typing that leaves the costs as they were
    if (this.lines.length === 0) {
      this.clear();
      return;
    }
    const xs = [];
    for (let n = 1; n <= this.max; n++) xs.push(n);
    // a log scale shows positive values only; the rest are left as gaps
    const shown = (v) => (Number.isFinite(v) && (!this.log || v > 0) ? v : null);
    const data = [xs, ...this.lines.map((line) => xs.map((n) => shown(valueAt(line.coefficients, n))))];
    if (data.slice(1).every((values) => values.every((v) => v === null))) {
      this.clear();
      this.drawn = drawn;
      const note = document.createElement('p');
      note.className = 'note';
      note.textContent = this.log
        ? 'Nothing to draw on a log scale: the cost is never above zero here, or beyond the range of the plot.'
        : 'Nothing to draw: the cost is beyond the range of the plot.';
      this.container.append(note);
      return;
    }
    this.drawn = drawn;
    // the same lines on the same scale: new values into the same plot, so
    // that typing does not rebuild it (and the cursor stays where it is)
    const shape = JSON.stringify([this.log, this.lines.map((line) => [line.label, line.part])]);
    if (this.plot && shape === this.shape) {
      this.plot.setData(data);
      return;
    }
    if (this.plot) this.plot.destroy();
    this.container.replaceChildren();
    this.shape = shape;
    const series = [
      { label: 'n' },
      ...this.lines.map((line, i) => ({
        label: line.label,
        stroke: palette[i % palette.length],
        width: line.part ? 1.5 : 2.5,
        dash: line.part ? [6, 3] : undefined,
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
      hooks: { draw: [(plot) => drawMarks(plot, this.marks)] },
    };
    this.plot = new uPlot(options, data, this.container);
  }
}
