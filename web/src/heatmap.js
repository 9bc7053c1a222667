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
    this.parts = parts; // [{cost, share, shareText, text}] of one line
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
    this.updateDOM(box);
    return box;
  }
  // A new answer changes the notes in place: typing does not rebuild them.
  updateDOM(box) {
    while (box.childElementCount > this.parts.length) box.lastElementChild.remove();
    while (box.childElementCount < this.parts.length) box.appendChild(document.createElement('span'));
    this.parts.forEach((part, i) => {
      const note = box.children[i];
      note.className = part.text.startsWith('LOOP') ? 'cm-cost cm-cost-loop' : 'cm-cost';
      note.textContent = shortened(part.cost);
      note.style.background = part.share === null ? 'transparent' : heatColour(part.share);
      note.title =
        part.shareText === null
          ? `${part.text}  costs ${part.cost}`
          : `${part.text}  costs ${part.cost}  (${part.shareText} of the total's growth)`;
    });
    return true;
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

// Each note goes where the analysis places it: at the end of the line on
// which what it costs begins, as the annotated listing and the editor's hints.
export function heatDecorations(doc, lines) {
  const ranges = [];
  for (const line of lines) {
    if (line.line > doc.lines) continue;
    ranges.push(Decoration.widget({ widget: new CostWidget([line]), side: 1 }).range(doc.line(line.line).to));
  }
  return RangeSet.of(ranges, true);
}
