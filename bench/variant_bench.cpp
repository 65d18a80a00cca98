// The string's timings and long-run measurements for one variant; built once per variant.
#include "variant_bench.h"

#include <benchmark/benchmark.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <ctime>

#include "isa.h"
#include "string_fixture.h"
#include "timing.h"

namespace VIBREL_NS {

namespace {

using namespace bench_string;
using Perform = void (*)(t_vibrel *, t_object *, double **, long, double **, long, long, long, void *);

constexpr unsigned kFtzDaz = 0x8040;     // MXCSR: flush-to-zero (bit 15), denormals-are-zero (bit 6)
constexpr std::size_t kDecayVector = 64; // samples per vector in the decay run
constexpr double kDecayPeriod = 50.0;    // samples: the period at creation

void configure(String &s, double period) {
    vibrel_setFbGain(s.record(), bench::kFbGain);
    vibrel_setBrightness(s.record(), bench::kBrightness);
    vibrel_setDelayTime(s.record(), period);
}

constexpr double kVibratoDepth = 0.005; // of the period: +-8.6 cents, one cycle per timed block (10.8 Hz)

// One routine driven with continuous noise: the string sits in a steady state, far from subnormals.
// The period signal is constant (as from a sig~), or with `vibrato` a sine around the period, a new
// value every sample, the same cycle in every timed block.
void run_routine(benchmark::State &st, Perform perform, double period, std::size_t vector, bool vibrato) {
    String s(kDefaultMaxDelay, bench::kRate);
    configure(s, period);
    std::vector<double> periodIn(bench::kFramesPerIteration, period), gainIn(vector, bench::kFbGain), out(vector);
    if (vibrato)
        for (std::size_t i = 0; i < periodIn.size(); i++)
            periodIn[i] =
                period * (1.0 + kVibratoDepth * std::sin(kTwoPi * (double)i / (double)bench::kFramesPerIteration));
    const std::vector<double> &exc = bench::excitation();
    std::size_t pos = 0;
    auto block = [&] {
        for (std::size_t done = 0; done < bench::kFramesPerIteration; done += vector) {
            double *ins[3] = {const_cast<double *>(exc.data() + pos), gainIn.data(), periodIn.data() + done};
            double *outs[1] = {out.data()};
            perform(s.record(), nullptr, ins, 3, outs, 1, (long)vector, 0, nullptr);
            pos += vector;
            if (pos >= exc.size()) pos = 0;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    };
    bench::timeBlocks(st, block);
}

void register_benchmarks() {
    const struct {
        const char *name;
        Perform perform;
    } routines[] = {{"dsp1", vibrel_dodsp1_64}, {"dsp2", vibrel_dodsp2_64}, {"dsp3", vibrel_dodsp3_64}};
    // Each routine with a constant period signal, then the signal-rate ones with a period that changes
    // every sample (dsp2-vibrato/..., dsp3-vibrato/...).
    for (const bool vibrato : {false, true})
        for (const auto &r : routines)
            for (double period : bench::periods())
                for (std::size_t vector : bench::vectorSizes()) {
                    if (vibrato && r.perform == vibrel_dodsp1_64) continue;
                    const Perform perform = r.perform;
                    const std::string name = std::string(r.name) + (vibrato ? "-vibrato" : "");
                    benchmark::RegisterBenchmark(
                        bench::benchmarkName(name.c_str(), VIBREL_CLASS_NAME, period, vector).c_str(),
                        [=](benchmark::State &st) { run_routine(st, perform, period, vector, vibrato); });
                }
}

std::vector<double> pluck_string(double period, std::size_t frames) {
    String s(kDefaultMaxDelay, bench::kRate);
    configure(s, period);
    return pluck(s, noise((std::size_t)period + 1), frames);
}

double thread_cpu_ns() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec * 1e9 + (double)t.tv_nsec;
}

// One run of the decay: per second, the thread's CPU time (timed) or the peak level (untimed).
std::vector<double> decay_run(Perform perform, double seconds, bool timed) {
    String s(kDefaultMaxDelay, bench::kRate);
    configure(s, kDecayPeriod);
    std::vector<double> pluckIn = noise(kDecayVector), zero(kDecayVector, 0.0), out(kDecayVector);
    std::vector<double> gainIn(kDecayVector, bench::kFbGain), periodIn(kDecayVector, kDecayPeriod);
    const std::size_t perSecond = (std::size_t)bench::kRate / kDecayVector; // whole vectors per second
    std::vector<double> result;
    for (int second = 0; second < (int)seconds; second++) {
        double peak = 0.0;
        const double t0 = timed ? thread_cpu_ns() : 0.0;
        for (std::size_t v = 0; v < perSecond; v++) {
            double *ins[3] = {second == 0 && v == 0 ? pluckIn.data() : zero.data(), gainIn.data(), periodIn.data()};
            double *outs[1] = {out.data()};
            perform(s.record(), nullptr, ins, 3, outs, 1, (long)kDecayVector, 0, nullptr);
            if (!timed)
                for (double y : out)
                    peak = std::max(peak, std::fabs(y));
        }
        result.push_back(timed ? (thread_cpu_ns() - t0) / (double)(perSecond * kDecayVector) : peak);
    }
    return result;
}

// The output is the same bits every run: the peaks come from one untimed run, the time of each
// second is the least of three timed runs (CPU time of this thread: another process's turn on
// the core does not count).
std::vector<bench::DecaySecond> decay(double seconds, int routine, bool callerFlush) {
    constexpr int kRuns = 3;
    const Perform perform = routine == 1 ? vibrel_dodsp1_64 : routine == 2 ? vibrel_dodsp2_64 : vibrel_dodsp3_64;
    const unsigned saved = _mm_getcsr();
    if (callerFlush) _mm_setcsr(saved | kFtzDaz);
    const std::vector<double> peaks = decay_run(perform, seconds, false);
    std::vector<double> best(peaks.size(), HUGE_VAL);
    for (int run = 0; run < kRuns; run++) {
        const std::vector<double> t = decay_run(perform, seconds, true);
        for (std::size_t i = 0; i < t.size(); i++)
            best[i] = std::min(best[i], t[i]);
    }
    _mm_setcsr(saved);
    std::vector<bench::DecaySecond> result;
    for (std::size_t i = 0; i < peaks.size(); i++)
        result.push_back({best[i], peaks[i]});
    return result;
}

std::size_t bytes_per_object(double maxDelay) { return String(maxDelay, bench::kRate).bytes(); }

} // namespace

bench::Variant benchVariant() {
    return bench::Variant{VIBREL_CLASS_NAME, (int)kOrder,    register_benchmarks, pluck_string,   decay,
                          bytes_per_object,  sizeof(t_vibrel), vibrel_choosePath,  vibrel_pathName};
}

} // namespace VIBREL_NS
