// Stand-in "MaxAPI.dll": the host's general operations, from the test driver; sprintf from the C runtime.
#include "forwarders.h"

#if defined(_WIN64)
#define VIBREL_OBJECT_METHOD object_method_imp // ten pointer-sized arguments
#else
#define VIBREL_OBJECT_METHOD object_method // variadic, cdecl
#endif

#define VIBREL_MAXAPI(X)                                                                                       \
    X(class_addmethod) X(class_new) X(class_register) X(gensym) X(object_alloc) X(object_free)                 \
    X(VIBREL_OBJECT_METHOD) X(object_post) X(outlet_new) X(sysmem_freeptr) X(sysmem_newptrclear)

#define VIBREL_DEFINE(name) VIBREL_FORWARD(name) // name is expanded first: object_method(_imp)
VIBREL_MAXAPI(VIBREL_DEFINE)
VIBREL_FORWARD(sprintf)

#define VIBREL_STR2(name) #name
#define VIBREL_STR(name) VIBREL_STR2(name)
#define VIBREL_CAT2(a, b) a##b
#define VIBREL_CAT(a, b) VIBREL_CAT2(a, b)
#define VIBREL_ENTRY(name) {VIBREL_STR(name), &VIBREL_CAT(vibrel_forward_, name), nullptr},

static const VibrelForward kForwards[] = {
    VIBREL_MAXAPI(VIBREL_ENTRY)
    {"sprintf", &vibrel_forward_sprintf, "msvcrt.dll"},
};

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    return vibrel_resolve_forwards(kForwards, (int)(sizeof kForwards / sizeof kForwards[0])) ? TRUE : FALSE;
}
