// The programs, the model and n live in the URL fragment:
//   #program=<encodeURIComponent(text)>&add=X&mul=Y[&second=<text>][&n=N]
// `second` is the program compared with the first, there while the two are
// compared; so a copied address reopens the same state.
const fields = ['program', 'add', 'mul', 'second', 'n'];

export function readFragment(hash) {
  const state = {};
  for (const field of hash.replace(/^#/, '').split('&')) {
    const equals = field.indexOf('=');
    if (equals < 0) continue;
    const key = field.slice(0, equals);
    if (!fields.includes(key)) continue;
    try {
      state[key] = decodeURIComponent(field.slice(equals + 1));
    } catch {
      // a fragment cut in the middle of an escape: that field is lost, not the page
    }
  }
  return state;
}

export function fragmentOf(state) {
  return (
    '#' +
    fields
      .filter((key) => typeof state[key] === 'string')
      .map((key) => `${key}=${encodeURIComponent(state[key])}`)
      .join('&')
  );
}
