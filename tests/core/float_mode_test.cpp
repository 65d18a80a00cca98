// Flush-to-zero in the perform routines: a string left ringing reaches exact silence in the
// processor's default mode, subnormal input reads as 0, and the caller's floating-point control word
// comes back exactly as it was, whatever it held and whatever the frame count.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>

#include "float_mode.h"
#include "string_fixture.h"

namespace {

using namespace test;
constexpr long kVector = 64;
constexpr long kRate = 44100;

class FlushToZero : public ::testing::TestWithParam<Routine> {
  protected:
    // A pluck at period 50 and gain 0.99 (brightness 0.9), given as messages or as signals.
    void pluck(String &s) {
        vibrel_setDelayTime(&s.x, 50.0);
        vibrel_setFbGain(&s.x, 0.99);
        std::vector<double> burst(50);
        for (size_t i = 0; i < burst.size(); i++) burst[i] = (double)((i * 37) % 19) / 9.0 - 1.0;
        burst.resize(kVector, 0.0);
        call(s, burst.data(), kVector);
    }
    void call(String &s, const double *excitation, long n) {
        double *ins[3] = {const_cast<double *>(excitation), gain.data(), period.data()};
        double *outs[1] = {out.data()};
        s.perform(GetParam(), ins, outs, n);
    }
    std::vector<double> gain = std::vector<double>(kVector, 0.99), period = std::vector<double>(kVector, 50.0);
    std::vector<double> out = std::vector<double>(kVector, 0.0);
};

bool silent(const t_vibrel &x) {
    for (long i = 0; i < x.bufLen; i++)
        if (x.buffer[i] != 0.0) return false;
    return x.dcY1 == 0.0 && x.dcX1 == 0.0 && x.lpfX1 == 0.0 && x.lpfX2 == 0.0;
}

// In the default mode the tail would settle in subnormal numbers and never reach zero.
TEST_P(FlushToZero, RingingStringReachesExactSilence) {
    String s;
    pluck(s);
    const std::vector<double> zero(kVector, 0.0);
    long frames = kVector, lastSound = 0;
    while (frames < 120 * kRate && !(frames - lastSound > kRate && silent(s.x))) {
        call(s, zero.data(), kVector);
        for (long i = 0; i < kVector; i++)
            if (out[(size_t)i] != 0.0) lastSound = frames + i + 1;
        frames += kVector;
    }
    ASSERT_TRUE(silent(s.x)) << "still sounding after 120 s";
    std::printf("%s: exactly 0.0 from %.2f s\n", routine_name(GetParam()), (double)lastSound / kRate);
}

TEST_P(FlushToZero, SubnormalExcitationReadsAsZero) {
    String s;
    vibrel_setFbGain(&s.x, 0.0); // the output is the DC-blocked excitation
    gain.assign(kVector, 0.0);
    std::vector<double> in(kVector, DBL_TRUE_MIN);
    in[1] = DBL_MIN / 4;
    in[2] = -DBL_MIN / 2;
    in[kVector - 1] = 1e-300; // normal: passes as before
    call(s, in.data(), kVector);
    for (long i = 0; i < kVector - 1; i++) EXPECT_EQ(out[(size_t)i], 0.0) << "sample " << i;
    EXPECT_EQ(out[kVector - 1], s.x.dcB0 * 1e-300);
}

// Default, flush already set, another rounding mode: the word comes back as it went in, for empty and
// negative frame counts too.
TEST_P(FlushToZero, CallerModeComesBackUnchanged) {
    const vibrel_fp::ControlWord base = vibrel_fp::read_control();
#if defined(__aarch64__)
    const vibrel_fp::ControlWord towardZero = 3ull << 22;
#else
    const vibrel_fp::ControlWord towardZero = 3u << 13;
#endif
    std::vector<double> in(kVector, DBL_TRUE_MIN);
    for (vibrel_fp::ControlWord mode : {base, base | vibrel_fp::kFlushToZero, base | towardZero}) {
        String s;
        pluck(s);
        for (long n : {0L, -1L, 1L, kVector}) {
            vibrel_fp::write_control(mode);
            call(s, in.data(), n);
            const vibrel_fp::ControlWord after = vibrel_fp::read_control();
            vibrel_fp::write_control(base);
            EXPECT_EQ(after, mode) << "mode " << std::hex << mode << ", " << std::dec << n << " frames";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllRoutines, FlushToZero,
                         ::testing::Values(Routine::Control, Routine::Period, Routine::PeriodGain),
                         [](const auto &info) { return std::string(routine_name(info.param)); });

} // namespace
