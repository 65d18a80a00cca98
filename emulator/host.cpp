// The Host facade: loading, creation from box texts, message dispatch by type codes, chain building,
// vector runs and hover help, on top of the process-wide state that the host operations keep.
#include <algorithm>
#include <cstring>

#include "float_mode.h"
#include "host_state.h"
#include "module_loader.h"

namespace vibrel_emu {

// Every host operation, so that a static link keeps them all for the module to resolve: an object
// file of the library is linked only when something refers to it, and only the module does.
extern void *const kHostOperations[];
void *const kHostOperations[] = {
    (void *)&class_new,     (void *)&class_addmethod,   (void *)&class_register,     (void *)&class_dspinit,
    (void *)&gensym,        (void *)&object_alloc,      (void *)&object_free,        (void *)&object_method,
    (void *)&object_method_imp, (void *)&object_post,   (void *)&z_dsp_setup,        (void *)&z_dsp_free,
    (void *)&outlet_new,    (void *)&sysmem_newptrclear, (void *)&sysmem_freeptr,
};

namespace {

constexpr long kAssistBufferSize = 512; // the host's hover-help buffer, in bytes
constexpr short kOutletConnected = 1;   // every signal outlet counts as connected (to the output)

using Perform = void (*)(void *, t_object *, double **, long, double **, long, long, long, void *);
using Dsp64 = void (*)(void *, t_object *, short *, double, long, long);
using Assist = void (*)(void *, void *, long, long, char *);
using Gimme = void *(*)(t_symbol *, long, t_atom *);
using GimmeMethod = void (*)(void *, t_symbol *, long, t_atom *);

// Compares handles only: a freed object's handle must not be read.
bool alive(const Object *obj) {
    for (const auto &entry : state().objects)
        if (entry.second.get() == obj) return true;
    return false;
}

std::vector<t_atom> to_host_atoms(const std::vector<Atom> &atoms) {
    std::vector<t_atom> out(atoms.size() + 1); // never empty: the host always passes a valid pointer
    out.back().a_type = A_NOTHING;
    for (std::size_t i = 0; i < atoms.size(); i++) {
        t_atom &a = out[i];
        switch (atoms[i].type) {
        case Atom::Long: a.a_type = A_LONG; a.a_w.w_long = (t_atom_long)atoms[i].l; break;
        case Atom::Float: a.a_type = A_FLOAT; a.a_w.w_float = (t_atom_float)atoms[i].f; break;
        case Atom::Symbol: a.a_type = A_SYM; a.a_w.w_sym = gensym(atoms[i].s.c_str()); break;
        }
    }
    return out;
}

long signal_outlets(const Object *obj) {
    return (long)std::count_if(obj->outlets.begin(), obj->outlets.end(),
                               [](const std::unique_ptr<Outlet> &o) { return o->type == "signal"; });
}

// Calls a typed handler with 1 to 3 arguments of one register class.
template <typename T> void call_uniform(method fn, void *x, const std::vector<T> &v) {
    switch (v.size()) {
    case 1: handler_as<void (*)(void *, T)>(fn)(x, v[0]); break;
    case 2: handler_as<void (*)(void *, T, T)>(fn)(x, v[0], v[1]); break;
    case 3: handler_as<void (*)(void *, T, T, T)>(fn)(x, v[0], v[1], v[2]); break;
    default: break;
    }
}

// One vector through the object's routine. Unconnected or missing inlets read a zero vector of their
// own; the in-place inlet (if >= 0) lends its memory to the output, zeroed first if unconnected.
// A frame count of 0 or below reaches the routine too, with vectors it must not touch. The caller's
// floating-point mode (the control bits; arithmetic may raise the sticky flags) must come back
// unchanged: a call that changes it is counted, and the word put back so that the emulator itself
// goes on in the mode it had.
void run_vector(Object *obj, const std::vector<double *> &given, double *output, long n, long inPlace) {
    const std::size_t frames = n > 0 ? (std::size_t)n : 0;
    if (!obj->routine.routine) {
        std::fill(output, output + frames, 0.0);
        return;
    }
    const std::size_t numins = (std::size_t)obj->signalInlets;
    std::vector<std::vector<double>> zeros(numins);
    std::vector<double *> ins(numins);
    for (std::size_t i = 0; i < numins; i++) {
        const bool connected = i < obj->connected.size() && obj->connected[i];
        if ((long)i == inPlace) {
            if (!connected) std::fill(output, output + frames, 0.0);
            ins[i] = output;
        } else if (connected && i < given.size() && given[i]) {
            ins[i] = given[i];
        } else {
            zeros[i].assign(frames, 0.0);
            ins[i] = zeros[i].data();
        }
    }
    double *outs[1] = {output};
    const vibrel_fp::ControlWord mode = vibrel_fp::read_control();
    reinterpret_cast<Perform>(obj->routine.routine)(obj->record, &obj->chain.header, ins.data(), (long)numins, outs,
                                                    1, n, (long)obj->routine.flags, obj->routine.userparam);
    if ((vibrel_fp::read_control() ^ mode) & vibrel_fp::kModeBits) {
        state().fpModeChanges++;
        vibrel_fp::write_control(mode);
    }
}

} // namespace

Host::Host() {
    HostState &st = state();
    st.console.clear();
    st.events.clear();
    st.freesWhileInChain = 0;
    st.fpModeChanges = 0;
    st.failNext = FailNext::None;
    st.allocationLimit = kDefaultAllocationLimit;
}

Host::~Host() {
    HostState &st = state();
    std::vector<void *> records;
    for (auto &entry : st.objects) records.push_back(entry.first);
    for (void *r : records)
        if (st.find_object(r)) object_free(r);
    // Drop the logged addresses, so that LeakSanitizer still sees a block the plug-in never freed.
    std::vector<EventRecord>().swap(st.events);
}

bool Host::load(const std::string &path, std::string *error) {
    HostState &st = state();
    if (st.entryCalled.count(path)) return true; // loaded once per process, as in the host
    void *module = open_module(path, error);
    if (!module) return false;
    void *entry = module_symbol(module, "main");
    if (!entry) {
        if (error) *error = path + ": no entry point \"main\"";
        return false;
    }
    st.entryCalled.insert(path);
    reinterpret_cast<int (*)(void)>(entry)();
    return true;
}

Object *Host::create(const std::string &boxText) {
    HostState &st = state();
    std::vector<Atom> atoms = parse_atoms(boxText);
    if (atoms.empty()) return nullptr;
    const std::string name = atoms[0].type == Atom::Symbol ? atoms[0].s : boxText;
    Class *cls = atoms[0].type == Atom::Symbol ? st.find_class(name) : nullptr;
    if (!cls || !cls->mnew) {
        st.post(name + ": No such object");
        return nullptr;
    }
    atoms.erase(atoms.begin());
    std::vector<t_atom> argv = to_host_atoms(atoms);
    void *record = nullptr;
    if (cls->newTypes == std::vector<int>{A_GIMME})
        record = handler_as<Gimme>(cls->mnew)(gensym(name.c_str()), (long)atoms.size(), argv.data());
    else if (cls->newTypes.empty())
        record = handler_as<void *(*)()>(cls->mnew)();
    else
        st.post(name + ": constructor arguments of this kind are not emulated");
    Object *obj = record ? st.find_object(record) : nullptr;
    if (!obj) {
        if (record) st.post(name + ": constructor returned memory that object_alloc did not make");
        st.post("could not create object \"" + boxText + "\"");
        return nullptr;
    }
    return obj;
}

void Host::free(Object *obj) {
    if (alive(obj)) object_free(obj->record);
}

bool Host::send(Object *obj, const std::string &messageText) {
    std::vector<Atom> atoms = parse_atoms(messageText);
    if (atoms.empty()) return false;
    if (atoms[0].type == Atom::Symbol) {
        const std::string selector = atoms[0].s;
        atoms.erase(atoms.begin());
        return send(obj, selector, atoms);
    }
    return send(obj, atoms[0].type == Atom::Long ? "int" : "float", atoms); // a bare number
}

bool Host::send(Object *obj, const std::string &selector, const std::vector<Atom> &args) {
    HostState &st = state();
    if (!alive(obj)) return false;
    const std::string &cname = obj->cls->name;
    auto it = obj->cls->methods.find(selector);
    const bool hostOnly = it != obj->cls->methods.end() && !it->second.types.empty() &&
                          it->second.types[0] == A_CANT;
    if (it == obj->cls->methods.end() || hostOnly) {
        st.post(cname + ": doesn't understand \"" + selector + "\"");
        return false;
    }
    const Method &m = it->second;
    if (m.types.empty()) {
        handler_as<void (*)(void *)>(m.fn)(obj->record);
        return true;
    }
    if (m.types == std::vector<int>{A_GIMME}) {
        std::vector<t_atom> argv = to_host_atoms(args);
        handler_as<GimmeMethod>(m.fn)(obj->record, gensym(selector.c_str()), (long)args.size(), argv.data());
        return true;
    }
    // Typed arguments: numbers convert between integer and float; a missing required one is an error.
    std::vector<double> floats;
    std::vector<t_ptr_int> words;
    for (std::size_t i = 0; i < m.types.size(); i++) {
        const int t = m.types[i];
        const Atom *a = i < args.size() ? &args[i] : nullptr;
        const bool optional = t == A_DEFLONG || t == A_DEFFLOAT || t == A_DEFSYM;
        const bool numeric = t == A_LONG || t == A_FLOAT || t == A_DEFLONG || t == A_DEFFLOAT;
        const bool bad = a ? (numeric == (a->type == Atom::Symbol)) : !optional;
        if (bad || (!numeric && t != A_SYM && t != A_DEFSYM)) {
            st.post(cname + ": bad arguments for message \"" + selector + "\"");
            return false;
        }
        if (t == A_FLOAT || t == A_DEFFLOAT)
            floats.push_back(!a ? 0.0 : a->type == Atom::Long ? (double)a->l : a->f);
        else if (numeric)
            words.push_back(!a ? 0 : a->type == Atom::Long ? (t_ptr_int)a->l : (t_ptr_int)a->f);
        else
            words.push_back((t_ptr_int)gensym(a ? a->s.c_str() : ""));
    }
    if (!floats.empty() && !words.empty()) {
        st.post(cname + ": message \"" + selector + "\" mixes argument kinds the emulator cannot call");
        return false;
    }
    if (floats.size() > 3 || words.size() > 3) {
        st.post(cname + ": message \"" + selector + "\" has more arguments than the emulator can call");
        return false;
    }
    if (!floats.empty())
        call_uniform(m.fn, obj->record, floats);
    else
        call_uniform(m.fn, obj->record, words);
    return true;
}

bool Host::dsp(Object *obj, std::vector<short> connected, double sampleRate, long maxVectorSize) {
    if (!alive(obj) || !obj->inSignalSet) return false;
    auto it = obj->cls->methods.find("dsp64");
    if (it == obj->cls->methods.end()) return false;
    connected.resize((std::size_t)obj->signalInlets, 0);
    std::vector<short> count = connected;
    count.resize(count.size() + (std::size_t)signal_outlets(obj), kOutletConnected);
    obj->connected = connected;
    obj->chain.entries.clear();
    obj->routine = ChainEntry{};
    handler_as<Dsp64>(it->second.fn)(obj->record, &obj->chain.header, count.data(), sampleRate, maxVectorSize,
                                           0);
    for (const ChainEntry &e : obj->chain.entries)
        if (e.record == obj->record) obj->routine = e;
    return obj->routine.routine != nullptr;
}

void Host::run(Object *obj, const std::vector<const double *> &inputs, double *output, long n) {
    std::vector<double *> given(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); i++) given[i] = const_cast<double *>(inputs[i]);
    if (alive(obj) && output) run_vector(obj, given, output, n, -1);
}

void Host::run_in_place(Object *obj, std::vector<double *> inputs, int inPlaceInlet, long n) {
    if (!alive(obj) || inPlaceInlet < 0 || inPlaceInlet >= (int)inputs.size() || !inputs[(std::size_t)inPlaceInlet])
        return;
    run_vector(obj, inputs, inputs[(std::size_t)inPlaceInlet], n, inPlaceInlet);
}

std::string Host::assist(Object *obj, long msg, long index, const std::string &initial) {
    if (!alive(obj)) return initial;
    auto it = obj->cls->methods.find("assist");
    if (it == obj->cls->methods.end()) return initial;
    std::vector<char> buffer(kAssistBufferSize, '\0'); // on the heap: an overrun shows under ASan
    std::memcpy(buffer.data(), initial.data(), std::min(initial.size(), buffer.size() - 1));
    handler_as<Assist>(it->second.fn)(obj->record, obj, msg, index, buffer.data());
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

const std::vector<std::string> &Host::console() const { return state().console; }

std::vector<std::string> Host::take_console() {
    std::vector<std::string> lines;
    lines.swap(state().console);
    return lines;
}

void Host::fail_next(FailNext what) { state().failNext = what; }

void *Host::record(Object *obj) const { return alive(obj) ? obj->record : nullptr; }

const std::string &Host::class_name(Object *obj) const {
    static const std::string none;
    return alive(obj) ? obj->cls->name : none;
}

void *Host::routine(Object *obj) const { return alive(obj) ? obj->routine.routine : nullptr; }

long Host::live_allocations() const { return (long)(state().objects.size() + state().blocks.size()); }

const std::vector<EventRecord> &Host::events() const { return state().events; }

long Host::frees_while_in_chain() const { return state().freesWhileInChain; }

long Host::fp_mode_changes() const { return state().fpModeChanges; }

void Host::set_allocation_limit(std::size_t bytes) { state().allocationLimit = bytes; }

long Host::signal_inlets(Object *obj) const { return alive(obj) ? obj->signalInlets : 0; }

long Host::outlets(Object *obj) const { return alive(obj) ? (long)obj->outlets.size() : 0; }

} // namespace vibrel_emu
