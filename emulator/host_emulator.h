// A host emulator: behaves towards a plug-in module as the host does. It loads the module by path,
// calls its entry point once, keeps classes by name in the "box" name space, creates objects from box
// texts, dispatches messages by name with the registered type codes, builds the signal chain and runs
// vectors through the routine the plug-in added. Every console line is captured.
//
// The host operations (class_new, gensym, object_post, ...) are C functions exported by the process
// that links this library (the test or tool executable is built with exported symbols), so the state
// behind them is process-wide: use one Host at a time, from one message thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ext_types.h"

namespace vibrel_emu {

// One argument of a message or box: what the host parses a word into.
struct Atom {
    enum Type { Long, Float, Symbol } type;
    long long l = 0;
    double f = 0.0;
    std::string s;
    static Atom of(long long v) { return Atom{Long, v, 0.0, {}}; }
    static Atom of(double v) { return Atom{Float, 0, v, {}}; }
    static Atom sym(std::string v) { return Atom{Symbol, 0, 0.0, std::move(v)}; }
};

// Splits text into atoms as a box or message box does: integers, floats, anything else a symbol.
std::vector<Atom> parse_atoms(const std::string &text);

// An object made by Host::create; its record is the plug-in's own memory.
struct Object;

// Which allocation the emulator refuses next (once), to exercise the plug-in's failure paths.
enum class FailNext { None, ObjectAlloc, SysmemAlloc };

// Requests above this many bytes fail (null) as they would on a host out of memory, instead of
// asking the system allocator for terabytes.
// (4 GiB, or all of a 32-bit address space.)
constexpr std::size_t kDefaultAllocationLimit =
    sizeof(std::size_t) > 4 ? std::size_t(std::uint64_t(1) << 32) : std::size_t(-1);

// What the plug-in asked of the host, in order, for lifecycle checks.
enum class Event {
    ObjectAlloc,    // object: the new record
    ObjectFree,     // object: the record, before its free method runs
    ObjectRelease,  // object: the record, after its free method, as its memory goes
    DspSetup,       // object: the record (z_dsp_setup)
    DspFree,        // object: the record (z_dsp_free)
    SysmemAlloc,    // memory: the block (object: the record being freed or made, if any)
    SysmemFree,     // memory: the block (object: the record whose free method is running, if any)
    DspAdd,         // object: the record added to the chain; memory: the routine
};
struct EventRecord {
    Event what;
    const void *object;
    const void *memory;
};

class Host {
  public:
    Host(); // starts with an empty console and event log, and no pending fail_next
    ~Host(); // frees every object still alive; modules stay loaded (as in the host)

    // Loads a module (dlopen on Linux, LoadLibrary on Windows) and calls its entry point once.
    // False, with a reason in *error, when the file or its entry point is missing. A path already
    // loaded by this process is not entered again: its classes stay registered for later Hosts.
    bool load(const std::string &path, std::string *error = nullptr);

    // Creates an object from a box text such as "vibrel~ 20000". Null, with the host's console line,
    // when no class has that name ("<name>: No such object") or the constructor returned null
    // ("could not create object \"<box text>\"", after whatever the plug-in posted).
    Object *create(const std::string &boxText);
    void free(Object *obj); // the class's free method, then the record's memory

    // Sends a message by name: "period 100", or a selector and atoms. An unknown message or a missing
    // argument gets the host's error line on the console and returns false; nothing crashes.
    bool send(Object *obj, const std::string &messageText);
    bool send(Object *obj, const std::string &selector, const std::vector<Atom> &args);

    // Builds the signal chain for one object: one connection flag per inlet (missing flags are 0),
    // the sample rate and the largest vector size. Calls the object's "dsp64" and keeps the routine it
    // adds. False if the object added no routine.
    bool dsp(Object *obj, std::vector<short> connected, double sampleRate, long maxVectorSize);

    // Runs one vector of n frames through the routine: inputs[i] is the vector of inlet i (missing or
    // null inlets read zeros, as unconnected inlets do in the host; so does an inlet that the last
    // dsp() marked unconnected, whatever is passed for it); the result goes to output. Without a
    // routine (no dsp() yet) the output is zeros. A count of 0 or below is passed to the routine.
    // With inPlace, the output vector is the memory of inlet inPlaceInlet (the host may do this).
    void run(Object *obj, const std::vector<const double *> &inputs, double *output, long n);
    void run_in_place(Object *obj, std::vector<double *> inputs, int inPlaceInlet, long n);

    // The hover help text for an inlet (msg 1) or outlet (msg 2); the buffer starts as `initial`.
    std::string assist(Object *obj, long msg, long index, const std::string &initial = "");

    // Console lines posted so far, in order; take_console() returns and forgets them.
    const std::vector<std::string> &console() const;
    std::vector<std::string> take_console();

    void fail_next(FailNext what);

    // For tests and tools that inspect the plug-in's record (its layout is the string model's).
    void *record(Object *obj) const;
    const std::string &class_name(Object *obj) const;
    // The perform routine the last dsp() added, to tell which of the three was chosen.
    void *routine(Object *obj) const;
    // Live allocations made through sysmem_newptrclear and object_alloc (leak checks).
    long live_allocations() const;

    // Every host operation the plug-in called that matters for lifecycles, since this Host was made.
    const std::vector<EventRecord> &events() const;
    // sysmem_freeptr calls made by a free method while its object was still a signal object
    // (before z_dsp_free): the audio thread could still be reading that memory.
    long frees_while_in_chain() const;
    // Perform calls, since this Host was made, that returned with the calling thread's floating-point
    // mode (the control bits of MXCSR, or FPCR) other than they found it; it is restored after each.
    long fp_mode_changes() const;
    void set_allocation_limit(std::size_t bytes); // see kDefaultAllocationLimit
    // Inlets declared with z_dsp_setup, and outlets made with outlet_new (of any type).
    long signal_inlets(Object *obj) const;
    long outlets(Object *obj) const;
};

} // namespace vibrel_emu
