// A stand-in for Pd's pd.dll (float, PD_FLOATSIZE 32) and pd64.dll (double) under Wine: it exports every
// name of pd/pd_functions.list (from the module-definition file the build writes from that list) and
// does what a Pd external's setup function asks of Pd, keeping a record of it for the loader
// (load_check.cpp) to print. Anything else Pd would do is not expected of a setup and ends the program.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define PD_INTERNAL // EXTERN is dllexport here: this is the DLL the externals import from
#include "m_pd.h"
#include "g_canvas.h"
#undef class_new // pd64's m_pd.h names class_new class_new64: both are defined below, as in Pd

struct _class {
    t_symbol *name;
    size_t size;
    bool double_precision; // made through class_new64
    long signal_offset;    // of the main signal inlet's float, -1 without one
    char methods[256];     // selectors, space-separated, in the order added
};

namespace {
t_class the_class{};
int classes = 0;

[[noreturn]] void unexpected(const char *what) {
    fprintf(stderr, "pd stand-in: %s is not expected during setup\n", what);
    exit(3);
}

t_class *make_class(t_symbol *name, size_t size, bool isDouble) {
    classes++;
    the_class.name = name;
    the_class.size = size;
    the_class.double_precision = isDouble;
    the_class.signal_offset = -1;
    return &the_class;
}
} // namespace

extern "C" {
t_symbol s_signal = {(char *)"signal", nullptr, nullptr};

// Symbols live as long as the program; the few a setup makes are kept in a list.
t_symbol *gensym(const char *s) {
    static t_symbol *symbols = nullptr;
    for (t_symbol *p = symbols; p; p = p->s_next)
        if (!strcmp(p->s_name, s)) return p;
    t_symbol *sym = (t_symbol *)calloc(1, sizeof(t_symbol));
    sym->s_name = strdup(s);
    sym->s_next = symbols;
    return symbols = sym;
}

t_class *class_new(t_symbol *name, t_newmethod, t_method, size_t size, int, t_atomtype, ...) {
    return make_class(name, size, false);
}
__declspec(dllexport) t_class *class_new64(t_symbol *name, t_newmethod, t_method, size_t size, int, t_atomtype, ...) {
    return make_class(name, size, true);
}
void class_addmethod(t_class *c, t_method, t_symbol *sel, t_atomtype, ...) {
    strncat(c->methods, c->methods[0] ? " " : "", sizeof c->methods - strlen(c->methods) - 1);
    strncat(c->methods, sel->s_name, sizeof c->methods - strlen(c->methods) - 1);
}
void class_domainsignalin(t_class *c, int onset) { c->signal_offset = onset; }

// What a setup never calls.
t_canvas *canvas_getcurrent(void) { unexpected("canvas_getcurrent"); }
void dsp_add(t_perfroutine, int, ...) { unexpected("dsp_add"); }
void dsp_add_zero(t_sample *, int) { unexpected("dsp_add_zero"); }
void freebytes(void *, size_t) { unexpected("freebytes"); }
void *getbytes(size_t) { unexpected("getbytes"); }
void *resizebytes(void *, size_t, size_t) { unexpected("resizebytes"); }
t_inlet *inlet_new(t_object *, t_pd *, t_symbol *, t_symbol *) { unexpected("inlet_new"); }
t_outlet *outlet_new(t_object *, t_symbol *) { unexpected("outlet_new"); }
void linetraverser_start(t_linetraverser *, t_canvas *) { unexpected("linetraverser_start"); }
t_outconnect *linetraverser_next(t_linetraverser *) { unexpected("linetraverser_next"); }
int obj_issignaloutlet(const t_object *, int) { unexpected("obj_issignaloutlet"); }
t_pd *pd_new(t_class *) { unexpected("pd_new"); }
void post(const char *, ...) { unexpected("post"); }
void pd_error(const void *, const char *, ...) { unexpected("pd_error"); }

// For the loader: "<class> <size> <float size> <signal inlet offset> <selectors...>", or why not.
__declspec(dllexport) void standin_report(char *out, size_t size) {
    if (classes != 1) {
        snprintf(out, size, "%d classes made", classes);
        return;
    }
    snprintf(out, size, "%s %zu %d %ld %s", the_class.name->s_name, the_class.size,
             the_class.double_precision ? 64 : 32, the_class.signal_offset, the_class.methods);
}
}
