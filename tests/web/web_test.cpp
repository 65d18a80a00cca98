// The npm package in real Chromium (Debian's, headless, driven by tests/web/drive.mjs) and its module
// under node: outputs compared bit for bit with the Max build run through the emulator on the same
// inputs, in vectors of 128 (the browser's: that output rounded to float).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host_compare.h"
#include "host_emulator.h"
#include "vibrel.h"

namespace fs = std::filesystem;
using namespace vibrel_hosts;

namespace {

constexpr long kTailFrames = 441000; // ten seconds: an impulse decays past the smallest double
const char *const kTailSettings[3] = {"period 50.5", "gain 0.875", "brightness 0.5"}; // exact as floats

class Web : public testing::Test {
  protected:
    fs::path dir;
    vibrel_emu::Host host;

    void SetUp() override {
        ASSERT_TRUE(fs::exists(fs::path(VIBREL_WEB_DIR) / "vibrel-full.wasm")) << "build the target vibrel_web";
        dir = fs::path(VIBREL_WEB_WORK) / VIBREL_VARIANT_NAME /
              testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_TRUE(host.load(VIBREL_MODULE_PATH));
    }

    // Runs the driver; returns its standard output, failing the test on a non-zero exit.
    std::string drive(const std::string &args) {
        const std::string command = std::string(VIBREL_NODE) + " " + VIBREL_WEB_DRIVE + " " + VIBREL_WEB_NPM + " " +
                                    args + " 2>" + (dir / "stderr.txt").string();
        std::string out;
        FILE *p = popen(command.c_str(), "r");
        char buffer[4096];
        while (p && fgets(buffer, sizeof buffer, p))
            out += buffer;
        const int status = p ? pclose(p) : -1;
        std::ifstream err(dir / "stderr.txt");
        EXPECT_EQ(status, 0) << command << "\n" << std::string(std::istreambuf_iterator<char>(err), {});
        return out;
    }
};

template <class T> std::vector<double> read_raw(const fs::path &path) {
    std::ifstream f(path, std::ios::binary);
    std::vector<T> v;
    T x;
    while (f.read(reinterpret_cast<char *>(&x), sizeof x))
        v.push_back(x);
    return std::vector<double>(v.begin(), v.end());
}

// The node options and signals that make the browser run a case as the Max build runs it: the
// settings' and the frame-0 messages' values as parameterData, a signal's param at 0 plus its source.
std::string web_case(const Case &c, const char *variant) {
    double value[3] = {100.375, 0.99609375, 0.625}; // period, gain, brightness: kSettings
    std::ostringstream messages;
    messages << "[";
    for (const auto &[frame, text] : c.messages) {
        double v;
        char name[16];
        if (frame == 0 && std::sscanf(text.c_str(), "%15s %lf", name, &v) == 2)
            value[std::strcmp(name, "period") == 0 ? 0 : std::strcmp(name, "gain") == 0 ? 1 : 2] = v;
        else
            messages << (messages.tellp() > 1 ? "," : "") << "[" << frame << ",\"" << text << "\"]";
    }
    messages << "]";
    const bool gain = c.pattern == GainSignal || c.pattern == Both || c.pattern == GainAndHeldPeriod;
    const bool period = c.pattern == PeriodSignal || c.pattern == Both;
    const double settings[3] = {value[0], value[1], value[2]}; // as the messages set them
    if (gain) value[1] = 0.0;
    if (period || c.pattern == GainSignal) value[0] = 0.0; // GainSignal: the unconnected period reads 0
    if (c.pattern == GainAndHeldPeriod) value[0] = kHeldPeriod;
    auto samples = [](const std::vector<float> &x) {
        std::ostringstream s;
        s.precision(9);
        s << "[";
        for (size_t i = 0; i < x.size(); i++)
            s << (i ? "," : "") << x[i];
        return s.str() + "]";
    };
    std::ostringstream s;
    s.precision(17);
    s << "{\"variant\":\"" << variant << "\",\"routine\":" << routine_of(c.pattern) << ",\"settings\":["
      << settings[0] << "," << settings[1] << "," << settings[2] << "],\"frames\":" << c.in[0].size()
      << ",\"rate\":44100,\"maxDelay\":"
      << (c.maxDelay ? c.maxDelay : 8192) << ",\"params\":{\"period\":" << value[0] << ",\"gain\":" << value[1]
      << ",\"brightness\":" << value[2] << "},\"messages\":" << messages.str() << ",\"signals\":{\"input\":"
      << samples(c.in[0]);
    if (gain) s << ",\"gain\":" << samples(c.in[1]);
    if (period) s << ",\"period\":" << samples(c.in[2]);
    return s.str() + "}}";
}

// An impulse at frame 0 left to decay for kTailFrames frames through the pattern's routine: the settings
// as messages, and as signals a gain of 0.875 and a period of 50.5 with a vibrato of a quarter sample.
Case decay_case(Pattern p) {
    Case c{p, false, true, 128, {}, {}, {{0, kTailSettings[0]}, {0, kTailSettings[1]}, {0, kTailSettings[2]}}};
    for (long i = 0; i < kTailFrames; i++) {
        c.in[0].push_back(i == 0 ? 1.0f : 0.0f);
        c.in[1].push_back(0.875f);
        c.in[2].push_back((float)(50.5 + 0.25 * std::sin(i * 0.001)));
    }
    return c;
}
constexpr size_t kDecays = 3; // the last cases of web_cases()

// The first frame from which every sample is +0.
size_t silent_from(const std::vector<double> &y) {
    size_t k = y.size();
    while (k > 0 && y[k - 1] == 0.0 && !std::signbit(y[k - 1]))
        k--;
    return k;
}

// Every pattern and excitation, constants and ramps, in vectors of 128; a short period, a longer line,
// "clear" mid-way through a noise burst's ringing; and an impulse decaying past the smallest double.
std::vector<Case> web_cases() {
    std::vector<Case> cases = exactness_cases(128);
    Case shortPeriod = cases[1];
    shortPeriod.messages = {{0, "period 4.25"}};
    Case longLine = cases[3];
    longLine.messages = {{0, "period 15000.5"}};
    longLine.maxDelay = 20000;
    Case cleared = cases[1];
    cleared.messages = {{0, "period 37.125"}, {2048, "clear"}};
    cases.push_back(shortPeriod);
    cases.push_back(longLine);
    cases.push_back(cleared);
    for (Pattern p : {Control, PeriodSignal, GainAndHeldPeriod})
        cases.push_back(decay_case(p));
    return cases;
}

void write_cases(const std::vector<Case> &cases, const fs::path &file) {
    std::ofstream json(file);
    json << "[";
    for (size_t k = 0; k < cases.size(); k++)
        json << (k ? ",\n" : "") << web_case(cases[k], VIBREL_VARIANT_NAME);
    json << "]";
}

// The node in Chromium, through OfflineAudioContext: the Max build's output rounded to float.
TEST_F(Web, ChromiumEqualsTheMaxBuildBitForBit) {
    const std::vector<Case> cases = web_cases();
    write_cases(cases, dir / "cases.json");
    drive("render " + std::string(VIBREL_WEB_DIR) + " " + (dir / "cases.json").string() + " " + dir.string());

    Tally tally;
    for (size_t k = 0; k < cases.size(); k++) {
        const Case &c = cases[k];
        std::string report;
        const std::vector<double> expected = max_output(host, VIBREL_CLASS_NAME, c);
        const std::vector<double> got = read_raw<float>(dir / (std::to_string(k) + ".f32"));
        // The destination sums its inputs into a silent bus: a -0 of the node's comes out +0.
        const long differ = compare_bits(expected, got, 32, &report, [](double y) { return y == 0.0 ? 0.0 : y; });
        EXPECT_EQ(differ, 0) << "case " << k << ", pattern " << c.pattern << "\n" << report;
        tally[routine_of(c.pattern)].first += (long)expected.size();
        tally[routine_of(c.pattern)].second += differ;
        if (k == 0 && !got.empty()) { // the comparison sees a change of one bit: the next float up
            std::vector<double> changed = got;
            changed[got.size() / 2] = std::nextafter((float)got[got.size() / 2], INFINITY);
            EXPECT_EQ(compare_bits(expected, changed, 32, nullptr), 1);
        }
    }
    print_tally(std::string(VIBREL_CLASS_NAME) + " in Chromium", tally);
}

// The module's doubles under node on both paths (two SIMD128 lanes, one sample at a time) against the
// native build's, which runs under FTZ and DAZ: the loop's software flush to zero included, through a
// decay past 2^-1022 to exact +0.
TEST_F(Web, ModuleDoublesEqualTheNativeBuildOnBothPaths) {
    const std::vector<Case> cases = web_cases();
    write_cases(cases, dir / "cases.json");
    drive("doubles " + std::string(VIBREL_WEB_DIR) + " " + (dir / "cases.json").string() + " " + dir.string());
    for (const char *path : {"simd128", "scalar"}) {
        Tally tally;
        for (size_t k = 0; k < cases.size(); k++) {
            std::string report;
            const std::vector<double> expected = max_output(host, VIBREL_CLASS_NAME, cases[k]);
            const std::vector<double> got = read_raw<double>(dir / (std::to_string(k) + "-" + path + ".f64"));
            const long differ = compare_bits(expected, got, 64, &report);
            EXPECT_EQ(differ, 0) << path << ", case " << k << ", pattern " << cases[k].pattern << "\n" << report;
            tally[routine_of(cases[k].pattern)].first += (long)expected.size();
            tally[routine_of(cases[k].pattern)].second += differ;
            if (k + kDecays >= cases.size()) {
                EXPECT_LT(silent_from(expected), expected.size() - 44100) << "the decay does not reach exact +0";
                std::printf("%s, %s, dsp%d: the decay +0 from frame %zu (the native build: %zu)\n", VIBREL_CLASS_NAME,
                            path, routine_of(cases[k].pattern), silent_from(got), silent_from(expected));
            }
        }
        print_tally(std::string(VIBREL_CLASS_NAME) + " in WebAssembly (doubles, " + path + ")", tally);
    }
}

// The package's page in Chromium: plucked by a click and a key, tuned, drawn; no page error, and the
// screenshot (tests/web/page.png in the build folder) showing both pictures. And the node's port: its
// answers to 'info' and 'params', and the line of a string too long to make.
TEST_F(Web, PagePlucksTunesAndDraws) {
    if (std::string(VIBREL_VARIANT_NAME) != "full") GTEST_SKIP() << "the page is the same for both variants";
    const fs::path shot = fs::path(VIBREL_WEB_WORK).parent_path() / "page.png";
    const std::string state = drive("page " + std::string(VIBREL_WEB_DIR) + " " + shot.string());
    auto number = [&](const std::string &key) {
        const size_t at = state.find("\"" + key + "\":");
        return at == std::string::npos ? -1.0 : std::atof(state.c_str() + at + key.size() + 3 + (state[at + key.size() + 3] == '"'));
    };
    EXPECT_NE(state.find("\"errors\":[]"), std::string::npos) << state;
    EXPECT_NE(state.find("\"title\":\"vibrel: a plucked string\""), std::string::npos) << state;
    EXPECT_EQ(number("plucks"), 2) << state;
    // 220 Hz at the page's rate, the DC blocker's lead added (203.347 samples at 44.1 kHz).
    const double rate = number("rate"), kPi = 3.141592653589793;
    EXPECT_NEAR(number("period"), rate / 220 * (1 + std::atan(125.66370614359172 / rate * 0.5 / std::tan(kPi * 220 / rate)) / (2 * kPi)),
                0.001)
        << state;
    EXPECT_GT(number("peak"), 0.1) << state;
    EXPECT_GT(number("waveColumns"), 0.95) << state;     // the waveform across the whole picture
    EXPECT_GT(number("spectrumColumns"), 0.15) << state; // the harmonics' peaks
    EXPECT_TRUE(fs::exists(shot));
    for (const char *line : {"external ver 3.2", "LITE Version", "filter order, M = 5", "delay time <= 8192.0",
                             "more than 536870907; no object made"})
        EXPECT_NE(state.find(line), std::string::npos) << line << " not in\n" << state;
}

} // namespace
