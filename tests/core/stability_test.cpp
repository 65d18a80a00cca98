// The string stays bounded at every setting a user can reach, at every common sample rate; the loop
// filter's scaling to unit gain at 0 Hz changes nothing where the designed filter was already below it.
#include <gtest/gtest.h>

#include "reference.h"
#include "stability.h"

namespace {

using namespace test;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true; // a tenth of the speed: sweep a coarser grid
#else
constexpr bool kSanitized = false;
#endif

class Stability : public ::testing::TestWithParam<Routine> {};

// The short periods are where the loop filter passes more than unit gain at 0 Hz, and where the
// integer delay is 0 (tap 0 reads the slot about to be written). The full grid: the stability_sweep tool.
TEST_P(Stability, ShortPeriodsAtEveryRateStayBounded) {
    std::vector<double> periods;
    for (double p = kMinPeriod; p < kMinPeriod + 2.0; p += kSanitized ? 0.5 : 0.25) periods.push_back(p);
    for (double p : {6.0, 8.5, 12.0, 17.0, 24.0, 40.0, 64.0}) periods.push_back(p);
    for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0})
        for (double period : periods)
            for (double gain : {0.99999, 0.99})
                for (double brightness : {0.0, 0.9, 0.99999}) {
                    if (kSanitized && rate != 44100.0 && rate != 192000.0) continue;
                    const Setting s{GetParam(), rate, period, gain, brightness};
                    const Decay d = ring(s);
                    ASSERT_TRUE(d.bounded()) << s.str() << ": first " << d.first << " last " << d.last;
                }
}

INSTANTIATE_TEST_SUITE_P(AllRoutines, Stability,
                         ::testing::Values(Routine::Control, Routine::Period, Routine::PeriodGain),
                         [](const auto &info) { return std::string(routine_name(info.param)); });

// Where the designed filter has a gain of 1 or less at 0 Hz and the integer delay is at least 1, the
// loop is exactly the unscaled design: compare with the equations without any scaling.
TEST(Stability, UnscaledWhereTheDesignWasAlreadyBounded) {
    int checked = 0;
    for (double period : {kMinPeriod + 1.0, 9.75, 30.0, 100.5})
        for (double gain : {0.5, 0.9, 0.99})
            for (double brightness : {0.3, 0.9}) {
                const double c = test::exact_cos(kTwoPi / period), gb = brightness * gain;
                const double centre = (gb * c + gain) / (c + 1), outer = (centre - gb) * 0.5;
                if (centre + 2 * outer > 1.0) continue;
                checked++;
                String s;
                vibrel_setFbGain(&s.x, gain);
                vibrel_setBrightness(&s.x, brightness);
                vibrel_setDelayTime(&s.x, period);
                EXPECT_EQ(s.x.lpfCenter, centre);
                EXPECT_EQ(s.x.lpfOuter, outer);
            }
    EXPECT_GT(checked, 12);
}

// The same, sample for sample, against the equations without the bound, for all three routines.
TEST(Stability, OutputUnchangedWhereTheDesignWasAlreadyBounded) {
    const size_t n = 6000;
    int compared = 0;
    for (double rate : {44100.0, 96000.0})
        for (double period : {kMinPeriod + 1.0, kMinPeriod + 1.5, 11.3, 64.0, 500.25})
            for (double gain : {0.5, 0.9, 0.99})
                for (double brightness : {0.3, 0.9}) {
                    const double c = test::exact_cos(kTwoPi / period), gb = brightness * gain;
                    const double centre = (gb * c + gain) / (c + 1), outer = (centre - gb) * 0.5;
                    if (centre + 2 * outer > 1.0) continue;
                    for (Routine r : {Routine::Control, Routine::Period, Routine::PeriodGain}) {
                        String s(kDefaultMaxDelay, rate);
                        vibrel_setFbGain(&s.x, gain);
                        vibrel_setBrightness(&s.x, brightness);
                        vibrel_setDelayTime(&s.x, period);
                        const auto out = s.run(r, impulse(n), 64, std::vector<double>(n, gain),
                                               std::vector<double>(n, period));
                        ReferenceString ref(kOrder, kDefaultMaxDelay, rate);
                        ref.boundLoopGain = false;
                        for (size_t i = 0; i < n; i++) {
                            const double in = i == 0 ? 1.0 : 0.0;
                            const double want = r == Routine::Control ? ref.step_message(in, period, gain, brightness)
                                                                      : ref.step_signal(in, period, gain, brightness);
                            ASSERT_EQ(out[i], want) << routine_name(r) << " period " << period << " sample " << i;
                        }
                        compared++;
                    }
                }
    EXPECT_GT(compared, 60);
}

} // namespace
