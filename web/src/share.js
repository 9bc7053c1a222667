// The program and the model live in the URL fragment:
//   #program=<encodeURIComponent(text)>&add=X&mul=Y
// so that a copied address reopens the same state.

export function readFragment(hash) {
  const state = {};
  for (const field of hash.replace(/^#/, '').split('&')) {
    const equals = field.indexOf('=');
    if (equals < 0) continue;
    const key = field.slice(0, equals);
    if (key !== 'program' && key !== 'add' && key !== 'mul') continue;
    try {
      state[key] = decodeURIComponent(field.slice(equals + 1));
    } catch {
      // a fragment cut in the middle of an escape: that field is lost, not the page
    }
  }
  return state;
}

export function fragmentOf({ program, add, mul }) {
  return `#program=${encodeURIComponent(program)}&add=${encodeURIComponent(add)}&mul=${encodeURIComponent(mul)}`;
}
