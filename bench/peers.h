// The reference points the string is measured against: the floor kernels (the least work any such
// loop must do per sample) and two plucked-string models of the Synthesis ToolKit.
#pragma once

#include <cstddef>
#include <vector>

namespace bench {

void registerPeerBenchmarks(); // floor/..., sigfloor/..., plucked/..., twang/..., twang-retuned/...

// `frames` samples of each peer set to hz, gain 0.99: Plucked plucked by its own noise burst, Twang
// excited with one period of the same noise the string gets.
std::vector<double> pluckedTone(double hz, std::size_t frames);
std::vector<double> twangTone(double hz, std::size_t frames);

} // namespace bench
