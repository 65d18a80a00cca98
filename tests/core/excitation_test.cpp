// Excitation the loop cannot play, on every routine and path (the same bits on each): an infinite or NaN
// sample reads as 0, and a finite one so large that the loop overflows leaves the string silent and
// ready to play. Over 10 s at 44.1 kHz, the string tuned to 441 Hz and measured there.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "isa.h"
#include "pitch.h"
#include "string_fixture.h"
#include "tuning.h"

namespace {

using namespace test;
using Limits = std::numeric_limits<double>;
constexpr double kRate = 44100.0, kHz = 441.0;
constexpr size_t kBurst = 100, kNext = 2000;

// A noise burst of the given peak at 0, then silence for 10 s and a little.
std::vector<double> pluck(double peak) {
    std::vector<double> v(kNext + 441000, 0.0);
    for (size_t i = 0; i < kBurst; i++) v[i] = peak * ((double)((i * 37) % 19) / 9.0 - 1.0);
    return v;
}

// The output of every path the processor has (the period and gain by message, or by signal), which
// must be the scalar path's.
std::vector<double> play(Routine r, const std::vector<double> &excitation) {
    const double period = vibrel_analysis::tuned_period(kHz, kRate, (int)kOrder);
    const int before = vibrel_chosenPath();
    std::vector<double> scalar;
    for (int path = kPathScalar; path <= vibrel_widestPath(); path++) {
        vibrel_choosePath(path);
        String s(kDefaultMaxDelay, kRate);
        vibrel_setDelayTime(&s.x, period);
        const std::vector<double> out = s.run(r, excitation, 512, std::vector<double>(excitation.size(), 0.99),
                                              std::vector<double>(excitation.size(), period));
        if (path == kPathScalar) scalar = out;
        EXPECT_TRUE(same_bits(out, scalar)) << vibrel_pathName(path);
    }
    vibrel_choosePath(before);
    return scalar;
}

// Non-finite outputs, and the pitch of the second from `from` in cents from kHz.
void expect_finite_at_pitch(const std::vector<double> &y, size_t from, const char *what) {
    const long bad = std::count_if(y.begin(), y.end(), [](double v) { return !std::isfinite(v); });
    const auto p = vibrel_analysis::estimate_pitch(y.data() + from, (size_t)kRate, kRate);
    const double cents = vibrel_analysis::cents(p.hz, kHz);
    EXPECT_EQ(bad, 0);
    EXPECT_TRUE(p.ok && std::fabs(cents) < 1.0) << cents << " cents";
    EXPECT_GT(std::fabs(y.back()), 0.0) << "the string died";
    std::printf("%s: %ld of %zu samples finite, %.3f cents from %g Hz\n", what, (long)y.size() - bad, y.size(), cents,
                kHz);
}

class Excitation : public ::testing::TestWithParam<Routine> {};

// One NaN and one infinite sample while the string rings play as zeros would.
TEST_P(Excitation, InfiniteOrNaNSampleReadsAsZero) {
    const std::vector<double> clean = pluck(1.0);
    std::vector<double> bad = clean;
    bad[500] = Limits::quiet_NaN();
    bad[900] = -Limits::infinity();
    const std::vector<double> out = play(GetParam(), bad);
    EXPECT_TRUE(same_bits(out, play(GetParam(), clean)));
    expect_finite_at_pitch(out, 1000, (std::string(routine_name(GetParam())) + ", NaN and -inf").c_str());
}

// A burst near the largest double overflows the loop at once: what overflowed falls silent, and the next
// pluck plays.
TEST_P(Excitation, OverflowingLoopFallsSilentAndPlaysTheNextPluck) {
    std::vector<double> x = pluck(Limits::max());
    std::copy(x.begin(), x.begin() + kBurst, x.begin() + kNext);
    for (size_t i = kNext; i < kNext + kBurst; i++) x[i] = x[i] / Limits::max();
    const std::vector<double> out = play(GetParam(), x);
    EXPECT_GT(std::count(out.begin(), out.begin() + kBurst, 0.0), 0) << "nothing overflowed: the case tests nothing";
    expect_finite_at_pitch(out, kNext + 1000, (std::string(routine_name(GetParam())) + ", overflow").c_str());
}

INSTANTIATE_TEST_SUITE_P(AllRoutines, Excitation,
                         ::testing::Values(Routine::Control, Routine::Period, Routine::PeriodGain),
                         [](const auto &info) { return std::string(routine_name(info.param)); });

} // namespace
