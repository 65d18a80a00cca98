// Tuning the string: the "period" value (samples) that makes the loop ring at a given frequency,
// allowing for the phase of the DC blocker and of the fractional-delay interpolator.
#pragma once

#include <functional>

namespace vibrel_analysis {

// First-order DC blocker y = b0*v + b1*v[-1] + a1*y[-1], designed exactly as the string designs it.
struct DcCoeffs {
    double b0, b1, a1;
};
DcCoeffs dc_coeffs(double sampleRate); // sampleRate in Hz (>= 1)

// Phase delay in samples at omega (radians per sample, in (0, pi)); negative for a phase lead.
double dc_phase_delay(const DcCoeffs &dc, double omega);

// Phase delay of the order-M Lagrange interpolator at fractional position D (samples, in [0, M]),
// minus D: the interpolator's own phase error in samples at omega (radians per sample).
double lagrange_delay_error(int order, double D, double omega);

// The period (samples, the value sent as "period") at which the loop's phase at hz closes to one
// whole cycle: delay line (period - 1, interpolated with the given order: 7 for vibrel~, 5 for
// vibrel-lite~) + one sample of loop filter + the DC blocker at sampleRate. hz in Hz, in (0, sampleRate / 2).
// The result is not clamped to the string's range. Plain rate/hz is sharp: the DC blocker leads.
double tuned_period(double hz, double sampleRate, int order = 7);

// Closer still: the period at which the loop's pole nearest hz, the frequency of the free decay,
// lies exactly at hz. It allows for the loop filter designed for fbGain and brightness (defaults as at
// creation) and for how the gains of the DC blocker and the filter vary across the pole's neighbourhood,
// which tuned_period's phase condition leaves out (a few tenths of a cent below 100 Hz).
double pole_tuned_period(double hz, double sampleRate, int order = 7, double fbGain = 0.99, double brightness = 0.9);

// Measures the sounding frequency (Hz) of the string set to a period (samples); by rendering and
// analysing, for example. Returns 0 or less when it cannot measure.
using MeasureHz = std::function<double(double period)>;

struct Refined {
    double period = 0.0;    // best period found, samples
    double cents = 0.0;     // measured error at that period, cents (positive: sharp)
    int measurements = 0;   // calls of the callback
    bool converged = false; // |cents| <= the tolerance
};

// Secant iteration on the measured error in cents, from period0 (tuned_period's value, say).
// Stops at |error| <= toleranceCents or after maxMeasurements calls; returns the best period seen.
Refined refine_period(double hz, double period0, const MeasureHz &measure, double toleranceCents = 0.05,
                      int maxMeasurements = 8);

} // namespace vibrel_analysis
