// The pitch estimator against synthetic tones of known frequency: pure and decaying harmonic tones
// across the string's range, at the two common sample rates.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "pitch.h"
#include "tuning.h"

namespace {

using vibrel_analysis::cents;
using vibrel_analysis::estimate_pitch;

constexpr double kTwoPi = 6.283185307179586;
constexpr double kToleranceCents = 0.05;

// Sum of harmonics k = 1..K below 0.45 * rate, amplitude 1/k, each decaying at k times the fundamental's
// rate (time constant tau seconds; 0 for a steady tone), phases spread irregularly.
std::vector<double> tone(double hz, double rate, double seconds, int harmonics, double tau) {
    std::vector<double> x((std::size_t)(seconds * rate), 0.0);
    for (int k = 1; k <= harmonics && k * hz < 0.45 * rate; k++) {
        const double phase = 0.7 + 2.3 * k;
        for (std::size_t i = 0; i < x.size(); i++) {
            const double t = (double)i / rate;
            const double env = tau > 0.0 ? std::exp(-k * t / tau) : 1.0;
            x[i] += env / k * std::sin(kTwoPi * k * hz * t + phase);
        }
    }
    return x;
}

class PitchAccuracy : public testing::TestWithParam<std::tuple<double, double>> {};

TEST_P(PitchAccuracy, SineWithinTolerance) {
    const auto [hz, rate] = GetParam();
    const auto x = tone(hz, rate, 1.0, 1, 0.0);
    const auto p = estimate_pitch(x.data(), x.size(), rate);
    ASSERT_TRUE(p.ok);
    EXPECT_LT(std::fabs(cents(p.hz, hz)), kToleranceCents) << p.hz;
}

TEST_P(PitchAccuracy, DecayingHarmonicToneWithinTolerance) {
    const auto [hz, rate] = GetParam();
    const auto x = tone(hz, rate, 1.0, 12, 0.4);
    const auto p = estimate_pitch(x.data(), x.size(), rate);
    ASSERT_TRUE(p.ok);
    EXPECT_LT(std::fabs(cents(p.hz, hz)), kToleranceCents) << p.hz;
}

INSTANTIATE_TEST_SUITE_P(Range, PitchAccuracy,
                         testing::Combine(testing::Values(55.0, 61.7354, 110.0, 220.0, 440.0, 877.3, 1760.0, 2999.9,
                                                          3520.0, 4186.01),
                                          testing::Values(44100.0, 48000.0)));

TEST(Pitch, FastDecayStillMeasuredFromWhatRemains) {
    // Gone to 1e-13 within the second: the estimator must stop short of the silence.
    const auto x = tone(440.0, 44100.0, 1.0, 6, 0.033);
    const auto p = estimate_pitch(x.data(), x.size(), 44100.0);
    ASSERT_TRUE(p.ok);
    EXPECT_LT(std::fabs(cents(p.hz, 440.0)), kToleranceCents) << p.hz;
}

TEST(Pitch, SlowOffsetOutlastingTheToneIsIgnored) {
    // A loop without a DC blocker: its offset decays far slower than a high tone does.
    const double rate = 44100.0;
    for (double hz : {55.0, 3520.0}) {
        auto x = tone(hz, rate, 1.0, 6, hz > 1000.0 ? 0.02 : 0.3);
        for (std::size_t i = 0; i < x.size(); i++)
            x[i] += 0.3 * std::exp(-(double)i / rate / 0.5);
        const auto p = estimate_pitch(x.data(), x.size(), rate);
        ASSERT_TRUE(p.ok) << hz;
        EXPECT_LT(std::fabs(cents(p.hz, hz)), kToleranceCents) << p.hz;
    }
}

TEST(Pitch, NoToneNoEstimate) {
    const std::vector<double> silence(44100, 0.0);
    EXPECT_FALSE(estimate_pitch(silence.data(), silence.size(), 44100.0).ok);
    const auto shortTone = tone(55.0, 44100.0, 0.05, 1, 0.0); // under three periods
    EXPECT_FALSE(estimate_pitch(shortTone.data(), shortTone.size(), 44100.0).ok);
}

TEST(Tuning, DcBlockerLeadsMostAtLowFrequencies) {
    // Its phase lead is what makes rate/f sharp; the analytic period must lengthen the loop by it.
    const auto dc = vibrel_analysis::dc_coeffs(44100.0);
    const double at110 = vibrel_analysis::dc_phase_delay(dc, kTwoPi * 110.0 / 44100.0);
    const double at440 = vibrel_analysis::dc_phase_delay(dc, kTwoPi * 440.0 / 44100.0);
    EXPECT_LT(at110, at440);
    EXPECT_LT(at440, 0.0);
    EXPECT_NEAR(cents(44100.0 / (44100.0 / 440.0 + at440), 440.0), 12.5, 1.0);
    EXPECT_NEAR(cents(44100.0 / (44100.0 / 110.0 + at110), 110.0), 50.0, 3.0);
}

TEST(Tuning, LagrangeErrorVanishesAtIntegerPositionsAndLowFrequencies) {
    for (int order : {5, 7}) {
        const double H = (order - 1) / 2;
        EXPECT_NEAR(vibrel_analysis::lagrange_delay_error(order, H, 0.5), 0.0, 1e-12);
        EXPECT_NEAR(vibrel_analysis::lagrange_delay_error(order, H + 0.5, 0.5), 0.0, 1e-12); // symmetric
        EXPECT_NEAR(vibrel_analysis::lagrange_delay_error(order, H + 0.25, 0.01), 0.0, 1e-9);
        EXPECT_GT(std::fabs(vibrel_analysis::lagrange_delay_error(order, H + 0.25, 1.5)), 1e-4);
    }
}

TEST(Tuning, RefineConvergesOnAModelOfTheLoop) {
    // A loop 0.3 % longer than the model believes: the secant steps must find the correction.
    const double hz = 440.0, rate = 44100.0;
    int calls = 0;
    auto measure = [&](double period) {
        calls++;
        return rate /
               (period * 1.003 + vibrel_analysis::dc_phase_delay(vibrel_analysis::dc_coeffs(rate), kTwoPi * hz / rate));
    };
    const double p0 = vibrel_analysis::tuned_period(hz, rate, 7);
    const auto r = vibrel_analysis::refine_period(hz, p0, measure, 0.01);
    EXPECT_TRUE(r.converged);
    EXPECT_LT(std::fabs(r.cents), 0.01);
    EXPECT_EQ(r.measurements, calls);
    EXPECT_LE(calls, 4);
}

} // namespace
