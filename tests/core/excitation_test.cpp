// Excitation the loop cannot play, on every routine and path: an infinite or NaN sample reads as 0, and
// a finite one so large that the loop overflows leaves the string finite and ready to play. Each over
// 10 s at 44.1 kHz, the string tuned to 441 Hz and measured there.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "isa.h"
#include "pitch.h"
#include "string_fixture.h"
#include "tuning.h"

namespace {

using namespace test;
constexpr double kRate = 44100.0, kHz = 441.0;
constexpr size_t kBurst = 100, kTenSeconds = 441000;

// A noise burst of the given peak, then silence, over 10 s and a little.
std::vector<double> pluck(double peak) {
    std::vector<double> v(1000 + kTenSeconds, 0.0);
    for (size_t i = 0; i < kBurst; i++) v[i] = peak * ((double)((i * 37) % 19) / 9.0 - 1.0);
    return v;
}

// Outputs on each path the processor has (the period and gain by message, or by signal), after
// checking that every path gave the scalar path's bits.
std::vector<double> play(Routine r, const std::vector<double> &excitation) {
    const double period = vibrel_analysis::tuned_period(kHz, kRate, (int)kOrder);
    const std::vector<double> gain(excitation.size(), 0.99), periods(excitation.size(), period);
    const int before = vibrel_chosenPath();
    std::vector<double> scalar;
    for (int path = kPathScalar; path <= vibrel_widestPath(); path++) {
        vibrel_choosePath(path);
        String s(kDefaultMaxDelay, kRate);
        vibrel_setDelayTime(&s.x, period);
        const std::vector<double> out = s.run(r, excitation, 512, gain, periods);
        if (path == kPathScalar)
            scalar = out;
        else
            EXPECT_TRUE(same_bits(out, scalar)) << vibrel_pathName(path);
    }
    vibrel_choosePath(before);
    return scalar;
}

// Pitch in cents from kHz of y[from, from + 1 s).
double cents_off(const std::vector<double> &y, size_t from) {
    const auto p = vibrel_analysis::estimate_pitch(y.data() + from, (size_t)kRate, kRate);
    return p.ok ? vibrel_analysis::cents(p.hz, kHz) : std::numeric_limits<double>::infinity();
}

long non_finite(const std::vector<double> &y) {
    return std::count_if(y.begin(), y.end(), [](double v) { return !std::isfinite(v); });
}

class Excitation : public ::testing::TestWithParam<Routine> {};

// One NaN and one infinite sample while the string rings play as zeros would.
TEST_P(Excitation, InfiniteOrNaNSampleReadsAsZero) {
    const std::vector<double> clean = pluck(1.0);
    std::vector<double> bad = clean;
    bad[500] = std::numeric_limits<double>::quiet_NaN();
    bad[900] = -std::numeric_limits<double>::infinity();
    const std::vector<double> out = play(GetParam(), bad);
    EXPECT_TRUE(same_bits(out, play(GetParam(), clean)));
    EXPECT_EQ(non_finite(out), 0);
    EXPECT_GT(std::fabs(out.back()), 0.0) << "the string died";
    const double cents = cents_off(out, 1000);
    EXPECT_LT(std::fabs(cents), 1.0);
    std::printf("%s: after NaN and -inf, %ld of %zu samples finite, %.3f cents from %g Hz\n", routine_name(GetParam()),
                (long)out.size() - non_finite(out), out.size(), cents, kHz);
}

// A burst near the largest double overflows the loop at once: what overflowed is silenced, every sample
// is finite, and the next pluck plays at the pitch.
TEST_P(Excitation, OverflowingLoopFallsSilentAndPlaysTheNextPluck) {
    std::vector<double> x = pluck(std::numeric_limits<double>::max());
    constexpr size_t kNext = 2000;
    for (size_t i = 0; i < kBurst; i++) x[kNext + i] = x[i] / std::numeric_limits<double>::max();
    const std::vector<double> out = play(GetParam(), x);
    EXPECT_EQ(non_finite(out), 0);
    EXPECT_GT(std::count(out.begin(), out.begin() + kBurst, 0.0), 0) << "nothing overflowed: the case tests nothing";
    EXPECT_GT(std::fabs(out.back()), 0.0) << "the string died";
    EXPECT_LT(std::fabs(cents_off(out, kNext + 1000)), 1.0);
}

INSTANTIATE_TEST_SUITE_P(AllRoutines, Excitation,
                         ::testing::Values(Routine::Control, Routine::Period, Routine::PeriodGain),
                         [](const auto &info) { return std::string(routine_name(info.param)); });

} // namespace
