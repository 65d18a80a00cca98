// Period and gain driven per sample: against the slow reference, against the message path, the clamps,
// samples that are not numbers, the fields the routines may write, and the reach of their taps.
#include <gtest/gtest.h>

#include <limits>

#include "reference.h"
#include "string_fixture.h"

namespace {

using namespace test;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<double> clicks(size_t n, size_t every) {
    std::vector<double> v(n, 0.0);
    for (size_t i = 0; i < n; i += every) v[i] = 1.0;
    return v;
}

TEST(SignalRate, MatchesTheReferenceSampleForSample) {
    const size_t n = 30000;
    std::vector<double> period(n), gain(n);
    for (size_t i = 0; i < n; i++) {
        period[i] = 2.0 + 150.0 * (1 + std::sin(i * 0.0007)); // sweeps through the shortest delays too
        gain[i] = 1.2 * std::sin(i * 0.0011);                 // beyond both bounds
    }
    const auto in = clicks(n, 997);
    for (Routine r : {Routine::Period, Routine::PeriodGain}) {
        String s;
        vibrel_setBrightness(&s.x, 0.7);
        ReferenceString ref(kOrder, s.x.maxDelay, 44100.0);
        const auto out = s.run(r, in, 64, gain, period);
        for (size_t i = 0; i < n; i++) {
            const double g = r == Routine::Period ? 0.99 : gain[i];
            ASSERT_EQ(out[i], ref.step_signal(in[i], period[i], g, 0.7)) << routine_name(r) << " sample " << i;
        }
    }
}

// The same period as a constant signal or as a message: the same delay, weights and filter up to rounding.
TEST(SignalRate, ConstantPeriodSoundsLikeTheMessage) {
    const size_t n = 44100;
    for (double p : {100.0, 50.5, 7.3, kMinPeriod + 0.5, 8000.25, 8192.0}) {
        String msg, sig;
        vibrel_setDelayTime(&msg.x, p);
        const auto a = msg.run(Routine::Control, clicks(n, 20000), 64);
        const auto b = sig.run(Routine::Period, clicks(n, 20000), 64, {}, std::vector<double>(n, p));
        double worst = 0;
        for (size_t i = 0; i < n; i++) worst = std::max(worst, std::fabs(a[i] - b[i]));
        EXPECT_LT(worst, 1e-12) << "period " << p;
    }
}

TEST(SignalRate, ConstantGainSignalEqualsTheMessageGain) {
    const size_t n = 20000;
    std::vector<double> period(n);
    for (size_t i = 0; i < n; i++) period[i] = 40 + 30 * std::sin(i * 0.003);
    for (double g : {0.99, 0.5, -0.3, 0.0}) {
        String two, three;
        vibrel_setFbGain(&two.x, g);
        vibrel_setFbGain(&three.x, 0.1); // the record's gain must not matter to routine 3
        const auto a = two.run(Routine::Period, clicks(n, 5000), 64, {}, period);
        const auto b = three.run(Routine::PeriodGain, clicks(n, 5000), 64, std::vector<double>(n, g), period);
        EXPECT_TRUE(same_bits(a, b)) << "gain " << g;
    }
}

// A period of maxDelay + 1 or more reaches one sample further than the message can.
TEST(SignalRate, LongestDelayIsMaxDelay) {
    const size_t n = 8192 + 400;
    for (double p : {8193.0, 8193.5, 1e9, kInf}) {
        String s;
        const auto out = s.run(Routine::Period, impulse(n), 256, {}, std::vector<double>(n, p));
        size_t peak = 1;
        for (size_t i = 1; i < n; i++)
            if (std::fabs(out[i]) > std::fabs(out[peak])) peak = i;
        EXPECT_EQ(peak, 8193u) << p;
        EXPECT_EQ(s.x.lagDiff[0], (double)kHalf); // D = (M-1)/2: a whole delay
    }
}

// At or below the smallest period, and for -inf or NaN, the delay is (M-1)/2.
TEST(SignalRate, ShortestDelayAndNaNPeriods) {
    const size_t n = 3000;
    String ref;
    const auto want = ref.run(Routine::Period, clicks(n, 700), 64, {}, std::vector<double>(n, kMinPeriod));
    for (double p : {kMinPeriod - 0.5, 0.0, -7.0, -kInf, kNaN, -kNaN}) {
        String s;
        const auto out = s.run(Routine::Period, clicks(n, 700), 64, {}, std::vector<double>(n, p));
        EXPECT_TRUE(same_bits(want, out)) << "period " << p;
    }
}

TEST(SignalRate, GainClampsAndNaNGain) {
    const size_t n = 4000;
    const std::vector<double> period(n, 45.5);
    struct { double given, acts; } cases[] = {{5.0, 0.99999}, {-5.0, -0.99999}, {kInf, 0.99999},
                                              {-kInf, -0.99999}, {kNaN, 0.0}};
    for (auto c : cases) {
        String a, b;
        const auto got = a.run(Routine::PeriodGain, clicks(n, 999), 64, std::vector<double>(n, c.given), period);
        const auto want = b.run(Routine::PeriodGain, clicks(n, 999), 64, std::vector<double>(n, c.acts), period);
        EXPECT_TRUE(same_bits(want, got)) << "gain " << c.given;
    }
    // A gain of 0 lets nothing recirculate: the output is the DC-blocked excitation alone.
    String s;
    const auto in = clicks(n, 999);
    const auto out = s.run(Routine::PeriodGain, in, 64, std::vector<double>(n, kNaN), period);
    double x1 = 0, y1 = 0;
    for (size_t i = 0; i < n; i++) {
        const double y = (s.x.dcB0 * in[i] + s.x.dcB1 * x1) + s.x.dcA1 * y1;
        x1 = in[i], y1 = y;
        ASSERT_EQ(out[i], y) << i;
    }
}

// Only the write position, the filter memories, lagDiff and the line change; the tuning set by
// messages (loopDelay, lagCoeff, the loop filter, fbGain) is never written.
TEST(SignalRate, WritesOnlyTheRunningState) {
    for (Routine r : {Routine::Period, Routine::PeriodGain}) {
        String s;
        vibrel_setDelayTime(&s.x, 123.45);
        vibrel_setFbGain(&s.x, 0.8);
        const auto before = snapshot(s.x);
        s.run(r, clicks(1000, 300), 64, std::vector<double>(1000, 0.5), std::vector<double>(1000, 20.25));
        t_vibrel after;
        std::memcpy(&after, &s.x, sizeof after);
        t_vibrel expect;
        std::memcpy(&expect, before.data(), sizeof expect);
        expect.writeIndex = after.writeIndex;
        expect.dcY1 = after.dcY1, expect.dcX1 = after.dcX1, expect.lpfX1 = after.lpfX1, expect.lpfX2 = after.lpfX2;
        std::memcpy(expect.lagDiff, after.lagDiff, sizeof expect.lagDiff);
        EXPECT_EQ(snapshot(expect), snapshot(after)) << routine_name(r);
        EXPECT_NE(after.writeIndex, 0);
        for (long j = 0; j < kTaps; j++) EXPECT_EQ(after.lagDiff[j], (kHalf + 0.25) - (double)j); // D - j of the last sample
    }
}

// A period swept across and beyond the whole line, with NaN and infinite samples mixed in, never
// reads or writes outside the line (the line is exactly bufLen slots: the sanitizers see a stray index).
TEST(SignalRate, TapsStayInsideTheLineForAnyPeriod) {
    for (Routine r : {Routine::Period, Routine::PeriodGain}) {
        String s;
        const double top = s.x.maxDelay + 10;
        std::vector<double> period;
        for (double p = top; p >= 0; p -= 0.37) period.push_back(p);
        for (double p = 0; p <= top; p += 0.41) period.push_back(p);
        for (size_t i = 0; i < period.size(); i += 97) period[i] = kNaN;
        for (size_t i = 31; i < period.size(); i += 211) period[i] = i % 2 ? kInf : -kInf;
        const size_t n = period.size();
        const auto out = s.run(r, clicks(n, 500), 64, std::vector<double>(n, 0.999), period);
        for (double y : out) ASSERT_TRUE(std::isfinite(y));
        EXPECT_GE(s.x.writeIndex, 0);
        EXPECT_LT(s.x.writeIndex, s.x.bufLen);
    }
}

} // namespace
