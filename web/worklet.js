// The string's AudioWorkletProcessor ('vibrel'), on the audio rendering thread: one instance of the
// WebAssembly module per node, compiled once per variant from the bytes vibrel.js hands over in
// processorOptions (the worklet's scope has no fetch). Each render quantum copies the input and the
// params that carry a value per frame into the module's memory, runs the model there and copies its
// output, rounded to float once, back out.

const kFrames = 128; // the frames one call of the module takes (a render quantum)

const compiled = new Map(); // variant -> WebAssembly.Module

// The params, with the model's defaults and no range of their own: the model clamps, as its messages do.
const kParams = [
  { name: 'period', defaultValue: 50, automationRate: 'a-rate' }, // samples
  { name: 'gain', defaultValue: 0.99, automationRate: 'a-rate' }, // loop gain at the fundamental
  { name: 'brightness', defaultValue: 0.9, automationRate: 'k-rate' }, // Nyquist gain relative to it
];

// The text of a C string at byte address p of memory (the module's console lines are ASCII).
function cString(memory, p) {
  const bytes = new Uint8Array(memory.buffer);
  let s = '';
  for (let i = p; bytes[i] !== 0; i++) s += String.fromCharCode(bytes[i]);
  return s;
}

function lines(text) {
  return text.split('\n').filter((line) => line.length > 0);
}

class VibrelProcessor extends AudioWorkletProcessor {
  static get parameterDescriptors() {
    return kParams;
  }

  constructor(options) {
    super();
    const o = options.processorOptions;
    let module = compiled.get(o.variant);
    if (!module) {
      module = new WebAssembly.Module(o.bytes);
      compiled.set(o.variant, module);
    }
    const instance = new WebAssembly.Instance(module, { env: { emscripten_notify_memory_growth() {} } });
    this.wasm = instance.exports;
    this.wasm._initialize();
    this.node = this.wasm.vibrel_web_new(o.maxDelay, sampleRate);
    this.clearPending = false;
    if (!this.node) {
      this.port.postMessage({ message: 'error', lines: lines(cString(this.wasm.memory, this.wasm.vibrel_web_text())) });
      return;
    }
    this.at = [0, 1, 2].map((k) => this.wasm.vibrel_web_input(this.node, k));
    this.outAt = this.wasm.vibrel_web_output(this.node);
    this.port.onmessage = (e) => this.message(e.data);
  }

  // 'clear' at the start of the next quantum; 'info' and 'params' answered with their console lines.
  message(what) {
    if (what === 'clear') {
      this.clearPending = true;
    } else if (what === 'info' || what === 'params') {
      const p = what === 'info' ? this.wasm.vibrel_web_info() : this.wasm.vibrel_web_params(this.node);
      this.port.postMessage({ message: what, lines: lines(cString(this.wasm.memory, p)) });
    }
  }

  process(inputs, outputs, parameters) {
    const out = outputs[0][0];
    if (!this.node || !out) return true;
    if (this.clearPending) {
      this.wasm.vibrel_web_clear(this.node);
      this.clearPending = false;
    }
    // The memory's buffer is replaced when it grows (only when a node is made): views taken afresh.
    if (!this.heap || this.heap.buffer !== this.wasm.memory.buffer) this.heap = new Float32Array(this.wasm.memory.buffer);
    const heap = this.heap;
    const excitation = inputs[0] && inputs[0][0];
    const gain = parameters.gain, period = parameters.period, brightness = parameters.brightness;
    for (let at = 0; at < out.length; at += kFrames) {
      const n = Math.min(kFrames, out.length - at);
      const signal = (v) => v.length > 1; // a value per frame (a source connected or automation)
      if (excitation) heap.set(excitation.subarray(at, at + n), this.at[0] >> 2);
      if (signal(gain)) heap.set(gain.subarray(at, at + n), this.at[1] >> 2);
      if (signal(period)) heap.set(period.subarray(at, at + n), this.at[2] >> 2);
      this.wasm.vibrel_web_process(this.node, n, excitation ? n : 0, signal(gain) ? n : 1, signal(period) ? n : 1,
        gain[signal(gain) ? at : 0], period[signal(period) ? at : 0], brightness[0]);
      out.set(heap.subarray(this.outAt >> 2, (this.outAt >> 2) + n), at);
    }
    return true;
  }
}

registerProcessor('vibrel', VibrelProcessor);
