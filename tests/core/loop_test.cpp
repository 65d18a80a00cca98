// The string loop at control rate: against the slow reference, tap positions, wrap-around, vector
// sizes, in-place vectors, and the edges of the delay line.
#include <gtest/gtest.h>

#include <random>

#include "reference.h"
#include "string_fixture.h"

namespace {

using namespace test;

std::vector<double> noise_burst(size_t n, size_t burst, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> v(n, 0.0);
    for (size_t i = 0; i < burst && i < n; i++) v[i] = u(rng);
    return v;
}

// Periods that exercise whole and fractional delays, the integer-delay-0 band and the longest delay.
const double kPeriods[] = {100.0, 50.5, 313.37, kMinPeriod, kMinPeriod + 0.5, kMinPeriod + 1.25, 8192.0};

TEST(Loop, MatchesTheReferenceSampleForSample) {
    for (double period : kPeriods) {
        String s;
        vibrel_setDelayTime(&s.x, period);
        vibrel_setBrightness(&s.x, 0.6);
        ReferenceString ref(kOrder, s.x.maxDelay, 44100.0);
        const auto in = noise_burst(20000, 300, 7);
        const auto out = s.run(Routine::Control, in, 64); // 313 vectors
        for (size_t i = 0; i < in.size(); i++) {
            const double want = ref.step_message(in[i], period, 0.99, 0.6);
            ASSERT_EQ(out[i], want) << "period " << period << " sample " << i;
        }
    }
}

TEST(Loop, ImpulseRingsAtThePeriod) {
    String s;
    vibrel_setDelayTime(&s.x, 100.0);
    const auto out = s.run(Routine::Control, impulse(1000), 64);
    EXPECT_EQ(out[0], s.x.dcB0); // interpolator and loop filter still hold zeros
    for (size_t turn = 1; turn <= 8; turn++) {
        size_t peak = turn * 100 - 50;
        for (size_t i = peak; i < turn * 100 + 50; i++)
            if (out[i] > out[peak]) peak = i;
        EXPECT_EQ(peak, turn * 100) << "turn " << turn;
    }
}

TEST(Loop, SilenceStaysExactlySilent) {
    String s;
    for (double y : s.run(Routine::Control, std::vector<double>(5000, 0.0), 64)) ASSERT_EQ(y, 0.0);
}

// Tap k of a sample lies d0 + k slots behind the write position, wrapping once to the top of the line.
TEST(Loop, TapPositions) {
    struct Case { long w, d0; long taps[8]; };
    const Case full[] = {{2, 0, {2, 1, 0, 8195, 8194, 8193, 8192, 8191}},
                         {2, 5, {8193, 8192, 8191, 8190, 8189, 8188, 8187, 8186}},
                         {8195, 3, {8192, 8191, 8190, 8189, 8188, 8187, 8186, 8185}}};
    const Case lite[] = {{0, 0, {0, 8194, 8193, 8192, 8191, 8190}}, {1, 0, {1, 0, 8194, 8193, 8192, 8191}},
                         {8194, 9, {8185, 8184, 8183, 8182, 8181, 8180}}};
    for (const Case &c : kOrder == 7 ? std::vector<Case>(full, full + 3) : std::vector<Case>(lite, lite + 3)) {
        for (long k = 0; k < kTaps; k++) {
            String s;
            for (long i = 0; i < s.x.bufLen; i++) s.x.buffer[i] = (double)i;
            s.x.writeIndex = c.w;
            s.x.loopDelay = (double)(c.d0 + kHalf);
            for (long j = 0; j < kTaps; j++) s.x.lagCoeff[j] = j == k ? 1.0 : 0.0;
            s.run(Routine::Control, {0.0}, 1);
            EXPECT_EQ(s.x.lpfX1, (double)c.taps[k]) << "w " << c.w << " d0 " << c.d0 << " tap " << k;
        }
    }
}

TEST(Loop, WritePositionWrapsAtTheEndOfTheLine) {
    String s;
    s.x.writeIndex = s.x.bufLen - 1;
    const auto out = s.run(Routine::Control, {1.0, 0.0}, 1);
    EXPECT_EQ(s.x.buffer[s.x.bufLen - 1], out[0]);
    EXPECT_EQ(s.x.buffer[0], out[1]);
    EXPECT_EQ(s.x.writeIndex, 1);
}

TEST(Loop, OutputIsWhatTheLineHolds) {
    String s;
    vibrel_setDelayTime(&s.x, 77.25);
    const auto out = s.run(Routine::Control, noise_burst(3000, 50, 3), 64);
    long w = s.x.writeIndex;
    for (size_t i = out.size(); i-- > out.size() - 500;) {
        if (--w < 0) w += s.x.bufLen;
        ASSERT_EQ(s.x.buffer[w], out[i]);
    }
}

// A vector that reads a half-written tuning (a message racing the audio thread) must not make the
// string grow: weights from two periods, or a filter from two gains, stay within unit loop gain.
TEST(Loop, TornTuningNeverGrows) {
    String a, b;
    vibrel_setFbGain(&a.x, 0.99999);
    vibrel_setFbGain(&b.x, 0.99999);
    vibrel_setBrightness(&a.x, 0.99999);
    vibrel_setDelayTime(&a.x, 20.0);   // weight 1 at tap kHalf
    vibrel_setDelayTime(&b.x, 20.5);   // the symmetric half-sample set
    vibrel_setBrightness(&b.x, 0.0);   // a low-pass whose centre weight exceeds 1 with an outer of 0
    struct Torn { const char *what; double c[kTaps]; double outer, centre; };
    Torn torn[2];
    torn[0].what = "weights from two periods";
    for (long k = 0; k < kTaps; k++) torn[0].c[k] = k <= kHalf ? a.x.lagCoeff[k] : b.x.lagCoeff[k];
    torn[0].outer = a.x.lpfOuter, torn[0].centre = a.x.lpfCenter;
    torn[1].what = "filter from two designs";
    for (long k = 0; k < kTaps; k++) torn[1].c[k] = a.x.lagCoeff[k];
    torn[1].outer = b.x.lpfOuter, torn[1].centre = a.x.lpfCenter;
    for (const Torn &t : torn) {
        String s;
        vibrel_setDelayTime(&s.x, 20.0);
        std::memcpy(s.x.lagCoeff, t.c, sizeof t.c);
        s.x.lpfOuter = t.outer, s.x.lpfCenter = t.centre;
        const auto out = s.run(Routine::Control, impulse(44100), 64);
        double first = 0, last = 0;
        for (size_t i = 0; i < 4410; i++) first += out[i] * out[i];
        for (size_t i = out.size() - 4410; i < out.size(); i++) last += out[i] * out[i];
        EXPECT_TRUE(std::isfinite(last) && last <= first) << t.what << ": " << first << " -> " << last;
    }
}

// A whole tuning is played exactly as designed: the guard against torn sets changes no sample.
TEST(Loop, WholeTuningIsPlayedAsDesigned) {
    for (double period : {kMinPeriod + 0.3, 4.9, 50.5, 8191.75})
        for (double gain : {0.99999, 0.5, -0.99999})
            for (double brightness : {0.0, 0.99999}) {
                String s;
                vibrel_setFbGain(&s.x, gain);
                vibrel_setBrightness(&s.x, brightness);
                vibrel_setDelayTime(&s.x, period);
                ReferenceString ref(kOrder, s.x.maxDelay, 44100.0);
                const auto out = s.run(Routine::Control, impulse(3000), 64);
                for (size_t i = 0; i < out.size(); i++)
                    ASSERT_EQ(out[i], ref.step_message(i == 0, period, gain, brightness)) << period << " " << i;
            }
}

// Vector size, in-place vectors and empty vectors never change a sample: for all three routines.
class Vectors : public ::testing::TestWithParam<Routine> {};

TEST_P(Vectors, SplittingIntoAnyVectorSizeGivesTheSameSamples) {
    const Routine r = GetParam();
    const size_t n = 3 * 4096 + 123;
    const auto in = noise_burst(n, 200, 11);
    std::vector<double> period(n), gain(n);
    for (size_t i = 0; i < n; i++) period[i] = 60 + 40 * std::sin(i * 0.001), gain[i] = 0.9 + 0.09 * std::cos(i * 0.002);
    std::vector<double> first;
    for (long vector : {1L, 7L, 64L, 4096L}) {
        String s;
        vibrel_setDelayTime(&s.x, 60.3);
        const auto out = s.run(r, in, vector, gain, period);
        if (first.empty())
            first = out;
        else
            EXPECT_TRUE(same_bits(first, out)) << "vector " << vector;
    }
}

TEST_P(Vectors, OutputMayShareAnInputsMemory) {
    const Routine r = GetParam();
    const long n = 2000;
    const auto in = noise_burst(n, 100, 5);
    std::vector<double> period(n, 33.6), gain(n, 0.95);
    String separate;
    const auto want = separate.run(r, in, n, gain, period);
    for (int shared = 0; shared < 3; shared++) {
        String s;
        std::vector<double> v[3] = {in, gain, period};
        double *ins[3] = {v[0].data(), v[1].data(), v[2].data()};
        double *outs[1] = {v[shared].data()};
        s.perform(r, ins, outs, n);
        EXPECT_TRUE(same_bits(want, v[shared])) << "output shares inlet " << shared;
    }
}

TEST_P(Vectors, EmptyOrNegativeFrameCountsTouchNothing) {
    String s;
    s.run(GetParam(), noise_burst(500, 20, 1), 64, std::vector<double>(500, 0.9), std::vector<double>(500, 40));
    const auto before = snapshot(s.x);
    const std::vector<double> line(s.x.buffer, s.x.buffer + s.x.bufLen);
    double *none[3] = {nullptr, nullptr, nullptr};
    double *out[1] = {nullptr};
    s.perform(GetParam(), none, out, 0);
    s.perform(GetParam(), none, out, -3);
    EXPECT_EQ(before, snapshot(s.x));
    EXPECT_TRUE(same_bits(line, std::vector<double>(s.x.buffer, s.x.buffer + s.x.bufLen)));
}

INSTANTIATE_TEST_SUITE_P(AllRoutines, Vectors,
                         ::testing::Values(Routine::Control, Routine::Period, Routine::PeriodGain),
                         [](const auto &info) { return std::string(routine_name(info.param)); });

} // namespace
