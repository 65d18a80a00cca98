// The SuperCollider plug-in in real scsynth (non-real-time mode): each test writes its SynthDefs and an
// OSC score itself, renders them with Debian's scsynth and compares every output sample with the Max
// build's output through the emulator on the same inputs, rounded to float, bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "host_compare.h"
#include "pitch.h"
#include "vibrel.h"

namespace fs = std::filesystem;
using namespace vibrel_hosts;

namespace {

constexpr int kAudio = 2, kControl = 1; // SynthDef rates
constexpr int kRate = 44100;

// Big-endian fields of SynthDef files and OSC packets.
struct Bytes {
    std::string b;
    Bytes &i8(int v) { return b += (char)v, *this; }
    Bytes &i16(int v) { return i8(v >> 8).i8(v); }
    Bytes &i32(std::int32_t v) { return i16(v >> 16).i16(v); }
    Bytes &pstring(const std::string &s) { return i8((int)s.size()), b += s, *this; }
    Bytes &padded(const std::string &s, bool terminated) { // OSC: to a multiple of 4 bytes
        b += s;
        return b.append(terminated ? 4 - s.size() % 4 : (4 - s.size() % 4) % 4, '\0'), *this;
    }
};

// One SynthDef (file format 2) with no parameters: units in order, constants shared.
struct SynthDef {
    struct In {
        int unit, index; // unit -1: constant number `index`
    };
    Bytes units;
    int count = 0;
    std::vector<std::int32_t> constants; // the bits of each
    In k(float v) {
        const auto at = std::find(constants.begin(), constants.end(), std::bit_cast<std::int32_t>(v));
        const int index = (int)(at - constants.begin());
        if (at == constants.end()) constants.push_back(std::bit_cast<std::int32_t>(v));
        return {-1, index};
    }
    In unit(const std::string &cls, int rate, const std::vector<In> &ins, int outputs = 1) {
        units.pstring(cls).i8(rate).i32((int)ins.size()).i32(outputs).i16(0);
        for (In in : ins)
            units.i32(in.unit).i32(in.index);
        for (int o = 0; o < outputs; o++)
            units.i8(rate);
        return {count++, 0};
    }
    In play(int buffer) { return unit("PlayBuf", kAudio, {k((float)buffer), k(1), k(1), k(0), k(0), k(0)}); }
    std::string file(const std::string &name) {
        Bytes f{"SCgf"};
        f.i32(2).i16(1).pstring(name).i32((int)constants.size());
        for (std::int32_t c : constants)
            f.i32(c);
        f.i32(0).i32(0).i32(count).b += units.b;
        return f.i16(0).b;
    }
};

// An OSC message; each argument an int32 (tag i, given as text), a string (s) or a blob (b).
std::string message(const std::string &address, const std::string &tags, const std::vector<std::string> &args) {
    Bytes m;
    m.padded(address, true).padded("," + tags, true);
    for (size_t i = 0; i < args.size(); i++) {
        if (tags[i] == 'i') m.i32(std::stoi(args[i]));
        if (tags[i] == 's') m.padded(args[i], true);
        if (tags[i] == 'b') m.i32((std::int32_t)args[i].size()).padded(args[i], false);
    }
    return m.b;
}

// A server: Debian's scsynth here, or Debian's scsynth for another processor under qemu-user (-L root)
// with the plug-in of that processor's cross build.
struct Server {
    const char *name;
    const char *qemu = "";
    const char *root = "";        // the unpacked packages; the server and its plug-ins inside
    const char *plugins = VIBREL_SC_PLUGIN_DIR; // the folder holding only our plug-in
    bool ilp32 = false;                         // 32-bit long and pointers (armv7)
    friend void PrintTo(const Server &s, std::ostream *os) { *os << s.name; }
};
const Server kServers[] = {
    {"x86_64"},
    {"arm64", VIBREL_QEMU_AARCH64, VIBREL_SC_ARM64_ROOT, VIBREL_CROSS_ROOT "/aarch64/sc/plugins"},
    {"armv7", VIBREL_QEMU_ARM, VIBREL_SC_ARMHF_ROOT, VIBREL_CROSS_ROOT "/armv7/sc/plugins", true},
};

class Scsynth : public testing::Test {
  protected:
    Server server = kServers[0];
    fs::path dir;
    vibrel_emu::Host host;
    std::vector<std::string> setup; // the bundle at time 0: SynthDefs and buffers, then the synths
    std::vector<std::string> start;
    int buffers = 0, synths = 0;
    std::string plugin_dir; // the folder of ours the server loads

    void SetUp() override {
        // The cross builds are not instrumented: nothing for the sanitizers to see under the emulator.
        if (*server.qemu && *VIBREL_SC_PRELOAD) GTEST_SKIP() << "the sanitizer build runs native scsynth only";
        ASSERT_TRUE(fs::exists(exe())) << exe() << " missing (Debian: supercollider-server; other processors: "
                                                   "tests/sc/fetch_scsynth.sh)";
        if (*server.qemu) {
            VIBREL_REQUIRE_FILE(server.qemu, server.qemu << ": qemu-user is not installed");
        }
        plugin_dir = server.plugins;
        // A plain build makes no cross builds: their plug-ins come with the cross presets.
        VIBREL_REQUIRE_FILE(plugin_dir, plugin_dir << " missing: build the cross presets (.ci/cross.sh)");
        std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char &c : test)
            if (c == '/') c = '_';
        dir = fs::path(VIBREL_SC_WORK) / VIBREL_VARIANT_NAME / test;
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_TRUE(host.load(VIBREL_MODULE_PATH));
    }

    std::string exe() const { return std::string(server.root) + (*server.root ? "/usr/bin/scsynth" : VIBREL_SCSYNTH); }

    // A buffer holding x, read from its own sound file.
    int buffer(const std::vector<float> &x) {
        const int n = buffers++;
        const fs::path file = dir / ("b" + std::to_string(n) + ".wav");
        EXPECT_TRUE(write_wav(file, x));
        setup.push_back(message("/b_allocRead", "isii", {std::to_string(n), file.string(), "0", "0"}));
        return n;
    }

    // A synth of one SynthDef; out goes to its own output channel (the synth's number).
    int synth(SynthDef &def, SynthDef::In out) {
        const int n = synths++;
        def.unit("Out", kAudio, {def.k((float)n), out}, 0);
        const std::string name = "s" + std::to_string(n);
        setup.push_back(message("/d_recv", "b", {def.file(name)}));
        start.push_back(message("/s_new", "siii", {name, std::to_string(1000 + n), "0", "0"}));
        return n;
    }

    // Renders the synths in blocks of `block` frames; returns each synth's output and the server's console.
    std::vector<std::vector<double>> render(int block, std::string *console) {
        // The score: (length, bundle) records; a bundle at a time in seconds (32.32 fixed point). The render
        // ends at the last bundle (under a second), whose message asks for no reply (no one would hear it).
        Bytes score;
        setup.insert(setup.end(), start.begin(), start.end());
        const double end = (double)(kCaseFrames + block) / kRate;
        for (const auto &[seconds, messages] : {std::pair{0.0, setup}, {end, {message("/c_set", "ii", {"0", "0"})}}}) {
            Bytes b;
            b.padded("#bundle", true).i32(0).i32((std::int32_t)(std::uint32_t)std::ldexp(seconds, 32));
            for (const std::string &m : messages)
                b.i32((std::int32_t)m.size()).b += m;
            score.i32((std::int32_t)b.b.size()).b += b.b;
        }
        std::ofstream(dir / "score.osc", std::ios::binary) << score.b;
        const std::string builtin = *server.root ? server.root + std::string("/usr/lib/SuperCollider/plugins")
                                                 : VIBREL_SC_BUILTIN;
        // The sanitizer runtimes go to native scsynth only (the environment before timeout, which passes it on).
        const std::string run = *server.qemu ? "timeout 300 " + std::string(server.qemu) + " -L '" + server.root + "' '" + exe() + "'"
                                             : VIBREL_SC_PRELOAD " timeout 300 '" + exe() + "'";
        const std::string cmd = "cd '" + dir.string() + "' && " + run + " -N score.osc _ out.wav " +
                                std::to_string(kRate) + " WAV float -o " + std::to_string(synths) + " -i 0 -z " +
                                std::to_string(block) + " -U '" + plugin_dir + ":" + builtin + "' > console.txt 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        std::ifstream log(dir / "console.txt");
        std::stringstream text;
        text << log.rdbuf();
        *console = text.str();
        std::vector<std::vector<double>> y = read_wav_channels(dir / "out.wav");
        for (auto &channel : y)
            if (channel.size() > (size_t)kCaseFrames) channel.resize((size_t)kCaseFrames);
        return y;
    }

    // A unit of ours on a case's inputs, as the server gives them: a signal as a PlayBuf at audio rate, a
    // stepping value as the first sample of each block of one (A2K), anything else a constant; what
    // the Max build reads from an unconnected period inlet (zeros) is the constant 0.
    SynthDef::In ours(SynthDef &def, const Case &c, float maxDelay = 8192) {
        const bool stepping = !c.steps[kClearStep].empty();
        auto stepped = [&](int step, float otherwise) {
            if (!stepping) return def.k(otherwise);
            std::vector<float> x;
            for (float v : c.steps[step])
                x.insert(x.end(), (size_t)c.block, v);
            return def.unit("A2K", kControl, {def.play(buffer(x))});
        };
        const bool gain = c.pattern == GainSignal || c.pattern == Both || c.pattern == GainAndHeldPeriod;
        const bool period = c.pattern == PeriodSignal || c.pattern == Both;
        const SynthDef::In x = def.play(buffer(c.in[0]));
        const SynthDef::In g = gain ? def.play(buffer(c.in[1])) : stepped(kGainStep, 0.99609375f);
        const SynthDef::In p = period                           ? def.play(buffer(c.in[2]))
                               : c.pattern == GainSignal         ? def.k(0)
                               : c.pattern == GainAndHeldPeriod ? stepped(kPeriodStep, kHeldPeriod)
                                                                : stepped(kPeriodStep, 100.375f);
        const SynthDef::In b = stepped(kBrightnessStep, 0.625f), clear = stepped(kClearStep, 0);
        return def.unit(VIBREL_SC_CLASS, kAudio, {x, g, p, b, clear, def.k(maxDelay)});
    }
};

// The tests of the UGens' behaviour run in Debian's scsynth for arm64 and armhf too, under qemu.
class ScsynthOnEveryCpu : public Scsynth, public testing::WithParamInterface<Server> {
    void SetUp() override {
        server = GetParam();
        Scsynth::SetUp();
    }
};

// --- Every routine, constant and moving signals, control-rate steps and a clear, in three block sizes.

TEST_P(ScsynthOnEveryCpu, OutputEqualsTheMaxBuildBitForBit) {
    Tally tally;
    for (int block : {64, 1, 256}) {
        setup.clear(), start.clear(), buffers = synths = 0;
        std::vector<Case> cases = exactness_cases(block);
        for (Case &c : step_cases(block))
            cases.push_back(std::move(c));
        for (const Case &c : cases) {
            SynthDef def;
            synth(def, ours(def, c));
        }
        std::string console;
        const std::vector<std::vector<double>> y = render(block, &console);
        ASSERT_EQ(y.size(), cases.size()) << console;
        for (size_t k = 0; k < cases.size(); k++) {
            const Case &c = cases[k];
            std::string report;
            const long differ = compare_bits(max_output(host, VIBREL_CLASS_NAME, c), y[k], 32, &report);
            EXPECT_EQ(differ, 0) << "block " << block << ", case " << k << ", pattern " << c.pattern << "\n" << report;
            tally[routine_of(c.pattern)].first += kCaseFrames;
            tally[routine_of(c.pattern)].second += differ;
        }
    }
    print_tally(std::string(VIBREL_SC_CLASS) + " in scsynth on " + server.name, tally);
}

// --- A largest delay that cannot be counted or allocated: one console line, a silent unit, and the
// synths beside it undisturbed.

TEST_P(ScsynthOnEveryCpu, BadMaxDelayGivesASilentUnitAndOneLine) {
    const Case c = exactness_cases(64)[0];
    for (float maxDelay : {1e30f, 1e12f, 2e6f, 8192.0f, NAN}) {
        SynthDef def;
        synth(def, ours(def, c, maxDelay));
    }
    std::string console;
    const std::vector<std::vector<double>> y = render(64, &console);
    ASSERT_EQ(y.size(), 5u) << console;
    const std::string name = VIBREL_SC_CLASS;
    auto slots = [](float maxDelay) { return std::to_string((long long)maxDelay + VIBREL_NS::kGuard) + " samples"; };
    for (const std::string &line :
         {name + ": a largest delay of 1000000015047466219876688855040 samples is more than ",
          // beyond what the pool can count; a 32-bit system cannot count the line's bytes at all
          server.ilp32 ? name + ": a largest delay of 999999995904 samples is more than "
                       : name + ": no memory for a delay line of " + slots(1e12f),
          name + ": no memory for a delay line of " + slots(2e6f),  // beyond what it holds
          name + ": a largest delay of nan samples is more than "}) {
        const size_t at = console.find(line);
        EXPECT_NE(at, std::string::npos) << line << "\n" << console;
        EXPECT_EQ(console.find(line, at + 1), std::string::npos) << "more than one line: " << line;
    }
    EXPECT_NE(console.find("; the unit is silent\n"), std::string::npos) << console;
    for (int silent : {0, 1, 2, 4})
        EXPECT_EQ(std::count(y[silent].begin(), y[silent].end(), 0.0), kCaseFrames) << "synth " << silent;
    EXPECT_EQ(compare_bits(max_output(host, VIBREL_CLASS_NAME, c), y[3], 32, nullptr), 0);
}

// --- The extension folder as users install it: sclang compiles our classes, parses every example of the
// help files and runs the non-real-time ones (rendered by scsynth, in tune); the tuning method gives the
// closed form's periods. Once, in the full variant's tests (the folder holds both UGens).

TEST_F(Scsynth, SclangRunsTheHelpExamples) {
    if (std::string(VIBREL_VARIANT_NAME) != "full") GTEST_SKIP() << "run once, by the full variant's tests";
    if (*VIBREL_SC_PRELOAD) GTEST_SKIP() << "a sanitizer build: the server sclang starts has no sanitizer runtime";
    ASSERT_TRUE(fs::exists(VIBREL_SCLANG)) << VIBREL_SCLANG << " missing (Debian: supercollider-language)";
    const fs::path extensions = dir / "home/.local/share/SuperCollider/Extensions";
    fs::create_directories(extensions);
    fs::copy(VIBREL_SC_EXTENSION_DIR, extensions / "Vibrel", fs::copy_options::recursive);
    // Headless: Qt without a display, its web engine without the sandbox it refuses to run as root.
    const std::string cmd = "cd '" + dir.string() + "' && HOME='" + (dir / "home").string() +
                            "' QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 timeout 120 '" VIBREL_SCLANG
                            "' '" VIBREL_SC_SOURCE_DIR "/help_examples.scd' > console.txt 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::ifstream log(dir / "console.txt");
    std::stringstream text;
    text << log.rdbuf();
    const std::string console = text.str();
    EXPECT_NE(console.find("\ndone\n"), std::string::npos) << console;
    EXPECT_EQ(console.find("ERROR"), std::string::npos) << console;
    int parsed = 0, built = 0;
    std::istringstream lines(console);
    for (std::string l; std::getline(lines, l);) {
        EXPECT_EQ(l.find(": failed"), std::string::npos) << l;
        parsed += l.rfind("example ", 0) == 0 && l.find(": parsed") != std::string::npos;
        built += l.rfind("example ", 0) == 0 && l.find(": built") != std::string::npos;
        double hz, rate, period;
        if (std::sscanf(l.c_str(), "period %lf %lf %lf", &hz, &rate, &period) == 3) {
            const double closed =
                rate / hz * (1. + std::atan(125.66370614359172 / rate * 0.5 / std::tan(3.141592653589793 * hz / rate)) /
                                      6.283185307179586);
            EXPECT_NEAR(period, closed, closed * 1e-15) << l;
        }
    }
    EXPECT_EQ(parsed, 9) << console; // every line or region of code in the two help files
    EXPECT_EQ(built, 5) << console;  // those that play a function
    for (const char *file : {"vibrel-pluck.wav", "vibrel-lite-pluck.wav"}) {
        const std::vector<double> y = read_wav(dir / "home" / file);
        ASSERT_GE(y.size(), 44100u) << file << "\n" << console;
        const auto pitch = vibrel_analysis::estimate_pitch(y.data() + 2205, y.size() - 2205, kRate);
        ASSERT_TRUE(pitch.ok) << file;
        EXPECT_LT(std::fabs(vibrel_analysis::cents(pitch.hz, 220.0)), 1.0) << file << ": " << pitch.hz << " Hz";
    }
}

// --- The release archive (after the cross builds; test cross.sc_archive): each system's plug-in in its
// format, the macOS one signed; unzipped as it is, the server skips every folder not for it; after the
// README's step (the x86-64 file moved into plugins/linux) it renders our UGens bit for bit.

TEST_F(Scsynth, ArchiveInstallsAndRenders) {
    const char *archive = std::getenv("VIBREL_SC_ARCHIVE");
    if (!archive) GTEST_SKIP() << "the archive is tested by cross.sc_archive, after the cross builds";
    VIBREL_REQUIRE_FILE(archive, archive << " missing: build the cross presets (.ci/cross.sh) and the target vibrel_sc_zip");
    const fs::path extensions = dir / "Extensions", plugins = extensions / "Vibrel/plugins";
    fs::create_directories(extensions);
    ASSERT_EQ(std::system(("cd '" + extensions.string() + "' && unzip -q '" + archive + "'").c_str()), 0);
    // Each file's format, and its exports: the server's three entry points, nothing else.
    const std::string nm = VIBREL_LLVM_BIN "/llvm-nm -D --defined-only '%' | awk '{print $3}'";
    const std::string nm_macho = VIBREL_LLVM_BIN "/llvm-nm -g --defined-only '%' | awk 'NF==3{print $3}' | sed 's/^_//'";
    const std::string pe = VIBREL_LLVM_BIN "/llvm-readobj --coff-exports '%' | awk '/Name:/{print $2}'";
    const std::tuple<const char *, const char *, const std::string &> files[] = {
        {"ignore/linux-x86_64/vibrel.so", "ELF 64-bit LSB shared object, x86-64", nm},
        {"ignore/linux-arm64/vibrel.so", "ELF 64-bit LSB shared object, ARM aarch64", nm},
        {"ignore/linux-armv7/vibrel.so", "ELF 32-bit LSB shared object, ARM, EABI5", nm},
        {"windows/vibrel.scx", "PE32+ executable (DLL) (console) x86-64", pe},
        {"osx/vibrel.scx", "Mach-O universal binary with 2 architectures: [x86_64", nm_macho}};
    auto output = [](const std::string &cmd) {
        std::string text;
        FILE *p = popen(cmd.c_str(), "r");
        for (char line[400]; p && std::fgets(line, sizeof line, p);)
            text += line;
        if (p) pclose(p);
        return text;
    };
    for (const auto &[file, format, exports] : files) {
        const std::string path = (plugins / file).string();
        EXPECT_NE(output("file -b '" + path + "'").find(format), std::string::npos) << file;
        std::string cmd = exports;
        cmd.replace(cmd.find('%'), 1, path);
        EXPECT_EQ(output(cmd + " | sort -u | tr '\\n' ' '"), "api_version load server_type ") << file;
    }
    EXPECT_EQ(std::system(("python3 '" VIBREL_CHECK_SIGNATURE "' '" + (plugins / "osx/vibrel.scx").string() + "'").c_str()), 0);
    const Case c = exactness_cases(64)[1];
    std::string console;
    for (bool moved : {false, true}) {
        if (moved) {
            fs::create_directories(plugins / "linux");
            fs::rename(plugins / "ignore/linux-x86_64/vibrel.so", plugins / "linux/vibrel.so");
        }
        setup.clear(), start.clear(), buffers = synths = 0;
        SynthDef def;
        synth(def, ours(def, c));
        plugin_dir = extensions.string();
        const std::vector<std::vector<double>> y = render(64, &console);
        EXPECT_EQ(console.find("ERROR: dlopen"), std::string::npos) << console;
        if (moved) {
            EXPECT_EQ(compare_bits(max_output(host, VIBREL_CLASS_NAME, c), y.at(0), 32, nullptr), 0) << console;
        } else {
            EXPECT_NE(console.find("UGen '" VIBREL_SC_CLASS "' not installed"), std::string::npos) << console;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, ScsynthOnEveryCpu, testing::ValuesIn(kServers),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
