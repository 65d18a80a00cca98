// The benchmark driver: times the perform routines of both variants against the floor kernels and the
// peers, then prints the summary tables (ns per sample, ratios, long decay, tuning, memory) as Markdown.
// Options beyond Google Benchmark's: --no-timing, --no-decay, --no-tuning, and --path=<name> (scalar,
// sse2 or neon, avx: the perform routines' path, lowered to the widest this processor has).
#include <benchmark/benchmark.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include <unistd.h>

#include "float_mode.h"
#include "peers.h"
#include "pitch.h"
#include "timing.h"
#include "tuning.h"
#include "variant_bench.h"

namespace bench {

const std::vector<double> &periods() {
    static const std::vector<double> p{5.0, 16.5, 50.5, 500.25, 5000.5};
    return p;
}

const std::vector<std::size_t> &vectorSizes() {
    static const std::vector<std::size_t> v{64, 512};
    return v;
}

const std::vector<double> &excitation() {
    static const std::vector<double> e = [] {
        std::vector<double> v(65536);
        unsigned long long seed = 1;
        for (auto &s : v) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            s = 0.1 * ((double)(seed >> 11) * (2.0 / 9007199254740992.0) - 1.0);
        }
        return v;
    }();
    return e;
}

std::string benchmarkName(const char *routine, const char *variant, double period, std::size_t vector) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s%s%s/p%g/v%zu", routine, *variant ? "/" : "", variant, period, vector);
    return buf;
}

} // namespace bench

namespace {

using namespace bench;

// Keeps ns per sample of every run (the median of the repetitions when they are asked for) and prints
// as usual. The figure is the median time of one block (see timing.h), not the framework's mean.
class Collector : public benchmark::ConsoleReporter {
  public:
    Collector() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}
    std::map<std::string, double> nsPerSample;

    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs) {
            if (r.error_occurred) continue;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Iteration || median) {
                const auto it = r.counters.find("ns_per_sample");
                if (it != r.counters.end()) nsPerSample[r.run_name.str()] = it->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

const Variant kVariants[] = {vibrel_full::benchVariant(), vibrel_lite::benchVariant()};

double lookup(const Collector &c, const char *routine, const char *variant, double period, std::size_t vector) {
    const auto it = c.nsPerSample.find(benchmarkName(routine, variant, period, vector));
    return it == c.nsPerSample.end() ? NAN : it->second;
}

// Whether anything at this period and vector size ran (a --benchmark_filter leaves the rest out);
// variant "" asks about any variant.
bool measured(const Collector &c, const char *variant, double period, std::size_t vector) {
    const char *names[] = {"floor", "sigfloor", "plucked", "twang", "twang-retuned"};
    for (const char *r : {"dsp1", "dsp2", "dsp3"}) {
        if (*variant && !std::isnan(lookup(c, r, variant, period, vector))) return true;
        if (!*variant)
            for (const auto &v : kVariants)
                if (!std::isnan(lookup(c, r, v.name, period, vector))) return true;
    }
    for (const char *r : names)
        if (!*variant && !std::isnan(lookup(c, r, "", period, vector))) return true;
    return false;
}

// The rest of a header row after its leading columns: the three routines of each variant and the
// three peers, then the rule line that starts with `rule` (the leading columns' cells).
void printRoutineColumns(const char *rule) {
    for (const auto &v : kVariants)
        std::printf(" dsp1 %s | dsp2 %s | dsp3 %s |", v.name, v.name, v.name);
    std::printf(" Plucked | Twang | Twang retuned |\n%s", rule);
    for (std::size_t i = 0; i < 3 * std::size(kVariants) + 3; i++)
        std::printf("---|");
    std::printf("\n");
}

void printTimingTables(const Collector &c) {
    std::printf("\n### ns per sample (%g Hz, %zu samples per iteration)\n\n", kRate, kFramesPerIteration);
    std::printf("| period | vector | floor | sigfloor |");
    printRoutineColumns("|---|---|---|---|");
    for (double p : periods())
        for (std::size_t n : vectorSizes()) {
            if (!measured(c, "", p, n)) continue;
            std::printf("| %g | %zu | %.2f | %.2f |", p, n, lookup(c, "floor", "", p, n),
                        lookup(c, "sigfloor", "", p, n));
            for (const auto &v : kVariants)
                for (const char *r : {"dsp1", "dsp2", "dsp3"})
                    std::printf(" %.2f |", lookup(c, r, v.name, p, n));
            std::printf(" %.2f | %.2f | %.2f |\n", lookup(c, "plucked", "", p, n), lookup(c, "twang", "", p, n),
                        lookup(c, "twang-retuned", "", p, n));
        }

    std::printf("\n### Ratios (lower is faster)\n\n");
    std::printf(
        "| variant | period | vector | dsp1/floor | dsp1/Plucked | dsp1/Twang | dsp2/sigfloor | "
        "dsp2/Twang retuned | dsp3/sigfloor | dsp3/Twang retuned |\n|---|---|---|---|---|---|---|---|---|---|\n");
    for (const auto &v : kVariants)
        for (double p : periods())
            for (std::size_t n : vectorSizes()) {
                if (!measured(c, v.name, p, n)) continue;
                const double d1 = lookup(c, "dsp1", v.name, p, n), d2 = lookup(c, "dsp2", v.name, p, n),
                             d3 = lookup(c, "dsp3", v.name, p, n), sf = lookup(c, "sigfloor", "", p, n),
                             tr = lookup(c, "twang-retuned", "", p, n);
                std::printf("| %s | %g | %zu | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", v.name, p, n,
                            d1 / lookup(c, "floor", "", p, n), d1 / lookup(c, "plucked", "", p, n),
                            d1 / lookup(c, "twang", "", p, n), d2 / sf, d2 / tr, d3 / sf, d3 / tr);
            }

    // Goals: the control-rate routine within 1.25 x floor from period 16 up, the signal-rate ones
    // within 2 x sigfloor. Printed, never asserted.
    std::printf("\n### Goals\n\n| variant | period | vector | dsp1 <= 1.25 x floor (period >= 16) | "
                "dsp2 <= 2 x sigfloor | dsp3 <= 2 x sigfloor |\n|---|---|---|---|---|---|\n");
    auto verdict = [](double ratio, double goal) { return ratio <= goal ? "met" : "not met"; };
    for (const auto &v : kVariants)
        for (double p : periods())
            for (std::size_t n : vectorSizes()) {
                if (!measured(c, v.name, p, n)) continue;
                const double r1 = lookup(c, "dsp1", v.name, p, n) / lookup(c, "floor", "", p, n),
                             r2 = lookup(c, "dsp2", v.name, p, n) / lookup(c, "sigfloor", "", p, n),
                             r3 = lookup(c, "dsp3", v.name, p, n) / lookup(c, "sigfloor", "", p, n);
                std::printf("| %s | %g | %zu | %.2f%s%s | %.2f: %s | %.2f: %s |\n", v.name, p, n, r1,
                            p >= 16.0 ? ": " : "", p >= 16.0 ? verdict(r1, 1.25) : "", r2, verdict(r2, 2.0), r3,
                            verdict(r3, 2.0));
            }

    // Voices: strings one core runs in real time at 48 kHz, 1 / (ns per sample) * 1e9 / 48000.
    constexpr double kVoiceRate = 48000.0;
    constexpr std::size_t kVoiceVector = 64;
    std::printf("\n### Voices per core at %g Hz, vectors of %zu (1e9 / (ns per sample x %g))\n\n| period |",
                kVoiceRate, kVoiceVector, kVoiceRate);
    printRoutineColumns("|---|");
    auto voices = [&](const char *routine, const char *variant, double p) {
        return 1e9 / (lookup(c, routine, variant, p, kVoiceVector) * kVoiceRate);
    };
    for (double p : periods()) {
        if (!measured(c, "", p, kVoiceVector)) continue;
        std::printf("| %g |", p);
        for (const auto &v : kVariants)
            for (const char *r : {"dsp1", "dsp2", "dsp3"})
                std::printf(" %.0f |", voices(r, v.name, p));
        for (const char *r : {"plucked", "twang", "twang-retuned"})
            std::printf(" %.0f |", voices(r, "", p));
        std::printf("\n");
    }
}

void printDecayTable() {
    constexpr double kSeconds = 120.0;
    std::printf("\n### Long decay: a pluck at period 50 ringing %g s (vectors of 64, %g Hz)\n\n", kSeconds, kRate);
    std::printf("| variant | routine | caller's MXCSR | first s (ns/sample) | worst s (ns/sample) | worst at s | "
                "worst/first | last s (ns/sample) | first s with peak < DBL_MIN | peak in last s |\n"
                "|---|---|---|---|---|---|---|---|---|---|\n");
    for (const auto &v : kVariants)
        for (int routine : {1, 2, 3})
            for (bool callerFlush : {false, true}) {
                const auto s = v.decay(kSeconds, routine, callerFlush);
                std::size_t worst = 0, sub = 0;
                for (std::size_t i = 0; i < s.size(); i++) {
                    if (s[i].nsPerSample > s[worst].nsPerSample) worst = i;
                    if (!sub && s[i].peak < DBL_MIN) sub = i + 1;
                }
                char subText[32] = "never";
                if (sub) std::snprintf(subText, sizeof subText, "%zu", sub);
                std::printf("| %s | dsp%d | %s | %.2f | %.2f | %zu | %.2f | %.2f | %s | %.3g |\n", v.name, routine,
                            callerFlush ? "FTZ+DAZ" : "default", s[0].nsPerSample, s[worst].nsPerSample, worst + 1,
                            s[worst].nsPerSample / s[0].nsPerSample, s.back().nsPerSample, subText, s.back().peak);
            }
}

// What each perform call pays for its floating-point mode: the read and the two writes of the control
// register, timed 4096 at a time as the routines are.
void registerModeSwitchBenchmark() {
    benchmark::RegisterBenchmark("modeswitch", [](benchmark::State &st) {
        timeBlocks(st, [] {
            for (std::size_t i = 0; i < kFramesPerIteration; i++) {
                const vibrel_fp::AudioMode mode;
                benchmark::ClobberMemory();
            }
        });
    });
}

void printModeSwitch(const Collector &c) {
    const auto it = c.nsPerSample.find("modeswitch");
    if (it != c.nsPerSample.end())
        std::printf("\n### Flush-to-zero mode switch: %.2f ns per perform call\n", it->second);
}

// Cents from hz of a tone, analysed from 0.05 s (after the attack) to its end.
double measuredCents(const std::vector<double> &tone, double hz) {
    const std::size_t skip = (std::size_t)(0.05 * kRate);
    const auto p = vibrel_analysis::estimate_pitch(tone.data() + skip, tone.size() - skip, kRate);
    return p.ok ? vibrel_analysis::cents(p.hz, hz) : NAN;
}

void printTuningTable() {
    const std::size_t frames = (std::size_t)(1.1 * kRate);
    std::printf("\n### Tuning at %g Hz, gain %g, brightness %g: measured error in cents (positive: sharp)\n\n", kRate,
                kFbGain, kBrightness);
    std::printf("| Hz | rate/Hz |");
    for (const auto &v : kVariants)
        std::printf(" %s: rate/Hz | phase-tuned | pole-tuned |", v.name);
    std::printf(" Plucked | Twang |\n|---|---|");
    for (std::size_t i = 0; i < 3 * std::size(kVariants) + 2; i++)
        std::printf("---|");
    std::printf("\n");
    for (double hz : {55.0, 110.0, 220.0, 440.0, 880.0, 1760.0, 3520.0, 4186.0}) {
        std::printf("| %g | %.4f |", hz, kRate / hz);
        for (const auto &v : kVariants) {
            const double phase = vibrel_analysis::tuned_period(hz, kRate, v.order);
            const double pole = vibrel_analysis::pole_tuned_period(hz, kRate, v.order, kFbGain, kBrightness);
            std::printf(" %+.3f | %+.4f | %+.4f |", measuredCents(v.pluck(kRate / hz, frames), hz),
                        measuredCents(v.pluck(phase, frames), hz), measuredCents(v.pluck(pole, frames), hz));
        }
        std::printf(" %+.3f | %+.3f |\n", measuredCents(pluckedTone(hz, frames), hz),
                    measuredCents(twangTone(hz, frames), hz));
    }
}

void printMemoryTable() {
    std::printf("\n### Memory per object (bytes: record + delay line)\n\n| variant | record | maxDelay 8192 | "
                "maxDelay 20000 |\n|---|---|---|---|\n");
    for (const auto &v : kVariants)
        std::printf("| %s | %zu | %zu | %zu |\n", v.name, v.recordBytes, v.bytesPerObject(8192.0),
                    v.bytesPerObject(20000.0));
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    bool timing = true, decay = true, tuning = true;
    int path = 1 << 30; // the widest
    for (int i = 1; i < argc; i++) {
        if (!std::strncmp(argv[i], "--path=", 7)) {
            for (path = 0; path < 8 && std::strcmp(kVariants[0].pathName(path), argv[i] + 7); path++) {
            }
            if (path == 8) {
                std::fprintf(stderr, "unknown path %s\n", argv[i] + 7);
                return 2;
            }
        } else if (!std::strcmp(argv[i], "--no-timing"))
            timing = false;
        else if (!std::strcmp(argv[i], "--no-decay"))
            decay = false;
        else if (!std::strcmp(argv[i], "--no-tuning"))
            tuning = false;
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    for (const auto &v : kVariants)
        std::printf("%s: perform routines on the %s path\n", v.name, v.pathName(v.choosePath(path)));
    Collector collector;
    if (timing) {
        for (const auto &v : kVariants)
            v.registerBenchmarks();
        registerPeerBenchmarks();
        registerModeSwitchBenchmark();
        benchmark::RunSpecifiedBenchmarks(&collector);
        std::fflush(stdout);
        printTimingTables(collector);
        printModeSwitch(collector);
    }
    if (decay) printDecayTable();
    if (tuning) printTuningTable();
    printMemoryTable();
    benchmark::Shutdown();
    return 0;
}
