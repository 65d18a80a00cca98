// One variant's UGen (Vibrel: order 7, VibrelLite: order 5; the name is VIBREL_SC_NAME, from the build):
// the unit's construction and destruction and its calculation function, over the float hosts' string
// (float_host/). Built once per variant; the server calls all of it on its real-time thread.
#include "float_string.h"
#include "sc_api.h"
#include "ugen.h"

#include <string.h>

using namespace sc_api;

namespace VIBREL_NS::sc {

namespace {

// The unit's inputs, in the order the class file sends them.
enum Input { kExcitation, kGain, kPeriod, kBrightness, kClear, kMaxDelay };
static_assert(kPeriod - kGain == float_host::kPeriodControl && kBrightness - kGain == float_host::kBrightnessControl);

const InterfaceTable *ft; // set once, when the server loads the plug-in

struct VibrelUnit : Unit {
    float_host::String *string; // null: the line could not be made, and the unit is silent
    float_host::Routine routine;
    float_host::Controls controls;
    float lastClear; // the clear input's value at the previous block: a rise above 0 clears
};

// The server's real-time pool sizes its blocks in 32-bit arithmetic: a request of 2 GiB or more can
// come back as a block it does not have (scsynth 3.13 crashes), and no such pool exists in practice.
constexpr size_t kLargestRequest = 0x7FFFFFFF;

void *rt_alloc(void *world, size_t bytes) {
    return bytes <= kLargestRequest ? ft->rtAlloc((World *)world, bytes) : nullptr;
}
void rt_release(void *world, void *block) { ft->rtFree((World *)world, block); }
float_host::Memory rt_memory(Unit *unit) { return {rt_alloc, rt_release, unit->world}; }

bool audio_rate(const Unit *unit, int input) { return unit->input[input]->calcRate == calc_FullRate; }

// An input as the string's perform reads it: an audio-rate input's samples, any other's value held.
float_host::FloatInput held_or_signal(const Unit *unit, int input, bool signal) {
    return {signal ? unit->inBuf[input] : nullptr, (double)unit->inBuf[input][0]};
}

void next(Unit *u, int frames) {
    VibrelUnit *unit = static_cast<VibrelUnit *>(u);
    float_host::String *s = unit->string;
    const float clear = unit->inBuf[kClear][0];
    if (unit->lastClear <= 0.0f && clear > 0.0f) float_host::string_clear(s);
    unit->lastClear = clear;
    // Gain, period and brightness at control rate or constant act as their messages (a held period
    // too, which the gain-and-period routine also reads over the block).
    for (int k = 0; k < float_host::kControls; k++)
        if (!audio_rate(unit, kGain + k))
            float_host::controls_update(s, unit->controls, (float_host::Control)k, unit->inBuf[kGain + k][0]);
    const float_host::Routine r = unit->routine;
    const float_host::FloatInput in[3] = {
        held_or_signal(unit, kExcitation, audio_rate(unit, kExcitation)),
        held_or_signal(unit, kGain, r == float_host::Routine::GainAndPeriod),
        held_or_signal(unit, kPeriod, audio_rate(unit, kPeriod)),
    };
    float_host::string_perform(s, r, in, unit->outBuf[0], frames);
}

// The server's console line for a unit made silent: the float hosts' "<class>: <reason>; no object made"
// told as "<UGen>: <reason>; the unit is silent". (No strstr or memcmp: the macOS builds' headers lack them.)
void report_silent(const char *why) {
    constexpr size_t kPrefix = sizeof VIBREL_CLASS_NAME + 1; // the class name, ": "
    constexpr char kSuffix[] = "; no object made";
    constexpr size_t kSuffixLength = sizeof kSuffix - 1;
    const char *reason = strlen(why) >= kPrefix ? why + kPrefix : why;
    size_t length = strlen(reason);
    bool suffixed = length >= kSuffixLength;
    for (size_t i = 0; suffixed && i < kSuffixLength; i++)
        suffixed = reason[length - kSuffixLength + i] == kSuffix[i];
    if (suffixed) length -= kSuffixLength;
    ft->print("%s: %.*s; the unit is silent\n", VIBREL_SC_NAME, (int)length, reason);
}

// The line from the real-time pool, the DC blocker for the unit's rate, the routine by the inputs' rates
// and the three controls applied; no sample of the string computed (the first output value is 0).
void construct(Unit *u) {
    VibrelUnit *unit = static_cast<VibrelUnit *>(u);
    unit->outBuf[0][0] = 0.0f;
    const double requested = unit->inBuf[kMaxDelay][0];
    char why[200];
    float_host::String *s = float_host::string_new(&requested, why, sizeof why, rt_memory(unit));
    unit->string = s;
    if (!s) {
        report_silent(why);
        unit->calcFunc = ft->clearUnitOutputs;
        unit->done = 1;
        return;
    }
    float_host::string_setRate(s, unit->rate->sampleRate);
    unit->routine = float_host::string_routine(audio_rate(unit, kGain), audio_rate(unit, kPeriod));
    float_host::controls_start(s, unit->controls, unit->inBuf[kGain][0], unit->inBuf[kPeriod][0],
                               unit->inBuf[kBrightness][0]);
    unit->lastClear = 0.0f;
    unit->calcFunc = next;
}

void destruct(Unit *u) {
    VibrelUnit *unit = static_cast<VibrelUnit *>(u);
    if (unit->string) float_host::string_free(unit->string, rt_memory(unit));
}

} // namespace

bool define_unit(const InterfaceTable *table) {
    ft = table;
    return ft->defineUnit(VIBREL_SC_NAME, sizeof(VibrelUnit), construct, destruct, 0);
}

} // namespace VIBREL_NS::sc
