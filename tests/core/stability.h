// The string never grows: an impulse into a cleared string, then silence; the last second may carry no
// more energy than the first, and every sample is finite.
#pragma once

#include <cmath>
#include <string>
#include <vector>
#include <xmmintrin.h>

#include "string_fixture.h"

namespace test {

struct Setting {
    Routine routine;
    double rate, period, gain, brightness;
    std::string str() const {
        return std::string(routine_name(routine)) + " rate " + std::to_string(rate) + " period " +
               std::to_string(period) + " gain " + std::to_string(gain) + " brightness " + std::to_string(brightness);
    }
};

struct Decay {
    double first = 0, last = 0; // energy of the first and of the last second
    bool finite = true;
    bool bounded() const { return finite && last <= first; }
};

// Flushes subnormals while it lives: a decaying tail otherwise costs a hundred times more per sample,
// and flushing cannot make a growing string look bounded.
struct FlushSubnormals {
    unsigned saved = _mm_getcsr();
    FlushSubnormals() { _mm_setcsr(saved | 0x8040); } // flush-to-zero, denormals-are-zero
    ~FlushSubnormals() { _mm_setcsr(saved); }
};

inline Decay ring(const Setting &s, double seconds = 10.0) {
    FlushSubnormals flush;
    String str(kDefaultMaxDelay, s.rate);
    vibrel_setFbGain(&str.x, s.gain);
    vibrel_setBrightness(&str.x, s.brightness);
    vibrel_setDelayTime(&str.x, s.period);
    const long vector = 512;
    const size_t total = (size_t)(s.rate * seconds), second = (size_t)s.rate;
    std::vector<double> in(vector, 0.0), gain(vector, s.gain), period(vector, s.period), out(vector);
    double *ins[3] = {in.data(), gain.data(), period.data()};
    double *outs[1] = {out.data()};
    Decay d;
    in[0] = 1.0;
    for (size_t at = 0; at < total; at += vector) {
        const long n = (long)std::min<size_t>(vector, total - at);
        str.perform(s.routine, ins, outs, n);
        in[0] = 0.0;
        for (long i = 0; i < n; i++) {
            const double y = out[i], e = y * y;
            if (!std::isfinite(y)) d.finite = false;
            if (at + i < second) d.first += e;
            if (at + i >= total - second) d.last += e;
        }
        if (!d.finite) break;
    }
    return d;
}

} // namespace test
