// A small plug-in with faults chosen by its creation argument, to show that the emulator catches them:
// "early" frees its memory before leaving the chain, "leak" never frees it, "variadic" adds its routine
// through the variadic call that Windows x86 builds use, "mode" leaves the caller's floating-point
// rounding switched to toward-zero.
#include <string.h>

#include "ext_api.h"
#include "float_mode.h"

namespace {

enum Mode { Good, Early, Leak, Variadic, FpMode };

struct t_faulty {
    t_pxobject ob;
    double *memory; // 8 samples
    Mode mode;
};

t_class *faulty_class;

template <typename F> method as_method(F f) { return (method)(void (*)(void))f; }

void *faulty_new(t_symbol *, short argc, t_atom *argv) {
    t_faulty *x = (t_faulty *)object_alloc(faulty_class);
    if (!x) return nullptr;
    z_dsp_setup(&x->ob, 1);
    outlet_new(x, "signal");
    x->mode = Good;
    if (argc > 0 && argv[0].a_type == A_SYM) {
        const char *m = argv[0].a_w.w_sym->s_name;
        x->mode = !strcmp(m, "early")      ? Early
                  : !strcmp(m, "leak")     ? Leak
                  : !strcmp(m, "variadic") ? Variadic
                  : !strcmp(m, "mode")     ? FpMode
                                           : Good;
    }
    x->memory = (double *)sysmem_newptrclear(8 * sizeof(double));
    return x;
}

void faulty_free(t_faulty *x) {
    if (x->mode == Early) sysmem_freeptr(x->memory);
    z_dsp_free(&x->ob);
    if (x->mode != Early && x->mode != Leak) sysmem_freeptr(x->memory);
}

// Rounding toward zero: MXCSR bits 13-14, FPCR bits 22-23.
#if defined(__aarch64__)
constexpr vibrel_fp::ControlWord kTowardZero = 3ull << 22;
#else
constexpr vibrel_fp::ControlWord kTowardZero = 3u << 13;
#endif

// Doubles its input.
void faulty_perform(t_faulty *x, t_object *, double **ins, long, double **outs, long, long n, long, void *) {
    if (x->mode == FpMode) vibrel_fp::write_control(vibrel_fp::read_control() | kTowardZero);
    for (long i = 0; i < n; i++) outs[0][i] = 2.0 * ins[0][i];
}

void faulty_dsp64(t_faulty *x, t_object *chain, short *, double, long, long) {
    if (x->mode == Variadic)
        object_method(chain, gensym("dsp_add64"), x, faulty_perform, 0L, nullptr);
    else
        object_method_imp(chain, gensym("dsp_add64"), x, (void *)faulty_perform, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr);
}

// Two numbers at once, to exercise the host's typed dispatch with more than one argument.
void faulty_pair(t_faulty *x, double a, double b) {
    x->memory[0] = a;
    x->memory[1] = b;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int main(void) {
    t_class *c = class_new("faulty~", as_method(faulty_new), as_method(faulty_free), (long)sizeof(t_faulty), nullptr,
                           A_GIMME, 0);
    class_addmethod(c, as_method(faulty_dsp64), "dsp64", A_CANT, 0);
    class_addmethod(c, as_method(faulty_pair), "pair", A_FLOAT, A_DEFFLOAT, 0);
    class_dspinit(c);
    class_register(gensym("box"), c);
    faulty_class = c;
    return 0;
}
