// Stand-in "MaxAudio.dll": the host's signal-object operations, from the test driver.
#include "forwarders.h"

VIBREL_FORWARD(class_dspinit)
VIBREL_FORWARD(z_dsp_free)
VIBREL_FORWARD(z_dsp_setup)

static const VibrelForward kForwards[] = {
    {"class_dspinit", &vibrel_forward_class_dspinit, nullptr},
    {"z_dsp_free", &vibrel_forward_z_dsp_free, nullptr},
    {"z_dsp_setup", &vibrel_forward_z_dsp_setup, nullptr},
};

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    return vibrel_resolve_forwards(kForwards, (int)(sizeof kForwards / sizeof kForwards[0])) ? TRUE : FALSE;
}
