// Floor kernels and Synthesis ToolKit peers, timed on the same excitation, vectors and parameters.
#include "peers.h"

#include <benchmark/benchmark.h>
#include <stk/Plucked.h>
#include <stk/Twang.h>

#include <cmath>

#pragma GCC diagnostic ignored "-Wpsabi" // vectors by value, all inlined (core/vibrel.dsp.cpp)

#include "cosine.h"
#include "isa.h"
#include "timing.h"
#include "tuning.h"
#include "variant_bench.h"

namespace bench {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kLowestHz = 8.0;  // below the lowest benchmarked pitch, 44100 / 5000.5 Hz
constexpr double kSilent = 1e-100; // a peer this quiet is plucked again before it reaches subnormals

// The string's loop-filter cosines of four period samples, in the lanes the perform routines take.
typedef void (*CosinesOf)(const double *period, double *c);
template <class V> VIBREL_LANES_INLINE void cosines(const double *period, double *c) {
    for (long h = 0; h < 4; h += vibrel_full::lanes::kCount<V>) {
        const V f = vibrel_full::lanes::load<V>(period + h) - vibrel_full::lanes::splat<V>(1.0);
        const V cs = vibrel_full::cosine_lanes_inside(vibrel_full::lanes::splat<V>(kTwoPi) /
                                                      (f + vibrel_full::lanes::splat<V>(1.0)));
        __builtin_memcpy(c + h, &cs, sizeof cs);
    }
}
__attribute__((target("avx"))) void cosines_avx(const double *period, double *c) { cosines<vibrel_full::lanes::D4>(period, c); }
void cosines_two(const double *period, double *c) { cosines<vibrel_full::lanes::D2>(period, c); }
CosinesOf cosines_of_widest_path() {
    return vibrel_full::vibrel_widestPath() >= vibrel_full::kPathAvx ? cosines_avx : cosines_two;
}

// The DC blocker's recursion alone: the one recurrence every routine carries from sample to sample.
struct DcFloor {
    double b0, b1, a1, x1 = 0.0, y1 = 0.0;
    void run(const double *in, double *out, std::size_t n) {
        double x = x1, y = y1;
        for (std::size_t i = 0; i < n; i++) {
            const double v = in[i];
            y = (b0 * v + b1 * x) + a1 * y;
            x = v;
            out[i] = y;
        }
        x1 = x;
        y1 = y;
    }
    // Plus what a signal-rate routine cannot avoid per sample: the loop-filter cosine of the period
    // (with its division; our cosine, four or two at a time as the routines have it) and the whole
    // samples of the delay. `zero` is 0 at run time, unknown to the compiler. n: a multiple of 4.
    void runSignal(const double *in, const double *period, double zero, double half, double *out, std::size_t n,
                   CosinesOf cosinesOf) {
        double x = x1, y = y1;
        double cs[4];
        for (std::size_t i = 0; i < n; i++) {
            if (i % 4 == 0) cosinesOf(period + i, cs);
            const double f = period[i] - 1.0;
            const double c = cs[i % 4];
            const double d = (double)(long)(f - half);
            const double v = in[i] + zero * (c + d);
            y = (b0 * v + b1 * x) + a1 * y;
            x = v;
            out[i] = y;
        }
        x1 = x;
        y1 = y;
    }
};

class PluckedPeer : public stk::Plucked {
  public:
    PluckedPeer() : stk::Plucked(kLowestHz) {}
    void start(double hz) {
        noise_.setSeed(1); // the same burst every run (it seeds from the clock otherwise)
        noteOn(hz, 1.0);
        loopGain_ = kFbGain; // noteOn sets its own gain from the frequency; use the string's
    }
};

template <typename Body> void timed(benchmark::State &st, std::size_t vector, Body body) {
    const std::vector<double> &exc = excitation();
    std::vector<double> out(vector);
    std::size_t pos = 0;
    auto block = [&] {
        for (std::size_t done = 0; done < kFramesPerIteration; done += vector) {
            body(exc.data() + pos, out.data(), vector);
            pos += vector;
            if (pos >= exc.size()) pos = 0;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    };
    timeBlocks(st, block);
}

void floor_dc(benchmark::State &st, double, std::size_t vector) {
    const auto c = vibrel_analysis::dc_coeffs(kRate);
    DcFloor k{c.b0, c.b1, c.a1};
    timed(st, vector, [&](const double *in, double *out, std::size_t n) { k.run(in, out, n); });
}

void floor_signal(benchmark::State &st, double period, std::size_t vector) {
    const auto c = vibrel_analysis::dc_coeffs(kRate);
    DcFloor k{c.b0, c.b1, c.a1};
    std::vector<double> periodIn(vector, period);
    volatile double zero = 0.0;
    const double z = zero;
    const CosinesOf cosinesOf = cosines_of_widest_path();
    timed(st, vector, [&](const double *in, double *out, std::size_t n) {
        k.runSignal(in, periodIn.data(), z, 3.0, out, n, cosinesOf);
    });
}

void plucked(benchmark::State &st, double period, std::size_t vector) {
    PluckedPeer p;
    p.start(kRate / period);
    stk::StkFrames frames((unsigned)vector, 1);
    timed(st, vector, [&](const double *, double *out, std::size_t n) {
        p.tick(frames);
        out[0] = frames[n - 1];
        if (std::fabs(p.lastOut()) < kSilent) p.start(kRate / period);
    });
}

void twang(benchmark::State &st, double period, std::size_t vector) {
    stk::Twang t(kLowestHz);
    t.setFrequency(kRate / period);
    t.setLoopGain(kFbGain);
    timed(st, vector, [&](const double *in, double *out, std::size_t n) {
        for (std::size_t i = 0; i < n; i++)
            out[i] = t.tick(in[i]);
    });
}

// Twang tuned at every sample, as a signal-rate string must be.
void twang_retuned(benchmark::State &st, double period, std::size_t vector) {
    stk::Twang t(kLowestHz);
    t.setLoopGain(kFbGain);
    std::vector<double> hz(vector, kRate / period);
    timed(st, vector, [&](const double *in, double *out, std::size_t n) {
        for (std::size_t i = 0; i < n; i++) {
            t.setFrequency(hz[i]);
            out[i] = t.tick(in[i]);
        }
    });
}

} // namespace

void registerPeerBenchmarks() {
    const struct {
        const char *name;
        void (*fn)(benchmark::State &, double, std::size_t);
    } peers[] = {{"floor", floor_dc},
                 {"sigfloor", floor_signal},
                 {"plucked", plucked},
                 {"twang", twang},
                 {"twang-retuned", twang_retuned}};
    for (const auto &p : peers)
        for (double period : periods())
            for (std::size_t vector : vectorSizes()) {
                auto fn = p.fn;
                benchmark::RegisterBenchmark(benchmarkName(p.name, "", period, vector).c_str(),
                                             [=](benchmark::State &st) { fn(st, period, vector); });
            }
}

std::vector<double> pluckedTone(double hz, std::size_t frames) {
    PluckedPeer p;
    p.start(hz);
    std::vector<double> out(frames);
    for (auto &y : out)
        y = p.tick();
    return out;
}

std::vector<double> twangTone(double hz, std::size_t frames) {
    stk::Twang t(kLowestHz);
    t.setFrequency(hz);
    t.setLoopGain(kFbGain);
    const std::size_t burst = (std::size_t)(kRate / hz) + 1;
    const std::vector<double> &exc = excitation();
    std::vector<double> out(frames);
    for (std::size_t i = 0; i < frames; i++)
        out[i] = t.tick(i < burst ? exc[i] : 0.0);
    return out;
}

} // namespace bench
