// The Windows and macOS deliverables, read from their binaries: what they export, what they import and
// from where (each slice of the macOS bundles), the bundle's metadata, that no sample arithmetic runs on
// the x87 unit (Windows x86), and that no plug-in of any target has a fused multiply-add.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "cross_support.h"

using namespace cross;

namespace {

const std::set<std::string> kMaxAudio = {"class_dspinit", "z_dsp_free", "z_dsp_setup"};

// Every host operation of the main library but the object_method form, which differs per target.
const std::set<std::string> kHostCommon = {"class_addmethod", "class_new",      "class_register",
                                           "gensym",          "object_alloc",   "object_free",
                                           "object_post",     "outlet_new",     "sysmem_freeptr",
                                           "sysmem_newptrclear"};

std::set<std::string> with(std::set<std::string> s, std::initializer_list<std::string> more) {
    s.insert(more);
    return s;
}

std::string lower(std::string s) {
    for (char &c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

std::string pe_objdump(const Build &b) { return b.target == "win64" ? VIBREL_MINGW64_OBJDUMP : VIBREL_MINGW32_OBJDUMP; }

std::string require_module(const Build &b) {
    if (!exists(b.module())) return b.module() + " is missing: build the cross targets with .ci/cross.sh";
    return {};
}

// One instruction of a disassembly, with the function it stands in.
struct Instruction {
    std::string function, op, operands, line;
};

// The listing of `objdump -d --no-show-raw-insn <options> <module>`, instruction by instruction.
// Functions head their code as "<address> <name>:" (ELF, PE) or "_name:" (Mach-O with --macho).
struct Listing {
    std::string error;                  // why there is no listing
    std::set<std::string> functions;
    std::vector<Instruction> code;
};

Listing disassemble(const std::string &objdump, const std::string &module, const std::string &options = "") {
    Listing listing;
    const Result r = run(quote(objdump) + " -d --no-show-raw-insn " + options + " " + quote(module));
    if (r.status != 0) {
        listing.error = "cannot disassemble " + module + " " + options + ": " + r.err;
        return listing;
    }
    static const std::regex function(R"(^(?:[0-9a-f]+ <(.*)>|(_\S*)):$)");
    static const std::regex insn(R"(^\s*[0-9a-f]+:\s+([a-z][a-z0-9.]*)\b(.*)$)");
    std::string current;
    std::istringstream in(r.out);
    std::smatch m;
    for (std::string l; std::getline(in, l);) {
        if (std::regex_match(l, m, function)) {
            current = m[1].matched ? m[1].str() : m[2].str();
            listing.functions.insert(current);
        } else if (std::regex_search(l, m, insn)) {
            listing.code.push_back({current, m[1], m[2], l});
        }
    }
    return listing;
}

// The x86 code of a plug-in module, by function: VEX-encoded instructions (AVX and later) only in the
// routines of the AVX paths, named for them, which run only where the processor check found AVX; and
// (windows) no aligned 32-byte move, since the stack there is aligned to 16 bytes only. (No fused
// multiply-add anywhere: PluginCode.NoFusedMultiplyAddInAnyPluginOfAnyTarget.) options: for a slice
// of a universal Mach-O file, "--macho --arch=x86_64".
std::vector<std::string> avx_faults(const std::string &objdump, const std::string &module, bool windows,
                                    const std::string &options = "") {
    const Listing listing = disassemble(objdump, module, options);
    if (!listing.error.empty()) return {listing.error};
    auto avx = [](const std::string &function) { return lower(function).find("avx") != std::string::npos; };
    std::vector<std::string> faults;
    for (const Instruction &i : listing.code) {
        if (i.op[0] == 'v' && !avx(i.function))
            faults.push_back("AVX outside the AVX routines, in " + i.function + ": " + i.line);
        else if (windows && i.operands.find("ymm") != std::string::npos &&
                 (i.op == "vmovapd" || i.op == "vmovaps" || i.op == "vmovdqa"))
            faults.push_back("aligned 32-byte move in " + i.function + ": " + i.line);
    }
    if (std::count_if(listing.functions.begin(), listing.functions.end(), avx) < 3)
        faults.push_back("the AVX routines were not found by name in " + module);
    return faults;
}

class WindowsModule : public testing::TestWithParam<Build> {};

TEST_P(WindowsModule, AvxOnlyInTheAvxRoutines) {
    const Build &b = GetParam();
    if (auto why = toolchain_missing(b.target); !why.empty()) GTEST_SKIP() << why;
    if (auto why = missing_tool(pe_objdump(b), "mingw-w64 binutils"); !why.empty()) GTEST_SKIP() << why;
    ASSERT_EQ(require_module(b), "");
    for (const std::string &f : avx_faults(pe_objdump(b), b.module(), true)) ADD_FAILURE() << f;
}

// The Linux modules (the ones the emulator, the tests and vibrel-render load) by the same rules.
TEST(LinuxModule, AvxOnlyInTheAvxRoutines) {
    if (auto why = missing_tool(VIBREL_LLVM_OBJDUMP, "llvm-objdump (package llvm)"); !why.empty()) GTEST_SKIP() << why;
    for (const char *module : {VIBREL_LINUX_MODULE_FULL, VIBREL_LINUX_MODULE_LITE})
        for (const std::string &f : avx_faults(VIBREL_LLVM_OBJDUMP, module, false)) ADD_FAILURE() << f;
}

TEST_P(WindowsModule, ExportsOnlyMainAndImportsOnlyTheHostAndSystem) {
    const Build &b = GetParam();
    if (auto why = toolchain_missing(b.target); !why.empty()) GTEST_SKIP() << why;
    if (auto why = missing_tool(pe_objdump(b), "mingw-w64 binutils"); !why.empty()) GTEST_SKIP() << why;
    ASSERT_EQ(require_module(b), "");
    const Result r = run(quote(pe_objdump(b)) + " -p " + quote(b.module()));
    ASSERT_EQ(r.status, 0) << r.out;
    const PeTables t = parse_pe(r.out);

    EXPECT_EQ(t.format, b.target == "win64" ? "pei-x86-64" : "pei-i386");
    EXPECT_EQ(t.exports, std::vector<std::string>{"main"}); // undecorated on x86 too
    const auto api = b.target == "win64" ? with(kHostCommon, {"object_method_imp", "sprintf"})
                                         : with(kHostCommon, {"object_method", "sprintf"});
    ASSERT_TRUE(t.imports.count("MaxAPI.dll"));
    EXPECT_EQ(t.imports.at("MaxAPI.dll"), api);
    ASSERT_TRUE(t.imports.count("MaxAudio.dll"));
    EXPECT_EQ(t.imports.at("MaxAudio.dll"), kMaxAudio);
    for (const auto &[dll, names] : t.imports) {
        if (dll == "MaxAPI.dll" || dll == "MaxAudio.dll") continue;
        // No compiler runtime (libgcc_s, libstdc++, libwinpthread): only what every Windows has.
        EXPECT_TRUE(lower(dll) == "kernel32.dll" || lower(dll) == "msvcrt.dll") << "imports from " << dll;
        // sprintf is the host's; a host operation must never bind to another DLL.
        for (const std::string &n : names) EXPECT_FALSE(api.count(n) || kMaxAudio.count(n)) << n << " from " << dll;
    }
}

// The Windows test host's stand-in DLLs offer exactly what the plug-ins import, so a plug-in that needs
// anything more fails to load under Wine instead of binding to something the host does not have.
TEST(WindowsTestHost, StandInHostLibrariesExportExactlyTheHostOperations) {
    for (const char *target : {"win64", "win32"}) {
        const Build b{target, "full"};
        if (auto why = toolchain_missing(target); !why.empty()) GTEST_SKIP() << why;
        if (auto why = missing_tool(pe_objdump(b), "mingw-w64 binutils"); !why.empty()) GTEST_SKIP() << why;
        const std::string dir = b.dir() + "/testhost/";
        ASSERT_TRUE(exists(dir + "MaxAPI.dll")) << "configure " << target << " with -DVIBREL_WINDOWS_TEST_HOST=ON";
        auto exports = [&](const std::string &dll) {
            const Result r = run(quote(pe_objdump(b)) + " -p " + quote(dir + dll));
            const std::vector<std::string> names = parse_pe(r.out).exports;
            return std::set<std::string>(names.begin(), names.end());
        };
        EXPECT_EQ(exports("MaxAPI.dll"), b.target == "win64" ? with(kHostCommon, {"object_method_imp", "sprintf"})
                                                              : with(kHostCommon, {"object_method", "sprintf"}))
            << target;
        EXPECT_EQ(exports("MaxAudio.dll"), kMaxAudio) << target;
    }
}

// x87 instructions that compute nothing: moves (a double returned in st0 on 32-bit x86, stored at once;
// fld1 and fldz put an exact 1 or 0 there) and the unit's control and state.
const std::set<std::string> kX87Moves = {"fld",  "flds", "fldl",  "fldt",  "fld1",  "fldz", "fst",
                                         "fsts", "fstl", "fstp",  "fstps", "fstpl", "fstpt", "fxch"};
const std::set<std::string> kX87Control = {"fnstcw", "fstcw", "fldcw", "fnstsw", "fstsw", "fninit", "finit",
                                           "fnclex", "fclex", "fwait", "fnsave", "fsave", "frstor", "fldenv",
                                           "fnstenv", "fstenv", "fxsave", "fxrstor", "ffree", "fnop"};

// Every double of the plug-ins stays in SSE2 registers on x86: an x87 result rounds differently from the
// other targets and depends on a control word nothing sets. Checked over all code of both Windows
// builds and of the Windows Pd externals, ours and whatever the C runtime and the compiler's and the
// system's libraries link in.
TEST(WindowsX86Code, NoX87ArithmeticInAnyCodeOfThePlugins) {
    std::vector<std::pair<std::string, std::string>> modules; // objdump, module
    for (const char *target : {"win64", "win32"}) {
        if (auto why = toolchain_missing(target); !why.empty()) GTEST_SKIP() << why;
        for (const Build &each : builds(target)) {
            if (auto why = missing_tool(pe_objdump(each), "mingw-w64 binutils"); !why.empty()) GTEST_SKIP() << why;
            ASSERT_EQ(require_module(each), "");
            modules.push_back({pe_objdump(each), each.module()});
        }
    }
    for (const std::string &pd : pd_externals("win64")) modules.push_back({VIBREL_MINGW64_OBJDUMP, pd});
    ASSERT_EQ(modules.size(), 8u) << "build the cross targets with .ci/cross.sh";
    for (const auto &[objdump, module] : modules) {
        const Listing listing = disassemble(objdump, module);
        ASSERT_EQ(listing.error, "");
        long moves = 0, arithmetic = 0;
        for (const Instruction &i : listing.code) {
            if (i.op[0] != 'f' || kX87Control.count(i.op)) continue;
            const bool move = kX87Moves.count(i.op) > 0;
            moves += move;
            arithmetic += !move;
            EXPECT_TRUE(move) << module << " " << i.function << ": " << i.line;
        }
        std::printf("%s: %zu instructions in %zu functions, %ld x87 moves, %ld x87 arithmetic\n", module.c_str(),
                    listing.code.size(), listing.functions.size(), moves, arithmetic);
        EXPECT_GT(listing.code.size(), 5000u) << "too little code disassembled from " << module;
    }
}

// One rounding where the design has two changes the samples: no fused multiply-add in any plug-in or Pd
// external of any target. arm64 fmadd/fmsub/fnmadd/fnmsub and the vector fmla/fmls; armv7 vfma/vfms/vfnma/vfnms (VFPv4,
// NEON); x86 FMA3/FMA4 (vfmadd..., vfnmsub...). armv7's vmla/vmls round the product first: not fused.
TEST(PluginCode, NoFusedMultiplyAddInAnyPluginOfAnyTarget) {
    if (auto why = missing_tool(VIBREL_LLVM_OBJDUMP, "llvm-objdump (package llvm)"); !why.empty()) GTEST_SKIP() << why;
    struct Binary {
        std::string path, options;
    };
    std::vector<Binary> binaries = {{VIBREL_LINUX_MODULE_FULL, ""}, {VIBREL_LINUX_MODULE_LITE, ""}};
    for (const char *target : {"win64", "win32", "macos", "aarch64", "armv7"}) {
        if (auto why = toolchain_missing(target); !why.empty()) {
            std::printf("%s not checked: %s\n", target, why.c_str());
            continue;
        }
        std::vector<std::string> modules = pd_externals(target); // and the target's Pd externals
        for (const Build &b : builds(target)) {
            ASSERT_EQ(require_module(b), "");
            modules.push_back(b.module());
        }
        for (const std::string &module : modules) {
            if (std::string(target) != "macos")
                binaries.push_back({module, ""});
            else
                for (const char *arch : {"x86_64", "arm64"})
                    binaries.push_back({module, std::string("--macho --arch=") + arch});
        }
    }
    static const std::regex fused(R"(^(fn?madd|fn?msub|fmla|fmls|vfn?ma|vfn?ms)(\..*)?$|^vfn?m(add|sub).*)");
    for (const Binary &bin : binaries) {
        const Listing listing = disassemble(VIBREL_LLVM_OBJDUMP, bin.path, bin.options);
        ASSERT_EQ(listing.error, "");
        for (const Instruction &i : listing.code)
            EXPECT_FALSE(std::regex_match(i.op, fused)) << bin.path << " " << bin.options << ": " << i.line;
        EXPECT_GT(listing.code.size(), 1000u) << "too little code disassembled from " << bin.path << " " << bin.options;
    }
}

class MacBundle : public testing::TestWithParam<Build> {};

TEST_P(MacBundle, HoldsAnX86_64AndAnArm64Slice) {
    const Build &b = GetParam();
    if (auto why = toolchain_missing(b.target); !why.empty()) GTEST_SKIP() << why;
    if (auto why = missing_tool(VIBREL_LLVM_LIPO, "llvm-lipo (package llvm)"); !why.empty()) GTEST_SKIP() << why;
    ASSERT_EQ(require_module(b), "");
    const Result r = run(quote(VIBREL_LLVM_LIPO) + " -archs " + quote(b.module()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "x86_64 arm64 \n");
}

// Each slice as the system loader reads it: (variant, "x86_64" or "arm64").
using Slice = std::tuple<Build, std::string>;
class MacSlice : public testing::TestWithParam<Slice> {};

TEST_P(MacSlice, BindsTheAudioFrameworkAndLeavesTheRestToTheHost) {
    const auto &[b, arch] = GetParam();
    if (auto why = toolchain_missing(b.target); !why.empty()) GTEST_SKIP() << why;
    if (auto why = missing_tool(VIBREL_LLVM_OBJDUMP, "llvm-objdump (package llvm)"); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_EQ(require_module(b), "");
    const Result r = run(quote(VIBREL_LLVM_OBJDUMP) + " --macho --arch=" + arch +
                         " --dylibs-used --exports-trie --bind --lazy-bind --private-headers " + quote(b.module()));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const MachO o = parse_macho(r.out);

    EXPECT_EQ(o.cpu, arch == "x86_64" ? "X86_64" : "ARM64");
    EXPECT_EQ(o.fileType, "BUNDLE");
    // Intel Macs from 10.6 on (the older load command); Apple Silicon from macOS 11.
    EXPECT_EQ(o.minVersion, arch == "x86_64" ? "10.6" : "");
    EXPECT_EQ(o.buildVersion, arch == "x86_64" ? "" : "macos 11.0");
    EXPECT_EQ(o.exports, std::vector<std::string>{"_main"});
    const std::string libSystem = "/usr/lib/libSystem.B.dylib";
    const std::string framework = "@executable_path/../Frameworks/MaxAudioAPI.framework/Versions/A/MaxAudioAPI";
    EXPECT_EQ(o.dylibs, (std::vector<std::string>{libSystem, framework}));
    // The loader refuses a library whose compatibility version is below the one recorded here, and
    // the host's framework says 0.0.0.
    EXPECT_EQ(o.dylibVersions, (std::map<std::string, std::string>{{libSystem, "compatibility 1.0.0, current 125.2.0"},
                                                                   {framework, "compatibility 0.0.0, current 0.0.0"}}));

    std::set<std::string> flat, audio, system;
    for (const auto &[symbol, dylib] : o.binds) {
        if (dylib == "flat-namespace")
            flat.insert(symbol.substr(1));
        else if (dylib == "MaxAudioAPI")
            audio.insert(symbol.substr(1));
        else if (dylib == "libSystem")
            system.insert(symbol);
        else
            ADD_FAILURE() << symbol << " binds to " << dylib;
    }
    EXPECT_EQ(audio, kMaxAudio);
    EXPECT_EQ(flat, with(kHostCommon, {"object_method_imp"})); // resolved by name in the host process
    // The C library functions of cmake/macos/include (all in libSystem.tbd), the stack guard, the binder,
    // and x86_64's zeroing call.
    const std::set<std::string> libc = {
        "_cos",  "_sin",  "_tan",   "_floor",   "_ceil",   "_round",  "_trunc",  "_fabs",
        "_fmod", "_fmin", "_fmax",  "_sqrt",    "_exp",    "_log",    "_log10",  "_pow",
        "_sprintf", "_memset", "_bzero", "_memcpy", "_memmove", "_strlen", "___stack_chk_guard",
        "___stack_chk_fail", "dyld_stub_binder", "___bzero"};
    for (const std::string &s : system) EXPECT_TRUE(libc.count(s)) << s << " from libSystem";
    EXPECT_TRUE(system.count("_sprintf") && system.count("_log10"));
    EXPECT_FALSE(system.count("_cos") || system.count("_floor")) << "the string's cosine and floor are its own";
}

TEST_P(MacBundle, AvxOnlyInTheAvxRoutines) {
    const Build &b = GetParam();
    if (auto why = toolchain_missing(b.target); !why.empty()) GTEST_SKIP() << why;
    if (auto why = missing_tool(VIBREL_LLVM_OBJDUMP, "llvm-objdump (package llvm)"); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_EQ(require_module(b), "");
    for (const std::string &f : avx_faults(VIBREL_LLVM_OBJDUMP, b.module(), false, "--macho --arch=x86_64"))
        ADD_FAILURE() << f;
}

TEST_P(MacBundle, HasTheHostsBundleLayout) {
    const Build &b = GetParam();
    if (auto why = toolchain_missing(b.target); !why.empty()) GTEST_SKIP() << why;
    ASSERT_EQ(require_module(b), "");
    EXPECT_EQ(read_file(b.bundle() + "/Contents/PkgInfo"), "iLaXmax2");
    const std::string plist = read_file(b.bundle() + "/Contents/Info.plist");
    auto value = [&](const std::string &key) {
        std::smatch m;
        const std::regex entry("<key>" + key + "</key>\\s*<string>([^<]*)</string>");
        return std::regex_search(plist, m, entry) ? m[1].str() : std::string("(absent)");
    };
    EXPECT_EQ(value("CFBundleExecutable"), b.className());
    EXPECT_EQ(value("CFBundlePackageType"), "iLaX");
    EXPECT_EQ(value("CFBundleSignature"), "max2");
    EXPECT_TRUE(std::regex_match(value("CFBundleIdentifier"), std::regex(R"([A-Za-z0-9.-]+)")))
        << value("CFBundleIdentifier");
    EXPECT_TRUE(std::regex_match(value("CFBundleVersion"), std::regex(R"(\d+(\.\d+)*)")));
    EXPECT_EQ(value("CFBundleShortVersionString"), value("CFBundleVersion"));
}

std::string build_name(const testing::TestParamInfo<Build> &info) { return info.param.name(); }

INSTANTIATE_TEST_SUITE_P(Windows, WindowsModule,
                         testing::Values(Build{"win64", "full"}, Build{"win64", "lite"}, Build{"win32", "full"},
                                         Build{"win32", "lite"}),
                         build_name);
INSTANTIATE_TEST_SUITE_P(MacOS, MacBundle, testing::Values(Build{"macos", "full"}, Build{"macos", "lite"}),
                         build_name);
INSTANTIATE_TEST_SUITE_P(MacOS, MacSlice,
                         testing::Combine(testing::Values(Build{"macos", "full"}, Build{"macos", "lite"}),
                                          testing::Values("x86_64", "arm64")),
                         [](const testing::TestParamInfo<Slice> &info) {
                             return std::get<0>(info.param).name() + "_" + std::get<1>(info.param);
                         });

} // namespace
