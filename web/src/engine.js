// The page's side of the analysis: the engine runs in a worker made from its
// own inlined script, so that typing never waits on it. Each request says
// all that the page wants to show now, so only the newest matters; one that
// is still running when a newer one about other texts, another model or
// another n has waited too long is given up with its worker, and the new
// worker is asked again from scratch. A newer request about the same waits:
// it needs the very analysis that is running (a long program just opened,
// and the editor's first scroll). A worker that is still making its engine
// is never given up: a new one would start over.
import { measure } from './timing.js';

// ms a newer request waits for an older one to finish; ?patience=MS in the
// address sets it, so that the page's tests need no analysis that outlasts
// the default on every machine
const patience = Number(new URLSearchParams(globalThis.location?.search ?? '').get('patience')) || 400;

// Whether `newer` needs no work that `older` does not do: the same model and
// n, and no text that `older` does not have.
const sameWork = (newer, older) =>
  newer.add === older.add &&
  newer.mul === older.mul &&
  newer.question.n === older.question.n &&
  newer.texts.every((text, i) => text === null || text === older.texts[i]);

// Each worker starts as this small script and is sent the engine's (the text
// of an element that the page does not run, see index.html) as its first
// message, to run: the page's thread neither parses that script nor copies
// its 600 KB into a Blob, which takes it some 20 ms.
const starter = URL.createObjectURL(
  new Blob(['self.onmessage = (event) => { self.onmessage = null; (0, eval)(event.data); };'], { type: 'text/javascript' }),
);
let script = null;
function engineScript() {
  if (script === null) {
    const source = document.getElementById('engine-source');
    script = source.textContent;
    source.remove(); // the string holds it now
  }
  return script;
}

export class Engine {
  constructor(onAnswer, onBusy) {
    this.onAnswer = onAnswer; // (answer, request)
    this.onBusy = onBusy; // (busy: boolean)
    this.nextId = 1;
    this.running = null; // the request the worker is on
    this.waiting = null; // the newest request not yet sent
    this.timer = 0; // set while a request waits on a worker that is ready
    this.start();
  }

  start() {
    this.ready = false; // the worker has made its engine
    this.worker = new Worker(starter);
    this.worker.postMessage(engineScript());
    this.worker.onmessage = (event) => this.answered(event.data);
    this.worker.onerror = (event) => {
      event.preventDefault();
      this.failed('the analysis stopped: ' + (event.message || 'unknown error'));
    };
  }

  restart() {
    this.worker.terminate();
    this.start();
  }

  // request: {add, mul, texts, question} (see worker.js)
  ask(request) {
    request.id = this.nextId++;
    if (!this.running) {
      this.send(request);
      return;
    }
    this.waiting = request;
    this.beImpatient();
  }

  // From the first request that waits on a ready worker, not the newest.
  beImpatient() {
    if (this.timer || !this.ready || !this.waiting || !this.running || sameWork(this.waiting, this.running)) return;
    this.timer = setTimeout(() => {
      this.timer = 0;
      this.giveUp();
    }, patience);
  }

  send(request) {
    this.running = request;
    request.sent = performance.now();
    this.onBusy(true);
    this.worker.postMessage(request);
  }

  giveUp() {
    if (!this.running || !this.waiting) return;
    this.restart();
    this.running = null;
    this.sendWaiting();
  }

  sendWaiting() {
    const next = this.waiting;
    this.waiting = null;
    clearTimeout(this.timer);
    this.timer = 0;
    if (next) this.send(next);
    else this.onBusy(false);
  }

  answered({ ready, id, json, failure, timing }) {
    if (ready) {
      this.ready = true;
      this.beImpatient();
      return;
    }
    const request = this.running;
    if (!request || request.id !== id) return;
    this.running = null;
    if (failure !== undefined) {
      this.restart();
      this.deliver({ failure: 'the analysis failed: ' + failure }, request);
    } else {
      // from the question to its answer, what the engine took of it, and
      // reading the answer, for bench/page.mjs
      const now = performance.now();
      const started = timing.started - performance.timeOrigin;
      measure('loopcost:answer', request.sent, now);
      measure('loopcost:engine', started, started + timing.took);
      const answer = JSON.parse(json);
      measure('loopcost:read', now);
      this.deliver(answer, request);
    }
    this.sendWaiting();
  }

  failed(message) {
    const request = this.running;
    this.running = null;
    this.restart();
    if (request) this.deliver({ failure: message }, request);
    this.sendWaiting();
  }

  deliver(answer, request) {
    if (!this.waiting) this.onAnswer(answer, request);
  }
}
