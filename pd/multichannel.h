// Pd 0.54+'s multichannel signals, declared here: the Pd headers the externals build against (Debian 12's
// 0.53) predate them, and one external file serves every Pd version, so whether the running Pd has them is
// found at setup. Include after m_pd.h.
#pragma once

#include <string.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vibrel_pd {

// The class flag of a tilde class whose dsp method takes inputs of any channel count and sets its outputs'.
constexpr int kClassMultichannel = 0x10;

// The head of Pd 0.54's t_signal (m_pd.h); 0.53's has other fields after s_sr, so it is read only where the
// running Pd is 0.54 or later.
struct Signal054 {
    int length; // samples per channel
    t_sample *vec;
    t_float sr;
    int nchans;
};

// The channel count of a signal that Pd 0.54+ handed to the dsp method.
inline int signal_channels(const t_signal *s) {
    int n;
    memcpy(&n, (const char *)s + offsetof(Signal054, nchans), sizeof n);
    return n;
}

// signal_setmultiout (0.54+): replaces *sig by a signal of nchans channels of its length.
using SetMultiOut = void (*)(t_signal **sig, int nchans);

} // namespace vibrel_pd

#ifndef _WIN32
// A weak reference: null where the running pd does not export it (before 0.54), never a load failure.
extern "C" __attribute__((weak)) void signal_setmultiout(t_signal **sig, int nchans);
#endif

namespace vibrel_pd {

// The running Pd's signal_setmultiout when it is 0.54 or later, else null. Setup, once.
inline SetMultiOut find_setmultiout() {
    int major = 0, minor = 0, bugfix = 0;
    sys_getversion(&major, &minor, &bugfix);
    if (major == 0 && minor < 54) return nullptr;
#ifdef _WIN32
    // Windows resolves imports at load: the function is looked up in the DLL that holds Pd's post.
    HMODULE pd = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            (LPCSTR)(void *)&post, &pd))
        return nullptr;
    return (SetMultiOut)(void (*)(void))GetProcAddress(pd, "signal_setmultiout");
#else
    return signal_setmultiout;
#endif
}

} // namespace vibrel_pd
