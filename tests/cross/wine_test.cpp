// Both Windows builds of both variants, loaded under Wine by the Windows test host (the emulator behind
// stand-in MaxAPI.dll and MaxAudio.dll): they register, create objects, report, and render what the
// Linux build renders from the same script.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "cross_support.h"

using namespace cross;

namespace {

double as_double(unsigned long long bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

class WindowsHost : public testing::TestWithParam<Build> {
  protected:
    void SetUp() override {
        const Build &b = GetParam();
        if (auto why = toolchain_missing(b.target); !why.empty()) GTEST_SKIP() << why;
        if (auto why = wine_missing(b.target); !why.empty()) GTEST_SKIP() << why;
        ASSERT_TRUE(exists(b.module())) << b.module() << " is missing: build the cross targets with .ci/cross.sh";
        ASSERT_TRUE(exists(b.dir() + "/testhost/vibrel_script_driver.exe"))
            << "the Windows test host is missing: configure " << b.target
            << " with -DVIBREL_WINDOWS_TEST_HOST=ON (.ci/cross.sh does)";
    }
};

// The golden script on Linux and under Wine: the same console and assistance texts (but the build
// time), and the same samples to the last bit, the cosine's runs included.
TEST_P(WindowsHost, RendersWhatTheLinuxBuildRenders) {
    const Build &b = GetParam();
    const std::string script = script_path("golden.script");
    const Result win = run_windows(b, script);
    ASSERT_EQ(win.status, 0) << win.err << win.out.substr(0, 2000);
    const Result lin = run_linux(b.variant, script);
    ASSERT_EQ(lin.status, 0) << lin.err << lin.out.substr(0, 2000);
    Transcript w = parse_transcript(win.out), l = parse_transcript(lin.out);

    EXPECT_EQ(without_build_time(w.lines), without_build_time(l.lines));
    EXPECT_NE(std::find(w.lines.begin(), w.lines.end(), "console vibrel~ external ver 3.2"), w.lines.end());
    EXPECT_NE(std::find(w.lines.begin(), w.lines.end(), "new ok"), w.lines.end());

    ASSERT_EQ(w.runOrder, l.runOrder);
    int identical = 0;
    for (const std::string &label : l.runOrder) {
        const auto &ws = w.runs[label], &ls = l.runs[label];
        ASSERT_EQ(ws.size(), ls.size()) << label;
        double peak = 0.0;
        for (unsigned long long s : ls) peak = std::fmax(peak, std::fabs(as_double(s)));
        ASSERT_GT(peak, 0.0) << label << " renders silence: the case tests nothing";
        long differ = 0, first = -1;
        for (std::size_t i = 0; i < ls.size(); i++)
            if (ws[i] != ls[i] && differ++ == 0) first = (long)i;
        EXPECT_EQ(differ, 0) << label << ": " << differ << " samples differ, first at " << first;
        identical += differ == 0;
    }
    std::printf("%s: %d of %zu runs bit-identical to Linux\n", b.name().c_str(), identical, l.runOrder.size());
}

// Flush-to-zero in every routine: a ringing string reaches exact 0.0 in the caller's default mode,
// and the caller finds its mode unchanged after every call, the empty ones and a caller that had
// flush-to-zero set already included. Printed beside the Linux build's figures.
TEST_P(WindowsHost, RingingStringFallsExactlySilentAndLeavesTheCallersMode) {
    const Build &b = GetParam();
    const std::string script = script_path("silence.script");
    const Result win = run_windows(b, script), lin = run_linux(b.variant, script);
    ASSERT_EQ(win.status, 0) << win.err;
    ASSERT_EQ(lin.status, 0) << lin.err;
    const auto w = silent_after(parse_transcript(win.out)), l = silent_after(parse_transcript(lin.out));
    ASSERT_EQ(w.size(), 5u) << win.out;
    for (const auto &[label, seconds] : w) {
        ASSERT_NE(seconds, -1.0) << label << ": never exactly silent";
        EXPECT_GT(seconds, 1.0) << label << ": silent at once, the pluck tests nothing";
        std::printf("%s %s: exactly 0.0 from %.2f s (Linux %.2f s)\n", b.name().c_str(), label.c_str(), seconds,
                    l.at(label));
    }
}

// The box argument is judged at the atom's own width: on x86 a 32-bit integer (the host's text 2^32 +
// 20000 reads as 20000, 2^32 - 1 as -1 and 2^31 as -2^31, both below the smallest, 8192); on x86-64
// a 64-bit one, and the three too large for the line make no object, each with one error line.
TEST_P(WindowsHost, JudgesTheCreationArgumentAtTheAtomsWidth) {
    const Build &b = GetParam();
    const Result win = run_windows(b, script_path("creation.script"));
    ASSERT_EQ(win.status, 0) << win.err << win.out.substr(0, 2000);
    std::vector<std::string> seen;
    for (const std::string &l : parse_transcript(win.out).lines)
        if (l.find("always ensure that") != std::string::npos)
            seen.push_back(l.substr(l.find("<= delay")));
        else if (l.rfind("new ", 0) == 0 || l.find("no object made") != std::string::npos)
            seen.push_back(l);
    const std::string made = "new ok", limit = std::to_string(2147483647 - (b.variant == "full" ? 4 : 3));
    auto range = [](const char *samples) { return std::string("<= delay time <= ") + samples + " samples"; };
    auto refused = [&](const char *v) {
        return "console " + b.className() + ": a largest delay of " + v + " samples is more than " + limit +
               "; no object made";
    };
    if (b.target == "win32")
        EXPECT_EQ(seen, (std::vector<std::string>{made, made, made, made, range("20000.0"), range("8192.0"),
                                                  range("8192.0"), range("30000.0")}));
    else
        EXPECT_EQ(seen, (std::vector<std::string>{"new null", "new null", "new null", made,
                                                  refused("4294987296"), refused("4294967295"),
                                                  refused("2147483648"), range("30000.0")}));
}

// A test program of the build (emulator/windows/CMakeLists.txt) under Wine; it passes with status 0.
Result run_check(const Build &b, const std::string &name) {
    const std::string check = b.dir() + "/testhost/vibrel_" + name + "_" + b.variant + ".exe";
    if (!exists(check)) return {1, "", check + " is missing: configure " + b.target + " with -DVIBREL_WINDOWS_TEST_HOST=ON"};
    Result r = run_wine(check, "");
    std::printf("%s %s:\n%s", b.name().c_str(), name.c_str(), r.out.c_str());
    return r;
}

// The path check (tests/cross/path_check.cpp) of the build: every vectorised path of the perform
// routines that this processor has gives the scalar path's bits, the AVX ones on Windows' stack too.
TEST_P(WindowsHost, EveryPathGivesTheScalarPathsBits) {
    const Result r = run_check(GetParam(), "path_check");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    for (const char *path : {"sse2: ", "avx: "})
        EXPECT_NE(r.out.find(path), std::string::npos) << path << "missing from\n" << r.out;
}

// A host in a mode of its own (tests/cross/float_mode_check.cpp): rounding toward zero and the invalid
// operation unmasked, in the x87 unit too on x86, change no bit, trap nowhere and come back as they were.
TEST_P(WindowsHost, ForeignCallerModeChangesNoBitAndComesBack) {
    const Result r = run_check(GetParam(), "float_mode_check");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("avx: "), std::string::npos) << r.out;
}

// An import library made at build time from a list of names (cmake/import_library.cmake, on the test's
// own DLL): the program imports exactly the listed names, from the DLL named, and under Wine they bind
// to that DLL's functions and variable.
TEST(ImportLibrary, BindsTheListedNamesToTheNamedDll) {
    for (const char *target : {"win64", "win32"}) {
        const Build b{target, "full"};
        if (auto why = toolchain_missing(target); !why.empty()) GTEST_SKIP() << why;
        if (auto why = wine_missing(target); !why.empty()) GTEST_SKIP() << why;
        const std::string exe = b.dir() + "/testhost/vibrel_import_check.exe";
        ASSERT_TRUE(exists(exe)) << exe << " is missing: configure " << target << " with -DVIBREL_WINDOWS_TEST_HOST=ON";
        const std::string objdump = b.target == "win64" ? VIBREL_MINGW64_OBJDUMP : VIBREL_MINGW32_OBJDUMP;
        const PeTables t = parse_pe(run(quote(objdump) + " -p " + quote(exe)).out);
        ASSERT_TRUE(t.imports.count("vibrel_import_stub.dll")) << target;
        EXPECT_EQ(t.imports.at("vibrel_import_stub.dll"), (std::set<std::string>{"stub_add", "stub_level", "stub_scale"}))
            << target;
        const Result r = run_wine(exe, "");
        EXPECT_EQ(r.status, 0) << target << ": " << r.out << r.err;
        EXPECT_EQ(r.out, "5 1.5 7\n") << target;
    }
}

std::string build_name(const testing::TestParamInfo<Build> &info) { return info.param.name(); }

INSTANTIATE_TEST_SUITE_P(Wine, WindowsHost,
                         testing::Values(Build{"win64", "full"}, Build{"win64", "lite"}, Build{"win32", "full"},
                                         Build{"win32", "lite"}),
                         build_name);

} // namespace
