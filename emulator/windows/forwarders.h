// Stand-in host DLLs for the Windows test host: every export is a jump through a pointer that DllMain
// fills from the test driver executable's export of the same name (the emulator's host operation), so
// arguments, variadic ones included, reach the emulator untouched on x86-64 and x86 alike.
#pragma once

#include <windows.h>

#if defined(_WIN64)
#define VIBREL_FORWARD_JUMP(name) "jmp *vibrel_forward_" #name "(%rip)"
#define VIBREL_FORWARD_LABEL(name) #name
#else
#define VIBREL_FORWARD_JUMP(name) "jmp *_vibrel_forward_" #name
#define VIBREL_FORWARD_LABEL(name) "_" #name
#endif

// Defines the exported entry `name` and the pointer it jumps through. The export list itself is the
// DLL's .def file (cmake/windows), shared with the plug-ins' import libraries.
#define VIBREL_FORWARD(name)                                                                                   \
    extern "C" {                                                                                               \
    void *vibrel_forward_##name = nullptr;                                                                     \
    }                                                                                                          \
    __asm__(".text\n.globl " VIBREL_FORWARD_LABEL(name) "\n" VIBREL_FORWARD_LABEL(name) ":\n\t"                  \
            VIBREL_FORWARD_JUMP(name) "\n");

struct VibrelForward {
    const char *name;
    void **target;
    const char *from; // module that supplies it: null for the test driver executable
};

// Fills every pointer; false (the DLL then fails to load, and so does the plug-in) if one is missing.
inline bool vibrel_resolve_forwards(const VibrelForward *list, int count) {
    for (int i = 0; i < count; i++) {
        HMODULE from = GetModuleHandleA(list[i].from);
        FARPROC p = from ? GetProcAddress(from, list[i].name) : nullptr;
        if (!p) return false;
        *list[i].target = (void *)p;
    }
    return true;
}
