// The perform routines are real-time safe: while the routine the chain holds runs, it neither
// allocates, frees, locks, writes output nor posts to the console, whatever the vectors and the
// messages between them. Each variant's built module, through the host emulator.
#include <gtest/gtest.h>

#include <cmath>
#include <dlfcn.h>
#include <limits>
#include <mutex>
#include <vector>

#include "audio_section.h"
#include "host_emulator.h"
#include "vibrel.h"

namespace {

using namespace vibrel_emu;
using Perform = void (*)(void *, t_object *, double **, long, double **, long, long, long, void *);

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The detector itself: the global scope (where a loaded module's calls bind) reaches the counting
// definitions, and calls from the marked thread are counted, others not.
TEST(AudioSection, CountsAllocationsAndLocksOnlyInsideTheSection) {
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "malloc"), reinterpret_cast<void *>(&malloc));
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "pthread_mutex_lock"), reinterpret_cast<void *>(&pthread_mutex_lock));
    void *(*volatile alloc)(std::size_t) = malloc; // not folded away by the compiler
    std::mutex m;
    audio_section::reset();
    free(alloc(16));
    {
        audio_section::Scope audio;
        free(alloc(16));
        std::lock_guard<std::mutex> lock(m);
    }
    EXPECT_EQ(audio_section::violations(), 3);
    EXPECT_EQ(audio_section::first_call(), "malloc");
    audio_section::reset();
}

struct Pattern {
    const char *name;
    std::vector<short> connected; // excitation, gain, period
};
void PrintTo(const Pattern &p, std::ostream *os) { *os << p.name; }

class RealTime : public ::testing::TestWithParam<Pattern> {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(host.load(VIBREL_MODULE_PATH, &error)) << error;
        obj = host.create(std::string(VIBREL_CLASS_NAME) + " 10000");
        ASSERT_NE(obj, nullptr);
        ASSERT_TRUE(host.dsp(obj, GetParam().connected, 48000.0, 64));
        routine = reinterpret_cast<Perform>(host.routine(obj));
        record = host.record(obj);
    }

    // One vector of n frames straight through the chain's routine, inside the audio section.
    void perform(std::vector<double> &excitation, std::vector<double> &gain, std::vector<double> &period, double *out,
                 long n) {
        double *ins[3] = {excitation.data(), gain.data(), period.data()};
        double *outs[1] = {out};
        const std::size_t lines = host.console().size();
        {
            audio_section::Scope audio;
            routine(record, nullptr, ins, 3, outs, 1, n, 0, nullptr);
        }
        EXPECT_EQ(host.console().size(), lines) << "posted from the perform routine";
    }

    Host host;
    Object *obj = nullptr;
    Perform routine = nullptr;
    void *record = nullptr;
};

TEST_P(RealTime, NoAllocationLockOrConsoleOutputWhileARoutineRuns) {
    const long kSizes[] = {0, 1, 7, 64, 4096, -1};
    const double kPeriods[] = {50.0, kNaN, 3.5, kInf, -kInf, 1e9, 2.0};
    const double kGains[] = {0.99, kNaN, -0.99999, 5.0, 0.0};
    std::vector<double> out(4096);
    audio_section::reset();
    unsigned s = 1;
    for (int round = 0; round < 4; round++)
        for (long n : kSizes) {
            const std::size_t frames = n > 0 ? (std::size_t)n : 1;
            std::vector<double> excitation(frames), gain(frames), period(frames);
            for (std::size_t i = 0; i < frames; i++) {
                s = s * 1664525u + 1013904223u;
                excitation[i] = (double)(s >> 8) / (double)(1u << 23) - 1.0;
                period[i] = kPeriods[(i + (std::size_t)round) % std::size(kPeriods)];
                gain[i] = kGains[i % std::size(kGains)];
            }
            // Messages land between vectors, on this (message) thread, outside the section.
            host.send(obj, "period", {Atom::of(kPeriods[(std::size_t)round])});
            host.send(obj, "gain", {Atom::of(kGains[(std::size_t)round])});
            host.send(obj, "brightness", {Atom::of(round == 1 ? kNaN : 0.5)});
            if (round == 2) host.send(obj, "clear");
            perform(excitation, gain, period, out.data(), n);
            perform(excitation, gain, period, excitation.data(), n); // in place
        }
    EXPECT_EQ(audio_section::violations(), 0) << "first call: " << audio_section::first_call();
    audio_section::reset();
}

INSTANTIATE_TEST_SUITE_P(Routines, RealTime,
                         ::testing::Values(Pattern{"control_rate", {1, 0, 0}}, Pattern{"period_signal", {1, 0, 1}},
                                           Pattern{"gain_signal", {1, 1, 0}}, Pattern{"both_signals", {1, 1, 1}}),
                         [](const ::testing::TestParamInfo<Pattern> &p) { return std::string(p.param.name); });

} // namespace
