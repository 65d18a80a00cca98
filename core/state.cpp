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
    x->params = 0;
    x->dcRate = 0.0;      // no chain built yet
    x->maxDelay = maxDelay;
    vibrel_ccCalc(x);
    x->bufLen = vibrel_lineSlots(maxDelay);
    x->buffer = line;
    silence(x);
    // Stored as they are: the period's loop-filter design below reads them.
    x->fbGain = x->wantedGain = kDefaultFbGain;
    x->brightness = x->wantedBrightness = kDefaultBrightness;
    vibrel_setDelayTime(x, kDefaultPeriod);
}

// Silences the string; coefficients and parameters keep their values. Message thread, chain build or
// the audio thread between vectors, while the audio thread may be running vectors: the vectors that
// start before the line is silent play silence, so that none stores the old string back (core/gate.h).
void vibrel_clear(t_vibrel *x) { vibrel_reset(x, vibrel_gate::kSilence, 0.0); }

// The holder serves its own requests, then those posted meanwhile, until none is left. One silence
// per hold (later ones are covered) and one DC design per pass: the holder's work is bounded by what
// the other threads ask for while it holds the word.
void vibrel_reset(t_vibrel *x, vibrel_gate::Word requests, double sampleRate) {
    using namespace vibrel_gate;
    if (requests & kDesignDc) store(x->dcRate, sampleRate); // published by the post or the hold below
    if (!hold_or_post(x->gate, requests)) return;
    wait_for_vector(x->gate);
    for (Word r = requests; r != 0; r = next_requests(x->gate)) {
        if (r & kSilence) silence(x);
        if (r & kDesignDc) vibrel_designDc(x, vibrel_shared::load(x->dcRate));
    }
}

} // namespace VIBREL_NS
