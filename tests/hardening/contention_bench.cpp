// The timing of the audio thread's "clear" against another thread's resets, and the torn designs of
// two threads sending parameters: vibrel_contention_full and vibrel_contention_lite print the table.
// A measurement, never a test: it fails nothing.
#include <cstdio>

#include "contention.h"

namespace {

using namespace contention;

void clear_line(double seconds, long clears, Resets rival, const char *against) {
    Record r(seconds * kRate);
    const double lone = quantile(audio_clears(r, clears, Resets::None), 0.5);
    const std::vector<double> us = audio_clears(r, clears, rival);
    std::printf("%4.0f s  %-12s %9.2f %9.2f %9.2f %11.2f   (%ld clears)\n", seconds, against, lone,
                quantile(us, 0.5), quantile(us, 0.9), quantile(us, 1.0), clears);
}

} // namespace

int main() {
    std::printf("%s: the audio thread's clear at %.0f Hz between vectors of %ld, microseconds\n", VIBREL_CLASS_NAME,
                kRate, kVector);
    std::printf("line  against          lone    median       p90       worst\n");
    clear_line(1.0, 2000, Resets::Clears, "clears");
    clear_line(60.0, 200, Resets::Clears, "clears");
    clear_line(1.0, 2000, Resets::ChainBuilds, "chain builds");
    constexpr long kTrials = 2000, kSends = 10000;
    std::printf("torn designs of %ld trials, %ld messages from two threads: period/period %ld, period/gain %ld\n",
                kTrials, kSends, torn_designs(kTrials, kSends, Rival::Period),
                torn_designs(kTrials, kSends, Rival::Gain));
    return 0;
}
