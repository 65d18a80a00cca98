// Tuning the string for a frequency: the loop-phase model's period, then renders through the emulator
// that measure the pitch and refine the period until it sounds within a small fraction of a cent.
#pragma once

#include <string>

#include "renderer.h"
#include "tuning.h"

namespace vibrel_render {

struct TuneReport {
    std::string className;     // the class the module registered
    int order = 0;             // interpolation order M, read from the object's "params" report
    double hz = 0.0;           // target, Hz
    double plainPeriod = 0.0;  // rate / hz, samples
    double plainCents = 0.0;   // measured pitch error of the plain period, cents (positive: sharp)
    double modelPeriod = 0.0;  // the loop-phase model's period, samples
    double modelCents = 0.0;   // its measured pitch error, cents
    vibrel_analysis::Refined refined; // after measured refinement: the period to use
    double measuredHz = 0.0;   // pitch measured at the refined period, Hz
};

// The pitch (Hz) of the string at `period` samples, measured from an impulse response rendered
// through the emulator with a nearly lossless loop (gain and brightness 0.99999), so that the sounding
// pitch is the frequency where the loop's phase closes. 0 when no pitch is found.
class PitchMeter {
  public:
    explicit PitchMeter(const RenderOptions &options);
    ~PitchMeter();
    bool ok(std::string *error) const;
    double measure(double period);
    int order() const { return order_; }
    const std::string &class_name() const { return className_; }

  private:
    struct Impl;
    Impl *impl_;
    int order_ = 0;
    std::string className_;
};

// Everything above for one frequency. False with a reason when the module or object cannot be had,
// or the frequency lies outside (0, rate / 2).
bool tune(const RenderOptions &options, double hz, TuneReport &out, std::string *error);

} // namespace vibrel_render
