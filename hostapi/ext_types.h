// Host object, symbol and atom layouts, ABI-compatible with the host on every target.
// Types only: the string model includes this for its record header and calls nothing.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define HOSTAPI_WIN32 1 // every host struct on Windows x86 is packed to 2 bytes
#pragma pack(push, 2)
#endif

extern "C" {

typedef intptr_t t_ptr_int;   // pointer-sized signed integer
typedef uintptr_t t_ptr_size; // pointer-sized byte count
typedef t_ptr_int t_atom_long;
typedef t_ptr_int t_max_err;
#if defined(HOSTAPI_WIN32)
typedef float t_atom_float;
#else
typedef double t_atom_float;
#endif

// Filled by the host in object_alloc; the plug-in never touches it.
typedef struct object {
    void *o_messlist;
    t_ptr_int o_magic;
    void *o_inlet;
    void *o_outlet;
} t_object;

// Interned text: the same name always gives the same pointer.
typedef struct symbol {
    char *s_name;
    t_object *s_thing;
} t_symbol;

// Header of every signal object; must be the record's first field.
typedef struct t_pxobject {
    t_object z_ob;
    long z_in;
    void *z_proxy;
    long z_disabled;
    short z_count;
    short z_misc;
} t_pxobject;

union word {
    t_atom_long w_long;
    t_atom_float w_float;
    t_symbol *w_sym;
    t_object *w_obj;
};

typedef struct atom {
    short a_type; // one of e_max_atomtypes
    union word a_w;
} t_atom;

// Argument type codes of class_new and class_addmethod (promoted to int through "...").
enum e_max_atomtypes {
    A_NOTHING = 0, // ends a type list
    A_LONG = 1,
    A_FLOAT = 2,
    A_SYM = 3,
    A_OBJ = 4,
    A_DEFLONG = 5,
    A_DEFFLOAT = 6,
    A_DEFSYM = 7,
    A_GIMME = 8, // the raw atom list
    A_CANT = 9   // called by the host only, with its own arguments
};

} // extern "C"

#if defined(HOSTAPI_WIN32)
#pragma pack(pop)
#endif

// The layouts the host was built with, per target.
#if defined(HOSTAPI_WIN32)
static_assert(sizeof(long) == 4 && sizeof(void *) == 4, "Windows x86 is ILP32");
static_assert(sizeof(t_ptr_int) == 4 && sizeof(t_atom_float) == 4, "");
static_assert(sizeof(t_object) == 16, "");
static_assert(sizeof(t_pxobject) == 32, "");
static_assert(offsetof(t_pxobject, z_in) == 16 && offsetof(t_pxobject, z_proxy) == 20, "");
static_assert(offsetof(t_pxobject, z_disabled) == 24 && offsetof(t_pxobject, z_count) == 28, "");
static_assert(offsetof(t_pxobject, z_misc) == 30, "");
static_assert(sizeof(t_atom) == 6 && offsetof(t_atom, a_w) == 2, "atoms are packed to 2 bytes");
static_assert(sizeof(t_symbol) == 8, "");
#elif defined(_WIN64)
static_assert(sizeof(long) == 4 && sizeof(void *) == 8, "Windows x86-64 is LLP64");
static_assert(sizeof(t_ptr_int) == 8 && sizeof(t_atom_float) == 8, "");
static_assert(sizeof(t_object) == 32, "");
static_assert(sizeof(t_pxobject) == 56, "");
static_assert(offsetof(t_pxobject, z_in) == 32 && offsetof(t_pxobject, z_proxy) == 40, "");
static_assert(offsetof(t_pxobject, z_disabled) == 48 && offsetof(t_pxobject, z_count) == 52, "");
static_assert(offsetof(t_pxobject, z_misc) == 54, "");
static_assert(sizeof(t_atom) == 16 && offsetof(t_atom, a_w) == 8, "");
static_assert(sizeof(t_symbol) == 16, "");
#elif !defined(__LP64__) // Linux armv7, loaded by the emulator only: ILP32, natural alignment
static_assert(sizeof(long) == 4 && sizeof(void *) == 4, "32-bit Linux is ILP32");
static_assert(sizeof(t_ptr_int) == 4 && sizeof(t_atom_float) == 8, "");
static_assert(sizeof(t_object) == 16, "");
static_assert(sizeof(t_pxobject) == 32, "");
static_assert(offsetof(t_pxobject, z_in) == 16 && offsetof(t_pxobject, z_proxy) == 20, "");
static_assert(offsetof(t_pxobject, z_disabled) == 24 && offsetof(t_pxobject, z_count) == 28, "");
static_assert(offsetof(t_pxobject, z_misc) == 30, "");
static_assert(sizeof(t_atom) == 16 && offsetof(t_atom, a_w) == 8, "the union holds a double: 8-byte aligned");
static_assert(sizeof(t_symbol) == 8, "");
#else // macOS (x86_64 and arm64), and the 64-bit Linux builds used with the emulator
static_assert(sizeof(long) == 8 && sizeof(void *) == 8, "LP64");
static_assert(sizeof(t_ptr_int) == 8 && sizeof(t_atom_float) == 8, "");
static_assert(sizeof(t_object) == 32, "");
static_assert(sizeof(t_pxobject) == 64, "");
static_assert(offsetof(t_pxobject, z_in) == 32 && offsetof(t_pxobject, z_proxy) == 40, "");
static_assert(offsetof(t_pxobject, z_disabled) == 48 && offsetof(t_pxobject, z_count) == 56, "");
static_assert(offsetof(t_pxobject, z_misc) == 58, "");
static_assert(sizeof(t_atom) == 16 && offsetof(t_atom, a_w) == 8, "");
static_assert(sizeof(t_symbol) == 16, "");
#endif
