// Module loading: LoadLibrary/GetProcAddress on Windows, dlopen/dlsym elsewhere.
#include "module_loader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vibrel_emu {

#if defined(_WIN32)

void *open_module(const std::string &path, std::string *error) {
    HMODULE h = LoadLibraryA(path.c_str());
    if (!h && error) *error = path + ": LoadLibrary failed, error " + std::to_string(GetLastError());
    return (void *)h;
}

void *module_symbol(void *module, const char *name) {
    return (void *)GetProcAddress((HMODULE)module, name);
}

#else

void *open_module(const std::string &path, std::string *error) {
    // RTLD_NOW: a host operation the process does not export fails the load, not a later call.
    void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h && error) {
        const char *why = dlerror();
        *error = why ? why : path + ": cannot load";
    }
    return h;
}

void *module_symbol(void *module, const char *name) { return dlsym(module, name); }

#endif

} // namespace vibrel_emu
