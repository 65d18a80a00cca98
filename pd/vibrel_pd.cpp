// The Pd class (vibrel~ or vibrel-lite~, one per external file): setup, creation, messages, the chain
// build and the perform routine. Float Pd's blocks go through the model's doubles (float_host/); pd64
// (PD_FLOATSIZE 64) hands its vectors over as they are. Pd calls everything here on its one thread.
#include "m_pd.h"

#include "g_canvas.h" // after m_pd.h, whose types it uses
extern "C" {
#include "m_imp.h" // obj_issignaloutlet; this header has no C++ guard of its own
}

#include "float_string.h"

using namespace VIBREL_NS::float_host;

namespace {

constexpr int kGainInlet = 1;   // loop gain per sample
constexpr int kPeriodInlet = 2; // period in samples per sample

struct t_vibrel_pd {
    t_object obj;
    t_float excitation; // inlet 0's value while no signal is connected to it (Pd's main signal inlet)
    t_canvas *canvas;   // the patch the object sits in: its connections choose the routine
    String *string;
    Routine routine; // chosen at each chain build
};

t_class *vibrel_class; // made once by the setup function; lives as long as Pd

// Whether a signal outlet is connected to one of the object's inlets. Pd passes an unconnected inlet
// as a vector too, so the patch's connections are walked; making or breaking one rebuilds the chain.
bool signal_connected(t_vibrel_pd *x, int inlet) {
    struct {
        t_linetraverser t;
        char room[256]; // a later Pd's traverser may be larger; it is only ever handed to Pd
    } walk;
    linetraverser_start(&walk.t, x->canvas);
    while (linetraverser_next(&walk.t))
        if (walk.t.tr_ob2 == &x->obj && walk.t.tr_inno == inlet && obj_issignaloutlet(walk.t.tr_ob, walk.t.tr_outno))
            return true;
    return false;
}

// Audio: w = {routine, x, excitation, gain, period, outlet, frames}. The outlet may be an inlet's
// vector: every inlet is read before the outlet is written.
t_int *vibrel_perform(t_int *w) {
    t_vibrel_pd *x = (t_vibrel_pd *)w[1];
    t_sample *out = (t_sample *)w[5];
    const long n = (long)w[6];
#if PD_FLOATSIZE == 64
    string_perform(x->string, x->routine, {(double *)w[2], (double *)w[3], (double *)w[4]}, out, n);
#else
    const FloatInput in[3] = {{(t_sample *)w[2], 0.0}, {(t_sample *)w[3], 0.0}, {(t_sample *)w[4], 0.0}};
    string_perform(x->string, x->routine, in, out, n);
#endif
    return w + 7;
}

// Chain build: silence the string, design its DC blocker for this rate, choose the routine by the
// connections (gain connected: gain and period from signals; else period connected; else control rate).
void vibrel_dsp(t_vibrel_pd *x, t_signal **sp) {
    string_restart(x->string, sp[0]->s_sr);
    x->routine = string_routine(signal_connected(x, kGainInlet), signal_connected(x, kPeriodInlet));
    dsp_add(vibrel_perform, 6, x, sp[0]->s_vec, sp[1]->s_vec, sp[2]->s_vec, sp[3]->s_vec, (t_int)sp[0]->s_n);
}

// Creation arguments: a first number is the largest delay in samples (its integer part, at least
// 8192); the rest are ignored. No object, and one error line, when that line cannot be made.
void *vibrel_new(t_symbol *, int argc, t_atom *argv) {
    double requested = 0.0;
    const bool given = argc > 0 && argv[0].a_type == A_FLOAT;
    if (given) requested = argv[0].a_w.w_float;
    char why[MAXPDSTRING];
    String *string = string_new(given ? &requested : nullptr, why, sizeof why, system_memory());
    if (!string) {
        pd_error(nullptr, "%s", why);
        return nullptr;
    }
    t_vibrel_pd *x = (t_vibrel_pd *)pd_new(vibrel_class);
    x->excitation = 0;
    x->canvas = canvas_getcurrent();
    x->string = string;
    x->routine = string_routine(false, false);
    inlet_new(&x->obj, &x->obj.ob_pd, &s_signal, &s_signal); // gain
    inlet_new(&x->obj, &x->obj.ob_pd, &s_signal, &s_signal); // period
    outlet_new(&x->obj, &s_signal);
    return x;
}

// Pd has taken the object out of the chain before it frees it.
void vibrel_free(t_vibrel_pd *x) { string_free(x->string, system_memory()); }

void vibrel_period(t_vibrel_pd *x, t_floatarg samples) { string_setPeriod(x->string, samples); }
void vibrel_gain(t_vibrel_pd *x, t_floatarg gain) { string_setGain(x->string, gain); }
void vibrel_brightness(t_vibrel_pd *x, t_floatarg brightness) { string_setBrightness(x->string, brightness); }
void vibrel_clear(t_vibrel_pd *x) { string_clear(x->string); }
void vibrel_info(t_vibrel_pd *) { string_info(post); }
void vibrel_params(t_vibrel_pd *x) { string_params(x->string, post); }

// Pd calls each method with its real signature; the class keeps them all as t_method (through the
// generic code pointer void (*)(void), which any function pointer converts to).
template <typename F> t_method as_method(F f) { return (t_method)(void (*)(void))f; }

} // namespace

// The one exported symbol: Pd looks it up by a name made from the class name (VIBREL_PD_SETUP, from
// the build) and calls it once when a box first names the class.
#ifdef _WIN32
#define VIBREL_PD_EXPORT __declspec(dllexport)
#else
#define VIBREL_PD_EXPORT __attribute__((visibility("default")))
#endif
extern "C" VIBREL_PD_EXPORT void VIBREL_PD_SETUP(void) {
    t_class *c = class_new(gensym(VIBREL_CLASS_NAME), (t_newmethod)as_method(vibrel_new), as_method(vibrel_free),
                           sizeof(t_vibrel_pd), CLASS_DEFAULT, A_GIMME, A_NULL);
    // CLASS_MAINSIGNALIN, spelled with offsetof: the macro's null-pointer arithmetic is undefined in C++.
    class_domainsignalin(c, (int)offsetof(t_vibrel_pd, excitation));
    class_addmethod(c, as_method(vibrel_dsp), gensym("dsp"), A_CANT, A_NULL);
    class_addmethod(c, as_method(vibrel_period), gensym("period"), A_FLOAT, A_NULL);
    class_addmethod(c, as_method(vibrel_gain), gensym("gain"), A_FLOAT, A_NULL);
    class_addmethod(c, as_method(vibrel_gain), gensym("fbgain"), A_FLOAT, A_NULL);
    class_addmethod(c, as_method(vibrel_brightness), gensym("brightness"), A_FLOAT, A_NULL);
    class_addmethod(c, as_method(vibrel_clear), gensym("clear"), A_NULL);
    class_addmethod(c, as_method(vibrel_info), gensym("info"), A_NULL);
    class_addmethod(c, as_method(vibrel_params), gensym("params"), A_NULL);
    vibrel_class = c;
}
