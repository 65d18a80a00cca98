// "info", "params" and "assist" for the patcher user: the console texts (report_texts.h) through object_post.
#include <stdio.h>

#include "ext_api.h"
#include "report_texts.h"
#include "reports.h"

namespace VIBREL_NS {

constexpr long kAssistInlet = 1; // host's message code for an inlet; anything else is the outlet

// One object_post call per line: the host formats it.
constexpr auto kPost = [](const char *format, auto... args) { object_post(nullptr, format, args...); };

void vibrel_info(t_vibrel *) { vibrel_infoLines(kPost); }

void vibrel_params(t_vibrel *x) { vibrel_paramsLines(kPost, x); }

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
