// The string model: the object record, the constants derived from the interpolation order, and the
// operations on the record. Host-independent: of the host layer only its types are used.
#pragma once

#include "ext_types.h"
#include "gate.h"
#include "variant.h" // VIBREL_ORDER, VIBREL_CLASS_NAME, VIBREL_NS

namespace VIBREL_NS {

// Variant constants, all derived from the interpolation order M.
constexpr long kOrder = VIBREL_ORDER;          // M
constexpr long kTaps = kOrder + 1;             // taps read per sample, and coefficient-array length
constexpr long kHalf = (kOrder - 1) / 2;       // H: smallest loop delay, and the integer-delay offset
constexpr long kGuard = kHalf + 1;             // extra delay-line slots beyond maxDelay: ceil(M/2)
constexpr double kMinPeriod = kHalf + 1;       // smallest period in samples: 4 (M = 7) or 3 (M = 5)
static_assert(kOrder % 2 == 1 && kOrder >= 3, "the interpolator needs an odd order");

constexpr double kDefaultMaxDelay = 8192.0;    // also the smallest maxDelay, in samples
constexpr double kDefaultPeriod = 50.0;        // samples
constexpr double kDefaultFbGain = 0.99;
constexpr double kDefaultBrightness = 0.9;
constexpr double kGainBound = 0.99999;         // |fbGain| and brightness never exceed it
constexpr double kTwoPi = 6.283185307179586;   // nearest double to 2*pi
constexpr double kDcCornerTwoPi = 125.66370614359172; // nearest double to 2*pi*20 (a 20 Hz corner)
constexpr double kFallbackRate = 44100.0;      // Hz; stands in for a sample rate that is not a usable number

// Largest maxDelay (in samples) whose delay line can be counted: bufLen must fit in a long, its byte
// count in t_ptr_size (32 bits on Windows x86), and the value must be exact as a double (2^53).
constexpr unsigned long long kMaxSlots = [] {
    unsigned long long n = (unsigned long long)(~0UL >> 1);        // largest long
    unsigned long long bytes = (unsigned long long)(t_ptr_size)-1 / sizeof(double);
    unsigned long long exact = 1ULL << 53;
    if (bytes < n) n = bytes;
    if (exact < n) n = exact;
    return n;
}();
constexpr long kMaxDelayLimit = (long)(kMaxSlots - kGuard);

struct _vibrel {
    t_pxobject ob;            // host signal-object header; must come first
    double maxDelay;          // largest delay in samples: a whole number >= 8192, fixed at creation
    long bufLen;              // delay-line slots: maxDelay + kGuard
    double *buffer;           // the delay line, bufLen samples, owned by the record
    long writeIndex;          // slot of the next output sample, in [0, bufLen)
    double lagDenom[kTaps];   // 1 / prod_{j != k} (k - j): constant Lagrange denominators
    double lagCoeff[kTaps];   // interpolation weights for the period set by message; tap k uses [k]
    double lagDiff[kTaps];    // D - j of the last sample of the signal-rate routines (working storage)
    double loopDelay;         // period - 1, in samples, within [kHalf, maxDelay - 1]
    double fbGain;            // loop gain at the fundamental, within [-kGainBound, kGainBound]
    double brightness;        // loop gain at Nyquist relative to the fundamental, within [0, kGainBound]
    double lpfOuter;          // loop-filter weight of the newest and oldest taps, never negative
    double lpfCenter;         // loop-filter weight of the middle tap
    double dcB0;              // DC blocker: weight of the current input
    double dcB1;              // DC blocker: weight of the previous input (always -dcB0)
    double dcA1;              // DC blocker: feedback weight
    double dcY1;              // DC blocker's previous output = the last sample written to the line
    double dcX1;              // DC blocker's previous input
    double lpfX1;             // most recent interpolated value
    double lpfX2;             // interpolated value one sample older
#if defined(__wasm__)
    long normalRun;           // the newest samples of the line that are 0 or at least 2^-600 (core/vibrel.dsp.cpp)
#endif
    vibrel_gate::Word gate;   // a vector running, a reset under way (core/gate.h); after the fields above
    double dcRate;            // Hz: the sample rate of the DC-blocker design last asked for (core/gate.h)
    vibrel_gate::Word params; // a design under way, the parameters sent since (core/design.cpp); 0 when idle
    double wantedPeriod;      // the last period sent, clamped, in samples
    double wantedGain;        // the last gain sent, clamped
    double wantedBrightness;  // the last brightness sent, clamped
};
typedef struct _vibrel t_vibrel;

// Delay-line slots for a largest delay in whole samples (at most kMaxDelayLimit).
constexpr long vibrel_lineSlots(double maxDelay) { return (long)maxDelay + kGuard; }

// State (message thread, and chain build).
// A new string on its delay line of vibrel_lineSlots(maxDelay) slots: lagDenom, the line silent,
// default gain and brightness, period 50. The DC blocker waits for the chain build. Creation.
void vibrel_init(t_vibrel *x, double maxDelay, double *line);
void vibrel_clear(t_vibrel *x); // silence the string; coefficients and parameters stay (vibrel_reset)
// Silences the string (kSilence), designs the DC blocker for sampleRate (kDesignDc), or both: at once,
// or by the reset already under way on another thread (core/gate.h). Any thread; waits for no caller.
void vibrel_reset(t_vibrel *x, vibrel_gate::Word requests, double sampleRate);

// Coefficient design (message thread, creation and chain build).
void vibrel_ccCalc(t_vibrel *x);
void vibrel_setDelayTime(t_vibrel *x, double period);
void vibrel_setFbGain(t_vibrel *x, double gain);
void vibrel_setBrightness(t_vibrel *x, double brightness);
void vibrel_calcLpfCoeffs(t_vibrel *x);
void vibrel_calcDcCoeffs(t_vibrel *x, double sampleRate);
void vibrel_designDc(t_vibrel *x, double sampleRate); // the three weights, by the holder of a reset

// Perform routines (audio thread), the host's 64-bit perform signature.
void vibrel_dodsp1_64(t_vibrel *x, t_object *chain, double **ins, long numins, double **outs, long numouts,
                      long sampleframes, long flags, void *userparam);
void vibrel_dodsp2_64(t_vibrel *x, t_object *chain, double **ins, long numins, double **outs, long numouts,
                      long sampleframes, long flags, void *userparam);
void vibrel_dodsp3_64(t_vibrel *x, t_object *chain, double **ins, long numins, double **outs, long numouts,
                      long sampleframes, long flags, void *userparam);

} // namespace VIBREL_NS
