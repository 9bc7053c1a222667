// The page's side of the analysis: the engine runs in a worker made from its
// own inlined script, so that typing never waits on it. Only the newest
// request matters; one that is still running when a newer one has waited too
// long is given up with its worker.
import engineSource from 'virtual:engine-worker';

const patience = 400; // ms a newer request waits for an older one to finish

export class Engine {
  constructor(onAnswer, onBusy) {
    this.onAnswer = onAnswer; // (answer, request)
    this.onBusy = onBusy; // (busy: boolean)
    this.url = URL.createObjectURL(new Blob([engineSource], { type: 'text/javascript' }));
    this.nextId = 1;
    this.running = null; // the request the worker is on
    this.waiting = null; // the newest request not yet sent
    this.timer = 0;
    this.start();
  }

  start() {
    this.worker = new Worker(this.url);
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

  // request: {text, add, mul}
  analyse(request) {
    request.id = this.nextId++;
    if (!this.running) {
      this.send(request);
      return;
    }
    this.waiting = request;
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.giveUp(), patience);
  }

  send(request) {
    this.running = request;
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
    if (next) this.send(next);
    else this.onBusy(false);
  }

  answered({ id, json, failure }) {
    const request = this.running;
    if (!request || request.id !== id) return;
    this.running = null;
    if (failure !== undefined) {
      this.restart();
      this.deliver(failedAnswer('the analysis failed: ' + failure), request);
    } else {
      this.deliver(JSON.parse(json), request);
    }
    this.sendWaiting();
  }

  failed(message) {
    const request = this.running;
    this.running = null;
    this.restart();
    if (request) this.deliver(failedAnswer(message), request);
    this.sendWaiting();
  }

  deliver(answer, request) {
    if (!this.waiting) this.onAnswer(answer, request);
  }
}

function failedAnswer(message) {
  return { ok: false, modelError: null, error: { line: 1, column: 1, offset: 0, length: 0, message } };
}
