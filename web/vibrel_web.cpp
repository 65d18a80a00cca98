// The Web Audio binding's WebAssembly side: one string per AudioWorkletNode, with the blocks of floats
// the worklet (web/worklet.js) copies a render quantum's input and AudioParams into and the output out
// of, and the routine chosen per quantum by which params carry a value per frame. Everything here runs
// on the audio rendering thread but vibrel_web_new, which runs in the processor's constructor there too.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include "float_string.h"
#include "isa.h"

using namespace VIBREL_NS::float_host;

namespace {

constexpr long kFrames = 128; // a render quantum: the most frames one call of vibrel_web_process takes

struct Node {
    String *string;
    Controls controls;      // the params' single values, applied as messages when they change
    float in[3][kFrames];   // excitation, gain, period: what the worklet copied in
    float out[kFrames];     // the output the worklet copies out
};

// The console lines of the last vibrel_web_new, _info or _params, each ended by a newline.
char text[2048];
size_t textLength;

void post(const char *format, ...) {
    if (textLength + 1 >= sizeof text) return;
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(text + textLength, sizeof text - textLength - 1, format, args);
    va_end(args);
    if (n < 0) return;
    textLength += (size_t)n < sizeof text - textLength - 1 ? (size_t)n : sizeof text - textLength - 2;
    text[textLength++] = '\n';
    text[textLength] = '\0';
}

} // namespace

#define VIBREL_WEB_EXPORT extern "C" __attribute__((used, visibility("default")))

// A silent string whose largest delay is maxDelay samples (at least 8192), its DC blocker designed for
// sampleRate (Hz), the default period, gain and brightness; null with the reason in vibrel_web_text().
VIBREL_WEB_EXPORT Node *vibrel_web_new(double maxDelay, double sampleRate) {
    textLength = 0;
    text[0] = '\0';
    Node *x = (Node *)calloc(1, sizeof(Node));
    if (!x) return nullptr;
    char why[200];
    x->string = string_new(&maxDelay, why, sizeof why, system_memory());
    if (!x->string) {
        post("%s", why);
        free(x);
        return nullptr;
    }
    string_setRate(x->string, sampleRate);
    controls_start(x->string, x->controls, 0.99, 50.0, 0.9); // the params' defaults, the model's too
    return x;
}

VIBREL_WEB_EXPORT void vibrel_web_free(Node *x) {
    if (!x) return;
    string_free(x->string, system_memory());
    free(x);
}

// Where the worklet writes input k (0 excitation, 1 gain, 2 period) and reads the output: kFrames floats.
VIBREL_WEB_EXPORT float *vibrel_web_input(Node *x, int k) { return x->in[k < 0 ? 0 : k > 2 ? 2 : k]; }
VIBREL_WEB_EXPORT float *vibrel_web_output(Node *x) { return x->out; }

// One render quantum of n frames (0 to kFrames). Each of excitation, gain and period is a signal when its
// frame count is n (its samples in vibrel_web_input), else the single value given (an excitation with
// none: silence). A gain signal calls for the gain-and-period routine, else a period signal for the
// period routine, else the control-rate routine; single values of gain and period outside the routine's
// signals, and brightness always, act as their messages when they change.
VIBREL_WEB_EXPORT void vibrel_web_process(Node *x, int n, int excitationFrames, int gainFrames, int periodFrames,
                                          float gain, float period, float brightness) {
    if (n < 0) n = 0;
    if (n > kFrames) n = kFrames;
    const bool gainSignal = n > 1 && gainFrames == n, periodSignal = n > 1 && periodFrames == n;
    const Routine r = string_routine(gainSignal, periodSignal);
    controls_update(x->string, x->controls, kBrightnessControl, brightness);
    if (r != Routine::GainAndPeriod) controls_update(x->string, x->controls, kGainControl, gain);
    if (r == Routine::Control) controls_update(x->string, x->controls, kPeriodControl, period);
    const FloatInput in[3] = {{excitationFrames == n ? x->in[0] : nullptr, 0.0},
                              {gainSignal ? x->in[1] : nullptr, gain},
                              {periodSignal ? x->in[2] : nullptr, period}};
    string_perform(x->string, r, in, x->out, n);
}

// The "clear" message: the string silenced, its tuning kept.
VIBREL_WEB_EXPORT void vibrel_web_clear(Node *x) { string_clear(x->string); }

// The "info" and "params" lines, in vibrel_web_text().
VIBREL_WEB_EXPORT const char *vibrel_web_info() {
    textLength = 0;
    text[0] = '\0';
    string_info(post);
    return text;
}
VIBREL_WEB_EXPORT const char *vibrel_web_params(Node *x) {
    textLength = 0;
    text[0] = '\0';
    string_params(x->string, post);
    return text;
}
VIBREL_WEB_EXPORT const char *vibrel_web_text() { return text; }

// Tests: n frames of the model's doubles through routine r (0 control rate, 1 period, 2 gain and
// period) with no rounding to float, in[k] and out n doubles each in this module's memory.
VIBREL_WEB_EXPORT void vibrel_web_process64(Node *x, int r, double *in0, double *in1, double *in2, double *out, int n) {
    const Routine routines[3] = {Routine::Control, Routine::Period, Routine::GainAndPeriod};
    string_perform(x->string, routines[r < 0 ? 0 : r > 2 ? 2 : r], {in0, in1, in2}, out, n);
}

// Tests: the memory the module's allocator hands out and takes back (bytes; null when it has none).
VIBREL_WEB_EXPORT void *vibrel_web_alloc(int bytes) { return malloc(bytes < 0 ? 0 : (size_t)bytes); }
VIBREL_WEB_EXPORT void vibrel_web_release(void *p) { free(p); }

// Benchmarks and tests: the perform routines' path from the next quantum on (0 one sample at a time,
// 1 two lanes of SIMD128), for every string of the module; returns the path taken.
VIBREL_WEB_EXPORT int vibrel_web_path(int path) { return VIBREL_NS::vibrel_choosePath(path); }
