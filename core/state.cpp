// The reset of the string: delay line, write position and filter memories.
#include "isa.h"
#include "shared.h"
#include "vibrel.h"

namespace VIBREL_NS {

using vibrel_shared::store;

void vibrel_init(t_vibrel *x, double maxDelay, double *line) {
    vibrel_defaultPath(); // the processor is checked at the first creation, never in a perform routine
    x->maxDelay = maxDelay;
    vibrel_ccCalc(x);
    x->bufLen = vibrel_lineSlots(maxDelay);
    x->buffer = line;
    vibrel_clear(x);
    // Stored as they are: the period's loop-filter design below reads them.
    x->fbGain = kDefaultFbGain;
    x->brightness = kDefaultBrightness;
    vibrel_setDelayTime(x, kDefaultPeriod);
}

// Silences the string; coefficients and parameters keep their values. Message thread or chain build;
// races with a running vector only in which samples survive, never in an index (writeIndex is 0).
void vibrel_clear(t_vibrel *x) {
    const long L = x->bufLen;
    double *B = x->buffer;
    for (long i = 0; i < L; i++) store(B[i], 0.0);
    store(x->writeIndex, 0L);
    store(x->dcY1, 0.0);
    store(x->dcX1, 0.0);
    store(x->lpfX1, 0.0);
    store(x->lpfX2, 0.0);
}

} // namespace VIBREL_NS
