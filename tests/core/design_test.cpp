// Coefficient design: worked values, clamps, the loop-filter gains, the DC blocker, NaN arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "string_fixture.h"

namespace {

using namespace test;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Distance in units in the last place.
long long ulps(double a, double b) {
    long long ia, ib;
    std::memcpy(&ia, &a, 8);
    std::memcpy(&ib, &b, 8);
    if (ia < 0) ia = std::numeric_limits<long long>::min() - ia;
    if (ib < 0) ib = std::numeric_limits<long long>::min() - ib;
    return std::llabs(ia - ib);
}

TEST(Design, LagrangeDenominatorsAreTheRoundedFractions) {
    String s;
    // (-1)^(M-k) / (k! (M-k)!), correctly rounded.
    const double full[] = {-1 / 5040.0, 1 / 720.0, -1 / 240.0, 1 / 144.0, -1 / 144.0, 1 / 240.0, -1 / 720.0, 1 / 5040.0};
    const double lite[] = {-1 / 120.0, 1 / 24.0, -1 / 12.0, 1 / 12.0, -1 / 24.0, 1 / 120.0};
    const double *want = kOrder == 7 ? full : lite;
    for (long k = 0; k < kTaps; k++) {
        if (kOrder == 7 && k == 7) // the successive divisions land one unit below
            EXPECT_EQ(s.x.lagDenom[k], std::nextafter(1 / 5040.0, 0.0));
        else
            EXPECT_EQ(s.x.lagDenom[k], want[k]) << "k = " << k;
    }
}

TEST(Design, HalfSamplePeriodGivesTheSymmetricCoefficientSet) {
    String s;
    vibrel_setDelayTime(&s.x, 50.5);
    EXPECT_EQ(s.x.loopDelay, 49.5);
    const double full[] = {-0.00244140625, 0.02392578125, -0.11962890625, 0.59814453125,
                           0.59814453125, -0.11962890625, 0.02392578125, -0.00244140625};
    const double lite[] = {0.01171875, -0.09765625, 0.5859375, 0.5859375, -0.09765625, 0.01171875};
    const double *want = kOrder == 7 ? full : lite;
    for (long k = 0; k < kTaps; k++) EXPECT_LE(ulps(s.x.lagCoeff[k], want[k]), 1) << "k = " << k;
}

TEST(Design, WholePeriodsArePureDelays) {
    String s;
    for (double p : {50.0, kMinPeriod, 100.0, 8192.0, 5.0}) {
        vibrel_setDelayTime(&s.x, p);
        EXPECT_EQ(s.x.loopDelay, p - 1);
        for (long k = 0; k < kTaps; k++) EXPECT_EQ(s.x.lagCoeff[k], k == kHalf ? 1.0 : 0.0) << p << " k " << k;
    }
}

TEST(Design, PeriodIsClampedUpperBoundFirst) {
    String s(10000.0);
    const double lowest = kHalf;
    for (double p : {0.0, -5.0, -kInf, kMinPeriod, 1.5}) {
        vibrel_setDelayTime(&s.x, 77.0);
        vibrel_setDelayTime(&s.x, p);
        EXPECT_EQ(s.x.loopDelay, lowest) << p;
    }
    for (double p : {10000.0, 10000.5, 1e300, kInf}) {
        vibrel_setDelayTime(&s.x, p);
        EXPECT_EQ(s.x.loopDelay, 9999.0) << p;
    }
    vibrel_setDelayTime(&s.x, 3.5); // below the full variant's smallest period only
    EXPECT_EQ(s.x.loopDelay, kOrder == 7 ? 3.0 : 2.5);
}

TEST(Design, NaNArgumentsChangeNothing) {
    String s;
    vibrel_setDelayTime(&s.x, 60.25);
    vibrel_setFbGain(&s.x, 0.5);
    vibrel_setBrightness(&s.x, 0.3);
    const auto before = snapshot(s.x);
    vibrel_setDelayTime(&s.x, kNaN);
    vibrel_setFbGain(&s.x, -kNaN);
    vibrel_setBrightness(&s.x, kNaN);
    EXPECT_EQ(before, snapshot(s.x));
}

TEST(Design, GainAndBrightnessClamps) {
    String s;
    const struct { double in, gain; } gains[] = {{1.5, 0.99999}, {-2, -0.99999}, {0.99999, 0.99999},
                                                 {-0.99999, -0.99999}, {kInf, 0.99999}, {-kInf, -0.99999},
                                                 {0.25, 0.25}};
    for (auto c : gains) {
        vibrel_setFbGain(&s.x, c.in);
        EXPECT_EQ(s.x.fbGain, c.gain) << c.in;
    }
    const struct { double in, brightness; } brights[] = {{1, 0.99999}, {-0.3, 0}, {0.99999, 0.99999}, {0.4, 0.4}};
    for (auto c : brights) {
        vibrel_setBrightness(&s.x, c.in);
        EXPECT_EQ(s.x.brightness, c.brightness) << c.in;
    }
}

TEST(Design, GainAndBrightnessLeaveTheInterpolatorAlone) {
    String s;
    vibrel_setDelayTime(&s.x, 123.375);
    const double loopDelay = s.x.loopDelay;
    double lagCoeff[kTaps];
    std::memcpy(lagCoeff, s.x.lagCoeff, sizeof lagCoeff);
    vibrel_setFbGain(&s.x, 0.7);
    vibrel_setBrightness(&s.x, 0.2);
    EXPECT_EQ(s.x.loopDelay, loopDelay);
    EXPECT_EQ(std::memcmp(s.x.lagCoeff, lagCoeff, sizeof lagCoeff), 0);
}

TEST(Design, LoopFilterWorkedValues) {
    String s; // period 50, gain 0.99, brightness 0.9
    EXPECT_NEAR(s.x.lpfCenter, 0.940695933640104, 1e-15);
    EXPECT_NEAR(s.x.lpfOuter, 0.0248479668200520, 1e-16);
    vibrel_setFbGain(&s.x, -0.5);
    EXPECT_EQ(s.x.lpfCenter, -0.5);
    EXPECT_EQ(s.x.lpfOuter, 0.0);
    vibrel_setFbGain(&s.x, 0.0);
    EXPECT_EQ(s.x.lpfCenter, 0.0);
    EXPECT_EQ(s.x.lpfOuter, 0.0);
}

// Where the loop gain (the filter's largest gain times the read's) stays at 1 or below, the filter meets
// both gain targets; where it would exceed 1, it is scaled to exactly 1 with the ratio of the two
// targets kept. The read's gain exceeds 1 only where the integer delay is 0 and tap 0 reads a stale slot.
TEST(Design, LoopFilterMeetsItsGainsOrIsScaledToUnitLoopGain) {
    String s;
    int scaled = 0, exact = 0, stale = 0;
    for (double p : {kMinPeriod, kMinPeriod + 0.25, kMinPeriod + 0.5, 5.0, 7.25, 12.0, 17.0, 40.0, 300.0, 8000.0})
        for (double g : {0.0, 0.3, 0.9, 0.99999})
            for (double b : {0.0, 0.5, 0.9, 0.99999}) {
                vibrel_setDelayTime(&s.x, p);
                vibrel_setFbGain(&s.x, g);
                vibrel_setBrightness(&s.x, b);
                const double c = std::cos(kTwoPi / p);
                const double atFundamental = s.x.lpfCenter + 2 * s.x.lpfOuter * c;
                const double atNyquist = s.x.lpfCenter - 2 * s.x.lpfOuter;
                const double atDc = s.x.lpfCenter + 2 * s.x.lpfOuter;
                const bool staleTap = s.x.loopDelay < kHalf + 1 && s.x.lagCoeff[0] != 0.0;
                const double readGain = staleTap ? 1 + 2 * std::fabs(s.x.lagCoeff[0]) : 1.0;
                stale += staleTap;
                ASSERT_LE(atDc * readGain, 1.0 + 1e-15) << p << " " << g << " " << b;
                const double unscaledDc = g * (1 + (1 - b) * (1 - c) / (1 + c)); // A(0) before scaling
                if (unscaledDc * readGain <= 1.0 - 1e-12) {
                    exact++;
                    EXPECT_NEAR(atFundamental, g, 1e-14) << p << " " << g << " " << b;
                    EXPECT_NEAR(atNyquist, g * b, 1e-14) << p << " " << g << " " << b;
                } else if (unscaledDc * readGain > 1.0 + 1e-12) {
                    scaled++;
                    EXPECT_NEAR(atDc * readGain, 1.0, 1e-15);
                    EXPECT_NEAR(atNyquist / atFundamental, b, 1e-12) << p << " " << g << " " << b;
                }
            }
    EXPECT_GT(scaled, 10);
    EXPECT_GT(exact, 100);
    EXPECT_GT(stale, 10);
}

TEST(Design, NegativeGainIsAFlatFilter) {
    String s;
    for (double b : {0.0, 0.5, 0.99999})
        for (double p : {kMinPeriod, 9.5, 1000.0}) {
            vibrel_setBrightness(&s.x, b);
            vibrel_setDelayTime(&s.x, p);
            vibrel_setFbGain(&s.x, -0.75);
            EXPECT_EQ(s.x.lpfOuter, 0.0);
            EXPECT_EQ(s.x.lpfCenter, -0.75);
        }
}

TEST(Design, DcBlockerWorkedValues) {
    String s;
    vibrel_calcDcCoeffs(&s.x, 44100.0);
    EXPECT_EQ(s.x.dcB0, 0.9985772684758795);
    EXPECT_EQ(s.x.dcB1, -s.x.dcB0);
    EXPECT_EQ(s.x.dcA1, 0.997154536951759);
    vibrel_calcDcCoeffs(&s.x, 48000.0);
    EXPECT_EQ(s.x.dcB0, 0.9986927142939919);
    EXPECT_EQ(s.x.dcB1, -s.x.dcB0);
    EXPECT_EQ(s.x.dcA1, 0.9973854285879836);
}

// A rate with no meaningful corner is designed as 44100 Hz, never as a NaN or infinite weight.
TEST(Design, DcBlockerUnusableRatesFallBack) {
    String ref;
    vibrel_calcDcCoeffs(&ref.x, 44100.0);
    String s;
    for (double sr : {0.0, -0.0, -44100.0, kNaN, kInf, -kInf, 1e-310, 0.5}) {
        vibrel_calcDcCoeffs(&s.x, sr);
        EXPECT_EQ(s.x.dcB0, ref.x.dcB0) << sr;
        EXPECT_EQ(s.x.dcB1, ref.x.dcB1) << sr;
        EXPECT_EQ(s.x.dcA1, ref.x.dcA1) << sr;
    }
    vibrel_calcDcCoeffs(&s.x, 1e300); // huge but usable: finite weights
    EXPECT_TRUE(std::isfinite(s.x.dcA1) && std::isfinite(s.x.dcB0));
}

TEST(State, ClearSilencesTheStringAndKeepsTheTuning) {
    String s;
    vibrel_setDelayTime(&s.x, 77.5);
    vibrel_setBrightness(&s.x, 0.3);
    s.run(Routine::Control, impulse(1000), 64);
    t_vibrel tuned;
    std::memcpy(&tuned, &s.x, sizeof tuned);
    vibrel_clear(&s.x);
    EXPECT_EQ(s.x.writeIndex, 0);
    for (long i = 0; i < s.x.bufLen; i++) ASSERT_EQ(s.x.buffer[i], 0.0);
    EXPECT_EQ(s.x.dcY1, 0.0);
    EXPECT_EQ(s.x.dcX1, 0.0);
    EXPECT_EQ(s.x.lpfX1, 0.0);
    EXPECT_EQ(s.x.lpfX2, 0.0);
    t_vibrel kept; // everything else as it was
    std::memcpy(&kept, &s.x, sizeof kept);
    kept.writeIndex = tuned.writeIndex;
    kept.dcY1 = tuned.dcY1, kept.dcX1 = tuned.dcX1, kept.lpfX1 = tuned.lpfX1, kept.lpfX2 = tuned.lpfX2;
    EXPECT_EQ(snapshot(kept), snapshot(tuned));
    const auto after = s.run(Routine::Control, std::vector<double>(100, 0.0), 64);
    for (double y : after) ASSERT_EQ(y, 0.0);
}

} // namespace
