// Runs inside the engine's worker, after the engine's own script has defined
// createEngine. One message in, one answer out: the page never waits on the
// analysis, and a computation it no longer needs ends with the worker.
const ready = createEngine();
const encoder = new TextEncoder();

// Copies a text into the module's memory as UTF-8; the caller frees it.
function place(module, text) {
  const bytes = encoder.encode(text);
  const pointer = module._malloc(bytes.length + 1);
  if (!pointer) throw new Error('out of memory');
  module.HEAPU8.set(bytes, pointer);
  return [pointer, bytes.length];
}

function analyse(module, { text, add, mul }) {
  const held = [];
  try {
    const args = [];
    for (const value of [text, add, mul]) {
      const [pointer, length] = place(module, value);
      held.push(pointer);
      args.push(pointer, length);
    }
    return module.UTF8ToString(module._loopcost_analyse(...args));
  } finally {
    for (const pointer of held) module._free(pointer);
  }
}

self.onmessage = async (event) => {
  const { id } = event.data;
  try {
    const module = await ready;
    self.postMessage({ id, json: analyse(module, event.data) });
  } catch (error) {
    // a trap (the stack ran out, memory could not grow) may leave the module
    // half way: the page replaces this worker after such an answer
    self.postMessage({ id, failure: String(error && error.message ? error.message : error) });
  }
};
