// "info", "params" and "assist": texts for the patcher user. One object_post call per console line.
#include <math.h>
#include <stdio.h>

#include "ext_api.h"
#include "reports.h"
#include "shared.h"

namespace VIBREL_NS {

using vibrel_shared::load;

static const char kSeparator[] = "---------------------------------------------------"; // 51 dashes
constexpr long kAssistInlet = 1; // host's message code for an inlet; anything else is the outlet

// Banner identifying the build; both variants say "vibrel~", the lite one adds a line.
void vibrel_info(t_vibrel *) {
    object_post(nullptr, kSeparator);
    object_post(nullptr, "vibrel~ external ver 3.2");
    object_post(nullptr, "Karplus-Strong string model");
    if (kOrder == 5) object_post(nullptr, "LITE Version (minor sound differences: less computationally demanding)");
    object_post(nullptr, "by the vibrel developers, 2026");
    object_post(nullptr, "https://vibrel.example.org");
    object_post(nullptr, "this version compiled: %s at %s", __DATE__, __TIME__);
    object_post(nullptr, kSeparator);
}

// The parameters of one object, in dB (20 log10; -inf or nan where a gain is 0 or negative) and raw.
void vibrel_params(t_vibrel *x) {
    const double g = load(x->fbGain);
    const double b = load(x->brightness);
    object_post(nullptr, kSeparator);
    object_post(nullptr, "vibrel~ filter order, M = %ld", kOrder);
    object_post(nullptr, "vibrel~ always ensure that: %.1f <= delay time <= %.1f samples", kMinPeriod, x->maxDelay);
    object_post(nullptr, "vibrel~ feedback gain at fundamental: %f dB ( %f )", 20.0 * log10(g), g);
    object_post(nullptr, "vibrel~ relative high-frequency gain: %f dB ( %f )", 20.0 * log10(b), b);
    object_post(nullptr, "vibrel~ feedback gain at Nyquist: %f dB ( %f )", 20.0 * log10(g * b), g * b);
    object_post(nullptr, "vibrel~ control rate delay period: %f samples", load(x->loopDelay) + 1.0);
    object_post(nullptr, kSeparator);
}

// Hover help: inlets 0..2 and outlet 0; any other index leaves the host's buffer untouched.
void vibrel_assist(t_vibrel *x, void *, long msg, long index, char *text) {
    if (msg == kAssistInlet) {
        switch (index) {
        case 0: sprintf(text, "signal input"); break;
        case 1:
            sprintf(text, "gain multiplier (signal, min: %.5lf, max: %.5lf )", -kGainBound, kGainBound);
            break;
        case 2:
            sprintf(text, "delay time in samples (signal, min: %.1lf, max: %.1lf )", kMinPeriod, x->maxDelay);
            break;
        default: break;
        }
    } else if (index == 0) {
        sprintf(text, "signal output");
    }
}

} // namespace VIBREL_NS
