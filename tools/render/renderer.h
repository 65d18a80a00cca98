// Plays a score through the host emulator: one object of a loaded plug-in module, its excitation
// inlet fed from the score's plucks, its gain and period inlets from the score's signal lanes, and
// its messages sent at the exact sample of their time.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "score.h"

namespace vibrel_render {

struct RenderOptions {
    std::string modulePath; // the plug-in module to load
    std::string className;  // "" = the module's file name without its extension (as the host names classes)
    std::string args;       // creation arguments, as typed after the class name in a box
    double rate = 44100.0;  // Hz
    long vector = 64;       // largest signal vector in frames; vectors are also split at message times
};

struct RenderHooks {
    std::function<void(const std::string &)> console; // the plug-in's and the host's console lines, and notes
    std::function<void(double)> progress;             // fraction of the render done, 0 to 1
};

struct Rendered {
    std::vector<double> samples; // the outlet's signal
    std::string className;       // the class the object was made from
    int refused = 0;             // messages the object did not understand
};

// The sample an event at `seconds` lands on.
long to_sample(double seconds, double rate);

// Length of the render in samples: the score's end, or 2 s after the last event has finished.
long render_length(const Score &score, double rate);

// The burst of `pluck noise`: uniform white noise in [-amp, amp), the same for the same seed.
std::vector<double> noise_burst(unsigned seed, long n, double amp);

// The signal of one lane over the whole render. Before the lane's first event it holds the value that
// event starts from; a ramp runs linearly from `from` (at its first sample) towards `to` and then holds
// `to`; any later event of the lane takes over from its own sample on.
std::vector<double> lane_signal(const Score &score, Lane lane, long length, double rate);

// The excitation inlet's signal: every pluck added in at its sample. False with a reason when an
// excitation file cannot be read.
bool excitation_signal(const Score &score, long length, double rate, std::vector<double> &out, std::string *error,
                       const RenderHooks &hooks = {});

// Loads the module, creates the object, builds the chain and plays the score. False with a reason when
// the module, the object or an excitation file cannot be had; then nothing is rendered.
bool render_score(const Score &score, const RenderOptions &options, Rendered &out, std::string *error,
                  const RenderHooks &hooks = {});

} // namespace vibrel_render
