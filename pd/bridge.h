// The string model as the Pd binding sees it. Pd's headers and the model's (which carries the other
// host's types in its record) cannot meet in one source file, so the binding reaches the model only
// through these declarations, which use neither. Everything here runs on Pd's one thread.
#pragma once

#include <stddef.h>

#include "variant.h" // VIBREL_NS, VIBREL_CLASS_NAME

namespace VIBREL_NS::pd_bridge {

struct String; // the model's record and delay line

// A new string whose largest delay is the integer part of *requested (samples; at least 8192, the
// default when requested is null). Null when that line cannot be counted or allocated, with the one
// console line saying so written to `why` (at most whySize bytes).
String *string_new(const double *requested, char *why, size_t whySize);
void string_free(String *s);

// The messages, with the model's clamps; clear keeps the tuning.
void string_setPeriod(String *s, double samples);
void string_setGain(String *s, double gain);
void string_setBrightness(String *s, double brightness);
void string_clear(String *s);

// Chain build at sampleRate (Hz): silences the string and designs its DC blocker.
void string_prepare(String *s, double sampleRate);

// A perform routine on vectors of doubles: ins[0..2] excitation, gain, period; out may be any of them.
using Routine = void (*)(String *s, double *const *ins, double *out, long n);

// The routine the connected inlets call for: gain connected, the gain-and-period routine (which reads
// the period inlet, connected or not); else period connected, the period routine; else control rate.
Routine string_routine(bool gainConnected, bool periodConnected);

// The "info" and "params" lines, each through post (a printf-style console function).
using Post = void (*)(const char *format, ...);
void string_info(Post post);
void string_params(const String *s, Post post);

} // namespace VIBREL_NS::pd_bridge
