// The string model as the float hosts (Pd, SuperCollider, the browser) see it, written once for all of
// them: the record and its line in one block of the host's memory, the messages, the routine chosen by
// what drives the gain and period inputs, and blocks of floats run through the model's doubles and
// rounded to float once at the output. A host's own headers and the model's (which carries the Max
// host's types in its record) never meet in one source file: the bindings see only these declarations.
#pragma once

#include <stddef.h>

#include "variant.h" // VIBREL_NS, VIBREL_CLASS_NAME

namespace VIBREL_NS::float_host {

struct String; // the model's record and delay line, in one block

// Where a string's block comes from and goes: the host's allocator (the C library's, a real-time one).
// alloc returns null when it has no such block; context is passed through.
struct Memory {
    void *(*alloc)(void *context, size_t bytes);
    void (*release)(void *context, void *block);
    void *context;
};
Memory system_memory(); // the C library's calloc and free

// A new string whose largest delay is the integer part of *requested (samples; at least 8192, the default
// when requested is null), silent, with the default tuning; its DC blocker waits for string_setRate. Null
// when that line cannot be counted or allocated, with the one console line saying so written to `why`
// (at most whySize bytes). Message thread.
String *string_new(const double *requested, char *why, size_t whySize, const Memory &memory);
void string_free(String *s, const Memory &memory);

// The messages, with the model's clamps (NaN ignored); clear keeps the tuning. Message thread.
void string_setPeriod(String *s, double samples);
void string_setGain(String *s, double gain);
void string_setBrightness(String *s, double brightness);
void string_clear(String *s);

// The sample rate the string runs at (Hz). A new rate silences the string and designs its DC blocker for
// it; the rate it already runs at changes nothing, so a host's chain rebuild keeps it ringing. Message
// thread or chain build.
void string_setRate(String *s, double sampleRate);
// Silences the string and designs its DC blocker for sampleRate, whatever it ran at: a Max chain build.
void string_restart(String *s, double sampleRate);

// The three perform routines: gain and period from signals, period from a signal, both from messages.
enum class Routine { Control, Period, GainAndPeriod };
// As the Max binding chooses by connections: a gain signal calls for the gain-and-period routine (which
// reads the period input, a signal or not); else a period signal for the period routine; else control rate.
Routine string_routine(bool gainSignal, bool periodSignal);

// One input of a float block: n samples at `samples`, or, where samples is null, `value` held over the block.
struct FloatInput {
    const float *samples;
    double value;
};

// Runs n frames (n >= 0) through the routine. Float blocks go through the model's doubles in chunks on
// the stack (no memory of the host's), each output sample rounded to float once; out may share memory
// with an input. Double blocks (pd64) are the model's own. Audio thread.
void string_perform(String *s, Routine r, const FloatInput (&in)[3], float *out, long n);
void string_perform(String *s, Routine r, double *const (&in)[3], double *out, long n);

// Control inputs that act as messages: each value is applied as its message when it differs from the last
// one applied (bit for bit), so that a value held over many blocks costs one design.
enum Control { kGainControl, kPeriodControl, kBrightnessControl, kControls };
struct Controls {
    double applied[kControls]; // the last value applied per control
};
// Applies all three at once (a unit being made), and remembers them.
void controls_start(String *s, Controls &c, double gain, double period, double brightness);
void controls_update(String *s, Controls &c, Control which, double value);

// The "info" and "params" lines, one call of post a line with a printf format and its arguments: the host
// formats them as it formats its own (Pd's "nan" where a C library would print another spelling), and a
// host without such a function formats them with vsnprintf. Message thread.
using Post = void (*)(const char *format, ...);
void string_info(Post post);
void string_params(const String *s, Post post);

} // namespace VIBREL_NS::float_host
