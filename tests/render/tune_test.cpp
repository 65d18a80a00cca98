// Tuning: the period that vibrel-render --tune prints sounds within half a cent of the target, measured
// here by a render of our own through the emulator.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "host_emulator.h"
#include "pitch.h"
#include "tune.h"
#include "vibrel.h"

using namespace vibrel_render;

namespace {

// Pitch of the string at `period` samples, searched for within a major third of `near` Hz: an impulse
// into a nearly lossless loop, 1 s, attack skipped.
double sounding_hz(double period, double rate, double near) {
    vibrel_emu::Host host;
    EXPECT_TRUE(host.load(VIBREL_MODULE_PATH));
    vibrel_emu::Object *obj = host.create(VIBREL_CLASS_NAME);
    char msg[64];
    std::snprintf(msg, sizeof msg, "period %.17g", period);
    host.send(obj, msg);
    host.send(obj, "gain 0.99999");
    host.send(obj, "brightness 0.99999");
    host.dsp(obj, {1, 0, 0}, rate, 64);
    const long n = (long)rate;
    std::vector<double> in((size_t)n, 0.0), out((size_t)n, 0.0);
    in[0] = 1.0;
    host.run(obj, {in.data()}, out.data(), n);
    host.free(obj);
    const size_t skip = (size_t)(0.05 * rate);
    vibrel_analysis::PitchOptions search;
    search.minHz = near * 0.8;
    search.maxHz = near * 1.25;
    const auto p = vibrel_analysis::estimate_pitch(out.data() + skip, out.size() - skip, rate, search);
    EXPECT_TRUE(p.ok);
    return p.hz;
}

} // namespace

struct Target {
    double hz, rate;
};

class Tune : public ::testing::TestWithParam<Target> {};

TEST_P(Tune, PrintedPeriodSoundsWithinHalfACent) {
    const Target t = GetParam();
    RenderOptions o;
    o.modulePath = VIBREL_MODULE_PATH;
    o.rate = t.rate;
    TuneReport r;
    std::string why;
    ASSERT_TRUE(tune(o, t.hz, r, &why)) << why;
    EXPECT_EQ(r.order, VIBREL_NS::kOrder);
    // The tool prints the period to six decimals; that is what a user sends.
    char printed[64];
    std::snprintf(printed, sizeof printed, "%.6f", r.refined.period);
    const double c = vibrel_analysis::cents(sounding_hz(std::atof(printed), t.rate, t.hz), t.hz);
    EXPECT_LT(std::fabs(c), 0.5) << "period " << printed << " sounds " << c << " cents off";
    EXPECT_GT(r.plainCents, 0.0) << "rate / f should sound sharp: the DC blocker leads";
}

INSTANTIATE_TEST_SUITE_P(Targets, Tune,
                         ::testing::Values(Target{55, 44100}, Target{110, 44100}, Target{440, 44100},
                                           Target{1760, 44100}, Target{4186, 44100}, Target{55, 48000},
                                           Target{110, 48000}, Target{440, 48000}, Target{1760, 48000},
                                           Target{4186, 48000}),
                         [](const auto &info) {
                             return std::to_string((int)info.param.hz) + "Hz_at_" +
                                    std::to_string((int)info.param.rate);
                         });

// The sizes the loop's phase is known to shift a plain rate / f period by, at 44100 Hz.
TEST(Tune, PlainPeriodIsSharpByTheDcBlockersLead) {
    RenderOptions o;
    o.modulePath = VIBREL_MODULE_PATH;
    TuneReport r;
    ASSERT_TRUE(tune(o, 110.0, r, nullptr));
    EXPECT_NEAR(r.plainCents, 48.0, 4.0);
    ASSERT_TRUE(tune(o, 440.0, r, nullptr));
    EXPECT_NEAR(r.plainCents, 12.4, 1.0);
}
