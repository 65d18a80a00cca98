// The Pd class (vibrel~ or vibrel-lite~, one per external file): setup, creation, messages, the chain
// build and the perform routine. Float Pd's blocks go through the model's doubles (float_host/); pd64
// (PD_FLOATSIZE 64) hands its vectors over as they are. Pd calls everything here on its one thread.
#include "m_pd.h"

#include "g_canvas.h" // after m_pd.h, whose types it uses
extern "C" {
#include "m_imp.h" // obj_issignaloutlet; this header has no C++ guard of its own
}

#include "float_string.h"
#include "multichannel.h"

#include <math.h>

using namespace VIBREL_NS::float_host;

namespace {

constexpr int kGainInlet = 1;   // loop gain per sample
constexpr int kPeriodInlet = 2; // period in samples per sample

struct t_vibrel_pd {
    t_object obj;
    t_float excitation; // inlet 0's value while no signal is connected to it (Pd's main signal inlet)
    t_canvas *canvas;   // the patch the object sits in: its connections choose the routine
    // The floats of the gain and period inlets (Pd's own fields: a float sent to the inlet lands there, and
    // Pd fills the inlet's vector with it while nothing is connected); NaN marks "no new float", so that
    // each float, even one equal to the last, is taken once.
    t_float *floats[2];
    double lastFloat[2];        // the last float taken per inlet (NaN: none yet)
    double messages[kControls]; // the last gain, period and brightness messages (NaN: none), for strings made later
    String **strings;           // one per channel, the first made with the object
    int allocated;              // strings made
    int capacity;               // room in strings
    double maxDelay;            // the creation argument, for strings made later
    bool maxDelayGiven;
    Routine routine;          // chosen at each chain build
    bool floatsAsMessages[2]; // whether the routine leaves an inlet's float to act as its message
    bool periodFloatSignal;   // whether the routine reads the unconnected period inlet as a signal
    // The chain's vectors: the inlets (channels of `length` samples one after another) and the outlet.
    t_sample *vec[4];
    int inChannels[3];
    int channels; // the outlet's, one string each
    int length;
};

t_class *vibrel_class;               // made once by the setup function; lives as long as Pd
vibrel_pd::SetMultiOut set_multiout; // Pd 0.54+'s, null before

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

// The messages' setters, by Control: gain, period, brightness.
void (*const kSetters[kControls])(String *, double) = {string_setGain, string_setPeriod, string_setBrightness};

// A message to every channel's string, remembered for strings made later. Message thread.
void apply(t_vibrel_pd *x, Control which, double value) {
    x->messages[which] = value;
    for (int c = 0; c < x->allocated; c++)
        kSetters[which](x->strings[c], value);
}

// The floats that arrived at the gain and period inlets since the last block, taken and applied as the
// gain and period messages where the routine does not read those inlets as signals. Audio thread (Pd's one
// thread).
void follow_floats(t_vibrel_pd *x) {
    for (int k = 0; k < 2; k++) {
        const double v = *x->floats[k];
        if (v != v) continue; // no new float
        *x->floats[k] = NAN;
        x->lastFloat[k] = v;
        if (x->floatsAsMessages[k]) apply(x, k == 0 ? kGainControl : kPeriodControl, v);
    }
}

// Audio: w = {x}; the vectors are the object's, set by the chain build. The outlet may be an inlet's
// vector: each channel's inlets are read before that channel's outlet is written.
t_int *vibrel_perform(t_int *w) {
    t_vibrel_pd *x = (t_vibrel_pd *)w[1];
    follow_floats(x);
    const long n = x->length;
    // An inlet with fewer channels than the outlet repeats its channels; the period inlet's float stands in
    // for its signal (0 before the first float) when the gain-and-period routine reads it unconnected.
    const bool periodFloat = x->periodFloatSignal;
    const double period = x->lastFloat[1] == x->lastFloat[1] ? x->lastFloat[1] : 0.0;
    int from[3] = {0, 0, 0};
    for (int c = 0; c < x->channels; c++) {
        t_sample *in[3];
        for (int k = 0; k < 3; k++) {
            in[k] = x->vec[k] + (long)from[k] * n;
            if (++from[k] == x->inChannels[k]) from[k] = 0;
        }
        t_sample *out = x->vec[3] + (long)c * n;
#if PD_FLOATSIZE == 64
        if (periodFloat)
            for (long i = 0; i < n; i++)
                in[2][i] = period; // Pd's copy of the inlet's float, refilled every block
        string_perform(x->strings[c], x->routine, {in[0], in[1], in[2]}, out, n);
#else
        const FloatInput inputs[3] = {{in[0], 0.0}, {in[1], 0.0}, {periodFloat ? nullptr : in[2], period}};
        string_perform(x->strings[c], x->routine, inputs, out, n);
#endif
    }
    return w + 2;
}

// Makes strings up to `channels` (each as a lone object would be: silent, with the messages so far);
// false, with an error line, when one cannot be made. Chain build.
bool make_strings(t_vibrel_pd *x, int channels) {
    if (channels <= x->allocated) return true;
    if (channels > x->capacity) {
        String **more = (String **)getbytes(sizeof(String *) * (size_t)channels);
        if (!more) return false;
        for (int c = 0; c < x->allocated; c++)
            more[c] = x->strings[c];
        freebytes(x->strings, sizeof(String *) * (size_t)x->capacity);
        x->strings = more;
        x->capacity = channels;
    }
    for (; x->allocated < channels; x->allocated++) {
        char why[MAXPDSTRING];
        String *s = string_new(x->maxDelayGiven ? &x->maxDelay : nullptr, why, sizeof why, system_memory());
        if (!s) {
            pd_error(x, "%s", why);
            return false;
        }
        for (int k = 0; k < kControls; k++)
            kSetters[k](s, x->messages[k]);
        x->strings[x->allocated] = s;
    }
    return true;
}

// Chain build (on every rebuild anywhere in Pd): the strings keep ringing unless the sample rate changed,
// which silences them and designs their DC blockers for it; the routine is chosen by the connections (gain
// connected: gain and period from signals; else period connected; else control rate). Pd 0.54+: one string
// per channel of the widest inlet.
void vibrel_dsp(t_vibrel_pd *x, t_signal **sp) {
    int channels = 1;
    for (int k = 0; k < 3; k++) {
        x->inChannels[k] = set_multiout ? vibrel_pd::signal_channels(sp[k]) : 1;
        if (x->inChannels[k] < 1) x->inChannels[k] = 1; // never fewer than Pd's one channel of a plain signal
        if (x->inChannels[k] > channels) channels = x->inChannels[k];
    }
    if (set_multiout) set_multiout(&sp[3], channels);
    if (!make_strings(x, channels)) channels = x->allocated; // the channels beyond stay silent
    for (int c = 0; c < x->allocated; c++)
        string_setRate(x->strings[c], sp[0]->s_sr);
    const bool gain = signal_connected(x, kGainInlet), period = signal_connected(x, kPeriodInlet);
    x->routine = string_routine(gain, period);
    x->floatsAsMessages[0] = !gain;
    x->floatsAsMessages[1] = !gain && !period;
    x->periodFloatSignal = gain && !period;
    for (int k = 0; k < 3; k++)
        x->vec[k] = sp[k]->s_vec;
    x->vec[3] = sp[3]->s_vec;
    x->length = sp[0]->s_n;
    x->channels = channels;
    if (channels < (set_multiout ? vibrel_pd::signal_channels(sp[3]) : 1))
        dsp_add_zero(sp[3]->s_vec + (long)channels * x->length,
                     (vibrel_pd::signal_channels(sp[3]) - channels) * x->length);
    dsp_add(vibrel_perform, 1, x);
}
// Creation arguments: a first number is the largest delay in samples (its integer part, at least
// 8192); the rest are ignored. No object, and one error line, when that line cannot be made.
void *vibrel_new(t_symbol *, int argc, t_atom *argv) {
    double requested = 0.0;
    const bool given = argc > 0 && argv[0].a_type == A_FLOAT;
    if (given) requested = argv[0].a_w.w_float;
    char why[MAXPDSTRING];
    String *string = string_new(given ? &requested : nullptr, why, sizeof why, system_memory());
    String **strings = string ? (String **)getbytes(sizeof(String *)) : nullptr;
    if (!strings) {
        if (string) string_free(string, system_memory());
        pd_error(nullptr, "%s", why);
        return nullptr;
    }
    t_vibrel_pd *x = (t_vibrel_pd *)pd_new(vibrel_class);
    x->excitation = 0;
    x->canvas = canvas_getcurrent();
    strings[0] = string;
    x->strings = strings;
    x->allocated = x->capacity = 1;
    x->maxDelay = requested;
    x->maxDelayGiven = given;
    x->routine = string_routine(false, false);
    inlet_new(&x->obj, &x->obj.ob_pd, &s_signal, &s_signal); // gain
    inlet_new(&x->obj, &x->obj.ob_pd, &s_signal, &s_signal); // period
    outlet_new(&x->obj, &s_signal);
    for (int k = 0; k < 2; k++) {
        x->floats[k] = obj_findsignalscalar(&x->obj, k + 1);
        *x->floats[k] = NAN;
        x->lastFloat[k] = NAN;
    }
    for (double &m : x->messages)
        m = NAN;
    return x;
}

// Pd has taken the object out of the chain before it frees it.
void vibrel_free(t_vibrel_pd *x) {
    for (int c = 0; c < x->allocated; c++)
        string_free(x->strings[c], system_memory());
    freebytes(x->strings, sizeof(String *) * (size_t)x->capacity);
}

void vibrel_period(t_vibrel_pd *x, t_floatarg samples) { apply(x, kPeriodControl, samples); }
void vibrel_gain(t_vibrel_pd *x, t_floatarg gain) { apply(x, kGainControl, gain); }
void vibrel_brightness(t_vibrel_pd *x, t_floatarg brightness) { apply(x, kBrightnessControl, brightness); }
void vibrel_clear(t_vibrel_pd *x) {
    for (int c = 0; c < x->allocated; c++)
        string_clear(x->strings[c]);
}
void vibrel_info(t_vibrel_pd *) { string_info(post); }
// The first channel's string: every channel has the same settings.
void vibrel_params(t_vibrel_pd *x) { string_params(x->strings[0], post); }

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
    set_multiout = vibrel_pd::find_setmultiout();
    t_class *c =
        class_new(gensym(VIBREL_CLASS_NAME), (t_newmethod)as_method(vibrel_new), as_method(vibrel_free),
                  sizeof(t_vibrel_pd), set_multiout ? vibrel_pd::kClassMultichannel : CLASS_DEFAULT, A_GIMME, A_NULL);
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
