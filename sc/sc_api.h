// Our declarations of the SuperCollider server's plug-in interface (plug-in API version 3, scsynth 3.13):
// only the layouts and table entries the UGens use, in C headers only, so that every target builds them
// (the macOS and Windows builds see no C++ library). The Linux build checks each layout against the
// server's own headers (tests/sc/sc_api_layout.cpp).
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace sc_api {

constexpr int kApiVersion = 3;    // what `api_version` answers: the server loads no plug-in of another
constexpr int kServerScsynth = 0; // what `server_type` answers: built for scsynth (not supernova)

struct World; // the server's; plug-ins pass it back to the allocator
struct Unit;

// Rates of a unit's calculation and of its inputs (Wire::calcRate).
enum { calc_ScalarRate, calc_BufRate, calc_FullRate, calc_DemandRate };

using UnitCtorFunc = void (*)(Unit *unit);
using UnitDtorFunc = void (*)(Unit *unit);
using UnitCalcFunc = void (*)(Unit *unit, int frames);

struct Rate {
    double sampleRate; // Hz
    double sampleDur, bufDuration, bufRate, slopeFactor, radiansPerSample;
    int bufLength;
    int filterLoops, filterRemain;
    double filterSlope;
};

// What feeds an input: its rate, and its buffer (one value at scalar and control rate).
struct Wire {
    Unit *fromUnit;
    int32_t calcRate;
    float *buffer;
    float scalarValue;
};

// The head of every unit: the server allocates the size a UGen declares and fills this part.
struct Unit {
    World *world;
    void *unitDef;
    void *parent;
    uint32_t numInputs, numOutputs;
    int16_t calcRate;
    int16_t specialIndex;
    int16_t parentIndex;
    int16_t done; // nonzero: the unit has finished (a silent unit sets it)
    Wire **input, **output;
    Rate *rate;
    void *extensions;
    float **inBuf, **outBuf; // per input and output: its samples (audio rate) or its one value
    UnitCalcFunc calcFunc;   // called once per block with the block's frames
    int bufLength;
};

// The server's function table, up to the last entry used; the server owns it for the life of the process.
struct InterfaceTable {
    unsigned int sineSize;
    float *sineWavetable, *sine, *cosecant;
    int (*print)(const char *format, ...); // the server's console; a line ends with "\n"
    int32_t (*ranSeed)();
    bool (*defineUnit)(const char *name, size_t allocSize, UnitCtorFunc ctor, UnitDtorFunc dtor, uint32_t flags);
    void *definePlugInCmd, *defineUnitCmd, *defineBufGen;
    void (*clearUnitOutputs)(Unit *unit, int frames);
    void *nrtAlloc, *nrtRealloc, *nrtFree;
    void *(*rtAlloc)(World *world, size_t bytes); // the real-time pool: null when it has no such block
    void *rtRealloc;
    void (*rtFree)(World *world, void *block);
};

} // namespace sc_api
