// Pitch measurement: YIN for the period, then the phase advance of the fundamental between two
// Blackman-Harris windows (sidelobes below -92 dB, so harmonics and the negative-frequency image
// do not pull the phase). A decaying tone keeps its phase: the envelope is the same shape in both windows.
#include "pitch.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace vibrel_analysis {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kYinThreshold = 0.1;   // cumulative-mean-normalised difference that counts as a period
constexpr double kFirstHopPeriods = 8;  // a YIN period within 1 % keeps the phase unambiguous over 8 periods
constexpr double kHopGrowth = 8;        // each refinement cuts the frequency error far more than 8-fold
constexpr double kFadeLimit = 1e-9;     // a last window weaker than this (relative) is too faint to trust
constexpr double kLostDominance = 0.5;  // last window's share of the fundamental, relative to the first's
constexpr int kSubharmonics = 4;        // YIN may land on 2, 3 or 4 periods of a bright, short-period tone
constexpr double kAbsentPartial = 1e-3; // a partial 60 dB below the strongest is leakage, not the fundamental

std::vector<double> blackman_harris(std::size_t n) {
    std::vector<double> w(n);
    for (std::size_t i = 0; i < n; i++) {
        const double t = kTwoPi * (double)i / (double)(n - 1);
        w[i] = 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
    }
    return w;
}

// Windowed component at fc Hz of the window starting at sample s, phase referred to sample 0.
std::complex<double> component(const double *x, std::size_t s, const std::vector<double> &w, double fc,
                               double sampleRate) {
    const double omega = kTwoPi * fc / sampleRate;
    double re = 0.0, im = 0.0;
    for (std::size_t i = 0; i < w.size(); i++) {
        const double a = omega * (double)(s + i);
        const double v = w[i] * x[s + i];
        re += v * std::cos(a);
        im -= v * std::sin(a);
    }
    return {re, im};
}

// How much of the windowed signal at s is the component c: 0.785 for a pure sine, less with other content.
double share(const double *x, std::size_t s, const std::vector<double> &w, std::complex<double> c) {
    double total = 0.0;
    for (std::size_t i = 0; i < w.size(); i++)
        total += w[i] * std::fabs(x[s + i]);
    return total > 0.0 ? std::abs(c) / total : 0.0;
}

} // namespace

double cents(double f, double ref) { return 1200.0 * std::log2(f / ref); }

double coarse_period(const double *x, std::size_t n, double sampleRate, const PitchOptions &options) {
    const std::size_t tauMin = std::max<std::size_t>(2, (std::size_t)std::floor(sampleRate / options.maxHz));
    const std::size_t tauMax = (std::size_t)std::ceil(sampleRate / options.minHz);
    if (n < tauMax + 64) return 0.0;
    const std::size_t W = std::min(n - tauMax - 2, std::max<std::size_t>(4096, 2 * tauMax));

    std::vector<double> cmndf(tauMax + 2, 1.0);
    double running = 0.0;
    for (std::size_t tau = 1; tau <= tauMax + 1; tau++) {
        double d = 0.0;
        for (std::size_t i = 0; i < W; i++) {
            const double e = x[i] - x[i + tau];
            d += e * e;
        }
        running += d;
        cmndf[tau] = running > 0.0 ? d * (double)tau / running : 1.0;
    }

    std::size_t best = 0;
    for (std::size_t tau = tauMin; tau <= tauMax; tau++)
        if (cmndf[tau] < kYinThreshold) {
            while (tau < tauMax && cmndf[tau + 1] < cmndf[tau])
                tau++;
            best = tau;
            break;
        }
    if (best == 0) {
        best = tauMin;
        for (std::size_t tau = tauMin; tau <= tauMax; tau++)
            if (cmndf[tau] < cmndf[best]) best = tau;
        if (cmndf[best] >= 1.0) return 0.0; // nothing periodic (silence, noise)
    }
    const double a = cmndf[best - 1], b = cmndf[best], c = cmndf[best + 1];
    const double denom = a - 2.0 * b + c;
    const double shift = denom > 0.0 ? 0.5 * (a - c) / denom : 0.0;
    return (double)best + std::clamp(shift, -0.5, 0.5);
}

PitchEstimate estimate_pitch(const double *signal, std::size_t length, double sampleRate, const PitchOptions &options) {
    PitchEstimate r;
    if (length < 2) return r;
    // Analyse the first difference: it removes a (slowly decaying) offset, which a loop without a DC
    // blocker keeps long after the tone, and shifts every partial's phase by a constant, which cancels.
    std::vector<double> diff(length - 1);
    for (std::size_t i = 0; i + 1 < length; i++)
        diff[i] = signal[i + 1] - signal[i];
    const double *x = diff.data();
    const std::size_t n = diff.size();
    const double tau = coarse_period(x, n, sampleRate, options);
    if (tau <= 0.0) return r;
    r.coarseHz = sampleRate / tau;

    const std::size_t N = (std::size_t)std::lround(std::max(8.0, options.windowPeriods) * tau);
    if (n < N + (std::size_t)std::lround(kFirstHopPeriods * tau)) return r;
    const std::vector<double> w = blackman_harris(N);

    // A period several times too long shows as missing partials below the first real one: the
    // fundamental is the lowest multiple of the YIN frequency that carries energy.
    double magnitude[kSubharmonics + 1] = {};
    double strongest = 0.0;
    for (int k = 1; k <= kSubharmonics && k * r.coarseHz < 0.5 * sampleRate; k++) {
        // Undo the first difference's gain, 2 sin(omega / 2), to compare the partials of the tone itself.
        const double gain = 2.0 * std::sin(0.5 * kTwoPi * k * r.coarseHz / sampleRate);
        magnitude[k] = std::abs(component(x, 0, w, k * r.coarseHz, sampleRate)) / gain;
        strongest = std::max(strongest, magnitude[k]);
    }
    for (int k = 1; k <= kSubharmonics; k++)
        if (magnitude[k] >= kAbsentPartial * strongest) {
            r.coarseHz *= k;
            break;
        }

    const std::size_t firstHop = (std::size_t)std::lround(kFirstHopPeriods * sampleRate / r.coarseHz);
    std::size_t maxHop = n - N;
    std::size_t hop = firstHop;
    double fc = r.coarseHz;
    bool last = false;
    for (;;) {
        const std::complex<double> a = component(x, 0, w, fc, sampleRate);
        const std::complex<double> b = component(x, hop, w, fc, sampleRate);
        if (std::abs(a) == 0.0) return r;
        // Stop short of the end when the tone has died away there, or something else (an offset left
        // by a loop without a DC blocker, noise) has come to dominate it.
        if (std::abs(b) < kFadeLimit * std::abs(a) || share(x, hop, w, b) < kLostDominance * share(x, 0, w, a)) {
            if (hop == firstHop) return r;
            maxHop = std::max(firstHop, hop / 2);
            hop = maxHop;
            last = false;
            continue;
        }
        const double dphi = std::arg(b * std::conj(a)); // in (-pi, pi]
        fc = fc + dphi * sampleRate / (kTwoPi * (double)hop);
        if (last) break;
        if (hop == maxHop) {
            last = true; // one more pass with fc at the refined value
            continue;
        }
        hop = std::min(maxHop, (std::size_t)((double)hop * kHopGrowth));
    }
    r.ok = std::isfinite(fc) && fc > 0.0;
    r.hz = fc;
    r.window = (double)N;
    r.span = (double)hop;
    return r;
}

} // namespace vibrel_analysis
