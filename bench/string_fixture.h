// A string record set up as the host binding would set it up, without the host: for the benchmarks
// and the analysis tests. Lives in the variant's namespace, so both variants link into one program.
#pragma once

#include <cstdint>
#include <vector>

#include "vibrel.h"

namespace VIBREL_NS::bench_string {

// A record with its own delay line: maxDelay in samples (a whole number >= 8192), parameters as
// at creation unless set, and the DC blocker designed for the sample rate in Hz.
class String {
  public:
    explicit String(double maxDelay = kDefaultMaxDelay, double sampleRate = 44100.0) : rec_{} {
        line_.assign((std::size_t)vibrel_lineSlots(maxDelay), 0.0);
        vibrel_init(&rec_, maxDelay, line_.data());
        vibrel_calcDcCoeffs(&rec_, sampleRate);
    }
    String(const String &) = delete;
    String &operator=(const String &) = delete;

    t_vibrel *record() { return &rec_; }
    std::size_t bytes() const { return sizeof(t_vibrel) + line_.size() * sizeof(double); }

  private:
    t_vibrel rec_;
    std::vector<double> line_;
};

// Deterministic white noise in [-1, 1) (a 64-bit linear congruential generator's top bits).
inline std::vector<double> noise(std::size_t n, std::uint64_t seed = 1) {
    std::vector<double> v(n);
    for (auto &s : v) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        s = (double)(seed >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    }
    return v;
}

// Plucks the string with `excitation` (then silence) and returns `frames` samples of the control-rate
// routine's output, run in vectors of `vector` samples.
inline std::vector<double> pluck(String &s, const std::vector<double> &excitation, std::size_t frames,
                                 std::size_t vector = 64) {
    std::vector<double> out(frames), in(vector), dummy(vector, 0.0);
    for (std::size_t pos = 0; pos < frames; pos += vector) {
        const std::size_t n = std::min(vector, frames - pos);
        for (std::size_t i = 0; i < n; i++)
            in[i] = pos + i < excitation.size() ? excitation[pos + i] : 0.0;
        double *ins[3] = {in.data(), dummy.data(), dummy.data()};
        double *outs[1] = {out.data() + pos};
        vibrel_dodsp1_64(s.record(), nullptr, ins, 3, outs, 1, (long)n, 0, nullptr);
    }
    return out;
}

} // namespace VIBREL_NS::bench_string
