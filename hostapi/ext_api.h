// The host operations the plug-in calls (C linkage, the platform's default calling convention).
// Resolved from the loading host: MaxAPI.dll / MaxAudio.dll on Windows, the host process on macOS and Linux.
#pragma once

#include "ext_types.h"

extern "C" {

typedef struct maxclass t_class; // opaque: the host's class record
typedef void *(*method)(void *, ...); // the host casts it back to each handler's real signature

t_class *class_new(const char *name, const method mnew, const method mfree, long size, const method mmenu,
                   short type, ...);
t_max_err class_addmethod(t_class *c, const method m, const char *name, ...);
t_max_err class_register(t_symbol *name_space, t_class *c);
void class_dspinit(t_class *c);

t_symbol *gensym(const char *s);
void *object_alloc(t_class *c);                     // null when the host cannot allocate
t_max_err object_free(void *x);                     // calls the class's free method, then releases x
void *object_method(void *x, t_symbol *s, ...);     // Windows x86 only
void *object_method_imp(void *x, void *sym, void *p1, void *p2, void *p3, void *p4, void *p5, void *p6, void *p7,
                        void *p8);
void object_post(t_object *x, const char *fmt, ...); // one console line

void z_dsp_setup(t_pxobject *x, long nsignals);
void z_dsp_free(t_pxobject *x);
void *outlet_new(void *owner, const char *type);

char *sysmem_newptrclear(t_ptr_size bytes); // zero-filled, or null
void sysmem_freeptr(void *p);

} // extern "C"
