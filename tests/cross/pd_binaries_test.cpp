// The Pd externals of the cross builds, read from their binaries: the format and processor, the setup
// function as the only export, Pd's functions imported (from pd.dll or pd64.dll on Windows, left to the
// running pd on Linux and macOS) and nothing else but the system's C and math libraries; each macOS
// slice's minimum system and signature; the Windows ones loaded under Wine through a stand-in pd.dll.
// (Their code is scanned by PluginCode.NoFusedMultiplyAdd... and
// WindowsX86Code.NoX87...; the Linux x86-64 ones by the Pd tests.)
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

#include "cross_support.h"

using namespace cross;

namespace {

std::set<std::string> pd_functions() {
    std::set<std::string> names;
    std::ifstream list(VIBREL_PD_FUNCTIONS);
    for (std::string l; std::getline(list, l);)
        if (!l.empty() && l[0] != '#') names.insert(l.substr(0, l.find(' ')));
    return names;
}

std::string setup_of(const std::string &file) {
    return file.find("vibrel-lite~.") != std::string::npos ? VIBREL_PD_SETUP_LITE : VIBREL_PD_SETUP_FULL;
}

// A target's Pd externals (by their 0.54+ names; the classic names are copies), or why there are none.
struct Files {
    std::vector<std::string> paths;
    std::string why; // set when the target cannot be checked here
};
Files files_of(const std::string &target, size_t expected) {
    Files f;
    f.why = toolchain_missing(target);
    if (f.why.empty()) {
        f.paths = pd_externals(target);
        EXPECT_EQ(f.paths.size(), expected) << target << ": build the cross targets with .ci/cross.sh";
    }
    return f;
}

TEST(PdExternals, LinuxArmFilesExportTheSetupAndNeedOnlyTheCAndMathLibraries) {
    std::string unchecked; // a skip, not a pass, when neither target could be checked
    for (const auto &[target, machine] : {std::pair{"aarch64", "AArch64"}, {"armv7", "ARM"}}) {
        const Files f = files_of(target, target == std::string("armv7") ? 2 : 4);
        if (!f.why.empty()) {
            std::printf("%s not checked: %s\n", target, f.why.c_str());
            if (!unchecked.empty()) GTEST_SKIP() << unchecked << "; " << f.why;
            unchecked = f.why;
            continue;
        }
        std::set<std::string> fromPd;
        for (const std::string &file : f.paths) {
            const std::string header = run("readelf -h -d " + quote(file)).out;
            EXPECT_TRUE(std::regex_search(header, std::regex("Machine: +" + std::string(machine) + "\n"))) << file;
            if (target == std::string("armv7")) {
                EXPECT_NE(header.find("hard-float ABI"), std::string::npos) << file;
            }
            std::set<std::string> needed;
            static const std::regex lib(R"(\(NEEDED\)\s+Shared library: \[(.*)\])");
            for (auto m = std::sregex_iterator(header.begin(), header.end(), lib); m != std::sregex_iterator(); ++m)
                needed.insert((*m)[1]);
            EXPECT_EQ(needed, (std::set<std::string>{"libc.so.6", "libm.so.6"})) << file;
            std::istringstream defined(run("nm -D --defined-only " + quote(file)).out);
            std::vector<std::string> exports;
            for (std::string a, type, name; defined >> a >> type >> name;)
                exports.push_back(name);
            EXPECT_EQ(exports, std::vector<std::string>{setup_of(file)}) << file;
            // Unversioned: Pd's, resolved from the running pd; versioned: the C and math libraries'.
            std::istringstream undefined(run("nm -D --undefined-only " + quote(file)).out);
            for (std::string type, name; undefined >> type >> name;)
                if (type == "U" && name.find('@') == std::string::npos) fromPd.insert(name);
        }
        std::set<std::string> expected = pd_functions();
        if (target == std::string("armv7")) expected.erase("class_new64"); // float Pd only
        EXPECT_EQ(fromPd, expected) << target;
    }
}

TEST(PdExternals, WindowsFilesExportTheSetupAndImportPdAndTheSystemOnly) {
    const Files f = files_of("win64", 4);
    if (!f.why.empty()) GTEST_SKIP() << f.why;
    std::set<std::string> fromPd;
    for (const std::string &file : f.paths) {
        const PeTables t = parse_pe(run(quote(VIBREL_MINGW64_OBJDUMP) + " -p " + quote(file)).out);
        EXPECT_EQ(t.format, "pei-x86-64") << file;
        EXPECT_EQ(t.exports, std::vector<std::string>{setup_of(file)}) << file;
        const std::string pd = file.find("-64.dll") != std::string::npos ? "pd64.dll" : "pd.dll";
        for (const auto &[dll, names] : t.imports) {
            if (dll == pd)
                fromPd.insert(names.begin(), names.end());
            else // no compiler runtime DLL: only what every Windows has
                EXPECT_TRUE(dll == "KERNEL32.dll" || dll == "msvcrt.dll") << file << " imports from " << dll;
        }
        EXPECT_TRUE(t.imports.count(pd)) << file;
    }
    EXPECT_EQ(fromPd, pd_functions());
}

// Each Windows external under Wine, loaded as Pd loads it (its imports bound by name to the stand-in
// pd.dll or pd64.dll of tests/pd/standin, which export exactly the listed names), renders through the
// stand-in's patch, chain and block loop what the host build renders under Wine from the same script: pd64
// the golden script bit for bit, float Pd a script of float settings and inputs, equal once rounded.
TEST(PdExternals, WindowsFilesRenderUnderWineWhatTheHostBuildRenders) {
    const Files f = files_of("win64", 4);
    if (!f.why.empty()) GTEST_SKIP() << f.why;
    if (auto why = wine_missing("win64"); !why.empty()) GTEST_SKIP() << why;
    const std::string host = Build{"win64", "full"}.dir() + "/testhost/";
    ASSERT_TRUE(exists(host + "vibrel_pd_script_driver.exe")) << "configure win64 with -DVIBREL_WINDOWS_TEST_HOST=ON";
    setenv("VIBREL_PD_STANDIN", windows_path(host).c_str(), 1);
    for (const std::string &file : f.paths) {
        const bool pd64 = file.find("-64.dll") != std::string::npos;
        const Build max{"win64", file.find("vibrel-lite~.") != std::string::npos ? "lite" : "full"};
        const std::string script =
            pd64 ? script_path("golden.script") : std::string(VIBREL_SOURCE_DIR) + "/tests/pd/standin/float.script";
        const Result pd =
            run_wine(host + "vibrel_pd_script_driver.exe",
                     quote(windows_path(file)) + " " + quote(max.className()) + " " + quote(windows_path(script)));
        ASSERT_EQ(pd.status, 0) << file << ": " << pd.err << pd.out.substr(0, 2000);
        const Result ref = run_windows(max, script);
        ASSERT_EQ(ref.status, 0) << ref.err;
        Transcript p = parse_transcript(pd.out), m = parse_transcript(ref.out);
        auto no_assist = [](std::vector<std::string> lines) { // hover help is the other host's alone
            std::erase_if(lines, [](const std::string &l) { return l.rfind("assist ", 0) == 0; });
            return without_build_time(lines);
        };
        EXPECT_EQ(no_assist(p.lines), no_assist(m.lines)) << file;
        ASSERT_EQ(p.runOrder, m.runOrder) << file;
        long compared = 0, differ = 0;
        for (const std::string &label : m.runOrder) {
            ASSERT_EQ(p.runs[label].size(), m.runs[label].size()) << label;
            for (size_t i = 0; i < m.runs[label].size(); i++) {
                double want, got;
                std::memcpy(&want, &m.runs[label][i], sizeof want);
                std::memcpy(&got, &p.runs[label][i], sizeof got);
                if (!pd64) want = (float)want;
                compared++;
                if (std::memcmp(&want, &got, sizeof want) != 0 && differ++ < 3)
                    ADD_FAILURE() << file << " " << label << " sample " << i << ": " << got << ", expected " << want;
            }
        }
        std::printf("%s under Wine: %ld samples compared, %ld differ\n", file.c_str(), compared, differ);
    }
}

TEST(PdExternals, MacFilesAreUniversalSignedBundlesLeavingPdToThePdProcess) {
    const Files f = files_of("macos", 4);
    if (!f.why.empty()) GTEST_SKIP() << f.why;
    // What libSystem offers (cmake/macos/libSystem.tbd): the externals may bind nothing else but Pd's.
    std::set<std::string> system;
    const std::string tbd = read_file(std::string(VIBREL_SOURCE_DIR) + "/cmake/macos/libSystem.tbd");
    static const std::regex symbol(R"(\b_?_?[A-Za-z_][A-Za-z0-9_]*\b)");
    const std::string list = tbd.substr(tbd.find("symbols:"));
    for (auto m = std::sregex_iterator(list.begin(), list.end(), symbol); m != std::sregex_iterator(); ++m)
        system.insert(m->str());
    std::set<std::string> fromPd;
    for (const std::string &file : f.paths) {
        EXPECT_EQ(run(quote(VIBREL_LLVM_LIPO) + " -archs " + quote(file)).out, "x86_64 arm64 \n") << file;
        for (const std::string arch : {"x86_64", "arm64"}) {
            const MachO o =
                parse_macho(run(quote(VIBREL_LLVM_OBJDUMP) + " --macho --arch=" + arch +
                                " --dylibs-used --exports-trie --bind --lazy-bind --private-headers " + quote(file))
                                .out);
            EXPECT_EQ(o.cpu, arch == "x86_64" ? "X86_64" : "ARM64") << file;
            EXPECT_EQ(o.fileType, "BUNDLE") << file;
            EXPECT_EQ(o.minVersion, arch == "x86_64" ? "10.6" : "") << file;
            EXPECT_EQ(o.buildVersion, arch == "x86_64" ? "" : "macos 11.0") << file;
            EXPECT_EQ(o.exports, std::vector<std::string>{"_" + setup_of(file)}) << file << " " << arch;
            EXPECT_EQ(o.dylibs, std::vector<std::string>{"/usr/lib/libSystem.B.dylib"}) << file;
            for (const auto &[name, dylib] : o.binds) {
                EXPECT_EQ(dylib, "flat-namespace") << file << " " << arch << ": " << name;
                if (!system.count(name)) fromPd.insert(name.substr(1));
            }
        }
        const Result sig =
            run(quote(VIBREL_PYTHON) + " " + quote(script_path("check_signature.py")) + " " + quote(file));
        EXPECT_EQ(sig.status, 0) << file << "\n" << sig.out << sig.err;
    }
    // And Pd 0.54's signal_setmultiout, bound weakly (pd/multichannel.h): the list holds what every Pd has.
    std::set<std::string> expected = pd_functions();
    expected.insert("signal_setmultiout");
    EXPECT_EQ(fromPd, expected);
}

} // namespace
