// "clear" and the parameter messages racing the audio thread: a message thread sends "clear",
// "period", "gain" and "brightness" (random values, NaN among them) in a tight loop while an audio
// thread runs the chain's routine on vectors of random size. writeIndex, read by the audio thread
// after every vector, must stay inside the delay line and the output finite. Then a plucked string
// silenced by "clear" or a chain build while the audio thread runs vectors back to back. Meant for the
// ThreadSanitizer build (tsan preset), where the module under test is instrumented too; the seconds
// per routine come from VIBREL_RACE_SECONDS (default 0.5).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "contention.h"
#include "host_emulator.h"
#include "shared.h"
#include "vibrel.h"

namespace {

using namespace vibrel_emu;
using namespace VIBREL_NS;
using Perform = void (*)(void *, t_object *, double **, long, double **, long, long, long, void *);

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr long kLargestVector = 512;

double seconds_per_routine() {
    const char *s = std::getenv("VIBREL_RACE_SECONDS");
    const double v = s ? std::atof(s) : 0.0;
    return v > 0.0 ? v : 0.5;
}

// What the audio thread saw; read by the test after it joined.
struct AudioReport {
    long vectors = 0;
    long badIndex = 0, firstBadIndex = 0;
    long nonFinite = 0;
    double firstNonFinite = 0.0;
};

// Audio thread: random vectors (excitation in [-1, 1], periods across and beyond the range, gains
// beyond the bounds, NaN in both), sometimes in place, until told to stop.
void audio_thread(Perform routine, t_vibrel *x, const std::atomic<bool> &stop, AudioReport &report) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double maxDelay = x->maxDelay;
    const long L = x->bufLen;
    std::vector<double> excitation(kLargestVector), gain(kLargestVector), period(kLargestVector), out(kLargestVector);
    while (!stop.load(std::memory_order_relaxed)) {
        const long n = (long)(rng() % kLargestVector) + 1;
        for (long i = 0; i < n; i++) {
            excitation[(std::size_t)i] = (rng() % 64 == 0) ? unit(rng) : 0.0;
            const unsigned r = rng() % 100;
            period[(std::size_t)i] = r == 0  ? kNaN
                                     : r < 5 ? maxDelay + 10.0 * unit(rng)
                                             : 2.0 + 200.0 * std::fabs(unit(rng));
            gain[(std::size_t)i] = r == 1 ? kNaN : 1.2 * unit(rng);
        }
        const bool inPlace = rng() % 4 == 0;
        double *ins[3] = {excitation.data(), gain.data(), period.data()};
        double *outs[1] = {inPlace ? excitation.data() : out.data()};
        routine(x, nullptr, ins, 3, outs, 1, n, 0, nullptr);
        report.vectors++;
        const long w = vibrel_shared::load(x->writeIndex);
        if ((w < 0 || w >= L) && report.badIndex++ == 0) report.firstBadIndex = w;
        for (long i = 0; i < n; i++)
            if (!std::isfinite(outs[0][i]) && report.nonFinite++ == 0) report.firstNonFinite = outs[0][i];
    }
}

struct Pattern {
    const char *name;
    std::vector<short> connected; // excitation, gain, period
};
void PrintTo(const Pattern &p, std::ostream *os) { *os << p.name; }

// An object of the built module with the pattern's routine in its chain.
class ClearRace : public ::testing::TestWithParam<Pattern> {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(host.load(VIBREL_MODULE_PATH, &error)) << error;
        obj = host.create(VIBREL_CLASS_NAME);
        ASSERT_NE(obj, nullptr);
        ASSERT_TRUE(host.dsp(obj, GetParam().connected, 44100.0, kLargestVector));
        routine = reinterpret_cast<Perform>(host.routine(obj));
        x = static_cast<t_vibrel *>(host.record(obj));
    }
    void TearDown() override {
        if (obj) host.free(obj);
    }
    Host host;
    Object *obj = nullptr;
    Perform routine = nullptr;
    t_vibrel *x = nullptr;
};

TEST_P(ClearRace, IndicesStayInTheDelayLineAndOutputFinite) {
    std::atomic<bool> stop{false};
    AudioReport report;
    std::thread audio(audio_thread, routine, x, std::cref(stop), std::ref(report));

    // Message thread: this one, the only thread that touches the emulator.
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    static const char *const kSelectors[] = {"clear", "period", "gain", "brightness"};
    long messages = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds_per_routine());
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 64; i++, messages++) {
            const char *selector = kSelectors[rng() % 4];
            const unsigned r = rng() % 16;
            const double v = r == 0 ? kNaN : r == 1 ? 1e9 : r == 2 ? -5.0 : 200.0 * std::fabs(unit(rng)) * unit(rng);
            if (selector[0] == 'c')
                host.send(obj, selector);
            else
                host.send(obj, selector, {Atom::of(selector[0] == 'p' ? v : v / 100.0)});
        }
    }
    stop.store(true);
    audio.join();

    EXPECT_GT(report.vectors, 0);
    EXPECT_GT(messages, 0);
    EXPECT_EQ(report.badIndex, 0) << "first writeIndex outside [0, " << x->bufLen << "): " << report.firstBadIndex;
    EXPECT_EQ(report.nonFinite, 0) << "first: " << report.firstNonFinite;
    EXPECT_GE(x->loopDelay, (double)kHalf);
    EXPECT_LE(x->loopDelay, x->maxDelay - 1.0);
    EXPECT_LE(std::fabs(x->fbGain), kGainBound);
    EXPECT_TRUE(x->brightness >= 0.0 && x->brightness <= kGainBound);
    RecordProperty("vectors", (int)report.vectors);
    RecordProperty("messages", (int)messages);
}

// Audio thread of the silence check: 512-frame vectors back to back, silent but for a pluck when asked.
struct BusyAudio {
    std::atomic<bool> stop{false};
    std::atomic<long> pluck{0};          // vectors to pluck, set by the message thread
    std::atomic<long> done{0};           // vectors finished
    std::atomic<long> lastSound{-1};     // index of the last vector with a non-zero output sample

    void run(Perform routine, t_vibrel *x) {
        std::vector<double> excitation(kLargestVector), gain(kLargestVector, 0.99), period(kLargestVector, 100.0),
            out(kLargestVector);
        for (long v = 0; !stop.load(std::memory_order_relaxed); v++) {
            const bool plucked = pluck.load(std::memory_order_acquire) > 0;
            for (long i = 0; i < kLargestVector; i++) excitation[(std::size_t)i] = plucked && i < 100 ? 0.5 : 0.0;
            double *ins[3] = {excitation.data(), gain.data(), period.data()};
            double *outs[1] = {out.data()};
            routine(x, nullptr, ins, 3, outs, 1, kLargestVector, 0, nullptr);
            if (plucked) pluck.fetch_sub(1, std::memory_order_relaxed);
            for (double y : out)
                if (y != 0.0) {
                    lastSound.store(v, std::memory_order_relaxed);
                    break;
                }
            done.store(v + 1, std::memory_order_release);
        }
    }
};

void wait_for(const std::atomic<long> &counter, long atLeast) {
    while (counter.load(std::memory_order_acquire) < atLeast) std::this_thread::yield();
}

// "clear", and every other time a chain build, from this thread while the old routine runs: with
// silent input every output from the second vector after the message returned is exactly 0, and the
// line holds nothing of the pluck.
TEST_P(ClearRace, ClearSilencesTheStringWhileVectorsRun) {
    constexpr long kClears = 2000;
    host.send(obj, "period", {Atom::of(100.0)});

    BusyAudio audio;
    std::thread thread([&] { audio.run(routine, x); });
    std::mt19937 rng(3);
    long sounding = 0, lineEnergy = 0;
    for (long c = 0; c < kClears; c++) {
        // The pluck is played before the clear: the audio thread takes it back once its vector ran
        // (counting vectors instead lets a slow test thread clear before the pluck, and it sounds after).
        audio.pluck.store(1, std::memory_order_release);
        while (audio.pluck.load(std::memory_order_acquire) > 0) std::this_thread::yield();
        wait_for(audio.done, audio.done.load(std::memory_order_acquire) + 1 + (long)(rng() % 3));
        for (unsigned spin = rng() % 20000; spin > 0; spin--) // somewhere inside a vector
            std::atomic_signal_fence(std::memory_order_seq_cst);
        if (c % 2)
            host.dsp(obj, GetParam().connected, 44100.0, kLargestVector);
        else
            host.send(obj, "clear");
        const long returnedAt = audio.done.load(std::memory_order_acquire);
        wait_for(audio.done, returnedAt + 3);
        if (audio.lastSound.load(std::memory_order_relaxed) >= returnedAt + 1) sounding++;
        for (long i = 0; i < x->bufLen; i++)
            if (vibrel_shared::load(x->buffer[i]) != 0.0) {
                lineEnergy++;
                break;
            }
    }
    audio.stop.store(true);
    thread.join();
    std::printf("%s: %ld clears; a later vector sounded after %ld, the line kept energy after %ld\n",
                GetParam().name, kClears, sounding, lineEnergy);
    EXPECT_EQ(sounding, 0) << "of " << kClears << " clears, " << sounding << " let a vector after the next sound";
    EXPECT_EQ(lineEnergy, 0) << "of " << kClears << " clears, " << lineEnergy << " left energy in the line";
}

INSTANTIATE_TEST_SUITE_P(Routines, ClearRace,
                         ::testing::Values(Pattern{"control_rate", {1, 0, 0}}, Pattern{"period_signal", {1, 0, 1}},
                                           Pattern{"both_signals", {1, 1, 1}}),
                         [](const ::testing::TestParamInfo<Pattern> &p) { return std::string(p.param.name); });

// Two message threads, the audio thread one of them. Its "clear" between vectors never waits for the
// other thread's reset (a 1 s line at 48 kHz, the other thread resetting back to back): the 90th
// percentile within a few lone clears. Both threads stopped, the DC blocker is the design for the rate.
TEST(TwoThreads, AudioThreadClearsWithoutWaitingForAnotherReset) {
    contention::Record r(contention::kRate);
    const double lone = contention::quantile(contention::audio_clears(r, 200, contention::Resets::None), 0.5);
    const std::vector<double> us = contention::audio_clears(r, 400, contention::Resets::ChainBuilds);
    const double p90 = contention::quantile(us, 0.9);
    std::printf("clear of a 1 s line: lone %.2f us, against another thread: median %.2f p90 %.2f worst %.2f us\n",
                lone, contention::quantile(us, 0.5), p90, contention::quantile(us, 1.0));
    EXPECT_LE(p90, 5.0 * lone);
    contention::Record fresh;
    EXPECT_TRUE(contention::whole_design(r.x, fresh.x));
}

// A reset that finds another under way (the word taken, as by a thread stopped inside its reset) posts
// its request and returns at once, and the holder finds it when it comes to let go.
TEST(TwoThreads, ResetUnderWayTakesOverTheRequests) {
    using namespace vibrel_gate;
    contention::Record r;
    Word &gate = r.x.gate;
    __atomic_store_n(&gate, kResetting, __ATOMIC_RELAXED);
    vibrel_calcDcCoeffs(&r.x, 96000.0);
    vibrel_clear(&r.x);
    EXPECT_EQ(__atomic_load_n(&gate, __ATOMIC_RELAXED), kResetting | kDesignDc | kSilence);
    EXPECT_EQ(next_requests(gate), kDesignDc | kSilence);
    vibrel_clear(&r.x); // the holder has silenced the line in this hold: covered
    EXPECT_EQ(next_requests(gate), 0u);
    EXPECT_EQ(__atomic_load_n(&gate, __ATOMIC_RELAXED), 0u);
    EXPECT_EQ(r.x.dcRate, 96000.0);
}

// Two threads sending parameters at once leave the design of one value of each, never a mix.
TEST(TwoThreads, LastValueOfEachParameterWinsWhole) {
    EXPECT_EQ(contention::torn_designs(300, 2000, contention::Rival::Period), 0) << "period against period";
    EXPECT_EQ(contention::torn_designs(300, 2000, contention::Rival::Gain), 0) << "period against gain";
}

} // namespace
