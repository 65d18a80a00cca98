// The package's page: a string to pluck with a click or a key, its period tuned from a pitch (periodFor),
// its gain and brightness, and a picture of each pluck: the same pluck rendered offline by the same node,
// its waveform and its spectrum (dB).
import { createVibrel, periodFor } from './vibrel.js';

const $ = (id) => document.getElementById(id);
const kPicture = 8192; // frames of each pluck drawn
const kBurst = 0.004; // seconds of noise that pluck the string
const kScale = { KeyA: 0, KeyS: 2, KeyD: 4, KeyF: 5, KeyG: 7, KeyH: 9, KeyJ: 11, KeyK: 12 }; // semitones

let live = null; // {context, node, variant}
let plucks = 0;

function settings(semitones = 0) {
  const rate = live ? live.context.sampleRate : 44100;
  const pitch = Number($('pitch').value) * 2 ** (semitones / 12);
  return { period: periodFor(pitch, rate), gain: Number($('gain').value), brightness: Number($('brightness').value) };
}

function showValues() {
  $('pitchOut').value = `${Number($('pitch').value).toFixed(1)}`;
  $('gainOut').value = Number($('gain').value).toFixed(5);
  $('brightnessOut').value = Number($('brightness').value).toFixed(3);
  $('period').value = settings().period.toFixed(3);
  document.body.dataset.rate = String(live ? live.context.sampleRate : 44100);
}

// A burst of noise into `node` at `when` (seconds of the context's time).
function burst(context, node, when) {
  const frames = Math.round(kBurst * context.sampleRate);
  const b = context.createBuffer(1, frames, context.sampleRate);
  const x = b.getChannelData(0);
  for (let i = 0; i < frames; i++) x[i] = (Math.random() * 2 - 1) * (1 - i / frames);
  const s = context.createBufferSource();
  s.buffer = b;
  s.connect(node);
  s.start(when);
}

async function liveString() {
  const variant = $('variant').value;
  if (live && live.variant === variant) return live;
  const context = live ? live.context : new AudioContext();
  if (live) live.node.disconnect();
  const node = await createVibrel(context, { variant });
  node.connect(context.destination);
  live = { context, node, variant };
  showValues(); // the period for the context's own rate
  return live;
}

function apply(node, s, when) {
  node.parameters.get('period').setValueAtTime(s.period, when);
  node.parameters.get('gain').setValueAtTime(s.gain, when);
  node.parameters.get('brightness').setValueAtTime(s.brightness, when);
}

async function pluck(semitones = 0) {
  const s = settings(semitones);
  try {
    const { context, node } = await liveString();
    await context.resume();
    apply(node, s, context.currentTime);
    burst(context, node, context.currentTime);
  } catch (e) {
    console.warn('vibrel: no live sound here:', e.message); // the picture is drawn all the same
  }
  plucks++;
  document.body.dataset.plucks = String(plucks);
  await picture(s);
}

// The pluck rendered offline, as the live node plays it: its waveform and its spectrum.
async function picture(s) {
  const context = new OfflineAudioContext(1, kPicture, 44100);
  const node = await createVibrel(context, { variant: $('variant').value, parameterData: s });
  node.connect(context.destination);
  burst(context, node, 0);
  const y = (await context.startRendering()).getChannelData(0);
  drawWave(y);
  drawSpectrum(y);
  let peak = 0;
  for (const v of y) peak = Math.max(peak, Math.abs(v));
  document.body.dataset.peak = peak.toFixed(4);
  document.body.dataset.drawn = 'yes';
}

function frame(canvas, label) {
  const g = canvas.getContext('2d');
  g.clearRect(0, 0, canvas.width, canvas.height);
  g.fillStyle = '#888';
  g.font = '12px sans-serif';
  g.fillText(label, 8, 16);
  return g;
}

function drawWave(y) {
  const c = $('wave');
  const g = frame(c, `waveform, ${kPicture} samples`);
  let peak = 1e-9;
  for (const v of y) peak = Math.max(peak, Math.abs(v));
  // Each column the least and greatest sample it covers.
  g.fillStyle = '#c9852e';
  const scale = (c.height / 2 - 8) / peak;
  for (let px = 0; px < c.width; px++) {
    let lo = Infinity, hi = -Infinity;
    for (let i = Math.floor((px * y.length) / c.width); i < Math.floor(((px + 1) * y.length) / c.width); i++) {
      lo = Math.min(lo, y[i]);
      hi = Math.max(hi, y[i]);
    }
    const top = Math.floor(c.height / 2 - hi * scale); // whole pixels: every column solid, however quiet
    g.fillRect(px, top, 1, Math.max(1, Math.ceil(c.height / 2 - lo * scale) - top));
  }
}

// In-place radix-2 FFT of re, im (length a power of two).
function fft(re, im) {
  const n = re.length;
  for (let i = 1, j = 0; i < n; i++) {
    let bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) {
      [re[i], re[j]] = [re[j], re[i]];
      [im[i], im[j]] = [im[j], im[i]];
    }
  }
  for (let len = 2; len <= n; len <<= 1) {
    const a = (-2 * Math.PI) / len;
    for (let i = 0; i < n; i += len)
      for (let k = 0; k < len / 2; k++) {
        const wr = Math.cos(a * k), wi = Math.sin(a * k);
        const xr = re[i + k + len / 2] * wr - im[i + k + len / 2] * wi;
        const xi = re[i + k + len / 2] * wi + im[i + k + len / 2] * wr;
        re[i + k + len / 2] = re[i + k] - xr;
        im[i + k + len / 2] = im[i + k] - xi;
        re[i + k] += xr;
        im[i + k] += xi;
      }
  }
}

function drawSpectrum(y) {
  const c = $('spectrum');
  const g = frame(c, 'spectrum, 0 to 5 kHz, 80 dB');
  const n = y.length, re = new Float64Array(n), im = new Float64Array(n);
  for (let i = 0; i < n; i++) re[i] = y[i] * (0.5 - 0.5 * Math.cos((2 * Math.PI * i) / n)); // Hann window
  fft(re, im);
  const bins = Math.floor((5000 / 44100) * n);
  const db = (k) => 10 * Math.log10(re[k] * re[k] + im[k] * im[k] + 1e-20);
  let top = -Infinity;
  for (let k = 0; k < bins; k++) top = Math.max(top, db(k));
  g.strokeStyle = '#2e6fc9';
  g.beginPath();
  for (let px = 0; px < c.width; px++) {
    const k = Math.floor((px * bins) / c.width);
    const py = Math.min(c.height, ((top - db(k)) / 80) * (c.height - 20) + 20);
    px ? g.lineTo(px, py) : g.moveTo(px, py);
  }
  g.stroke();
}

for (const id of ['pitch', 'gain', 'brightness']) $(id).addEventListener('input', showValues);
$('period').addEventListener('change', () => {
  // A period typed in: the pitch that period sounds (periodFor inverted by a few fixed-point steps).
  const rate = live ? live.context.sampleRate : 44100, want = Number($('period').value);
  let f = rate / want;
  for (let i = 0; i < 4; i++) f *= periodFor(f, rate) / want;
  $('pitch').value = f;
  showValues();
});
$('pluck').addEventListener('click', () => pluck());
window.addEventListener('keydown', (e) => {
  if (e.repeat || e.target.tagName === 'INPUT') return;
  if (e.code in kScale) pluck(kScale[e.code]);
  else if (/^Key[A-Z]$/.test(e.code)) pluck();
});
showValues();
