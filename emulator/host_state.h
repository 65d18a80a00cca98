// The emulated host's process-wide state behind the C host operations: symbols, classes, live objects,
// allocations, the signal chain, the console and the event log. Message thread only; not thread-safe.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ext_api.h"
#include "host_emulator.h"

// Definitions of the host operations: exported from the Windows stand-in DLLs; on Linux the executable
// exports them (see CMakeLists.txt).
#if defined(_WIN32)
#define VIBREL_HOST_OP extern "C" __declspec(dllexport)
#else
#define VIBREL_HOST_OP extern "C" __attribute__((visibility("default")))
#endif

namespace vibrel_emu {

constexpr t_ptr_int kObjectMagic = 1758379419; // marks a header that object_alloc filled in
constexpr t_ptr_int kChainMagic = 0x6368616e;  // marks the emulator's signal-chain object ("chan")
constexpr int kMaxTypeCodes = 10;              // longest type list a class or message may declare

// One entry of a class's message table: the handler and its argument type codes (ending 0 not kept).
// The host keeps handlers as `method` and calls each with its real signature (through the generic
// code pointer void (*)(void), which converts to any function pointer type without a warning).
template <typename F> F handler_as(method m) { return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(m)); }

struct Method {
    method fn = nullptr;
    std::vector<int> types;
};

struct Class {
    std::string name;
    method mnew = nullptr;
    method mfree = nullptr;
    long size = 0;
    std::vector<int> newTypes;
    std::map<std::string, Method> methods;
    bool dsp = false;            // class_dspinit called
    std::string nameSpace;       // set by class_register ("box")
};

// What the plug-in passed with "dsp_add64".
struct ChainEntry {
    void *record = nullptr;
    void *routine = nullptr;
    t_ptr_int flags = 0;
    void *userparam = nullptr;
};

// The host's signal-chain object: the plug-in sees only the header and sends it "dsp_add64".
struct Chain {
    t_object header{};
    std::vector<ChainEntry> entries;
};

struct Outlet {
    std::string type;
};

} // namespace vibrel_emu

// The host's view of one object made by object_alloc (the opaque handle of host_emulator.h).
struct vibrel_emu::Object {
    void *record = nullptr;
    Class *cls = nullptr;
    long signalInlets = 0;       // from z_dsp_setup
    bool inSignalSet = false;    // between z_dsp_setup and z_dsp_free
    std::vector<std::unique_ptr<Outlet>> outlets;
    std::vector<short> connected; // flags of the last dsp() build
    Chain chain;                  // the chain of the last dsp() build
    ChainEntry routine;           // what the last dsp() build added for this object
};

namespace vibrel_emu {

struct HostState {
    std::map<std::string, std::unique_ptr<t_symbol>> symbols; // interned; never freed, as in the host
    std::vector<std::unique_ptr<Class>> classes;               // never freed, as in the host
    std::map<void *, std::unique_ptr<Object>> objects;         // by record address
    std::map<std::uintptr_t, std::size_t> blocks; // sysmem blocks (by complemented address) and sizes
    std::set<std::string> entryCalled;                         // modules whose entry point has run

    std::vector<std::string> console;
    std::vector<EventRecord> events;
    long freesWhileInChain = 0;
    long fpModeChanges = 0; // perform calls that returned with the caller's floating-point mode changed
    Object *freeing = nullptr;       // object whose free method is running
    FailNext failNext = FailNext::None;
    std::size_t allocationLimit = kDefaultAllocationLimit;

    Class *find_class(const std::string &name) const;
    Object *find_object(const void *record) const;
    void post(const std::string &line) { console.push_back(line); }
    void log(Event what, const void *object, const void *memory = nullptr);
};

HostState &state();

} // namespace vibrel_emu
