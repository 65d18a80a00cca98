// What the tests of every float host (Pd, SuperCollider, the browser) share: the exactness cases, the
// Max build's output for a case through the emulator, the float sound files the hosts read and write,
// and the bit-for-bit comparison with its tally. Each host's test only renders the cases its own way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host_emulator.h"

namespace vibrel_hosts {

// What drives the gain and period inputs: nothing (the messages), a signal, or a value held over the block.
enum Pattern { Control, PeriodSignal, GainSignal, Both, GainAndHeldPeriod, kPatterns };
int routine_of(Pattern p); // 1, 2 or 3: the routine the Max binding chooses for the same connections

constexpr long kCaseFrames = 4096;
constexpr float kHeldPeriod = 60.5f;   // GainAndHeldPeriod's period value
extern const char *const kSettings[3]; // the messages sent before a case runs

// Per vector of a stepping case: the gain, period and brightness, and the clear input.
enum Step { kGainStep, kPeriodStep, kBrightnessStep, kClearStep, kSteps };

struct Case {
    Pattern pattern;
    bool noise, changing; // excitation: noise burst or impulse; gain and period: ramps or constants
    int block;            // frames per vector
    std::vector<float> in[3];
    // Empty, or one value per vector: a gain, period or brightness that changes is sent as its message
    // before that vector (the first values before the chain is built), unless its input is a signal; a
    // period held over the block (GainAndHeldPeriod) fills the vector too; a rise of clear above 0 sends
    // "clear" first.
    std::vector<float> steps[kSteps] = {};
    std::vector<std::pair<long, std::string>> messages = {}; // sent before the vector from a frame on (after kSettings)
    long maxDelay = 0;                                       // the creation argument; 0: none
};

// Every pattern with both excitations and constant and changing signals, in vectors of `block`, and, for
// each, one more case in one of the other block sizes given (none: no more cases).
std::vector<Case> exactness_cases(int block, const std::vector<int> &otherBlocks = {});

// Cases whose gain, period and brightness change at vector boundaries and whose clear rises once, under
// each routine (the gain-and-period routine with a held period), with a pluck every 1000 frames.
std::vector<Case> step_cases(int block);

// The Max build's output for a case: a fresh object of the class, kSettings sent, the chain built with the
// case's connections at `rate`, then run vector by vector on the case's inputs (as doubles), each of the
// case's messages sent before the first vector that starts at or after its frame.
std::vector<double> max_output(vibrel_emu::Host &host, const std::string &className, const Case &c,
                               double rate = 44100);

// Samples compared and samples differing, per routine (1, 2, 3).
using Tally = std::map<int, std::pair<long, long>>;

// Compares a host's output with the Max build's, rounded to float where floatBits is 32; `stored` maps an
// expected value to what the host's recorder keeps (identity by default). Returns the number that differ
// (a length mismatch counts every expected sample), with the first few described in *report.
long compare_bits(const std::vector<double> &expected, const std::vector<double> &got, int floatBits,
                  std::string *report, const std::function<double(double)> &stored = {});

// One line per routine: "<what>: dsp<r>, <n> samples compared, <d> differ".
void print_tally(const std::string &what, const Tally &tally);

// Mono float WAV files, as the hosts read and write them.
bool write_wav(const std::filesystem::path &path, const std::vector<float> &x, int rate = 44100);
std::vector<double> read_wav(const std::filesystem::path &path); // the first channel; empty when it cannot be read
// Each channel of a sound file (empty when it cannot be read).
std::vector<std::vector<double>> read_wav_channels(const std::filesystem::path &path);

// Whether a test skips, saying why, when what it needs is missing from this build: a product of the full
// build (the cross builds' externals) or a tool that runs it (qemu-user). False where VIBREL_REQUIRE_ALL is
// set (./dev test sets it): there nothing is left out in silence, the test runs and fails.
bool skip_what_is_missing();

// In a test's body or SetUp, a file the test needs that a plain build may not make (a cross build's, a
// package's): missing, the test skips saying why, or fails under VIBREL_REQUIRE_ALL.
#define VIBREL_REQUIRE_FILE(path, why)                                                                                 \
    do {                                                                                                               \
        if (!std::filesystem::exists(path) && ::vibrel_hosts::skip_what_is_missing()) GTEST_SKIP() << why;             \
        ASSERT_TRUE(std::filesystem::exists(path)) << why;                                                             \
    } while (0)

} // namespace vibrel_hosts
