// The reset of the string: delay line, write position and filter memories.
#include "isa.h"
#include "shared.h"
#include "vibrel.h"

namespace VIBREL_NS {

using vibrel_shared::store;

namespace {

// The line, the write position and the filter memories to 0.
void silence(t_vibrel *x) {
    const long L = x->bufLen;
    double *B = x->buffer;
    for (long i = 0; i < L; i++) store(B[i], 0.0);
    store(x->writeIndex, 0L);
    store(x->dcY1, 0.0);
    store(x->dcX1, 0.0);
    store(x->lpfX1, 0.0);
    store(x->lpfX2, 0.0);
}

} // namespace

void vibrel_init(t_vibrel *x, double maxDelay, double *line) {
    vibrel_defaultPath(); // the processor is checked at the first creation, never in a perform routine
    x->gate = 0;          // no routine runs on a record being made
    x->maxDelay = maxDelay;
    vibrel_ccCalc(x);
    x->bufLen = vibrel_lineSlots(maxDelay);
    x->buffer = line;
    silence(x);
    // Stored as they are: the period's loop-filter design below reads them.
    x->fbGain = kDefaultFbGain;
    x->brightness = kDefaultBrightness;
    vibrel_setDelayTime(x, kDefaultPeriod);
}

// Silences the string; coefficients and parameters keep their values. Message thread or chain build,
// while the audio thread may be running vectors: waits for the vector in flight, and the vectors that
// start meanwhile play silence, so that none stores the old string back (core/gate.h).
void vibrel_clear(t_vibrel *x) {
    const vibrel_gate::Reset reset(x->gate);
    silence(x);
}

} // namespace VIBREL_NS
