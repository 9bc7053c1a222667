// Each statement's cost at the end of its line, coloured by its share of the
// total: the hotter the colour, the more of the cost grows there.
import { StateEffect, StateField, RangeSet } from '@codemirror/state';
import { Decoration, EditorView, WidgetType } from '@codemirror/view';

const longestShown = 32; // characters of a cost before it is cut; the tooltip has it all

export function heatColour(share) {
  const s = Math.max(0, Math.min(1, share));
  // from a pale yellow through orange to red, darker as it gets hotter
  return `hsl(${Math.round(55 - 55 * s)}, 90%, ${Math.round(92 - 30 * s)}%)`;
}

function shortened(text) {
  return text.length > longestShown ? text.slice(0, longestShown - 1) + '…' : text;
}

class CostWidget extends WidgetType {
  constructor(parts) {
    super();
    this.parts = parts; // [{cost, share, loop, text}] of one line
  }
  eq(other) {
    return (
      other.parts.length === this.parts.length &&
      other.parts.every((p, i) => p.cost === this.parts[i].cost && p.share === this.parts[i].share)
    );
  }
  toDOM() {
    const box = document.createElement('span');
    box.className = 'cm-cost-notes';
    for (const part of this.parts) {
      const note = document.createElement('span');
      note.className = part.loop ? 'cm-cost cm-cost-loop' : 'cm-cost';
      note.textContent = shortened(part.cost);
      note.style.background = heatColour(part.share);
      note.title = `${part.text}  costs ${part.cost}  (${Math.round(part.share * 100)}% of the total's growth)`;
      box.appendChild(note);
    }
    return box;
  }
  ignoreEvent() {
    return true;
  }
}

export const setHeat = StateEffect.define();

// The notes stay with their lines while the text changes, until the next
// answer replaces them.
export const heatField = StateField.define({
  create: () => Decoration.none,
  update(notes, tr) {
    for (const effect of tr.effects) if (effect.is(setHeat)) return effect.value;
    return tr.docChanged ? notes.map(tr.changes) : notes;
  },
  provide: (field) => EditorView.decorations.from(field),
});

// A statement's note goes to the end of the line of its ';', a loop's to the
// end of the line of its LOOP, as in the annotated listing.
export function heatDecorations(doc, statements, toIndex) {
  const byLine = new Map();
  for (const s of statements) {
    const loop = s.kind === 'loop';
    const at = toIndex(loop ? s.offset : Math.max(s.offset, s.end - 1));
    const line = doc.lineAt(Math.min(at, doc.length));
    if (!byLine.has(line.number)) byLine.set(line.number, { end: line.to, parts: [] });
    byLine.get(line.number).parts.push({ cost: s.cost, share: s.share, loop, text: s.text });
  }
  const ranges = [];
  for (const { end, parts } of byLine.values())
    ranges.push(Decoration.widget({ widget: new CostWidget(parts), side: 1 }).range(end));
  return RangeSet.of(ranges, true);
}
