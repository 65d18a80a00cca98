// The host operations of the host's audio library (on Windows the stand-in "MaxAudio.dll"): signal
// classes and the signal-object set that the chain is built from.
#include <algorithm>

#include "host_state.h"

using namespace vibrel_emu;

VIBREL_HOST_OP void class_dspinit(t_class *c) {
    if (c) reinterpret_cast<Class *>(c)->dsp = true;
}

// Declares the object's signal inlets and makes it a member of the signal-object set.
VIBREL_HOST_OP void z_dsp_setup(t_pxobject *x, long nsignals) {
    HostState &st = state();
    Object *obj = st.find_object(x);
    if (!obj) {
        st.post("z_dsp_setup: not an object of this host");
        return;
    }
    obj->signalInlets = nsignals > 0 ? nsignals : 0;
    obj->inSignalSet = true;
    x->z_in = nsignals;
    x->z_disabled = 0;
    st.log(Event::DspSetup, x);
}

// Takes the object out of the signal-object set and out of any chain: no routine of it runs after this.
VIBREL_HOST_OP void z_dsp_free(t_pxobject *x) {
    HostState &st = state();
    Object *obj = st.find_object(x);
    if (!obj) {
        st.post("z_dsp_free: not an object of this host");
        return;
    }
    obj->inSignalSet = false;
    auto &entries = obj->chain.entries;
    entries.erase(std::remove_if(entries.begin(), entries.end(), [&](const ChainEntry &e) { return e.record == x; }),
                  entries.end());
    obj->routine = ChainEntry{};
    st.log(Event::DspFree, x);
}
