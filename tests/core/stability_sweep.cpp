// The dense stability sweep (minutes, not part of the quick suite): every rate, period from the
// smallest to 64 in quarter samples, five gains, four brightnesses, all three routines.
// Prints each setting that grows and a summary; exits 1 if any does.
#include <cstdio>

#include <gtest/gtest.h>

#include "stability.h"

using namespace test;

int main() {
    long settings = 0, grown = 0;
    double worst = 0;
    for (Routine r : {Routine::Control, Routine::Period, Routine::PeriodGain})
        for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0})
            for (double period = kMinPeriod; period <= 64.0; period += 0.25)
                for (double gain : {0.5, 0.9, 0.99, 0.999, 0.99999})
                    for (double brightness : {0.0, 0.5, 0.9, 0.99999}) {
                        const Setting s{r, rate, period, gain, brightness};
                        const Decay d = ring(s);
                        settings++;
                        if (!d.bounded()) {
                            grown++;
                            std::printf("grows: %s (first %g, last %g)\n", s.str().c_str(), d.first, d.last);
                        } else if (d.last / d.first > worst) {
                            worst = d.last / d.first;
                        }
                    }
    std::printf("%s: %ld settings, %ld grow; largest last/first energy ratio of the bounded ones %.6f\n",
                VIBREL_CLASS_NAME, settings, grown, worst);
    return grown ? 1 : 0;
}
