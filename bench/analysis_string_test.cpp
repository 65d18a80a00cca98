// The tuning model against the string itself, per variant: its DC-blocker design, and the measured
// pitch of the string at the analytic period and after measured refinement.
#include <gtest/gtest.h>

#include <cmath>

#include "pitch.h"
#include "string_fixture.h"
#include "tuning.h"

namespace {

using namespace VIBREL_NS;
using namespace VIBREL_NS::bench_string;
namespace va = vibrel_analysis;

// Measured frequency (Hz) of the string plucked with one period of noise at `period` samples:
// 1 s analysed after a 0.1 s attack.
double measure_string(double period, double rate, double gain = kDefaultFbGain) {
    String s(kDefaultMaxDelay, rate);
    vibrel_setFbGain(s.record(), gain);
    vibrel_setDelayTime(s.record(), period);
    const auto out = pluck(s, noise((std::size_t)period + 1), (std::size_t)(1.1 * rate));
    const std::size_t skip = (std::size_t)(0.1 * rate);
    const auto p = va::estimate_pitch(out.data() + skip, out.size() - skip, rate);
    return p.ok ? p.hz : 0.0;
}

TEST(Tuning, DcCoefficientsMatchTheString) {
    for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
        String s(kDefaultMaxDelay, rate);
        const auto dc = va::dc_coeffs(rate);
        EXPECT_EQ(dc.b0, s.record()->dcB0) << rate;
        EXPECT_EQ(dc.b1, s.record()->dcB1) << rate;
        EXPECT_EQ(dc.a1, s.record()->dcA1) << rate;
    }
}

class StringTuning : public testing::TestWithParam<double> {};

TEST_P(StringTuning, AnalyticPeriodWithinHalfACent) {
    const double hz = GetParam(), rate = 44100.0;
    const double period = va::tuned_period(hz, rate, (int)kOrder);
    EXPECT_LT(std::fabs(va::cents(measure_string(period, rate), hz)), 0.5) << period;
}

TEST_P(StringTuning, PoleTunedPeriodWithinTwentiethOfACent) {
    const double hz = GetParam(), rate = 44100.0;
    const double period = va::pole_tuned_period(hz, rate, (int)kOrder, kDefaultFbGain, kDefaultBrightness);
    EXPECT_LT(std::fabs(va::cents(measure_string(period, rate), hz)), 0.05) << period;
}

TEST(Tuning, PoleTuningHoldsAtLowerGainsWhereThePhaseConditionDrifts) {
    // At gain 0.9 the pole leaves the phase-condition frequency by about 0.7 cents at 55 Hz.
    const double rate = 48000.0, gain = 0.9;
    for (double hz : {55.0, 110.0}) {
        const double period = va::pole_tuned_period(hz, rate, (int)kOrder, gain, kDefaultBrightness);
        EXPECT_LT(std::fabs(va::cents(measure_string(period, rate, gain), hz)), 0.05) << hz;
    }
}

TEST_P(StringTuning, RefinedPeriodWithinTwentiethOfACent) {
    const double hz = GetParam(), rate = 48000.0;
    const auto r = va::refine_period(hz, va::tuned_period(hz, rate, (int)kOrder),
                                     [&](double p) { return measure_string(p, rate); });
    EXPECT_TRUE(r.converged) << r.cents;
    EXPECT_LE(r.measurements, 4);
}

INSTANTIATE_TEST_SUITE_P(Notes, StringTuning, testing::Values(55.0, 110.0, 440.0, 1760.0, 4186.0));

} // namespace
