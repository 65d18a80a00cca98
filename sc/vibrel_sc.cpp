// The SuperCollider plug-in: one file for the server holding both UGens, Vibrel (order 7) and VibrelLite
// (order 5). The server looks up these three functions by name when it loads the plug-in, and nothing
// else is exported.
#include "sc_api.h"
#include "ugen.h"

#ifdef _WIN32
#define VIBREL_SC_EXPORT extern "C" __declspec(dllexport)
#else
#define VIBREL_SC_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VIBREL_SC_EXPORT int api_version(void) { return sc_api::kApiVersion; }
VIBREL_SC_EXPORT int server_type(void) { return sc_api::kServerScsynth; }

// Once, at the server's start, on its main thread.
VIBREL_SC_EXPORT void load(sc_api::InterfaceTable *table) {
    vibrel_full::sc::define_unit(table);
    vibrel_lite::sc::define_unit(table);
}
