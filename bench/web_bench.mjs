// The browser binding timed in Chromium, as bench/web_speed.cpp times it natively: the module called
// quantum by quantum from a page's thread through the same exports. Target bench-web:
//   node web_bench.mjs <tests' npm folder> <package folder> <seconds of sound>
import { withPage } from '../tests/web/browser.mjs';

const [npmFolder, pkg, seconds] = process.argv.slice(2);

// An impulse into each quantum; the best of five runs; then a decay's stages, the best of five.
await withPage(npmFolder, pkg, async (page, origin, errors) => {
  await page.goto(`${origin}/blank.html`);
  const lines = await page.evaluate(async (seconds) => {
    const rate = 44100, frames = Math.round(seconds * rate), out = [];
    const bytes = await (await fetch('/vibrel-full.wasm')).arrayBuffer();
    const { instance } = await WebAssembly.instantiate(bytes, { env: { emscripten_notify_memory_growth() {} } });
    const w = instance.exports;
    w._initialize();
    const heap = () => new Float32Array(w.memory.buffer);
    const steady = (periodSignal) => {
      const node = w.vibrel_web_new(8192, rate);
      const inAt = w.vibrel_web_input(node, 0) >> 2, periodAt = w.vibrel_web_input(node, 2) >> 2;
      heap().fill(0, inAt, inAt + 128);
      heap()[inAt] = 1;
      let best = Infinity;
      for (let trial = 0; trial < 5; trial++) {
        const t0 = performance.now();
        for (let at = 0; at < frames; at += 128) {
          if (periodSignal) {
            const h = heap();
            for (let i = 0; i < 128; i++) h[periodAt + i] = 100 + 2 * Math.sin((at + i) * 0.0003);
          }
          w.vibrel_web_process(node, 128, 128, 1, periodSignal ? 128 : 1, 0.999, 100.375, 0.625);
        }
        best = Math.min(best, ((performance.now() - t0) * 1e6) / frames);
      }
      w.vibrel_web_free(node);
      return best.toFixed(2);
    };
    for (const [path, name] of [[1, 'simd128'], [0, 'scalar']]) {
      w.vibrel_web_path(path);
      out.push(`chromium ${name} control: ${steady(false)} ns/sample`);
      out.push(`chromium ${name} period: ${steady(true)} ns/sample`);
    }
    w.vibrel_web_path(1);
    const stages = [0, 100000, 360000, 441000], names = ['ringing', 'reaching 0', 'silent'];
    const best = [Infinity, Infinity, Infinity];
    for (let trial = 0; trial < 5; trial++) {
      const node = w.vibrel_web_new(8192, rate), inAt = w.vibrel_web_input(node, 0) >> 2;
      heap()[inAt] = 1;
      for (let s = 0, at = 0; s < 3; s++) {
        const t0 = performance.now();
        for (; at < stages[s + 1]; at += 128) {
          w.vibrel_web_process(node, 128, 128, 1, 1, 0.875, 50.5, 0.5);
          heap()[inAt] = 0;
        }
        best[s] = Math.min(best[s], ((performance.now() - t0) * 1e6) / (stages[s + 1] - stages[s]));
      }
      w.vibrel_web_free(node);
    }
    for (let s = 0; s < 3; s++)
      out.push(`chromium decay ${names[s]} (frames ${stages[s]}-${stages[s + 1]}): ${best[s].toFixed(2)} ns/sample`);
    return out;
  }, Number(seconds));
  console.log(lines.join('\n'));
  if (errors.length) throw new Error(errors.join('\n'));
});
