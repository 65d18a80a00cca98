// What the benchmark driver needs from each variant's string, without seeing its record:
// the registered timings and the measurements that run outside the timing framework.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

// Samples processed per benchmark iteration: several vectors, so the framework's own cost vanishes.
constexpr std::size_t kFramesPerIteration = 4096;
constexpr double kRate = 44100.0; // Hz, every benchmark and table
constexpr double kFbGain = 0.99;
constexpr double kBrightness = 0.9;

const std::vector<double> &periods();          // 5, 16.5, 50.5, 500.25, 5000.5 samples
const std::vector<std::size_t> &vectorSizes(); // 64, 512
const std::vector<double> &excitation();       // continuous noise, 65536 samples, cycled

// Per second of audio during a long decay: processing time in ns per sample and the peak level.
struct DecaySecond {
    double nsPerSample;
    double peak;
};

struct Variant {
    const char *name;             // class name: "vibrel~" or "vibrel-lite~"
    int order;                    // interpolation order M
    void (*registerBenchmarks)(); // dsp1/<name>/p<period>/v<vector>, dsp2/..., dsp3/...
    // The string plucked with one period of noise at `period` samples, control-rate routine, 64-sample vectors.
    std::vector<double> (*pluck)(double period, std::size_t frames);
    // A pluck at period 50 left ringing for `seconds` through routine 1, 2 or 3 (the period and gain
    // as signals where the routine reads them), timed per second; callerFlush: the caller has set
    // flush-to-zero and denormals-are-zero itself (the routines set them in any case).
    std::vector<DecaySecond> (*decay)(double seconds, int routine, bool callerFlush);
    std::size_t (*bytesPerObject)(double maxDelay); // record + delay line
    std::size_t recordBytes;
    int (*choosePath)(int path);       // vibrel_choosePath: the perform routines' path, lowered to what runs here
    const char *(*pathName)(int path); // vibrel_pathName
};

std::string benchmarkName(const char *routine, const char *variant, double period, std::size_t vector);

} // namespace bench

namespace vibrel_full {
bench::Variant benchVariant();
}
namespace vibrel_lite {
bench::Variant benchVariant();
}
