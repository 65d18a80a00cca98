// Every perform routine on a vectorised path against the scalar path, bit for bit: the output, the
// record's running state and the whole delay line after each run. Cases: periods from 0 to 9000 (the
// shortest, whole and fractional, beyond the line), the line's wrap-around, negative and zero gains,
// steady, swept, random, NaN and infinite period and gain signals, vectors of 1, 7, 64 and 512.
// Plain C++ (no test framework): the core tests and the Windows path check (under Wine) share it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "isa.h"
#include "vibrel.h"

namespace paths {

using namespace VIBREL_NS;

struct Case {
    int routine;                  // 1, 2 or 3: vibrel_dodsp1_64 ...
    double period, gain, brightness; // messages
    long vector;                  // frames per call
    long start;                   // writeIndex before the first vector
    std::vector<double> excitation, gainIn, periodIn;
};

// The run's output, then writeIndex, the filter memories, lagDiff and the line.
inline std::vector<double> run(const Case &c, int path) {
    vibrel_choosePath(path);
    std::vector<double> line((std::size_t)vibrel_lineSlots(kDefaultMaxDelay));
    t_vibrel x{};
    vibrel_init(&x, kDefaultMaxDelay, line.data());
    vibrel_calcDcCoeffs(&x, 44100.0);
    vibrel_setFbGain(&x, c.gain);
    vibrel_setBrightness(&x, c.brightness);
    vibrel_setDelayTime(&x, c.period);
    x.writeIndex = c.start;
    const std::size_t n = c.excitation.size();
    std::vector<double> result(n), in = c.excitation, g = c.gainIn, p = c.periodIn;
    void (*routine)(t_vibrel *, t_object *, double **, long, double **, long, long, long, void *) =
        c.routine == 1 ? vibrel_dodsp1_64 : c.routine == 2 ? vibrel_dodsp2_64 : vibrel_dodsp3_64;
    for (std::size_t at = 0; at < n; at += (std::size_t)c.vector) {
        const long frames = (long)std::min<std::size_t>((std::size_t)c.vector, n - at);
        double *ins[3] = {in.data() + at, g.data() + at, p.data() + at};
        double *outs[1] = {result.data() + at};
        routine(&x, nullptr, ins, 3, outs, 1, frames, 0, nullptr);
    }
    result.push_back((double)x.writeIndex);
    for (double v : {x.lpfX1, x.lpfX2, x.dcX1, x.dcY1}) result.push_back(v);
    result.insert(result.end(), x.lagDiff, x.lagDiff + kTaps);
    result.insert(result.end(), line.begin(), line.end());
    return result;
}

// Deterministic: a 64-bit linear congruential generator's top bits, uniform in [0, 1).
struct Random {
    std::uint64_t state;
    double next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return (double)(state >> 11) * (1.0 / 9007199254740992.0);
    }
    double in(double lo, double hi) { return lo + (hi - lo) * next(); }
};

// Period signals by kind: 0 steady, 1 swept up over 0 .. 9000, 2 swept down, 3 random in [0, 9000],
// 4 random among the shortest periods, 5 a vibrato around `around`, 6 steps, 7 random with NaN and
// infinities. Gain signals: 0 steady, 1 random beyond both bounds, 2 with NaN and infinities, 3 a swell.
inline std::vector<double> period_signal(int kind, double around, std::size_t n, Random &r) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> v(n);
    double step = around;
    for (std::size_t i = 0; i < n; i++) {
        const double t = (double)i / (double)n;
        if (kind == 6 && i % 97 == 0) step = r.in(0.0, 60.0);
        v[i] = kind == 0   ? around
               : kind == 1 ? 9000.0 * t
               : kind == 2 ? 9000.0 * (1.0 - t)
               : kind == 3 ? r.in(0.0, 9000.0)
               : kind == 4 ? r.in(0.0, 20.0)
               : kind == 5 ? around + 0.4 * around * std::sin((double)i * 0.01)
               : kind == 6 ? step
                           : r.in(-5.0, 200.0);
        if (kind == 7 && i % 37 == 0) v[i] = i % 3 == 0 ? nan : i % 3 == 1 ? inf : -inf;
    }
    return v;
}

inline std::vector<double> gain_signal(int kind, double steady, std::size_t n, Random &r) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; i++) {
        v[i] = kind == 0 ? steady : kind == 3 ? 0.999 * std::sin((double)i * 0.003) : r.in(-1.2, 1.2);
        if (kind == 2 && i % 41 == 0) v[i] = i % 3 == 0 ? nan : i % 3 == 1 ? inf : -inf;
    }
    return v;
}

// dense: the long set (every period on a fine grid, longer runs), else a quick one.
inline std::vector<Case> cases(bool dense) {
    static const long kVectors[] = {1, 7, 64, 512};
    static const double kShort[] = {0.0,  kMinPeriod - 1.0, kMinPeriod, kMinPeriod + 0.3, 4.5, 5.0,  5.5,  6.25,
                                    7.0,  8.9,              9.5,        10.1,             11.0, 12.75, 14.0, 15.5,
                                    16.5, 20.0,             27.3,       31.0,             50.5, 100.2, 8191.0, 8192.0,
                                    9000.0};
    std::vector<double> periods(kShort, kShort + std::size(kShort));
    if (dense)
        for (double p = 0.0; p <= 9000.0; p = p < 64.0 ? p + 0.37 : p * 1.013) periods.push_back(p);
    const std::size_t n = dense ? 12000 : 2500;
    const long L = vibrel_lineSlots(kDefaultMaxDelay);
    Random r{dense ? 2u : 1u};
    std::vector<Case> all;
    long count = 0;
    auto add = [&](Case c) {
        c.vector = kVectors[count % 4];
        // Alternately: the write slot reaches the end of the line early, or a random start.
        c.start = count % 2 ? L - 300 - (long)(r.next() * 200.0) : (long)(r.next() * (double)L);
        c.excitation.resize(n);
        for (std::size_t i = 0; i < n; i++) c.excitation[i] = i < 300 || i % 500 < 20 ? r.in(-1.0, 1.0) : 0.01 * r.in(-1.0, 1.0);
        if (c.gainIn.empty()) c.gainIn.assign(n, 0.0);
        if (c.periodIn.empty()) c.periodIn.assign(n, 0.0);
        all.push_back(c);
        count++;
    };
    for (double p : periods) {
        // Control rate: the write slot and (for periods in the line) the taps wrap within the run.
        for (double g : {0.99, -0.7, 0.0}) {
            Case c{1, p, g, g == 0.99 ? 0.9 : 0.0, 0, 0, {}, {}, {}};
            add(c);
            if (p >= 16.0 && p < 8000.0) { // the taps wrap just after the start
                all.back().start = (long)std::floor(p) - 10;
            }
        }
        // Signal rate with a steady period, gain from the record or a signal.
        add(Case{2, 50.0, 0.99999, 0.99999, 0, 0, {}, {}, std::vector<double>(n, p)});
        add(Case{3, 50.0, 0.5, 0.3, 0, 0, {}, gain_signal(count % 4, -0.99, n, r), std::vector<double>(n, p)});
    }
    for (int kind = 1; kind < 8; kind++)
        for (int gk = 0; gk < 4; gk++)
            for (int reps = 0; reps < (dense ? 6 : 1); reps++) {
                const double around = r.in(3.0, 80.0);
                add(Case{2, 50.0, gk == 0 ? -0.6 : 0.95, 0.8, 0, 0, {}, {}, period_signal(kind, around, n, r)});
                add(Case{3, 50.0, 0.5, 0.8, 0, 0, {}, gain_signal(gk, gk ? 0.99 : 0.0, n, r),
                         period_signal(kind, around, n, r)});
            }
    return all;
}

struct Report {
    long cases = 0, values = 0, differing = 0;
    std::string first; // the first case that differs, and where
};

// Every case on `path` against the scalar path; leaves the path chosen as it found it.
inline Report compare(int path, bool dense) {
    const int before = vibrel_chosenPath();
    Report rep;
    for (const Case &c : cases(dense)) {
        const std::vector<double> want = run(c, kPathScalar), got = run(c, path);
        rep.cases++;
        rep.values += (long)want.size();
        for (std::size_t i = 0; i < want.size(); i++)
            if (std::memcmp(&want[i], &got[i], sizeof(double)) != 0) {
                if (rep.differing++ == 0) {
                    char text[200];
                    std::snprintf(text, sizeof text, "routine %d, period %g, gain %g, vector %ld, start %ld: value %zu (%s) is %.17g, not %.17g",
                                  c.routine, c.periodIn.empty() ? c.period : c.periodIn[0], c.gain, c.vector, c.start, i,
                                  i < c.excitation.size() ? "output" : "state or line", got[i], want[i]);
                    rep.first = text;
                }
            }
    }
    vibrel_choosePath(before);
    return rep;
}

} // namespace paths
