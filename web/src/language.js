// Colours for the language's tokens. Only for the eye: whether a text reads
// is the engine's to say.
import { StreamLanguage, HighlightStyle, syntaxHighlighting } from '@codemirror/language';
import { tags } from '@lezer/highlight';

const loopLanguage = StreamLanguage.define({
  name: 'loopcost',
  token(stream, state) {
    if (stream.eatSpace()) return null;
    if (stream.match(/^(BEGIN|END)(?=\s|$)/)) {
      state.afterLoop = false;
      return 'keyword';
    }
    if (stream.match(/^LOOP(?=\s|$)/)) {
      state.afterLoop = true;
      return 'keyword';
    }
    if (state.afterLoop) {
      state.afterLoop = false;
      if (stream.match(/^n(?=\s|$)/)) return 'atom';
      if (stream.match(/^[+-]?\d+/)) return 'number';
    }
    if (stream.match(/^[a-z]/)) return 'variableName';
    if (stream.match(/^[+*]/)) return 'operator';
    if (stream.match(/^;/)) return 'punctuation';
    stream.next();
    return 'invalid';
  },
  startState: () => ({ afterLoop: false }),
  copyState: (state) => ({ ...state }),
});

const colours = HighlightStyle.define([
  { tag: tags.keyword, color: '#7a3e9d', fontWeight: '600' },
  { tag: tags.atom, color: '#b03a2e', fontWeight: '600' },
  { tag: tags.number, color: '#1f6f8b' },
  { tag: tags.variableName, color: '#1b1b1b' },
  { tag: tags.operator, color: '#8a5a00' },
  { tag: tags.punctuation, color: '#777' },
  { tag: tags.invalid, color: '#c00', textDecoration: 'underline wavy' },
]);

export const loopSyntax = [loopLanguage, syntaxHighlighting(colours)];
