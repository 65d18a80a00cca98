// Loop-phase tuning of the string and its measured refinement.
#include "tuning.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "pitch.h"

namespace vibrel_analysis {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDcCornerTwoPi = 125.66370614359172; // 2*pi * the blocker's 20 Hz corner
constexpr int kFixedPointSteps = 6; // the interpolator's error barely depends on D: this converges at once

// Fractional position D in [H, H + 1) that the string reads for a loop delay (period - 1).
double fractional_position(int order, double loopDelay) {
    const double half = (double)((order - 1) / 2);
    return loopDelay - std::floor(loopDelay - half);
}

} // namespace

DcCoeffs dc_coeffs(double sampleRate) {
    // The same operations, in the same order, as the string's own design.
    const double b = (kDcCornerTwoPi / sampleRate) * 0.5;
    const double c = 1.0 / (b + 1.0);
    return DcCoeffs{c, -c, (1.0 - b) * c};
}

double dc_phase_delay(const DcCoeffs &dc, double omega) {
    const std::complex<double> z1 = std::polar(1.0, -omega); // z^-1 on the unit circle
    const std::complex<double> h = (dc.b0 + dc.b1 * z1) / (1.0 - dc.a1 * z1);
    return -std::arg(h) / omega;
}

double lagrange_delay_error(int order, double D, double omega) {
    std::complex<double> h = 0.0;
    for (int k = 0; k <= order; k++) {
        double wk = 1.0;
        for (int j = 0; j <= order; j++)
            if (j != k) wk *= (D - j) / (double)(k - j);
        h += wk * std::polar(1.0, -omega * k);
    }
    return -std::arg(h) / omega - D;
}

double tuned_period(double hz, double sampleRate, int order) {
    const double omega = kTwoPi * hz / sampleRate;
    const double cycle = sampleRate / hz; // total loop delay wanted, samples
    // Loop delay = (period - 1 - D) + (D + lagrange error) + 1 (loop filter) + DC-blocker delay.
    const double dcDelay = dc_phase_delay(dc_coeffs(sampleRate), omega);
    double period = cycle - dcDelay;
    for (int i = 0; i < kFixedPointSteps; i++)
        period = cycle - dcDelay - lagrange_delay_error(order, fractional_position(order, period - 1.0), omega);
    return period;
}

namespace {

constexpr double kGainBound = 0.99999;

// Lagrange weights of the given order at fractional position D.
void lagrange_weights(int order, double D, double *w) {
    for (int k = 0; k <= order; k++) {
        w[k] = 1.0;
        for (int j = 0; j <= order; j++)
            if (j != k) w[k] *= (D - j) / (double)(k - j);
    }
}

// The string's loop at one period, as transfer functions of z: delay line and interpolated read,
// loop filter (designed as the string designs it) and DC blocker. T(z) = 1 at the loop's poles.
struct Loop {
    int order;
    long d;       // integer delay of tap 0
    double w[16]; // interpolation weights
    double outer, centre;
    DcCoeffs dc;

    Loop(int order_, double period, double sampleRate, double fbGain, double brightness) : order(order_) {
        const double loopDelay = period - 1.0;
        const double half = (double)((order - 1) / 2);
        d = (long)std::floor(loopDelay - half);
        lagrange_weights(order, loopDelay - (double)d, w);
        const double g = std::clamp(fbGain, -kGainBound, kGainBound);
        const double gNyq = std::clamp(brightness, 0.0, kGainBound) * g;
        const double c = std::cos(kTwoPi / (loopDelay + 1.0));
        centre = (gNyq * c + g) / (c + 1.0);
        outer = (centre - gNyq) * 0.5;
        if (outer < 0.0) {
            outer = 0.0;
            centre = g;
        }
        const double readGain = d == 0 ? 1.0 + 2.0 * std::fabs(w[0]) : 1.0;
        const double peak = (std::fabs(centre) + 2.0 * outer) * readGain;
        if (peak > 1.0) {
            centre /= peak;
            outer /= peak;
        }
        dc = dc_coeffs(sampleRate);
    }

    std::complex<double> gain(std::complex<double> z) const {
        const std::complex<double> zi = 1.0 / z;
        std::complex<double> lag = 0.0, zk = 1.0;
        for (int k = 0; k <= order; k++, zk *= zi)
            lag += w[k] * zk;
        const std::complex<double> filter = outer + centre * zi + outer * zi * zi;
        const std::complex<double> blocker = (dc.b0 + dc.b1 * zi) / (1.0 - dc.a1 * zi);
        return std::pow(zi, (double)d) * lag * filter * blocker;
    }

    // The pole nearest the unit-circle point at omega (radians per sample), by Newton's method.
    std::complex<double> pole(double omega) const {
        std::complex<double> z = std::polar(1.0, omega);
        for (int i = 0; i < 30; i++) {
            const std::complex<double> h = 1e-7 * z;
            const std::complex<double> slope = (gain(z + h) - gain(z - h)) / (2.0 * h);
            const std::complex<double> step = (gain(z) - 1.0) / slope;
            z -= step;
            if (std::abs(step) < 1e-15) break;
        }
        return z;
    }
};

} // namespace

double pole_tuned_period(double hz, double sampleRate, int order, double fbGain, double brightness) {
    const double omega = kTwoPi * hz / sampleRate;
    double period = tuned_period(hz, sampleRate, order);
    // The pole's frequency goes very nearly as 1 / period: a proportional step converges in a few.
    for (int i = 0; i < 8; i++) {
        const double poleOmega = std::arg(Loop(order, period, sampleRate, fbGain, brightness).pole(omega));
        if (!(poleOmega > 0.0)) break;
        const double next = period * poleOmega / omega;
        const bool done = std::fabs(next - period) < 1e-12 * period;
        period = next;
        if (done) break;
    }
    return period;
}

Refined refine_period(double hz, double period0, const MeasureHz &measure, double toleranceCents, int maxMeasurements) {
    Refined best;
    auto error = [&](double period, double &e) {
        const double f = measure(period);
        best.measurements++;
        if (!(f > 0.0)) return false;
        e = cents(f, hz);
        if (best.measurements == 1 || std::fabs(e) < std::fabs(best.cents)) {
            best.period = period;
            best.cents = e;
        }
        return true;
    };

    double p0 = period0, e0;
    if (!error(p0, e0)) return best;
    // First step: the frequency goes as 1 / period, so a sharp tone wants a proportionally longer period.
    double p1 = p0 * std::exp2(e0 / 1200.0), e1 = e0;
    while (std::fabs(best.cents) > toleranceCents && best.measurements < maxMeasurements) {
        if (!error(p1, e1)) break;
        if (e1 == e0 || p1 == p0) break;
        const double p2 = p1 - e1 * (p1 - p0) / (e1 - e0);
        p0 = p1;
        e0 = e1;
        p1 = p2;
    }
    best.converged = std::fabs(best.cents) <= toleranceCents;
    return best;
}

} // namespace vibrel_analysis
