// The engine counts bytes of UTF-8; the editor counts UTF-16 code units.
const ascii = (text) => !/[^\x00-\x7f]/.test(text);
const encoder = new TextEncoder();

// Returns a function from a byte offset of `text` to its index in `text`.
export function byteToIndex(text) {
  if (ascii(text)) return (offset) => offset;
  const indexes = []; // indexes[byte] = index of the character holding it
  for (let i = 0; i < text.length; i++) {
    const code = text.codePointAt(i);
    const bytes = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    for (let b = 0; b < bytes; b++) indexes.push(i);
    if (code >= 0x10000) i++; // the low half of a surrogate pair
  }
  return (offset) => (offset >= indexes.length ? text.length : indexes[offset]);
}

// The byte offset in the UTF-8 of `text` of its index `index`.
export function indexToByte(text, index) {
  const before = text.slice(0, index);
  return ascii(before) ? before.length : encoder.encode(before).length;
}
