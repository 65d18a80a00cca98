// The float hosts' shared test harness (host_compare.h).
#include "host_compare.h"

#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vibrel_hosts {

namespace {
const short kFlags[kPatterns][3] = {{1, 0, 0}, {1, 0, 1}, {1, 1, 0}, {1, 1, 1}, {1, 1, 1}};
const int kRoutine[kPatterns] = {1, 2, 3, 3, 3};
} // namespace

const char *const kSettings[3] = {"period 100.375", "gain 0.99609375", "brightness 0.625"};

int routine_of(Pattern p) { return kRoutine[p]; }

std::vector<Case> exactness_cases(int block, const std::vector<int> &otherBlocks) {
    std::vector<Case> cases;
    auto add = [&](Pattern p, bool noise, bool changing, int b) {
        Case c{p, noise, changing, b, {}, {}};
        std::uint32_t s = 12345u + (std::uint32_t)cases.size();
        for (long i = 0; i < kCaseFrames; i++) {
            s = s * 1664525u + 1013904223u; // noise of 24-bit values: exact as floats
            const float t = (float)i / (float)(kCaseFrames - 1);
            c.in[0].push_back(noise ? (i < 300 ? (float)(s >> 8) * 0x1p-23f - 1.0f : 0.0f) : (i == 0 ? 1.0f : 0.0f));
            c.in[1].push_back(changing ? -1.1f + 2.2f * t : 0.99609375f);
            c.in[2].push_back(changing ? 2.0f + 398.0f * t : 100.375f);
        }
        cases.push_back(std::move(c));
    };
    for (int p = 0; p < kPatterns; p++)
        for (int k = 0; k < 4; k++) {
            add((Pattern)p, k & 1, k & 2, block);
            if (!otherBlocks.empty()) add((Pattern)p, k & 1, k & 2, otherBlocks[(size_t)(p + k) % otherBlocks.size()]);
        }
    return cases;
}

std::vector<Case> step_cases(int block) {
    std::vector<Case> cases;
    const long vectors = (kCaseFrames + block - 1) / block;
    for (Pattern p : {Control, PeriodSignal, GainAndHeldPeriod})
        for (bool noise : {false, true}) {
            Case c = exactness_cases(block)[(size_t)(4 * p + (noise ? 3 : 2))];
            for (long i = 0; i < kCaseFrames; i++)
                if (i % 1000 == 0) c.in[0][(size_t)i] = noise ? c.in[0][(size_t)(i % 300)] + 0.5f : 1.0f;
            for (long k = 0; k < vectors; k++) {
                const long t = k * block * 8 / kCaseFrames; // eight steps over the case
                c.steps[kGainStep].push_back(t % 2 ? -0.998046875f : 0.9990234375f - 0.0625f * (float)t);
                c.steps[kPeriodStep].push_back(40.25f + 37.5f * (float)t);
                c.steps[kBrightnessStep].push_back(0.125f * (float)(t % 5) + 0.375f);
                c.steps[kClearStep].push_back(k * block >= 2600 && k * block < 2800 ? 1.0f : 0.0f);
            }
            cases.push_back(std::move(c));
        }
    return cases;
}

std::vector<double> max_output(vibrel_emu::Host &host, const std::string &className, const Case &c, double rate) {
    vibrel_emu::Object *o = host.create(c.maxDelay ? className + " " + std::to_string(c.maxDelay) : className);
    std::vector<double> y((size_t)c.in[0].size());
    if (!o) return {};
    for (const char *m : kSettings)
        host.send(o, m);
    const short *f = kFlags[c.pattern];
    // The messages of a stepping case before vector k (k = 0: before the chain is built).
    const char *const names[3] = {"gain ", "period ", "brightness "};
    auto send_steps = [&](size_t k) {
        if (c.steps[kClearStep].empty()) return;
        if (k > 0 && c.steps[kClearStep][k] > 0.0f && !(c.steps[kClearStep][k - 1] > 0.0f)) host.send(o, "clear");
        for (int i = 0; i < 3; i++) {
            const bool signal = i == 0 ? f[1] : i == 1 ? f[2] && c.pattern != GainAndHeldPeriod : false;
            char value[32];
            std::snprintf(value, sizeof value, "%.17g", (double)c.steps[i][k]);
            if (!signal && (k == 0 || c.steps[i][k] != c.steps[i][k - 1])) host.send(o, names[i] + std::string(value));
        }
    };
    send_steps(0);
    host.dsp(o, {f[0], f[1], f[2]}, rate, c.block);
    if (!c.steps[kClearStep].empty() && c.steps[kClearStep][0] > 0.0f) host.send(o, "clear");
    std::vector<double> in[3];
    for (int i = 0; i < 3; i++)
        in[i].assign(c.in[i].begin(), c.in[i].end());
    if (c.pattern == GainAndHeldPeriod) in[2].assign(in[2].size(), kHeldPeriod);
    size_t next = 0; // the next of the case's messages
    for (size_t at = 0, k = 0; at < y.size(); at += (size_t)c.block, k++) {
        for (; next < c.messages.size() && (size_t)c.messages[next].first <= at; next++)
            host.send(o, c.messages[next].second);
        const long n = (long)std::min(y.size() - at, (size_t)c.block);
        if (k > 0) send_steps(k);
        if (c.pattern == GainAndHeldPeriod && !c.steps[kPeriodStep].empty())
            std::fill(&in[2][at], &in[2][at] + n, (double)c.steps[kPeriodStep][k]);
        host.run(o, {&in[0][at], &in[1][at], &in[2][at]}, &y[at], n);
    }
    host.free(o);
    return y;
}

long compare_bits(const std::vector<double> &expected, const std::vector<double> &got, int floatBits,
                  std::string *report, const std::function<double(double)> &stored) {
    if (got.size() != expected.size()) {
        if (report) *report += "got " + std::to_string(got.size()) + " samples, expected " +
                               std::to_string(expected.size()) + "\n";
        return (long)expected.size();
    }
    long differ = 0;
    for (size_t i = 0; i < expected.size(); i++) {
        double want = floatBits == 32 ? (double)(float)expected[i] : expected[i];
        if (stored) want = stored(want);
        if (std::memcmp(&want, &got[i], sizeof want) != 0 && differ++ < 3 && report) {
            char line[160];
            std::snprintf(line, sizeof line, "sample %zu: got %.17g, expected %.17g\n", i, got[i], want);
            *report += line;
        }
    }
    return differ;
}

void print_tally(const std::string &what, const Tally &tally) {
    for (const auto &[routine, t] : tally)
        std::printf("%s: dsp%d, %ld samples compared, %ld differ\n", what.c_str(), routine, t.first, t.second);
}

bool write_wav(const std::filesystem::path &path, const std::vector<float> &x, int rate) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    const bool whole = sf_write_float(f, x.data(), (sf_count_t)x.size()) == (sf_count_t)x.size();
    sf_close(f);
    return whole;
}

std::vector<std::vector<double>> read_wav_channels(const std::filesystem::path &path) {
    SF_INFO info{};
    SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<double> frames((size_t)(info.frames * info.channels));
    sf_readf_double(f, frames.data(), info.frames);
    sf_close(f);
    std::vector<std::vector<double>> x((size_t)info.channels, std::vector<double>((size_t)info.frames));
    for (size_t i = 0; i < frames.size(); i++)
        x[i % (size_t)info.channels][i / (size_t)info.channels] = frames[i];
    return x;
}

std::vector<double> read_wav(const std::filesystem::path &path) {
    std::vector<std::vector<double>> x = read_wav_channels(path);
    return x.empty() ? std::vector<double>{} : std::move(x[0]);
}

bool skip_what_is_missing() {
    const char *all = std::getenv("VIBREL_REQUIRE_ALL");
    return !all || !*all || std::string(all) == "0";
}

} // namespace vibrel_hosts
