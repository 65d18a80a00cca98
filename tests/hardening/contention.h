// Two threads at one string, for the race tests and the contention benchmark: how long the audio
// thread's "clear" takes while another thread resets the string, and whether two threads sending
// parameter messages leave the design of one value of each. Built once per variant, on a record made
// as the constructor and a chain build make it, without a host.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "shared.h"
#include "vibrel.h"

namespace contention {

using namespace VIBREL_NS;
using vibrel_shared::load;

constexpr double kRate = 48000.0; // Hz
constexpr long kVector = 64;      // frames per vector of the audio thread

struct Record {
    t_vibrel x{};
    std::unique_ptr<double[]> line;
    explicit Record(double maxDelay = kDefaultMaxDelay) : line(new double[vibrel_lineSlots(maxDelay)]) {
        vibrel_init(&x, maxDelay, line.get());
        vibrel_calcDcCoeffs(&x, kRate);
    }
};

// What the other thread does meanwhile: nothing, "clear" back to back, or chain builds back to back
// (clear, then the DC blocker for kRate).
enum class Resets { None, Clears, ChainBuilds };

// Microseconds of each "clear" the audio thread sends between its vectors: one plucked vector of the
// control-rate routine, then a timed clear, `clears` times, while another thread makes `rival`.
inline std::vector<double> audio_clears(Record &r, long clears, Resets rival) {
    std::atomic<bool> stop{false}, started{false};
    std::thread other;
    if (rival != Resets::None)
        other = std::thread([&] {
            started.store(true);
            while (!stop.load(std::memory_order_relaxed)) {
                vibrel_clear(&r.x);
                if (rival == Resets::ChainBuilds) vibrel_calcDcCoeffs(&r.x, kRate);
            }
        });
    while (rival != Resets::None && !started.load()) std::this_thread::yield();
    std::vector<double> in(kVector, 0.0), out(kVector), us;
    us.reserve((size_t)clears);
    for (long c = 0; c < clears; c++) {
        in[0] = 0.5;
        double *ins[3] = {in.data(), in.data(), in.data()};
        double *outs[1] = {out.data()};
        vibrel_dodsp1_64(&r.x, nullptr, ins, 3, outs, 1, kVector, 0, nullptr);
        const auto t0 = std::chrono::steady_clock::now();
        vibrel_clear(&r.x);
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    stop.store(true);
    if (other.joinable()) other.join();
    return us;
}

// The q-quantile (0 to 1) of the values, by rank.
inline double quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, (size_t)(q * (double)v.size()))];
}

inline bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Whether the record's coefficients are, bit for bit, what one thread designs from its own period,
// gain and brightness (designed again on `fresh`), and its DC blocker the design for kRate.
inline bool whole_design(const t_vibrel &x, t_vibrel &fresh) {
    vibrel_setFbGain(&fresh, load(x.fbGain));
    vibrel_setBrightness(&fresh, load(x.brightness));
    vibrel_setDelayTime(&fresh, load(x.loopDelay) + 1.0);
    vibrel_calcDcCoeffs(&fresh, kRate);
    bool same = same_bits(load(x.loopDelay), fresh.loopDelay) && same_bits(load(x.lpfOuter), fresh.lpfOuter) &&
                same_bits(load(x.lpfCenter), fresh.lpfCenter) && same_bits(x.dcB0, fresh.dcB0) &&
                same_bits(x.dcB1, fresh.dcB1) && same_bits(x.dcA1, fresh.dcA1);
    for (long k = 0; k < kTaps; k++) same = same && same_bits(load(x.lagCoeff[k]), fresh.lagCoeff[k]);
    return same;
}

enum class Rival { Period, Gain };

// Trials, out of `trials`, after which the record is not the design of its own parameters: in each,
// two threads started together send `sends` messages between them, "period" against "period" or
// "gain", and stop together.
inline long torn_designs(long trials, long sends, Rival rival) {
    Record r, fresh;
    long torn = 0;
    for (long t = 0; t < trials; t++) {
        std::atomic<int> ready{0};
        std::atomic<long> sent{0};
        auto writer = [&](unsigned seed, bool gain) {
            std::mt19937 rng(seed);
            std::uniform_real_distribution<double> period(4.0, 2000.0), g(-0.999, 0.999);
            ready.fetch_add(1);
            while (ready.load() < 2) std::this_thread::yield();
            while (sent.fetch_add(1, std::memory_order_relaxed) < sends) {
                if (gain)
                    vibrel_setFbGain(&r.x, g(rng));
                else
                    vibrel_setDelayTime(&r.x, period(rng));
            }
        };
        std::thread other(writer, (unsigned)(2 * t + 1), false);
        writer((unsigned)(2 * t + 2), rival == Rival::Gain);
        other.join();
        if (!whole_design(r.x, fresh.x)) torn++;
    }
    return torn;
}

} // namespace contention
