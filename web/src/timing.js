// What the page spends on an answer, as User Timing measures named
// loopcost:..., for bench/page.mjs; the oldest go once there are many.
let kept = 0;

export function measure(name, start, end = performance.now()) {
  if (++kept > 1000) {
    performance.clearMeasures();
    kept = 1;
  }
  performance.measure(name, { start, end });
}
