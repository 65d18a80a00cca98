// A stand-in for Pd's pd.dll (float, PD_FLOATSIZE 32) and pd64.dll (double) under Wine: it exports every
// name of pd/pd_functions.list (from the module-definition file the build writes from that list) and is
// the small part of Pd a signal external meets: classes and their methods, objects with signal inlets
// and an outlet, a patch in memory whose connections the external walks, the DSP chain and its block
// loop, the console. The script driver runs it through the standin_ functions (pd_host.h).
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#define PD_INTERNAL // EXTERN is dllexport here: this is the DLL the externals import from
#include "m_pd.h"

#include "g_canvas.h" // after m_pd.h, whose types it uses
#undef class_new      // pd64's m_pd.h names class_new class_new64: both are defined below, as in Pd

#define STANDIN extern "C" __declspec(dllexport)

struct Method {
    t_symbol *sel;
    t_method fn;
    t_atomtype arg; // A_FLOAT, A_CANT (dsp) or A_NULL (none)
};
struct _class {
    t_symbol *name;
    t_newmethod make;
    t_method destroy;
    size_t size;
    bool double_precision; // made through class_new64
    int signal_offset;     // of the main signal inlet's float
    std::vector<Method> methods;
};
struct _outlet {
    bool signal;
};

namespace {
std::vector<t_class *> classes;
std::vector<std::string> console;
t_canvas *const kCanvas = (t_canvas *)&classes; // the one patch: only ever handed back to us

// The patch: the object under test and, for each inlet a script connects, a source object with one
// signal outlet. connections[i] = {source, inlet}.
struct Connection {
    t_object *from;
    int inlet;
};
t_object *object = nullptr;
t_outlet signalOutlet{true};
t_object sources[3];
std::vector<Connection> connections;

// The chain: Pd's layout, {routine, its arguments...} one after another.
std::vector<t_int> chain;
std::vector<t_sample> vectors[4]; // the three inlets, the outlet
t_signal signals[4];
double rate = 44100.0;
bool built = false;

void line(const std::string &prefix, const char *fmt, va_list ap) {
    char text[MAXPDSTRING];
    vsnprintf(text, sizeof text, fmt, ap);
    console.push_back(prefix + text);
}

t_class *make_class(t_symbol *name, t_newmethod make, t_method destroy, size_t size, bool isDouble) {
    t_class *c = new _class();
    c->name = name;
    c->make = make;
    c->destroy = destroy;
    c->size = size;
    c->double_precision = isDouble;
    c->signal_offset = -1;
    classes.push_back(c);
    return c;
}

t_int *fill_zero(t_int *w) {
    memset((void *)w[1], 0, sizeof(t_sample) * (size_t)w[2]);
    return w + 3;
}

const Method *method(t_symbol *sel) {
    if (!object) return nullptr;
    for (const Method &m : (*(t_class **)object)->methods)
        if (m.sel == sel) return &m;
    return nullptr;
}
} // namespace

extern "C" {
t_symbol s_signal = {(char *)"signal", nullptr, nullptr};

t_symbol *gensym(const char *s) {
    static t_symbol *symbols = nullptr;
    for (t_symbol *p = symbols; p; p = p->s_next)
        if (!strcmp(p->s_name, s)) return p;
    t_symbol *sym = (t_symbol *)calloc(1, sizeof(t_symbol));
    sym->s_name = strdup(s);
    sym->s_next = symbols;
    return symbols = sym;
}

t_class *class_new(t_symbol *name, t_newmethod make, t_method destroy, size_t size, int, t_atomtype, ...) {
    return make_class(name, make, destroy, size, false);
}
__declspec(dllexport) t_class *class_new64(t_symbol *name, t_newmethod make, t_method destroy, size_t size, int,
                                           t_atomtype, ...) {
    return make_class(name, make, destroy, size, true);
}
void class_addmethod(t_class *c, t_method fn, t_symbol *sel, t_atomtype arg, ...) {
    c->methods.push_back({sel, fn, arg});
}
void class_domainsignalin(t_class *c, int onset) { c->signal_offset = onset; }

void *getbytes(size_t n) { return calloc(n ? n : 1, 1); }
void freebytes(void *p, size_t) { free(p); }
void *resizebytes(void *p, size_t, size_t n) { return realloc(p, n ? n : 1); }
t_pd *pd_new(t_class *c) {
    t_pd *x = (t_pd *)getbytes(c->size);
    *x = c;
    return x;
}
t_inlet *inlet_new(t_object *, t_pd *, t_symbol *, t_symbol *) { return (t_inlet *)&signalOutlet; }
t_outlet *outlet_new(t_object *, t_symbol *s) { return s == &s_signal ? &signalOutlet : nullptr; }
t_canvas *canvas_getcurrent(void) { return kCanvas; }
int obj_issignaloutlet(const t_object *ob, int m) { return m == 0 && ob >= sources && ob < sources + 3; }
// The floats of the object's signal inlets (inlet 0's is the class's field).
t_float *obj_findsignalscalar(const t_object *ob, int m) {
    static t_float scalars[3];
    if (m == 0) return (t_float *)((char *)ob + (*(t_class *const *)ob)->signal_offset);
    return m < 3 ? &scalars[m] : nullptr;
}
// Pd 0.53: no multichannel signals.
void sys_getversion(int *major, int *minor, int *bugfix) {
    *major = 0;
    *minor = 53;
    *bugfix = 1;
}

// The connections to the object, one per call (the traverser's first coordinate counts them).
void linetraverser_start(t_linetraverser *t, t_canvas *x) {
    memset(t, 0, sizeof *t);
    t->tr_x = x;
}
t_outconnect *linetraverser_next(t_linetraverser *t) {
    if (t->tr_x != kCanvas || t->tr_lx1 >= (int)connections.size()) return nullptr;
    const Connection &c = connections[(size_t)t->tr_lx1++];
    t->tr_ob = c.from;
    t->tr_outno = 0;
    t->tr_ob2 = object;
    t->tr_inno = c.inlet;
    return (t_outconnect *)&c;
}

void dsp_add(t_perfroutine f, int n, ...) {
    va_list ap;
    va_start(ap, n);
    chain.push_back((t_int)f);
    for (int i = 0; i < n; i++)
        chain.push_back(va_arg(ap, t_int));
    va_end(ap);
}
void dsp_add_zero(t_sample *vec, int n) { dsp_add(fill_zero, 2, vec, (t_int)n); }

void post(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    line("", fmt, ap);
    va_end(ap);
}
void pd_error(const void *, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    line("error: ", fmt, ap);
    va_end(ap);
}

// --- For the script driver (pd_host.h).

// Creates an object of the (one) class the external's setup made, with number arguments; false when
// the class made none.
STANDIN bool standin_new(int argc, const double *args) {
    if (classes.size() != 1) return false;
    std::vector<t_atom> atoms((size_t)argc);
    for (int i = 0; i < argc; i++)
        SETFLOAT(&atoms[(size_t)i], (t_float)args[i]);
    auto make = (void *(*)(t_symbol *, int, t_atom *))(void (*)(void))classes[0]->make; // its real signature
    object = (t_object *)make(classes[0]->name, argc, atoms.data());
    built = false;
    return object != nullptr;
}
STANDIN void standin_free(void) {
    if (object) ((void (*)(t_object *))(*(t_class **)object)->destroy)(object);
    free(object);
    object = nullptr;
}
// A message of no argument or one number to the object's first inlet, as Pd types it (a float in float
// Pd); false when the class has no such method.
STANDIN bool standin_send(const char *selector, int argc, double value) {
    const Method *m = method(gensym(selector));
    if (!m || (m->arg == A_FLOAT) != (argc == 1)) return false;
    if (m->arg == A_FLOAT)
        ((void (*)(t_object *, t_floatarg))m->fn)(object, (t_floatarg)value);
    else
        ((void (*)(t_object *))m->fn)(object);
    return true;
}
// Which inlets carry a signal connection, and the sample rate, for the next chain build.
STANDIN void standin_dsp(const short *connected, double sampleRate) {
    connections.clear();
    for (int i = 0; i < 3; i++)
        if (connected[i]) connections.push_back({&sources[i], i});
    rate = sampleRate;
    built = false;
}
// n frames through the chain, built for blocks of n at the first call after standin_dsp (a shorter
// call, the end of a run, is a whole block whose inputs end in zeros: Pd runs whole blocks only): the
// inputs rounded to t_sample, the output as doubles. The output vector is the third inlet's, as Pd
// may hand it over.
STANDIN void standin_run(const double *const *in, double *out, long n) {
    const Method *dsp = method(gensym("dsp"));
    if (!built || (long)vectors[0].size() < n) {
        chain.clear();
        t_signal *sp[4];
        for (int i = 0; i < 4; i++) {
            vectors[i].assign((size_t)n, 0);
            signals[i].s_n = (int)n;
            signals[i].s_vec = vectors[i < 3 ? i : 2].data();
            signals[i].s_sr = (t_float)rate;
            sp[i] = &signals[i];
        }
        ((void (*)(t_object *, t_signal **))dsp->fn)(object, sp);
        built = true;
    }
    for (int i = 0; i < 3; i++)
        for (size_t j = 0; j < vectors[i].size(); j++)
            vectors[i][j] = (long)j < n ? (t_sample)in[i][j] : 0;
    for (t_int *w = chain.data(), *end = w + chain.size(); w < end;)
        w = ((t_perfroutine)*w)(w);
    for (long j = 0; j < n; j++)
        out[j] = vectors[2][(size_t)j];
}
// The console lines so far, forgotten once read: the next one, or null.
STANDIN const char *standin_console(void) {
    static std::string last;
    if (console.empty()) return nullptr;
    last = console.front();
    console.erase(console.begin());
    return last.c_str();
}
}
