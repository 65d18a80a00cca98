// The float hosts' way into the string model: the record and its line in one block of the host's memory
// (the record's signal header belongs to the Max host and is never touched here), the model's routines
// called with that host's perform signature, float blocks converted on the stack.
#include "float_string.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "report_texts.h"
#include "vibrel.h"

namespace VIBREL_NS::float_host {

struct String {
    t_vibrel record;
    double rate;  // Hz the DC blocker is designed for; NaN until the first string_setRate
    long zeroRun; // outputs of +0 in a row, at most the line's length: all of its slots when equal to it
};

namespace {

// The line follows the record in the same block, from the record's next cache line (64 bytes): a block's
// start suits any double, and so does the line's.
constexpr size_t kLineOffset = (sizeof(String) + 63) / 64 * 64;

// Frames converted per step of a float block: 4 vectors of doubles, 4 KiB of stack. The routines give the
// same samples however a block is divided, and no message can arrive between the steps of one block.
constexpr long kChunk = 128;

void *c_alloc(void *, size_t bytes) { return calloc(1, bytes); }
void c_release(void *, void *block) { free(block); }

// Whether two doubles have the same bits (NaN equals itself, 0 differs from -0).
bool same_bits(double a, double b) {
    uint64_t u, v;
    memcpy(&u, &a, sizeof u);
    memcpy(&v, &b, sizeof v);
    return u == v;
}

bool positive_zero(double v) { return same_bits(v, 0.0); }

// Whether a vector of the string can only play +0 and leave it as it is: every slot of the line and
// every memory of the filters +0, and the excitation +0 throughout. Then each interpolated read is +0
// (a sum of zero products, one of them at least from a positive weight, for the weights sum to 1), and
// so are the loop filter's and DC blocker's outputs (+0 plus -0 is +0), whatever the tuning: running
// the loop would give the same bits. A string left to ring decays into such a state (flushed to zero),
// and then costs a scan of its input per block.
bool silent(const String *s, const FloatInput &excitation, long n) {
    const t_vibrel &x = s->record;
    if (s->zeroRun < x.bufLen || !positive_zero(x.lpfX1) || !positive_zero(x.lpfX2) || !positive_zero(x.dcX1) ||
        !positive_zero(x.dcY1))
        return false;
    if (!excitation.samples) return positive_zero(excitation.value);
    for (long i = 0; i < n; i++) {
        uint32_t bits;
        memcpy(&bits, &excitation.samples[i], sizeof bits);
        if (bits != 0) return false;
    }
    return true;
}

// Counts the +0 outputs that end the line's newest n samples y.
void count_zeros(String *s, const double *y, long n) {
    long trailing = 0;
    while (trailing < n && positive_zero(y[n - 1 - trailing]))
        trailing++;
    const long L = s->record.bufLen;
    if (trailing < n) s->zeroRun = trailing;
    else s->zeroRun = s->zeroRun < L - n ? s->zeroRun + n : L;
}

using ModelRoutine = void (*)(t_vibrel *, t_object *, double **, long, double **, long, long, long, void *);

ModelRoutine model_routine(Routine r) {
    switch (r) {
    case Routine::GainAndPeriod: return vibrel_dodsp3_64;
    case Routine::Period: return vibrel_dodsp2_64;
    case Routine::Control: break;
    }
    return vibrel_dodsp1_64;
}

} // namespace

Memory system_memory() { return Memory{c_alloc, c_release, nullptr}; }

String *string_new(const double *requested, char *why, size_t whySize, const Memory &memory) {
    double maxDelay = kDefaultMaxDelay;
    if (requested) {
        // Compared as a double first: a host's number can be far beyond any integer type, or infinite.
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
    const size_t limit = SIZE_MAX - kLineOffset;
    void *block = (size_t)slots <= limit / sizeof(double) ? memory.alloc(memory.context, kLineOffset + sizeof(double) * (size_t)slots)
                                                          : nullptr;
    if (!block) {
        snprintf(why, whySize, VIBREL_CLASS_NAME ": no memory for a delay line of %ld samples; no object made", slots);
        return nullptr;
    }
    memset(block, 0, sizeof(String)); // the line is silenced by vibrel_init
    String *s = (String *)block;
    s->rate = NAN;
    vibrel_init(&s->record, maxDelay, (double *)((char *)block + kLineOffset));
    s->zeroRun = s->record.bufLen;
    return s;
}

void string_free(String *s, const Memory &memory) {
    if (s) memory.release(memory.context, s);
}

void string_setPeriod(String *s, double samples) { vibrel_setDelayTime(&s->record, samples); }
void string_setGain(String *s, double gain) { vibrel_setFbGain(&s->record, gain); }
void string_setBrightness(String *s, double brightness) { vibrel_setBrightness(&s->record, brightness); }
void string_clear(String *s) {
    vibrel_clear(&s->record);
    s->zeroRun = s->record.bufLen;
}

void string_setRate(String *s, double sampleRate) {
    if (!same_bits(sampleRate, s->rate)) string_restart(s, sampleRate);
}

void string_restart(String *s, double sampleRate) {
    string_clear(s);
    vibrel_calcDcCoeffs(&s->record, sampleRate);
    s->rate = sampleRate;
}

Routine string_routine(bool gainSignal, bool periodSignal) {
    if (gainSignal) return Routine::GainAndPeriod;
    if (periodSignal) return Routine::Period;
    return Routine::Control;
}

void string_perform(String *s, Routine r, const FloatInput (&in)[3], float *out, long n) {
    if (n > 0 && silent(s, in[0], n)) {
        for (long i = 0; i < n; i++)
            out[i] = 0.0f;
        return;
    }
    const ModelRoutine run = model_routine(r);
    double chunk[4][kChunk];
    for (long at = 0; at < n; at += kChunk) {
        const long m = n - at < kChunk ? n - at : kChunk;
        for (int k = 0; k < 3; k++) {
            if (in[k].samples)
                for (long i = 0; i < m; i++)
                    chunk[k][i] = in[k].samples[at + i];
            else
                for (long i = 0; i < m; i++)
                    chunk[k][i] = in[k].value;
        }
        double *ins[3] = {chunk[0], chunk[1], chunk[2]}, *y = chunk[3];
        run(&s->record, nullptr, ins, 3, &y, 1, m, 0, nullptr);
        count_zeros(s, y, m);
        for (long i = 0; i < m; i++)
            out[at + i] = (float)y[i]; // rounded to nearest, once
    }
}

void string_perform(String *s, Routine r, double *const (&in)[3], double *out, long n) {
    double *ins[3] = {in[0], in[1], in[2]};
    model_routine(r)(&s->record, nullptr, ins, 3, &out, 1, n, 0, nullptr);
    s->zeroRun = 0; // the quiet path is the float blocks': this block may have left the line anything
}

namespace {

void apply(String *s, Control which, double value) {
    switch (which) {
    case kGainControl: string_setGain(s, value); break;
    case kPeriodControl: string_setPeriod(s, value); break;
    case kBrightnessControl: string_setBrightness(s, value); break;
    case kControls: break;
    }
}

} // namespace

void controls_start(String *s, Controls &c, double gain, double period, double brightness) {
    const double values[kControls] = {gain, period, brightness};
    for (int k = 0; k < kControls; k++) {
        c.applied[k] = values[k];
        apply(s, (Control)k, values[k]);
    }
}

void controls_update(String *s, Controls &c, Control which, double value) {
    if (same_bits(value, c.applied[which])) return;
    c.applied[which] = value;
    apply(s, which, value);
}

void string_info(Post post) {
    vibrel_infoLines([post](const char *format, auto... args) { post(format, args...); });
}

void string_params(const String *s, Post post) {
    vibrel_paramsLines([post](const char *format, auto... args) { post(format, args...); }, &s->record);
}

} // namespace VIBREL_NS::float_host
