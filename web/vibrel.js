// The string as a Web Audio node: createVibrel(context, options) loads the worklet (worklet.js) into the
// context and the variant's WebAssembly module from beside this file, once each, and makes an
// AudioWorkletNode 'vibrel'. No bundler, no network beyond the folder this file is served from.

const kVariants = ['full', 'lite'];
const kDefaultMaxDelay = 8192; // samples: the longest period, also the least a string is given

const worklets = new WeakMap(); // context -> Promise of its addModule
const modules = new Map(); // variant -> Promise of the module's bytes

function workletOf(context) {
  let loading = worklets.get(context);
  if (!loading) {
    loading = context.audioWorklet.addModule(new URL('./worklet.js', import.meta.url));
    worklets.set(context, loading);
    loading.catch(() => worklets.delete(context));
  }
  return loading;
}

function bytesOf(variant) {
  let loading = modules.get(variant);
  if (!loading) {
    loading = fetch(new URL(`./vibrel-${variant}.wasm`, import.meta.url)).then((r) => {
      if (!r.ok) throw new Error(`vibrel: vibrel-${variant}.wasm: ${r.status} ${r.statusText}`);
      return r.arrayBuffer();
    });
    modules.set(variant, loading);
    loading.catch(() => modules.delete(variant));
  }
  return loading;
}

// A string node in context: one input (the excitation, mixed down to mono), one mono output, the params
// period (samples), gain and brightness. options: variant ('full' or 'lite'), maxDelay (samples, at
// least 8192), and any AudioWorkletNode option (parameterData, ...). The string is silent, its DC
// blocker designed for context.sampleRate.
export async function createVibrel(context, options = {}) {
  const { variant = 'full', maxDelay = kDefaultMaxDelay, ...nodeOptions } = options;
  if (!kVariants.includes(variant)) throw new TypeError(`vibrel: variant '${variant}' is neither 'full' nor 'lite'`);
  if (typeof maxDelay !== 'number' || !(maxDelay >= 0)) throw new TypeError('vibrel: maxDelay must be a number of samples');
  const [, bytes] = await Promise.all([workletOf(context), bytesOf(variant)]);
  return new AudioWorkletNode(context, 'vibrel', {
    channelCount: 1,
    channelCountMode: 'explicit',
    channelInterpretation: 'speakers',
    ...nodeOptions,
    numberOfInputs: 1,
    numberOfOutputs: 1,
    outputChannelCount: [1],
    processorOptions: { ...nodeOptions.processorOptions, variant, maxDelay, bytes },
  });
}

// The period (samples) that sounds frequency (Hz) at rate (Hz): rate / frequency lengthened by the phase
// lead of the string's 20 Hz DC blocker. Within a cent from 55 to 4186 Hz at 44.1 kHz.
export function periodFor(frequency, rate) {
  const kDcCornerTwoPi = 125.66370614359172; // 2 pi 20
  return (rate / frequency) * (1 + Math.atan((kDcCornerTwoPi / rate) * 0.5 / Math.tan((Math.PI * frequency) / rate)) / (2 * Math.PI));
}
