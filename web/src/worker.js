// Runs inside the engine's worker, after the engine's own script has defined
// createEngine. One message in, one answer out: the page never waits on the
// analysis, and a computation it no longer needs ends with the worker. The
// engine keeps each program's analysis until its text or the model changes,
// so a question about the same texts (the cursor moved, the view scrolled)
// costs no new analysis; a text that did not change is not even copied.
const ready = createEngine();
ready.then(() => self.postMessage({ ready: true }));
const encoder = new TextEncoder();
const sent = { add: null, mul: null, texts: [] }; // what the engine holds

// Copies a text into the module's memory as UTF-8; the caller frees it.
function place(module, text) {
  const bytes = encoder.encode(text);
  const pointer = module._malloc(bytes.length + 1);
  if (!pointer) throw new Error('out of memory');
  module.HEAPU8.set(bytes, pointer);
  return [pointer, bytes.length];
}

function withTexts(module, texts, use) {
  const held = [];
  try {
    const args = [];
    for (const text of texts) {
      const [pointer, length] = place(module, text);
      held.push(pointer);
      args.push(pointer, length);
    }
    return use(...args);
  } finally {
    for (const pointer of held) module._free(pointer);
  }
}

// request: {add, mul, texts: [text or null per program], question}
function answer(module, { add, mul, texts, question }) {
  if (add !== sent.add || mul !== sent.mul) {
    sent.add = sent.mul = null; // until the engine has them
    withTexts(module, [add, mul], module._loopcost_model);
    Object.assign(sent, { add, mul });
  }
  texts.forEach((text, program) => {
    if (text === null || text === sent.texts[program]) return;
    sent.texts[program] = null;
    withTexts(module, [text], (pointer, length) => module._loopcost_program(program, pointer, length));
    sent.texts[program] = text;
  });
  return withTexts(module, [JSON.stringify(question)], (pointer, length) =>
    module.UTF8ToString(module._loopcost_ask(pointer, length)),
  );
}

self.onmessage = async (event) => {
  const { id } = event.data;
  try {
    const module = await ready;
    const started = performance.now();
    const json = answer(module, event.data);
    // when the engine started, on the clock that the page shares, and for how long
    const timing = { started: performance.timeOrigin + started, took: performance.now() - started };
    self.postMessage({ id, json, timing });
  } catch (error) {
    // a trap (the stack ran out, memory could not grow) may leave the module
    // half way: the page replaces this worker after such an answer
    self.postMessage({ id, failure: String(error && error.message ? error.message : error) });
  }
};
