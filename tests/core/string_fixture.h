// A string-model record set up as the plug-in's constructor and chain build do, without a host, and
// helpers that run the perform routines over whole signals in vectors of a chosen size.
#pragma once

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "vibrel.h"

namespace test {

using namespace VIBREL_NS;

enum class Routine { Control, Period, PeriodGain };

inline const char *routine_name(Routine r) {
    return r == Routine::Control ? "dodsp1" : r == Routine::Period ? "dodsp2" : "dodsp3";
}

struct String {
    t_vibrel x{};
    std::unique_ptr<double[]> line; // exactly bufLen slots, so the sanitizers see any stray index

    explicit String(double maxDelay = kDefaultMaxDelay, double sampleRate = 44100.0) {
        line.reset(new double[vibrel_lineSlots(maxDelay)]);
        vibrel_init(&x, maxDelay, line.get());
        vibrel_calcDcCoeffs(&x, sampleRate);
    }
    String(const String &) = delete;

    // Runs `routine` over the whole signals in vectors of `vector` frames. Missing control signals
    // read zeros, as an unconnected inlet does.
    std::vector<double> run(Routine routine, const std::vector<double> &excitation, long vector,
                            const std::vector<double> &gain = {}, const std::vector<double> &period = {}) {
        const size_t n = excitation.size();
        std::vector<double> g = gain, p = period, out(n);
        g.resize(n, 0.0);
        p.resize(n, 0.0);
        for (size_t at = 0; at < n; at += (size_t)vector) {
            const long frames = (long)std::min<size_t>((size_t)vector, n - at);
            double *ins[3] = {const_cast<double *>(excitation.data()) + at, g.data() + at, p.data() + at};
            double *outs[1] = {out.data() + at};
            perform(routine, ins, outs, frames);
        }
        return out;
    }

    void perform(Routine routine, double **ins, double **outs, long frames) {
        switch (routine) {
        case Routine::Control: vibrel_dodsp1_64(&x, nullptr, ins, 3, outs, 1, frames, 0, nullptr); break;
        case Routine::Period: vibrel_dodsp2_64(&x, nullptr, ins, 3, outs, 1, frames, 0, nullptr); break;
        case Routine::PeriodGain: vibrel_dodsp3_64(&x, nullptr, ins, 3, outs, 1, frames, 0, nullptr); break;
        }
    }
};

inline std::vector<double> impulse(size_t n, double amplitude = 1.0) {
    std::vector<double> v(n, 0.0);
    if (n) v[0] = amplitude;
    return v;
}

// The record's bytes, to tell exactly which fields an operation wrote.
inline std::vector<unsigned char> snapshot(const t_vibrel &x) {
    std::vector<unsigned char> bytes(sizeof x);
    std::memcpy(bytes.data(), &x, sizeof x);
    return bytes;
}

// Bit-exact equality of two signals, reporting the first difference.
inline ::testing::AssertionResult same_bits(const std::vector<double> &a, const std::vector<double> &b) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes " << a.size() << " vs " << b.size();
    for (size_t i = 0; i < a.size(); i++)
        if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0)
            return ::testing::AssertionFailure() << "sample " << i << ": " << a[i] << " vs " << b[i];
    return ::testing::AssertionSuccess();
}

} // namespace test
