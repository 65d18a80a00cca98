// The plug-in as the host sees it: entry point, message table, creation, destruction, chain set-up.
#include "ext_api.h"
#include "reports.h"
#include "vibrel.h"

#if defined(_WIN32)
#define VIBREL_EXPORT __declspec(dllexport)
#else
#define VIBREL_EXPORT __attribute__((visibility("default")))
#endif

using namespace VIBREL_NS;

namespace {

t_class *vibrel_class; // written once by main; the class lives as long as the process

constexpr long kSignalInlets = 3; // excitation, gain, period
constexpr short kGainInlet = 1;
constexpr short kPeriodInlet = 2;

void vibrel_free(t_vibrel *x);

// Box arguments: only a first integer atom counts, the largest delay in samples (at least 8192).
// Yields no object when that delay line cannot be counted or allocated. Message thread.
void *vibrel_new(t_symbol *, short argc, t_atom *argv) {
    t_vibrel *x = (t_vibrel *)object_alloc(vibrel_class);
    if (!x) return nullptr;
    x->buffer = nullptr;
    z_dsp_setup(&x->ob, kSignalInlets);
    outlet_new(x, "signal");

    double maxDelay = kDefaultMaxDelay;
    if (argc > 0 && argv[0].a_type == A_LONG) {
        // Judged at the atom's width (64 bits on Windows x86-64) before it narrows to the host's long
        // (32 bits on Windows), which would wrap a large value into a small delay.
        const t_atom_long v = argv[0].a_w.w_long;
        if (v > (t_atom_long)kMaxDelayLimit) {
            object_post(nullptr, VIBREL_CLASS_NAME ": a largest delay of %lld samples is more than %ld; no object made",
                        (long long)v, kMaxDelayLimit);
            object_free(x);
            return nullptr;
        }
        if (v > (long)kDefaultMaxDelay) maxDelay = (double)v;
    }

    const long slots = vibrel_lineSlots(maxDelay);
    double *line = (double *)sysmem_newptrclear((t_ptr_size)slots * sizeof(double));
    if (!line) {
        object_post(nullptr, VIBREL_CLASS_NAME ": no memory for a delay line of %ld samples; no object made", slots);
        object_free(x);
        return nullptr;
    }
    vibrel_init(x, maxDelay, line);
    return x;
}

// Leaves the signal chain before the delay line goes.
void vibrel_free(t_vibrel *x) {
    z_dsp_free(&x->ob);
    if (x->buffer) sysmem_freeptr(x->buffer);
}

// Chain build: silence the string, design the DC blocker for the rate, add the routine that the
// connected inlets call for. The vector size and flags are not needed.
void vibrel_dsp64(t_vibrel *x, t_object *chain, short *count, double samplerate, long, long) {
    vibrel_clear(x);
    vibrel_calcDcCoeffs(x, samplerate);

    void (*routine)(t_vibrel *, t_object *, double **, long, double **, long, long, long, void *) = vibrel_dodsp1_64;
    if (count[kGainInlet])
        routine = vibrel_dodsp3_64; // takes the period from inlet 2 as well, connected or not
    else if (count[kPeriodInlet])
        routine = vibrel_dodsp2_64;

#if defined(HOSTAPI_WIN32)
    object_method(chain, gensym("dsp_add64"), x, routine, 0L, nullptr);
#else
    object_method_imp(chain, gensym("dsp_add64"), x, (void *)routine, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr);
#endif
}

// The host calls each handler with its real signature; the table stores them all as `method`
// (through the generic code pointer void (*)(void), which any function pointer converts to).
template <typename F> method as_method(F f) { return (method)(void (*)(void))f; }

} // namespace

// Registers the class and its nine messages, in this order. Called once by the host; returns 0.
VIBREL_EXPORT int main(void) {
    t_class *c = class_new(VIBREL_CLASS_NAME, as_method(vibrel_new), as_method(vibrel_free), (long)sizeof(t_vibrel),
                           nullptr, A_GIMME, 0);
    class_addmethod(c, as_method(vibrel_dsp64), "dsp64", A_CANT, 0);
    class_addmethod(c, as_method(vibrel_info), "info", 0);
    class_addmethod(c, as_method(vibrel_params), "params", 0);
    class_addmethod(c, as_method(vibrel_assist), "assist", A_CANT, 0);
    class_addmethod(c, as_method(vibrel_clear), "clear", 0);
    class_addmethod(c, as_method(vibrel_setDelayTime), "period", A_FLOAT, 0);
    class_addmethod(c, as_method(vibrel_setFbGain), "gain", A_FLOAT, 0);
    class_addmethod(c, as_method(vibrel_setBrightness), "brightness", A_FLOAT, 0);
    class_addmethod(c, as_method(vibrel_setFbGain), "fbgain", A_FLOAT, 0);
    class_dspinit(c);
    class_register(gensym("box"), c);
    vibrel_class = c;
    return 0;
}
