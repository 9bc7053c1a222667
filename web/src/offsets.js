// The engine counts bytes of UTF-8; the editor counts UTF-16 code units.
// Returns a function from a byte offset of `text` to its index in `text`.
export function byteToIndex(text) {
  if (!/[^\x00-\x7f]/.test(text)) return (offset) => offset;
  const indexes = []; // indexes[byte] = index of the character holding it
  for (let i = 0; i < text.length; i++) {
    const code = text.codePointAt(i);
    const bytes = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    for (let b = 0; b < bytes; b++) indexes.push(i);
    if (code >= 0x10000) i++; // the low half of a surrogate pair
  }
  return (offset) => (offset >= indexes.length ? text.length : indexes[offset]);
}
