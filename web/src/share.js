// The programs, the model and n live in the URL fragment. The page writes
//   #z=<A>&add=X&mul=Y[&z2=<B>][&n=N]
// each program deflated (zlib's format, whose checksum tells a link that was
// cut or altered) and written in base64url, so that a program of a megabyte
// fits in an address; the model and n stay readable as they are. `z2` is the
// program compared with the first, there while the two are compared. Links
// of the older form, with the programs escaped as URI components, still open:
//   #program=<encodeURIComponent(A)>&add=X&mul=Y[&second=<B>][&n=N]
// An exercise's link holds its seed and level alone, the engine making the
// program and its model from them:
//   #exercise=SEED&level=L
// Any value may be escaped as a URI component.
const packedKeys = { z: 'program', z2: 'second' };
const plainKeys = ['program', 'add', 'mul', 'second', 'n', 'exercise', 'level'];
const order = ['exercise', 'level', 'program', 'add', 'mul', 'second', 'n'];
export const mostUnpacked = 16 * 1024 * 1024; // bytes a program of a link may unpack to

// Why a value of a link cannot be read: {field, reason, at}, with reason
//   escape   a '%' escape that is cut or is not UTF-8, at `at` (from 1) in
//            the field's text as the link has it
//   packed   the compressed text is cut or altered (not base64url, not a
//            whole deflated stream, or its checksum fails)
//   text     it unpacks to bytes that are not UTF-8
//   large    it unpacks to more than mostUnpacked bytes
function unreadable(field, reason, at = null) {
  return { field, reason, at };
}

// Where a field's text first fails to decode as a URI component: at a '%'
// without two hex digits after it, or at the escape that begins a character
// that is cut short or is not UTF-8.
function badEscapeAt(raw) {
  const runs = /(?:%[0-9a-fA-F]{2})+|%/g;
  for (let run; (run = runs.exec(raw)); ) {
    const escapes = run[0];
    if (escapes === '%') return run.index + 1;
    // a character at a time: its first byte says how many bytes it has
    for (let i = 0; i < escapes.length; ) {
      const first = parseInt(escapes.slice(i + 1, i + 3), 16);
      const end = i + 3 * (first < 0x80 ? 1 : first >= 0xf0 ? 4 : first >= 0xe0 ? 3 : 2);
      try {
        decodeURIComponent(escapes.slice(i, end));
      } catch {
        return run.index + i + 1;
      }
      i = end;
    }
  }
  return 1;
}

function unescaped(field, raw) {
  try {
    return { text: decodeURIComponent(raw) };
  } catch {
    return { problem: unreadable(field, 'escape', badEscapeAt(raw)) };
  }
}

function fromBase64url(text) {
  if (!/^[A-Za-z0-9_-]*$/.test(text) || text.length % 4 === 1) return null;
  const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

function toBase64url(bytes) {
  let binary = '';
  const piece = 0x8000; // bytes per call: an argument list has a limit
  for (let i = 0; i < bytes.length; i += piece) binary += String.fromCharCode(...bytes.subarray(i, i + piece));
  return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

// The bytes that come out of `stream` once `bytes` went in, more than `most`
// of them cut short to most + 1. No Blob: each would be a round trip to the
// browser, which a long address keeps busy.
async function through(stream, bytes, most = Infinity) {
  const writer = stream.writable.getWriter();
  writer.write(bytes).catch(() => {}); // a failure comes out of the reader too
  writer.close().catch(() => {});
  const reader = stream.readable.getReader();
  const chunks = [];
  let size = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    chunks.push(value);
    size += value.length;
    if (size > most) {
      reader.cancel().catch(() => {});
      break;
    }
  }
  const all = new Uint8Array(size);
  let at = 0;
  for (const chunk of chunks) {
    all.set(chunk, at);
    at += chunk.length;
  }
  return all;
}

async function unpack(field, packed) {
  const bytes = fromBase64url(packed);
  if (!bytes) return { problem: unreadable(field, 'packed') };
  let unpacked;
  try {
    unpacked = await through(new DecompressionStream('deflate'), bytes, mostUnpacked);
  } catch {
    return { problem: unreadable(field, 'packed') };
  }
  if (unpacked.length > mostUnpacked) return { problem: unreadable(field, 'large') };
  try {
    return { text: new TextDecoder('utf-8', { fatal: true }).decode(unpacked) };
  } catch {
    return { problem: unreadable(field, 'text') };
  }
}

async function pack(text) {
  return toBase64url(await through(new CompressionStream('deflate'), new TextEncoder().encode(text)));
}

// Reads a fragment of either form: {state, problems}. `state` holds each
// field the link has; a field that cannot be read is in `problems`, and in
// `state` as nothing of the link's program (an empty text) or, for the model
// and n, as the text the link holds, which the page then says is no number.
export async function readFragment(hash) {
  const fields = new Map(); // field -> [key, its text as the link has it]
  for (const pair of hash.replace(/^#/, '').split('&')) {
    const equals = pair.indexOf('=');
    if (equals < 0) continue;
    const key = pair.slice(0, equals);
    const field = packedKeys[key] || (plainKeys.includes(key) ? key : null);
    if (field === null) continue;
    const known = fields.get(field);
    if (known && known[0] in packedKeys && !(key in packedKeys)) continue; // the packed form wins
    fields.set(field, [key, pair.slice(equals + 1)]);
  }
  const state = {};
  const problems = [];
  for (const [field, [key, raw]] of fields) {
    let read = unescaped(field, raw);
    if (read.text !== undefined && key in packedKeys) read = await unpack(field, read.text);
    if (read.problem) {
      problems.push(read.problem);
      state[field] = field === 'program' || field === 'second' ? '' : raw;
    } else state[field] = read.text;
  }
  problems.sort((a, b) => order.indexOf(a.field) - order.indexOf(b.field));
  return { state, problems };
}

// The fragment of the newer form for `state` ({program, add, mul, second,
// n}, or {exercise, level}, each a string or absent).
export async function fragmentOf(state) {
  const parts = [];
  for (const field of order) {
    const value = state[field];
    if (typeof value !== 'string') continue;
    if (field === 'program') parts.push(`z=${await pack(value)}`);
    else if (field === 'second') parts.push(`z2=${await pack(value)}`);
    else parts.push(`${field}=${encodeURIComponent(value)}`);
  }
  return '#' + parts.join('&');
}
