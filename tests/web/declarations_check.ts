// Compiled against the package's declarations (tsc --strict): what a TypeScript user writes.
import { createVibrel, periodFor, VibrelReply } from 'vibrel';

async function play(context: AudioContext): Promise<number> {
  const node: AudioWorkletNode = await createVibrel(context, {
    variant: 'lite',
    maxDelay: 16384,
    parameterData: { period: periodFor(220, context.sampleRate), gain: 0.995 },
  });
  node.port.onmessage = (e: MessageEvent<VibrelReply>) => console.log(e.data.lines.join('\n'));
  node.port.postMessage('params');
  node.connect(context.destination);
  const period: AudioParam | undefined = node.parameters.get('period');
  // @ts-expect-error: a variant the package does not have
  await createVibrel(context, { variant: 'mini' });
  return period ? period.value : 0;
}
export { play };
