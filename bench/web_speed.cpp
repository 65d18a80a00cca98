// The browser binding's routines timed natively, quantum by quantum through the same exports and with the
// same inputs as the browser's timing (bench/web_bench.mjs): ns per sample of the control-rate and
// the period routines (the period a vibrato), on each path, the best of five runs; and of a decay's
// stages, loud, past 2^-1022 and silent. Prints lines the browser's timing prints too.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "isa.h"

extern "C" {
struct Node;
Node *vibrel_web_new(double maxDelay, double sampleRate);
void vibrel_web_free(Node *x);
float *vibrel_web_input(Node *x, int k);
void vibrel_web_process(Node *x, int n, int excitationFrames, int gainFrames, int periodFrames, float gain, float period,
                        float brightness);
int vibrel_web_path(int path);
}

namespace {

constexpr double kRate = 44100;
constexpr int kQuantum = 128;

double now_ns() {
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ns per sample of `frames` frames, the best of five runs; an impulse into each quantum keeps it ringing.
double steady(bool periodSignal, long frames) {
    Node *node = vibrel_web_new(8192, kRate);
    float *in = vibrel_web_input(node, 0), *period = vibrel_web_input(node, 2);
    for (int i = 0; i < kQuantum; i++)
        in[i] = i == 0 ? 1.0f : 0.0f;
    double best = 1e300;
    for (int trial = 0; trial < 5; trial++) {
        const double t0 = now_ns();
        for (long at = 0; at < frames; at += kQuantum) {
            if (periodSignal)
                for (int i = 0; i < kQuantum; i++)
                    period[i] = (float)(100 + 2 * std::sin((double)(at + i) * 0.0003));
            vibrel_web_process(node, kQuantum, kQuantum, 1, periodSignal ? kQuantum : 1, 0.999f, 100.375f, 0.625f);
        }
        const double ns = (now_ns() - t0) / (double)frames;
        if (ns < best) best = ns;
    }
    vibrel_web_free(node);
    return best;
}

} // namespace

int main(int argc, char **argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    const long frames = (long)(seconds * kRate);
    const int widest = VIBREL_NS::vibrel_widestPath();
    for (int path = widest; path >= 0; path--) {
        vibrel_web_path(path);
        const char *name = VIBREL_NS::vibrel_pathName(path);
        std::printf("native %s control: %.2f ns/sample\n", name, steady(false, frames));
        std::printf("native %s period: %.2f ns/sample\n", name, steady(true, frames));
    }
    // A decay: one impulse, gain 0.875 at a period of 50.5, timed in three stages, the best of five.
    vibrel_web_path(widest);
    const long stages[4] = {0, 100000, 360000, 441000};
    const char *names[3] = {"ringing", "reaching 0", "silent"};
    double best[3] = {1e300, 1e300, 1e300};
    for (int trial = 0; trial < 5; trial++) {
        Node *node = vibrel_web_new(8192, kRate);
        vibrel_web_input(node, 0)[0] = 1.0f;
        long at = 0;
        for (int s = 0; s < 3; s++) {
            const double t0 = now_ns();
            for (; at < stages[s + 1]; at += kQuantum) {
                vibrel_web_process(node, kQuantum, kQuantum, 1, 1, 0.875f, 50.5f, 0.5f);
                vibrel_web_input(node, 0)[0] = 0.0f;
            }
            const double ns = (now_ns() - t0) / (double)(stages[s + 1] - stages[s]);
            if (ns < best[s]) best[s] = ns;
        }
        vibrel_web_free(node);
    }
    for (int s = 0; s < 3; s++)
        std::printf("native decay %s (frames %ld-%ld): %.2f ns/sample\n", names[s], stages[s], stages[s + 1], best[s]);
    return 0;
}
