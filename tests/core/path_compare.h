// Every perform routine on each vectorised path against the scalar path, bit for bit: the output, the
// record's running state and the whole delay line after each run. Cases: periods from 0 to 9000 (the
// shortest, whole and fractional, beyond the line), the line's wrap-around, negative and zero gains,
// steady, swept, random, NaN and infinite period and gain signals (and excitation), vectors of 1, 7, 64
// and 512.
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
    int routine;                     // 1, 2 or 3: vibrel_dodsp1_64 ...
    double period, gain, brightness; // messages
    std::vector<double> gainIn, periodIn;
    long vector = 64; // frames per call
    long start = 0;   // writeIndex before the first vector
    std::vector<double> excitation;
};

using Routine = void (*)(t_vibrel *, t_object *, double **, long, double **, long, long, long, void *);
inline void call(Routine routine, t_vibrel *x, double **ins, double **outs, long n) {
    routine(x, nullptr, ins, 3, outs, 1, n, 0, nullptr);
}

// The run's output, then writeIndex, the filter memories, lagDiff and the line. Each vector goes
// through perform(routine, record, ins, outs, frames).
template <class Perform = decltype(&call)>
inline std::vector<double> run(const Case &c, int path, Perform perform = call) {
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
    std::vector<double> out(n), g = c.gainIn, p = c.periodIn;
    g.resize(n, 0.0);
    p.resize(n, 0.0);
    auto routine = c.routine == 1 ? vibrel_dodsp1_64 : c.routine == 2 ? vibrel_dodsp2_64 : vibrel_dodsp3_64;
    for (std::size_t at = 0; at < n; at += (std::size_t)c.vector) {
        double *ins[3] = {const_cast<double *>(c.excitation.data()) + at, g.data() + at, p.data() + at};
        double *outs[1] = {out.data() + at};
        perform(routine, &x, ins, outs, (long)std::min<std::size_t>((std::size_t)c.vector, n - at));
    }
    out.insert(out.end(), {(double)x.writeIndex, x.lpfX1, x.lpfX2, x.dcX1, x.dcY1});
    out.insert(out.end(), x.lagDiff, x.lagDiff + kTaps);
    out.insert(out.end(), line.begin(), line.end());
    return out;
}

// Signals of n samples: sample i from f(i, t = i / n, u uniform in [0, 1)); every 37th sample (or
// none) NaN, +inf or -inf in turn.
template <class F> std::vector<double> signal(std::size_t n, bool specials, std::uint64_t &seed, F f) {
    const double inf = std::numeric_limits<double>::infinity(), special[3] = {std::nan(""), inf, -inf};
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; i++) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        v[i] = specials && i % 37 == 0 ? special[i / 37 % 3]
                                       : f((double)i, (double)i / (double)n, (double)(seed >> 11) * 0x1p-53);
    }
    return v;
}

// dense: the long set (a fine grid of periods, longer runs), else a quick one.
inline std::vector<Case> cases(bool dense) {
    std::vector<double> periods = {0.0,    kMinPeriod, kMinPeriod + 0.3,
                                   4.5,    5.0,        5.5,
                                   6.25,   7.0,        8.9,
                                   9.5,    10.1,       11.0,
                                   12.75,  14.0,       15.5,
                                   16.5,   20.0,       27.3,
                                   31.0,   50.5,       100.2,
                                   8191.0, 8192.0,     9000.0};
    if (dense)
        for (double p = 0.0; p <= 9000.0; p = p < 64.0 ? p + 0.37 : p * 1.013)
            periods.push_back(p);
    const std::size_t n = dense ? 12000 : 2500;
    const long L = vibrel_lineSlots(kDefaultMaxDelay);
    std::uint64_t seed = dense ? 2 : 1;
    std::vector<Case> all;
    auto steady = [n](double v) { return std::vector<double>(n, v); };
    auto add = [&all](int routine, double period, double gain, double brightness, std::vector<double> gainIn,
                      std::vector<double> periodIn) {
        Case c;
        c.routine = routine, c.period = period, c.gain = gain, c.brightness = brightness;
        c.gainIn = std::move(gainIn), c.periodIn = std::move(periodIn);
        all.push_back(std::move(c));
    };
    for (double p : periods) {
        for (double g : {0.99, -0.7, 0.0})
            add(1, p, g, g > 0.0 ? 0.9 : 0.0, {}, {});
        add(2, 50.0, 0.99999, 0.99999, {}, steady(p));
        add(3, 50.0, 0.5, 0.3, signal(n, true, seed, [](double, double, double u) { return 2.4 * u - 1.2; }),
            steady(p));
        add(3, 50.0, 0.5, 0.3, steady(p < 50.0 ? 0.99 : -0.999), steady(p)); // one design for a whole vector
    }
    add(2, 50.0, 0.99, 0.9, {}, steady(std::nan(""))); // bit for bit the same NaN: the shortest delay
    add(3, 50.0, 0.99, 0.9, steady(std::nan("")), steady(50.5));
    const int reps = dense ? 6 : 1;
    for (int r = 0; r < 7 * reps; r++) {
        const int kind = r % 7;
        auto period = [kind](double i, double t, double u) {
            const double s = 3.0 + 77.0 * std::fabs(std::sin(std::floor(i / 97.0))); // a step every 97 samples
            return kind == 0   ? 9000.0 * t
                   : kind == 1 ? 9000.0 * (1.0 - t)
                   : kind == 2 ? 9000.0 * u
                   : kind == 3 ? 20.0 * u
                   : kind == 4 ? s * (1.0 + 0.4 * std::sin(i * 0.01))
                   : kind == 5 ? s
                               : 205.0 * u - 5.0;
        };
        for (int gk = 0; gk < 4; gk++) {
            add(2, 50.0, gk ? 0.95 : -0.6, 0.8, {}, signal(n, kind == 6, seed, period));
            auto gain = [gk](double i, double, double u) {
                return gk == 0 ? 0.0 : gk == 3 ? 0.999 * std::sin(i * 0.003) : 2.4 * u - 1.2;
            };
            std::vector<double> g = signal(n, gk == 2, seed, gain);
            add(3, 50.0, 0.5, 0.8, std::move(g), signal(n, kind == 6, seed, period));
        }
    }
    // Vectors in turn; the write slot near the end of the line or anywhere, or (control rate) the
    // taps about to wrap; noise bursts over a quiet noise floor.
    static const long kVectors[] = {1, 7, 64, 512};
    for (std::size_t k = 0; k < all.size(); k++) {
        Case &c = all[k];
        const long d0 = (long)std::floor(c.period) - 1 - kHalf;
        c.vector = kVectors[k % 4];
        c.start = c.routine == 1 && k % 3 == 1 && d0 > 10 && d0 < L ? d0 - 10
                  : k % 2                                           ? L - 300 - (long)(k % 200)
                                                                    : (long)(k * 7919 % (std::size_t)L);
        c.excitation = signal(n, k % 5 == 2, seed, [](double i, double, double u) {
            return (i < 300 || (long)i % 500 < 20 ? 1.0 : 0.01) * (2.0 * u - 1.0);
        });
    }
    return all;
}

// Every case on each path the processor has against the scalar path; one line per path into `log`.
// Returns whether every value was the same. Leaves the chosen path as it found it.
inline bool compare_paths(bool dense, std::string &log) {
    const int before = vibrel_chosenPath();
    const std::vector<Case> all = cases(dense);
    bool same = true;
    for (int path = kPathTwoLanes; path <= kPathWidest; path++) {
        char line[400];
        if (path > vibrel_widestPath()) {
            std::snprintf(line, sizeof line, "%s: not on this processor\n", vibrel_pathName(path));
            log += line;
            continue;
        }
        long values = 0, differing = 0;
        std::string first;
        for (const Case &c : all) {
            const std::vector<double> want = run(c, kPathScalar), got = run(c, path);
            values += (long)want.size();
            for (std::size_t i = 0; i < want.size(); i++) {
                if (std::memcmp(&want[i], &got[i], sizeof(double)) == 0 || differing++ > 0) continue;
                std::snprintf(line, sizeof line, "; first: routine %d, period %g, vector %ld, value %zu%s", c.routine,
                              c.periodIn.empty() ? c.period : c.periodIn[0], c.vector, i,
                              i < c.excitation.size() ? " (output)" : " (state or line)");
                first = line;
            }
        }
        std::snprintf(line, sizeof line, "%s: %zu cases, %ld values, %ld differ%s\n", vibrel_pathName(path), all.size(),
                      values, differing, first.c_str());
        log += line;
        same = same && differing == 0;
    }
    vibrel_choosePath(before);
    return same;
}

} // namespace paths
