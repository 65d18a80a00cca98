// An independent, slow model of the string written straight from its equations: the delay line is the
// whole output history (no circular buffer, no wrap arithmetic), the interpolator and the loop filter
// are designed afresh for every sample. Same orders of operations, so it matches to the bit.
#pragma once

#include <mpfr.h>

#include <cmath>
#include <vector>

namespace test {

// The cosine correctly rounded (MPFR's), which the string's own is on every target.
inline double exact_cos(double x) {
    mpfr_t m;
    mpfr_init2(m, 53);
    mpfr_set_d(m, x, MPFR_RNDN);
    mpfr_cos(m, m, MPFR_RNDN);
    const double y = mpfr_get_d(m, MPFR_RNDN);
    mpfr_clear(m);
    return y;
}

struct ReferenceString {
    long M, H, L;            // order, half order, delay-line slots of the model under test
    double maxDelay;
    double b0, b1, a1;       // DC blocker
    std::vector<double> out; // every sample the loop has written
    double lpfX1 = 0, lpfX2 = 0, dcX1 = 0, dcY1 = 0;
    bool boundLoopGain = true; // false: the loop filter exactly as designed, even where the loop can grow

    ReferenceString(long order, double maxDelay_, double sampleRate)
        : M(order), H((order - 1) / 2), L((long)maxDelay_ + (order + 1) / 2), maxDelay(maxDelay_) {
        const double b = (125.66370614359172 / sampleRate) * 0.5;
        const double c = 1 / (b + 1);
        b0 = c, b1 = -c, a1 = (1 - b) * c;
    }

    // The sample written `back` samples ago; a tap 0 or L samples back is the slot about to be
    // overwritten, which still holds the sample written L samples ago.
    double written(long back) const {
        if (back == 0) back = L;
        const long t = (long)out.size() - back;
        return t >= 0 ? out[t] : 0.0;
    }

    // Control-rate weights: products of quotients, ascending j.
    std::vector<double> message_weights(double D) const {
        std::vector<double> w(M + 1);
        for (long k = 0; k <= M; k++) {
            bool first = true;
            for (long j = 0; j <= M; j++) {
                if (j == k) continue;
                const double q = (D - j) / (double)(k - j);
                w[k] = first ? q : w[k] * q;
                first = false;
            }
        }
        return w;
    }

    // Signal-rate weights: the constant denominator times the differences, ascending j.
    std::vector<double> signal_weights(double D) const {
        std::vector<double> w(M + 1);
        for (long k = 0; k <= M; k++) {
            double denom = 1.0;
            for (long j = 0; j <= M; j++)
                if (j != k) denom = denom / (double)(k - j);
            w[k] = denom;
            for (long j = 0; j <= M; j++)
                if (j != k) w[k] = w[k] * (D - j);
        }
        return w;
    }

    // Loop filter for a loop delay f, gain g and brightness b, scaled so that its largest gain times
    // the largest gain of the read (above 1 only where tap 0 reads a stale slot) is at most 1.
    void loop_filter(double f, double g, double b, double readGain, double &outer, double &centre) const {
        const double gb = b * g;
        const double c = exact_cos(6.283185307179586 / (f + 1));
        centre = (gb * c + g) / (c + 1);
        outer = (centre - gb) * 0.5;
        if (outer < 0) outer = 0, centre = g;
        if (!boundLoopGain) return;
        const double peak = (std::fabs(centre) + 2 * outer) * readGain;
        if (peak > 1) centre = centre / peak, outer = outer / peak;
    }

    // One sample with the period set by message.
    double step_message(double in, double period, double g, double b) {
        double p = period > maxDelay ? maxDelay : period;
        if (p < H + 1) p = H + 1;
        const double f = p - 1;
        const long d = (long)std::floor(f - H);
        return step(in, d, message_weights(f - d), f, g, b);
    }

    // One sample with the period and gain from signals.
    double step_signal(double in, double period, double g, double b) {
        double f = period - 1;
        if (f > maxDelay) f = maxDelay;
        if (!(f >= H)) f = H;
        if (g > 0.99999) g = 0.99999;
        if (g < -0.99999) g = -0.99999;
        if (g != g) g = 0;
        const long d = (long)std::floor(f - H);
        return step(in, d, signal_weights(f - d), f, g, b);
    }

    double step(double in, long d, const std::vector<double> &w, double f, double g, double b) {
        double x = w[0] * written(d);
        for (long k = 1; k <= M; k++) x = x + w[k] * written(d + k);
        double outer, centre;
        loop_filter(f, g, b, d == 0 ? 1 + 2 * std::fabs(w[0]) : 1.0, outer, centre);
        const double v = ((outer * x + centre * lpfX1) + outer * lpfX2) + in;
        const double y = (b0 * v + b1 * dcX1) + a1 * dcY1;
        lpfX2 = lpfX1, lpfX1 = x, dcX1 = v, dcY1 = y;
        out.push_back(y);
        return y;
    }
};

} // namespace test
