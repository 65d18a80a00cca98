// The Pd externals in real Pd (float Pd and pd64): each test writes a patch and its input WAV files,
// runs pd headless and reads what it wrote and printed. Outputs are compared bit for bit with the Max
// build run through the emulator on the same inputs (float Pd: that output rounded to float).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "host_compare.h"
#include "host_emulator.h"
#include "pitch.h"
#include "tune.h"
#include "vibrel.h"

namespace fs = std::filesystem;
using namespace vibrel_hosts;

namespace {

struct PdBuild {
    const char *name;
    const char *exe;
    int floatBits;         // 32: float Pd; 64: pd64
    const char *qemu = ""; // Debian's Pd for another processor: run under qemu-user with -L root
    const char *root = "";
    const char *external = ""; // the file of ours this Pd loads, in the library folder of every system
    bool tableGuard = true;    // whether Pd's table writers zero big and small samples (not on arm64)
    bool ilp32 = false;        // 32-bit long and pointers (armv7)
    friend void PrintTo(const PdBuild &b, std::ostream *os) { *os << b.name; }
};
const PdBuild kBuilds[] = {
    {"pd053", VIBREL_PD_EXE, 32}, {"pd055", VIBREL_PD055_EXE, 32}, {"pd64", VIBREL_PD64_EXE, 64}};
#define VIBREL_PD_BIN "/usr/lib/puredata/bin/"
#define VIBREL_ARM64_053 VIBREL_PD_ARM64_ROOT "/pd053"
#define VIBREL_ARM64_055 VIBREL_PD_ARM64_ROOT "/pd055"
#define VIBREL_ARMHF_053 VIBREL_PD_ARMHF_ROOT "/pd053"
#define VIBREL_ARMHF_055 VIBREL_PD_ARMHF_ROOT "/pd055"
// Each Pd build finds our external by another name: the classic one in 0.53, the 0.54+ one in 0.55.
const PdBuild kOtherCpus[] = {
    {"arm64_pd053", VIBREL_ARM64_053 VIBREL_PD_BIN "pd", 32, VIBREL_QEMU_AARCH64, VIBREL_ARM64_053, ".l_arm64", false},
    {"arm64_pd055", VIBREL_ARM64_055 VIBREL_PD_BIN "pd", 32, VIBREL_QEMU_AARCH64, VIBREL_ARM64_055,
     ".linux-arm64-32.so", false},
    {"arm64_pd64", VIBREL_ARM64_055 VIBREL_PD_BIN "pd64", 64, VIBREL_QEMU_AARCH64, VIBREL_ARM64_055,
     ".linux-arm64-64.so", false},
    {"armv7_pd053", VIBREL_ARMHF_053 VIBREL_PD_BIN "pd", 32, VIBREL_QEMU_ARM, VIBREL_ARMHF_053, ".l_arm", true, true},
    {"armv7_pd055", VIBREL_ARMHF_055 VIBREL_PD_BIN "pd", 32, VIBREL_QEMU_ARM, VIBREL_ARMHF_055, ".linux-armv7-32.so",
     true, true},
};


// A Pd canvas's text, object by object; objects are numbered in order for connections.
struct Canvas {
    std::string text;
    int count = 0;
    int add(const std::string &kind, const std::string &body) {
        // Distinct x positions: an abstraction's inlets are ordered by x, so here by creation.
        text += "#X " + kind + " " + std::to_string(10 + 40 * count) + " " + std::to_string(10 + 30 * count) + " " +
                body + ";\n";
        return count++;
    }
    int obj(const std::string &body) { return add("obj", body); }
    int msg(std::string body) { // "a, b": two messages, as typed into a box
        for (size_t at = 0; (at = body.find(", ", at)) != std::string::npos; at += 4)
            body.replace(at, 2, " \\, ");
        return add("msg", body);
    }
    void connect(int from, int outlet, int to, int inlet) {
        text += "#X connect " + std::to_string(from) + " " + std::to_string(outlet) + " " + std::to_string(to) + " " +
                std::to_string(inlet) + ";\n";
    }
    // A [t b b ...] whose outlets bang the targets in the order given.
    int in_order(const std::vector<int> &targets) {
        std::string t = "t";
        for (size_t i = 0; i < targets.size(); i++)
            t += " b";
        const int trigger = obj(t);
        for (size_t i = 0; i < targets.size(); i++)
            connect(trigger, (int)(targets.size() - 1 - i), targets[i], 0);
        return trigger;
    }
    int sub(const std::string &name, const Canvas &inner) {
        text += "#N canvas 0 0 450 300 " + name + " 0;\n" + inner.text;
        return add("restore", "pd " + name);
    }
    std::string file() const { return "#N canvas 0 0 450 300 12;\n" + text; }
};

// What Pd's table writers store: 0 for an exponent outside (-64, 64) (float) or (-512, 512) (pd64),
// where the guard is compiled in.
bool big_or_small(double y, int floatBits, bool tableGuard) {
    if (!tableGuard) return false;
    std::uint64_t b;
    std::memcpy(&b, &y, 8);
    if (floatBits == 64) return ((b >> 61) & 1) == ((b >> 62) & 1);
    const float f = (float)y;
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return ((u >> 29) & 1) == ((u >> 30) & 1);
}

class Pd : public testing::TestWithParam<PdBuild> {
  protected:
    fs::path dir;
    vibrel_emu::Host host;

    void SetUp() override {
        const PdBuild &b = GetParam();
        // The cross builds are not instrumented: nothing for the sanitizers to see under the emulator.
        if (*b.qemu && *VIBREL_PD_PRELOAD) GTEST_SKIP() << "the sanitizer build runs native Pd only";
        ASSERT_TRUE(fs::exists(b.exe)) << b.exe << " missing";
        if (*b.qemu) {
            VIBREL_REQUIRE_FILE(b.qemu, b.qemu << ": qemu-user is not installed");
            // A plain build makes no cross builds: their externals come with the target vibrel_pd_library.
            const fs::path ours = fs::path(VIBREL_PD_DIR) / (std::string(VIBREL_CLASS_NAME) + b.external);
            VIBREL_REQUIRE_FILE(ours, ours << " missing: build the cross targets and the target vibrel_pd_library");
        }
        std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char &c : test)
            if (c == '/') c = '_';
        dir = fs::path(VIBREL_PD_WORK) / VIBREL_VARIANT_NAME / test;
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_TRUE(host.load(VIBREL_MODULE_PATH));
    }

    // Runs main as dir/main.pd (abstractions beside it): at load it bangs `starters` in order, and one
    // second of logical time later writes `tables` to dir/<table>.wav and quits. Returns pd's stderr.
    std::string run(Canvas &main, std::vector<int> starters, const std::vector<std::string> &tables,
                    double rate = 44100) {
        std::string done;
        for (const std::string &t : tables)
            done += "\\; sf write -bytes " + std::to_string(GetParam().floatBits / 8) + " " +
                    (dir / (t + ".wav")).string() + " " + t + " ";
        const int wait = main.obj("delay 1000");
        main.connect(wait, 0, main.msg(done + "\\; pd quit 0"), 0);
        starters.push_back(wait);
        main.connect(main.obj("loadbang"), 0, main.in_order(starters), 0);
        main.connect(main.obj("r sf"), 0, main.obj("soundfiler"), 0);
        std::ofstream(dir / "main.pd") << main.file();
        const PdBuild &b = GetParam();
        // The sanitizer runtimes go to native Pd only (the environment before timeout, which passes it on).
        const std::string pd =
            *b.qemu ? std::string(b.qemu) + " -L '" + b.root + "' '" + b.exe + "'" : "'" + std::string(b.exe) + "'";
        const std::string cmd = "cd '" + dir.string() + "' && " + (*b.qemu ? "" : VIBREL_PD_PRELOAD) + " timeout 120 " +
                                pd + " -nogui -nosound -batch -noprefs -stderr -r " + std::to_string((int)rate) +
                                " -path '" VIBREL_PD_DIR "' main.pd 2> stderr.txt";
        const int status = std::system(cmd.c_str());
        std::ifstream err(dir / "stderr.txt");
        std::string log;
        for (std::string l; std::getline(err, l);)
            if (!*b.qemu || l != "pd: exec: Exec format error") // its watchdog, an ARM program qemu-user cannot exec
                log += l + "\n";
        EXPECT_EQ(status, 0) << cmd << "\n" << log;
        return log;
    }

    // The emulator's console lines after box text and messages (one object).
    std::vector<std::string> max_console(const std::string &box, const std::vector<std::string> &messages) {
        vibrel_emu::Object *o = host.create(box);
        for (const std::string &m : messages)
            host.send(o, m);
        host.free(o);
        return host.take_console();
    }
};

// The tests of the object's own behaviour run in Debian's Pd for arm64 and armhf too, under qemu.
class PdOnEveryCpu : public Pd {};

// --- Exactness: every routine and connection pattern, both excitations, constant and changing signals.

// Pd's own cases beside the shared ones: the connections through an abstraction's [inlet~].
struct PdCase {
    Case c;
    bool wrapped;
};

std::vector<PdCase> pd_cases() {
    std::vector<PdCase> cases;
    for (Case &c : exactness_cases(64, {1, 256}))
        cases.push_back({std::move(c), false});
    for (size_t k = 0, n = cases.size(); k < n; k++) {
        const Case &c = cases[k].c;
        if (c.noise && c.changing && c.block == 64 && (c.pattern == GainSignal || c.pattern == PeriodSignal))
            cases.push_back({c, true});
    }
    return cases;
}

TEST_P(PdOnEveryCpu, OutputEqualsTheMaxBuildBitForBit) {
    const std::vector<PdCase> cases = pd_cases();
    Canvas main;
    std::string start = "\\; init bang ";
    std::vector<std::string> outs;
    for (size_t k = 0; k < cases.size(); k++) {
        const Case &c = cases[k].c;
        const bool wrapped = cases[k].wrapped;
        const std::string id = "c" + std::to_string(k);
        Canvas sub, wrap, &home = wrapped ? wrap : sub; // the canvas the object sits in
        const bool used[3] = {true, c.pattern != Control && c.pattern != PeriodSignal,
                              c.pattern == PeriodSignal || c.pattern == Both};
        const int r = sub.obj("r start"), w = sub.obj("tabwrite~ " + id + "-y");
        sub.obj("table " + id + "-y " + std::to_string(kCaseFrames));
        if (c.block != 64) sub.obj("block~ " + std::to_string(c.block));
        sub.connect(r, 0, w, 0);
        const int obj = home.obj(wrapped ? "inlet~" : VIBREL_CLASS_NAME);
        const int object = wrapped ? home.obj(VIBREL_CLASS_NAME) : obj;
        const int init = home.obj("r init");
        const int settings = home.msg(std::string(kSettings[0]) + ", " + kSettings[1] + ", " + kSettings[2]);
        home.connect(init, 0, settings, 0);
        home.connect(settings, 0, object, 0);
        if (c.pattern == GainAndHeldPeriod) {
            const int f = home.msg(std::to_string(kHeldPeriod)); // a control connection: not a signal
            home.connect(init, 0, f, 0);
            home.connect(f, 0, object, 2);
        }
        int box = object;
        if (wrapped) {
            home.connect(obj, 0, object, 0);
            for (int i = 1; i < 3; i++)
                if (used[i]) home.connect(home.obj("inlet~"), 0, object, i);
            home.connect(object, 0, home.obj("outlet~"), 0);
            std::ofstream(dir / (id + "w.pd")) << wrap.file();
            box = sub.obj(id + "w");
        }
        sub.connect(box, 0, w, 0);
        for (int i = 0, inlet = 0; i < 3; i++) {
            if (!used[i]) continue;
            const std::string table = id + "-" + std::to_string(i);
            ASSERT_TRUE(write_wav(dir / (table + ".wav"), c.in[i]));
            const int play = sub.obj("tabplay~ " + table);
            sub.obj("table " + table);
            sub.connect(r, 0, play, 0);
            sub.connect(play, 0, box, wrapped ? inlet++ : i);
            start += "\\; sf read -resize " + (dir / (table + ".wav")).string() + " " + table + " ";
        }
        main.sub(id, sub);
        outs.push_back(id + "-y");
    }
    const std::string log = run(main, {main.msg(start + "\\; pd dsp 1 \\; start bang")}, outs);
    EXPECT_EQ(log.find("error"), std::string::npos) << log;

    Tally tally;
    for (size_t k = 0; k < cases.size(); k++) {
        const Case &c = cases[k].c;
        const PdBuild &b = GetParam();
        std::string report;
        const long differ = compare_bits(max_output(host, VIBREL_CLASS_NAME, c),
                                         read_wav(dir / ("c" + std::to_string(k) + "-y.wav")), b.floatBits, &report,
                                         [&](double y) { return big_or_small(y, b.floatBits, b.tableGuard) ? 0.0 : y; });
        EXPECT_EQ(differ, 0) << "case " << k << ", pattern " << c.pattern << ", block " << c.block << "\n" << report;
        tally[routine_of(c.pattern)].first += kCaseFrames;
        tally[routine_of(c.pattern)].second += differ;
    }
    print_tally(std::string(VIBREL_CLASS_NAME) + " in " + GetParam().name, tally);
}

// --- What a Pd user meets: console texts, clamps, symbols, creation arguments, "clear".

TEST_P(PdOnEveryCpu, ConsoleClampsCreationAndClear) {
    const std::string cls = VIBREL_CLASS_NAME;
    Canvas main;
    std::vector<int> starters; // banged in this order at load
    auto object = [&](const std::string &args, const std::string &messages) {
        const int o = main.obj(cls + " " + args), m = main.msg(messages);
        starters.push_back(m);
        main.connect(m, 0, o, 0);
        return o;
    };
    object("20000.7 9", "info, params, period 1e9, gain 2, brightness -1, params");
    object("1e30", "params"); // too large to count, or to allocate: no object, one error line each
    object("1e15", "params");
    object("foo", "period 1, period foo, fbgain -5, gain bar, brightness 0.5, params");
    // "clear" silences a ringing string from the next block on; a DSP build does not.
    const int s = object("", "period 100, gain 0.99999, brightness 0.99999");
    const int imp = main.obj("tabplay~ imp"), rec = main.obj("tabwrite~ y"), clear = main.msg("clear");
    main.obj("table imp 1");
    main.obj("table y 4410");
    starters.push_back(main.msg("\\; imp 0 1 \\; pd dsp 1 \\; start bang"));
    // At 50 ms "clear"; at 60 ms a second pluck; at 80 ms a new DSP build, through which it rings on; at
    // 90 ms a third pluck, heard: the recording went on through the DSP build.
    const int rstart = main.obj("r start"), rebuild = main.msg("\\; pd dsp 0 \\; pd dsp 1");
    for (auto [ms, target] : {std::pair{50, clear}, {60, imp}, {80, rebuild}, {90, imp}}) {
        const int delay = main.obj("delay " + std::to_string(ms));
        main.connect(rstart, 0, delay, 0);
        main.connect(delay, 0, target, 0);
    }
    for (auto [a, b] : {std::pair{rstart, imp}, {rstart, rec}, {imp, s}, {clear, s}, {s, rec}})
        main.connect(a, 0, b, 0);
    const std::string log = run(main, starters, {"y"});

    // Pd's console holds the host's lines for the same messages, less the symbols Pd refused (the build
    // time in "info" is each binary's own). Pd's own lines are left out of the comparison.
    std::vector<std::string> want =
        max_console(cls + " 20000", {"info", "params", "period 1e9", "gain 2", "brightness -1", "params"});
    for (const std::string &l : max_console(cls + " foo", {"period 1", "fbgain -5", "brightness 0.5", "params"}))
        want.push_back(l);
    auto masked = [](std::string l) { return l.rfind("this version compiled: ", 0) == 0 ? l.substr(0, 22) : l; };
    for (std::string &l : want)
        l = masked(l);
    std::istringstream lines(log);
    std::vector<std::string> ours;
    for (std::string l; std::getline(lines, l);)
        if (std::find(want.begin(), want.end(), masked(l)) != want.end()) ours.push_back(masked(l));
    EXPECT_EQ(ours, want) << log;
    // The arguments as Pd holds them; a 32-bit system counts the line's bytes in 32 bits, and so cannot
    // count 1e15 samples either.
    const double huge = GetParam().floatBits == 64 ? 1e30 : (double)1e30f;
    const double large = GetParam().floatBits == 64 ? 1e15 : (double)1e15f;
    const long limit =
        GetParam().ilp32 ? (long)(0xFFFFFFFFull / sizeof(double) - VIBREL_NS::kGuard) : VIBREL_NS::kMaxDelayLimit;
    auto too_large = [&](double v) {
        char line[200];
        std::snprintf(line, sizeof line, "error: %s: a largest delay of %.0f samples is more than %ld; no object made",
                      VIBREL_CLASS_NAME, v, limit);
        return std::string(line);
    };
    EXPECT_NE(log.find(too_large(huge)), std::string::npos) << log;
    const std::string noMemory =
        "error: " + cls + ": no memory for a delay line of " + std::to_string((long long)large + VIBREL_NS::kGuard);
    EXPECT_NE(log.find(GetParam().ilp32 ? too_large(large) : noMemory), std::string::npos) << log;
    EXPECT_NE(log.find("couldn't create"), std::string::npos) << log;

    const std::vector<double> y = read_wav(dir / "y.wav");
    ASSERT_EQ(y.size(), 4410u);
    auto sounding = [&](long from, long to) { return std::any_of(&y[from], &y[to], [](double v) { return v != 0; }); };
    const long cleared = 2205, plucked = 2646, rebuilt = 3528, again = 3969; // 50, 60, 80, 90 ms at 44.1 kHz
    EXPECT_TRUE(sounding(cleared - 64, cleared)) << "the string was not ringing when cleared";
    EXPECT_FALSE(sounding(cleared + 64, plucked - 64)) << "still sounding after clear";
    EXPECT_TRUE(sounding(rebuilt - 64, rebuilt)) << "the second pluck did not sound";
    EXPECT_TRUE(sounding(rebuilt + 64, again - 64)) << "silenced by a DSP build";
    EXPECT_TRUE(sounding(again + 64, 4410)) << "the third pluck did not sound";
}

// --- Live patching: a connection made anywhere rebuilds Pd's chain and the string rings on; floats into the
// unconnected gain and period inlets act as the gain and period messages.

double rms(const std::vector<double> &y, long from, long to) {
    double sum = 0;
    for (long i = from; i < to; i++)
        sum += y[i] * y[i];
    return std::sqrt(sum / (double)(to - from));
}

TEST_P(Pd, RebuildKeepsTheStringRingingAndFloatsActAsMessages) {
    const std::string cls = VIBREL_CLASS_NAME;
    Canvas main;
    const int start = main.obj("r start"), imp = main.obj("tabplay~ imp");
    main.obj("table imp 1");
    main.connect(start, 0, imp, 0);
    // y0: the messages; y1: the same values as floats into the inlets; y2: neither (the default tuning).
    const std::string inlets[3][2] = {{"gain 0.999", "period 100"}, {"0.999", "100"}, {"", ""}};
    int strings[3];
    for (int k = 0; k < 3; k++) {
        const int s = strings[k] = main.obj(cls), rec = main.obj("tabwrite~ y" + std::to_string(k));
        main.obj("table y" + std::to_string(k) + " 8820");
        for (int i = 0; i < 2; i++) {
            if (inlets[k][i].empty()) continue;
            const int m = main.msg(inlets[k][i]);
            main.connect(main.obj("r init"), 0, m, 0);
            main.connect(m, 0, s, k == 0 ? 0 : i + 1);
        }
        for (auto [a, b] : {std::pair{imp, s}, {s, rec}, {start, rec}})
            main.connect(a, 0, b, 0);
    }
    // At 150 ms period 200, at 160 ms period 100 again: as messages to y0, the second as a float equal to the
    // first to y1.
    for (auto [ms, k, text, inlet] : {std::tuple{150, 0, "period 200", 0}, {150, 1, "period 200", 0},
                                      {160, 0, "period 100", 0}, {160, 1, "100", 2}}) {
        const int delay = main.obj("delay " + std::to_string(ms)), m = main.msg(text);
        main.connect(start, 0, delay, 0);
        main.connect(delay, 0, m, 0);
        main.connect(m, 0, strings[k], inlet);
    }
    // At 100 ms a connection between two other objects (a signal into a recorded sum, which shows when the
    // chain was rebuilt).
    const int one = main.obj("sig~ 1"), sum = main.obj("+~"), mark = main.obj("tabwrite~ mark");
    main.obj("table mark 8820");
    main.connect(sum, 0, mark, 0);
    main.connect(start, 0, mark, 0);
    const int later = main.obj("delay 100"), connect = main.msg("\\; pd-main.pd connect " + std::to_string(one) +
                                                                " 0 " + std::to_string(sum) + " 0");
    main.connect(start, 0, later, 0);
    main.connect(later, 0, connect, 0);
    const std::string log = run(main, {main.msg("\\; imp 0 1 \\; init bang \\; pd dsp 1 \\; start bang")},
                                {"y0", "y1", "y2", "mark"});
    EXPECT_EQ(log.find("error"), std::string::npos) << log;

    const std::vector<double> y0 = read_wav(dir / "y0.wav"), y1 = read_wav(dir / "y1.wav"),
                              y2 = read_wav(dir / "y2.wav"), m = read_wav(dir / "mark.wav");
    ASSERT_EQ(y0.size(), 8820u) << log;
    ASSERT_EQ(y1.size(), 8820u) << log;
    ASSERT_EQ(m.size(), 8820u) << log;
    const long rebuilt = std::find(m.begin(), m.end(), 1.0) - m.begin(); // the first block of the new chain
    ASSERT_LT(rebuilt, 8820) << "no rebuild";
    EXPECT_NEAR(rebuilt, 4410, 64);
    const double before = rms(y0, rebuilt - 441, rebuilt), after = rms(y0, rebuilt, rebuilt + 441);
    std::printf("%s %s: RMS %.4f in the 10 ms before a rebuild, %.4f in the 10 ms after\n", cls.c_str(),
                GetParam().name, before, after);
    EXPECT_GT(after, 0.9 * before) << "the rebuild silenced the string";
    EXPECT_EQ(compare_bits(y0, y1, GetParam().floatBits, nullptr), 0) << "floats into the inlets are not the messages";
    const size_t skip = 441;
    for (const std::vector<double> *y : {&y1, &y2}) {
        const auto pitch = vibrel_analysis::estimate_pitch(y->data() + skip, 4000, 44100.0);
        std::printf("%s %s: %s: %.2f Hz\n", cls.c_str(), GetParam().name,
                    y == &y1 ? "float 100 into the period inlet" : "no period", pitch.hz);
    }
    EXPECT_GT(compare_bits(y0, y2, GetParam().floatBits, nullptr), 0);
}

// --- Multichannel (Pd 0.54+): each channel of [snake~ in] into the object is the lone object's output.

TEST_P(Pd, EachChannelIsTheLoneStringBitForBit) {
    if (GetParam().name == std::string("pd053")) GTEST_SKIP() << "Pd 0.53 has no multichannel signals";
    const std::string cls = VIBREL_CLASS_NAME;
    Canvas main;
    const int start = main.obj("r start");
    std::string load = "\\; pd dsp 1 \\; start bang";
    const char *periods[2] = {"100", "151.25"};
    int lone[2], tables[2];
    for (int c = 0; c < 2; c++) {
        const std::string n = "n" + std::to_string(c);
        std::vector<float> burst(64);
        for (size_t i = 0; i < burst.size(); i++)
            burst[i] = (float)std::sin(0.7 * (double)(i + 1) * (c + 1)); // a different burst per channel
        ASSERT_TRUE(write_wav(dir / (n + ".wav"), burst));
        load = "\\; sf read -resize " + (dir / (n + ".wav")).string() + " " + n + " " + load;
        tables[c] = main.obj("tabplay~ " + n);
        main.obj("table " + n);
        main.connect(start, 0, tables[c], 0);
        lone[c] = main.obj(cls);
        main.connect(tables[c], 0, lone[c], 0);
        main.connect(main.obj("sig~ " + std::string(periods[c])), 0, lone[c], 2);
    }
    const int excite = main.obj("snake~ in 2"), period = main.obj("snake~ in 2"), mc = main.obj(cls),
              split = main.obj("snake~ out 2"), gain = main.msg("gain 0.995, brightness 0.7");
    for (int c = 0; c < 2; c++) {
        main.connect(tables[c], 0, excite, c);
        main.connect(main.obj("sig~ " + std::string(periods[c])), 0, period, c);
    }
    main.connect(excite, 0, mc, 0);
    main.connect(period, 0, mc, 2);
    main.connect(mc, 0, split, 0);
    for (int o : {lone[0], lone[1], mc})
        main.connect(gain, 0, o, 0);
    std::vector<std::string> outs;
    for (int c = 0; c < 2; c++)
        for (auto [from, outlet, name] : {std::tuple{lone[c], 0, "lone"}, {split, c, "mc"}}) {
            outs.push_back(std::string(name) + std::to_string(c));
            const int rec = main.obj("tabwrite~ " + outs.back());
            main.obj("table " + outs.back() + " 4096");
            main.connect(from, outlet, rec, 0);
            main.connect(start, 0, rec, 0);
        }
    const std::string log = run(main, {gain, main.msg(load)}, outs);
    EXPECT_EQ(log.find("error"), std::string::npos) << log;
    long differ = 0;
    for (int c = 0; c < 2; c++) {
        const std::vector<double> a = read_wav(dir / ("lone" + std::to_string(c) + ".wav"));
        ASSERT_EQ(a.size(), 4096u) << log;
        EXPECT_TRUE(std::any_of(a.begin(), a.end(), [](double v) { return v != 0; }));
        differ += compare_bits(a, read_wav(dir / ("mc" + std::to_string(c) + ".wav")), GetParam().floatBits, nullptr);
    }
    std::printf("%s %s: [snake~ in 2] into the object: %ld of 8192 samples differ from the lone objects'\n",
                cls.c_str(), GetParam().name, differ);
    EXPECT_EQ(differ, 0);
}

// --- The help patch: a click on its 440 box turns DSP on and plucks a string that sounds 440 Hz.

TEST_P(Pd, HelpPatchPlucksInTuneOnTheFirstClick) {
    std::ifstream help(fs::path(VIBREL_PD_DIR) / (std::string(VIBREL_CLASS_NAME) + "-help.pd"));
    // The copy run here: the first dac~ (the notes') recorded instead, and a receiver that clicks the 440
    // message box (a click on a message box sends it a 0; Pd 0.55 without its GUI has no editor to take
    // mouse events).
    std::string text, line;
    int depth = 0, boxes = 0, box440 = -1;
    bool heard = false;
    while (std::getline(help, line)) {
        if (line.rfind("#X restore", 0) == 0) depth--; // the subpatch's own box, on the outer canvas
        if (depth == 1 && line.rfind("#X ", 0) == 0 && line.rfind("#X connect", 0) != 0) {
            if (line.rfind("#X msg ", 0) == 0 && line.find(" 440;") != std::string::npos) box440 = boxes;
            boxes++;
        }
        if (line.rfind("#N canvas", 0) == 0) depth++;
        const size_t dac = line.find(" dac~;");
        if (dac != std::string::npos && !heard) {
            line.replace(dac, 6, " hear~;");
            heard = true;
        }
        text += line + "\n";
    }
    ASSERT_GE(box440, 0);
    text +=
        "#X obj 700 700 r click440;\n#X connect " + std::to_string(boxes) + " 0 " + std::to_string(box440) + " 0;\n";
    std::ofstream(dir / "help.pd") << text;
    Canvas hear;
    const int rec = hear.obj("tabwrite~ heard");
    hear.connect(hear.obj("inlet~"), 0, rec, 0);
    hear.obj("inlet~");
    hear.connect(hear.obj("r hear"), 0, rec, 0);
    hear.obj("table heard 22050");
    std::ofstream(dir / "hear~.pd") << hear.file();
    Canvas main;
    const std::string log =
        run(main, {main.msg("\\; pd open help.pd " + dir.string() + " \\; hear bang \\; click440 0")}, {"heard"});
    EXPECT_EQ(log.find("error"), std::string::npos) << log;
    EXPECT_EQ(log.find("couldn't create"), std::string::npos) << log;
    EXPECT_EQ(log.find("failed"), std::string::npos) << log;
    const std::vector<double> y = read_wav(dir / "heard.wav");
    ASSERT_EQ(y.size(), 22050u) << log;
    const size_t skip = 2205;
    const auto pitch = vibrel_analysis::estimate_pitch(y.data() + skip, y.size() - skip, 44100.0);
    ASSERT_TRUE(pitch.ok) << "no tone heard";
    EXPECT_LT(std::fabs(vibrel_analysis::cents(pitch.hz, 440.0)), 1.0) << pitch.hz << " Hz";
}

// --- In tune: the periods Pd's [vibrel.period] and [vibrel.period~] compute sound within a cent of their target.

TEST_P(Pd, PeriodAbstractionSoundsWithinACent) {
    const double hz[] = {55, 110, 220, 440, 880, 1760, 3520, 4186};
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        Canvas main;
        std::string list;
        for (int i = 0; i < 8; i++)
            list += (i ? ", " : "") + std::to_string((int)hz[i]) + " " + std::to_string(i); // Hz, index
        const int m = main.msg(list), un = main.obj("unpack f f");
        const int per = main.obj("vibrel.period"), tw = main.obj("tabwrite periods");
        main.obj("table periods 8");
        main.connect(m, 0, un, 0);
        main.connect(un, 1, tw, 1);
        main.connect(un, 0, per, 0);
        main.connect(per, 0, tw, 0);
        // The same frequencies as signals through [vibrel.period~], one block recorded each.
        const int record = main.obj("r record");
        std::vector<std::string> tables = {"periods"};
        for (int i = 0; i < 8; i++) {
            tables.push_back("sp" + std::to_string(i));
            const int f = main.obj("sig~ " + std::to_string((int)hz[i])), p = main.obj("vibrel.period~"),
                      w = main.obj("tabwrite~ " + tables.back());
            main.obj("table " + tables.back() + " 64");
            main.connect(f, 0, p, 0);
            main.connect(p, 0, w, 0);
            main.connect(record, 0, w, 0);
        }
        const std::string log = run(main, {m, main.msg("\\; pd dsp 1 \\; record bang")}, tables, rate);
        EXPECT_EQ(log.find("error"), std::string::npos) << log;
        std::vector<double> periods = read_wav(dir / "periods.wav");
        ASSERT_EQ(periods.size(), 8u) << log;
        for (int i = 0; i < 8; i++) {
            const std::vector<double> block = read_wav(dir / (tables[(size_t)i + 1] + ".wav"));
            ASSERT_EQ(block.size(), 64u) << log;
            periods.push_back(block[63]);
        }
        vibrel_render::RenderOptions o;
        o.modulePath = VIBREL_MODULE_PATH;
        o.rate = rate;
        vibrel_render::PitchMeter meter(o);
        for (int i = 0; i < 16; i++) {
            const double heard = meter.measure(periods[i]);
            const double off = vibrel_analysis::cents(heard, hz[i % 8]);
            std::printf("%s %s, %s %.0f Hz at %.0f Hz: period %.6f sounds %+.3f cents\n", VIBREL_CLASS_NAME,
                        GetParam().name, i < 8 ? "[vibrel.period]" : "[vibrel.period~]", hz[i % 8], rate, periods[i],
                        off);
            EXPECT_LT(std::fabs(off), 1.0) << hz[i % 8] << " Hz at " << rate << (i < 8 ? "" : " (signal)");
        }
    }
}

// --- The files: each exports only its setup function and imports from Pd just the functions listed
// in pd/pd_functions.list (from which the Windows import libraries are made).

std::set<std::string> symbols(const std::string &file, const char *which) {
    std::set<std::string> names;
    FILE *nm = popen(("nm -D " + std::string(which) + " '" + file + "'").c_str(), "r");
    char line[512];
    while (nm && std::fgets(line, sizeof line, nm)) {
        std::istringstream words(line);
        std::string a, b, c;
        words >> a >> b >> c;
        const std::string type = c.empty() ? a : b, name = c.empty() ? b : c;
        if (type != "w" && name.find('@') == std::string::npos) names.insert(name); // not the C library's
    }
    if (nm) pclose(nm);
    return names;
}

TEST(PdFiles, ExportOnlyTheSetupAndImportTheListedPdFunctions) {
    if (*VIBREL_PD_PRELOAD) GTEST_SKIP() << "a sanitizer build: its runtime stands in for C library functions";
    std::set<std::string> listed, imported;
    std::ifstream list(VIBREL_PD_FUNCTIONS);
    for (std::string l; std::getline(list, l);)
        if (!l.empty() && l[0] != '#') listed.insert(l.substr(0, l.find(' '))); // "name" or "name DATA"
    for (const char *file : {VIBREL_PD_EXTERNAL_32, VIBREL_PD_EXTERNAL_64}) {
        EXPECT_EQ(symbols(file, "--defined-only"), std::set<std::string>{VIBREL_PD_SETUP_NAME}) << file;
        for (const std::string &name : symbols(file, "--undefined-only"))
            imported.insert(name);
    }
    EXPECT_EQ(imported, listed);
}

auto build_name = [](const auto &info) { return std::string(info.param.name); };
INSTANTIATE_TEST_SUITE_P(Builds, Pd, testing::ValuesIn(kBuilds), build_name);
INSTANTIATE_TEST_SUITE_P(Builds, PdOnEveryCpu, testing::ValuesIn(kBuilds), build_name);
INSTANTIATE_TEST_SUITE_P(OtherCpus, PdOnEveryCpu, testing::ValuesIn(kOtherCpus), build_name);

} // namespace
