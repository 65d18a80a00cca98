// The Pd binding's way into the string model: the record lives in ordinary heap memory (its signal
// header belongs to the other host and is never touched here), and the model's routines are called
// with that host's perform signature.
#include "bridge.h"

#include <stdio.h>
#include <stdlib.h>

#include "report_texts.h"
#include "vibrel.h"

namespace VIBREL_NS::pd_bridge {

struct String {
    t_vibrel record;
};

String *string_new(const double *requested, char *why, size_t whySize) {
    double maxDelay = kDefaultMaxDelay;
    if (requested) {
        // Compared as a double first: a Pd number can be far beyond any integer type, or infinite.
        const double v = *requested;
        if (!(v < (double)kMaxDelayLimit + 1.0)) {
            snprintf(why, whySize,
                     VIBREL_CLASS_NAME ": a largest delay of %.0f samples is more than %ld; no object made", v,
                     kMaxDelayLimit);
            return nullptr;
        }
        if (v >= maxDelay + 1.0) maxDelay = (double)(long long)v; // its integer part, exact below 2^53
    }
    const long slots = vibrel_lineSlots(maxDelay);
    String *s = (String *)calloc(1, sizeof(String));
    double *line = (double *)calloc((size_t)slots, sizeof(double));
    if (!s || !line) {
        free(s);
        free(line);
        snprintf(why, whySize, VIBREL_CLASS_NAME ": no memory for a delay line of %ld samples; no object made", slots);
        return nullptr;
    }
    vibrel_init(&s->record, maxDelay, line);
    return s;
}

void string_free(String *s) {
    if (!s) return;
    free(s->record.buffer);
    free(s);
}

void string_setPeriod(String *s, double samples) { vibrel_setDelayTime(&s->record, samples); }
void string_setGain(String *s, double gain) { vibrel_setFbGain(&s->record, gain); }
void string_setBrightness(String *s, double brightness) { vibrel_setBrightness(&s->record, brightness); }
void string_clear(String *s) { vibrel_clear(&s->record); }

void string_prepare(String *s, double sampleRate) {
    vibrel_clear(&s->record);
    vibrel_calcDcCoeffs(&s->record, sampleRate);
}

namespace {

using ModelRoutine = void (*)(t_vibrel *, t_object *, double **, long, double **, long, long, long, void *);

template <ModelRoutine R> void run(String *s, double *const *ins, double *out, long n) {
    double *in[3] = {ins[0], ins[1], ins[2]};
    R(&s->record, nullptr, in, 3, &out, 1, n, 0, nullptr);
}

} // namespace

Routine string_routine(bool gainConnected, bool periodConnected) {
    if (gainConnected) return run<vibrel_dodsp3_64>;
    if (periodConnected) return run<vibrel_dodsp2_64>;
    return run<vibrel_dodsp1_64>;
}

void string_info(Post post) {
    vibrel_infoLines([post](const char *format, auto... args) { post(format, args...); });
}

void string_params(const String *s, Post post) {
    vibrel_paramsLines([post](const char *format, auto... args) { post(format, args...); }, &s->record);
}

} // namespace VIBREL_NS::pd_bridge
