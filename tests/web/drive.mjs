// The browser tests' driver: renders cases through OfflineAudioContext in Debian's Chromium, or checks the
// package's page there (browser.mjs), or runs the WebAssembly module's doubles under node alone. Called
// by tests/web/web_test.cpp.
//   node drive.mjs <npm folder> render <package> <cases.json> <out folder>
//   node drive.mjs <npm folder> page <package> <screenshot.png>
//   node drive.mjs <npm folder> doubles <package> <cases.json> <out folder>
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

import { withPage } from './browser.mjs';

const [npmFolder, command, pkg, ...rest] = process.argv.slice(2);

// In the page: one case through an OfflineAudioContext. c: {variant, frames, rate, params: {name: value},
// signals: {input|gain|period: samples}, messages: [[frame, text]]}. Returns the output's samples.
async function renderInPage(c) {
  const { createVibrel } = await import('/vibrel.js');
  const context = new OfflineAudioContext(1, c.frames, c.rate);
  const node = await createVibrel(context, { variant: c.variant, maxDelay: c.maxDelay, parameterData: c.params });
  const source = (samples) => {
    const b = context.createBuffer(1, samples.length, c.rate);
    b.getChannelData(0).set(samples);
    const s = context.createBufferSource();
    s.buffer = b;
    s.start(0);
    return s;
  };
  if (c.signals.input) source(c.signals.input).connect(node);
  if (c.signals.gain) source(c.signals.gain).connect(node.parameters.get('gain'));
  if (c.signals.period) source(c.signals.period).connect(node.parameters.get('period'));
  node.connect(context.destination);
  // A message at a frame: rendering suspended there, the message posted and, by the answer to a
  // 'params' posted after it, known to have arrived before rendering resumes.
  for (const [frame, text] of c.messages) {
    context.suspend(frame / c.rate).then(async () => {
      const answered = new Promise((resolve) => {
        node.port.onmessage = (e) => e.data.message === 'params' && resolve();
      });
      node.port.postMessage(text);
      node.port.postMessage('params');
      await answered;
      context.resume();
    });
  }
  const buffer = await context.startRendering();
  return Array.from(buffer.getChannelData(0));
}

if (command === 'render') {
  const [casesFile, outFolder] = rest;
  const cases = JSON.parse(readFileSync(casesFile, 'utf8'));
  await withPage(npmFolder, pkg, async (page, origin, errors) => {
    await page.goto(`${origin}/blank.html`);
    for (let k = 0; k < cases.length; k++) {
      const y = await page.evaluate(renderInPage, cases[k]);
      writeFileSync(join(outFolder, `${k}.f32`), Buffer.from(new Float32Array(y).buffer));
    }
    if (errors.length) throw new Error(errors.join('\n'));
  });
} else if (command === 'page') {
  const [screenshot] = rest;
  await withPage(npmFolder, pkg, async (page, origin, errors) => {
    await page.setViewport({ width: 900, height: 720 });
    await page.goto(`${origin}/index.html`);
    await page.waitForSelector('#pluck');
    await page.click('#pluck');
    await page.waitForFunction(() => document.body.dataset.plucks === '1', { timeout: 20000 });
    await page.keyboard.press('KeyD');
    await page.waitForFunction(() => document.body.dataset.plucks === '2' && document.body.dataset.drawn === 'yes', {
      timeout: 20000,
    });
    const state = await page.evaluate(() => {
      const box = (id) => {
        const r = document.getElementById(id).getBoundingClientRect();
        return [Math.round(r.left) + 2, Math.round(r.top) + 2, Math.round(r.width) - 4, Math.round(r.height) - 4];
      };
      return { period: document.querySelector('#period').value, rate: document.body.dataset.rate,
        plucks: document.body.dataset.plucks,
        peak: document.body.dataset.peak, title: document.querySelector('h1').textContent,
        wave: box('wave'), spectrum: box('spectrum') };
    });
    const png = await page.screenshot({ encoding: 'base64' });
    writeFileSync(screenshot, Buffer.from(png, 'base64'));
    // What the screenshot shows: of each picture's columns, the share holding its trace's colour.
    const columns = await page.evaluate(async (png, rects) => {
      const image = await createImageBitmap(await (await fetch(`data:image/png;base64,${png}`)).blob());
      const canvas = new OffscreenCanvas(image.width, image.height);
      const g = canvas.getContext('2d');
      g.drawImage(image, 0, 0);
      return rects.map(([[x, y, w, h], [r0, g0, b0]]) => {
        const d = g.getImageData(x, y, w, h).data;
        let traced = 0;
        for (let col = 0; col < w; col++)
          for (let row = 0; row < h; row++) {
            const i = 4 * (row * w + col);
            if (Math.abs(d[i] - r0) + Math.abs(d[i + 1] - g0) + Math.abs(d[i + 2] - b0) < 90) {
              traced++;
              break;
            }
          }
        return traced / w;
      });
    }, png, [[state.wave, [0xc9, 0x85, 0x2e]], [state.spectrum, [0x2e, 0x6f, 0xc9]]]);
    // The port's answers: 'info', 'params', and the line of a string that cannot be made.
    const replies = await page.evaluate(async () => {
      const { createVibrel } = await import('/vibrel.js');
      const context = new OfflineAudioContext(1, 128, 48000);
      const reply = (node, what) => new Promise((resolve) => {
        node.port.onmessage = (e) => resolve(e.data.lines.join(' | '));
        if (what) node.port.postMessage(what);
      });
      const node = await createVibrel(context, { variant: 'lite' });
      return [await reply(node, 'info'), await reply(node, 'params'), await reply(await createVibrel(context, { maxDelay: 1e12 }))];
    });
    console.log(JSON.stringify({ ...state, waveColumns: columns[0], spectrumColumns: columns[1], replies, errors }));
  });
} else if (command === 'doubles') {
  // The module's own doubles under node, no rounding to float: each case through the routine the Max
  // binding would choose, its settings applied as messages first, once per path (simd128, scalar).
  const [casesFile, outFolder] = rest;
  const cases = JSON.parse(readFileSync(casesFile, 'utf8'));
  const modules = {};
  for (let k = 0; k < cases.length; k++) {
    const c = cases[k];
    modules[c.variant] ??= new WebAssembly.Module(readFileSync(join(pkg, `vibrel-${c.variant}.wasm`)));
    for (const [path, name] of [[1, 'simd128'], [0, 'scalar']]) {
      const w = new WebAssembly.Instance(modules[c.variant], { env: { emscripten_notify_memory_growth() {} } }).exports;
      w._initialize();
      w.vibrel_web_path(path);
      const node = w.vibrel_web_new(c.maxDelay, c.rate);
      const [period, gain, brightness] = c.settings;
      w.vibrel_web_process(node, 0, 0, 1, 1, gain, period, brightness); // as messages
      const block = 128, ins = w.vibrel_web_alloc(8 * block * 3), out = w.vibrel_web_alloc(8 * block);
      const signal = [c.signals.input, c.signals.gain, c.signals.period];
      // The gain-and-period routine reads the period input: without a period signal, the param's value.
      if (c.routine === 3 && !c.signals.period) signal[2] = new Array(c.frames).fill(c.params.period);
      const y = new Float64Array(c.frames);
      let next = 0;
      for (let at = 0; at < c.frames; at += block) {
        for (; next < c.messages.length && c.messages[next][0] <= at; next++)
          if (c.messages[next][1] === 'clear') w.vibrel_web_clear(node);
        const m = Math.min(block, c.frames - at), heap = new Float64Array(w.memory.buffer);
        for (let i = 0; i < 3; i++)
          for (let j = 0; j < m; j++) heap[(ins >> 3) + i * block + j] = signal[i] ? Math.fround(signal[i][at + j]) : 0; // the cases are floats
        w.vibrel_web_process64(node, c.routine - 1, ins, ins + 8 * block, ins + 16 * block, out, m);
        y.set(new Float64Array(w.memory.buffer, out, m), at);
      }
      writeFileSync(join(outFolder, `${k}-${name}.f64`), Buffer.from(y.buffer));
    }
  }
} else {
  console.error('drive.mjs: unknown command', command);
  process.exit(2);
}
