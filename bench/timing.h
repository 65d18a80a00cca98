// Timing a block of kFramesPerIteration samples under Google Benchmark on a shared machine: every
// iteration is timed on its own, and the median (robust to another process taking the core for a
// few milliseconds) is reported as the counter ns_per_sample; the framework's mean stays beside it.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "variant_bench.h"

namespace bench {

constexpr int kSettleBlocks = 16; // blocks run before timing, so the string sits in its steady state

template <typename Block> void timeBlocks(benchmark::State &st, Block block) {
    for (int i = 0; i < kSettleBlocks; i++)
        block();
    std::vector<double> ns;
    ns.reserve(1 << 16);
    for (auto _ : st) {
        const auto t0 = std::chrono::steady_clock::now();
        block();
        ns.push_back(std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count());
    }
    st.SetItemsProcessed((int64_t)(st.iterations() * kFramesPerIteration));
    if (ns.empty()) return;
    std::nth_element(ns.begin(), ns.begin() + ns.size() / 2, ns.end());
    st.counters["ns_per_sample"] = ns[ns.size() / 2] / (double)kFramesPerIteration;
}

} // namespace bench
