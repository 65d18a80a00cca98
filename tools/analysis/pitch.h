// Pitch measurement of a (decaying) periodic tone: a coarse period by the YIN difference function,
// refined by the phase advance of the fundamental between two windowed segments far apart.
#pragma once

#include <cstddef>

namespace vibrel_analysis {

struct PitchOptions {
    double minHz = 40.0;       // lowest fundamental searched for, Hz
    double maxHz = 6000.0;     // highest fundamental searched for, Hz
    double windowPeriods = 12; // analysis window length in periods of the coarse estimate (at least 8)
};

struct PitchEstimate {
    bool ok = false;       // false when the signal is too short or holds no periodic tone
    double hz = 0.0;       // refined fundamental frequency, Hz
    double coarseHz = 0.0; // the YIN estimate it was refined from, Hz
    double window = 0.0;   // window length used, samples
    double span = 0.0;     // distance between the first and the last window, samples
};

// Coarse period of x[0, n) in samples (offset-free input: estimate_pitch passes the first difference) (fractional,
// parabolic interpolation), within [sampleRate / maxHz, sampleRate / minHz]; 0 when none is found. Uses at most the
// first 4096 + sampleRate / minHz samples.
double coarse_period(const double *x, std::size_t n, double sampleRate, const PitchOptions &options = {});

// Fundamental frequency of x[0, n) sampled at sampleRate (Hz). The whole range is used: skip an
// attack transient before passing the signal in. A tone of f Hz needs about (windowPeriods + 8) periods;
// the accuracy grows with the length (0.05 cents needs well under a second for 55 Hz and up).
PitchEstimate estimate_pitch(const double *x, std::size_t n, double sampleRate, const PitchOptions &options = {});

// Interval from ref to f in cents (positive: f is sharp).
double cents(double f, double ref);

} // namespace vibrel_analysis
