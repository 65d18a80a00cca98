// The string as a Web Audio node (vibrel.js).

/** The two builds of the string: 'full' interpolates with 8 taps, 'lite' with 6 (a little cheaper). */
export type VibrelVariant = 'full' | 'lite';

export interface VibrelOptions extends AudioWorkletNodeOptions {
  /** Which build of the string; 'full' by default. */
  variant?: VibrelVariant;
  /** The longest period the string can take, in samples (at least, and by default, 8192). */
  maxDelay?: number;
}

/** What the node's port answers to 'info' and 'params', or says when the string could not be made. */
export interface VibrelReply {
  message: 'info' | 'params' | 'error';
  lines: string[];
}

/** The messages the node's port takes: 'clear' silences the string at the start of the next render quantum. */
export type VibrelMessage = 'clear' | 'info' | 'params';

/**
 * A string node in `context`: one input (the excitation, mixed down to mono), one mono output, and the
 * AudioParams `period` (samples, a-rate, default 50), `gain` (a-rate, default 0.99) and `brightness`
 * (k-rate, default 0.9), clamped by the model as its messages are. Loads the worklet and the
 * WebAssembly module from beside vibrel.js, once per context and variant.
 */
export function createVibrel(context: BaseAudioContext, options?: VibrelOptions): Promise<AudioWorkletNode>;

/** The period (samples) that sounds `frequency` (Hz) at `rate` (Hz), the DC blocker's phase lead included. */
export function periodFor(frequency: number, rate: number): number;
