// Helpers of the cross-build tests: where the Windows and macOS builds are, running the tools that
// read them (objdump, Wine), and parsing what those tools print.
#pragma once

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace cross {

// One deliverable of one target: "win64"/"win32"/"macos" (the universal bundles)/"aarch64"/"armv7" (the
// Linux ARM builds run under qemu) and "full"/"lite".
struct Build {
    std::string target;
    std::string variant;
    std::string className() const { return variant == "full" ? "vibrel~" : "vibrel-lite~"; }
    std::string dir() const;    // <cross root>/<target>
    std::string module() const; // the .mxe64, .mxe, the bundle's executable, or the .so
    std::string bundle() const; // macOS: the .mxo folder
    std::string name() const { return target + "_" + variant; }
};

inline void PrintTo(const Build &b, std::ostream *os) { *os << b.name(); }

std::vector<Build> builds(const std::string &target); // both variants
// The Pd externals of a cross build by their Pd 0.54+ names (<cross root>/<target>/pd/vibrel), sorted.
std::vector<std::string> pd_externals(const std::string &target);

struct Result {
    int status = -1;
    std::string out; // stdout, carriage returns removed
    std::string err; // stderr
};
Result run(const std::string &command); // stderr apart, unless the command redirects it
std::string quote(const std::string &arg); // for the shell
bool exists(const std::string &path);
std::string read_file(const std::string &path);

// Empty when the tool is there, else why the test cannot run.
std::string missing_tool(const std::string &path, const std::string &what);
// Empty when the compiler or linker of a cross target ("win64", "win32", "macos", "aarch64", "armv7") is
// installed (for the Linux ARM targets, their qemu as well) and the target is built (.ci/cross.sh), or
// VIBREL_REQUIRE_ALL is set.
std::string toolchain_missing(const std::string &target);

// Tables of a PE image as `objdump -p` prints them.
struct PeTables {
    std::string format;                                   // "pei-x86-64" or "pei-i386"
    std::vector<std::string> exports;                     // by name
    std::map<std::string, std::set<std::string>> imports; // DLL name -> imported names
};
PeTables parse_pe(const std::string &objdumpOutput);

// The parts of `llvm-objdump --macho --dylibs-used --exports-trie --bind --lazy-bind --private-headers`
// (of one slice: --arch=x86_64 or --arch=arm64).
struct MachO {
    std::string cpu;                          // "X86_64", "ARM64"
    std::string fileType;                     // "BUNDLE"
    std::vector<std::string> dylibs;          // load commands, in order
    std::map<std::string, std::string> dylibVersions; // dylib -> "compatibility 1.0.0, current 125.2.0"
    std::vector<std::string> exports;         // exports trie
    std::map<std::string, std::string> binds; // symbol -> dylib column (bind and lazy bind)
    std::string minVersion;                   // LC_VERSION_MIN_MACOSX "version"
    std::string buildVersion;                 // LC_BUILD_VERSION "<platform> <minos>", e.g. "macos 11.0"
    long textOffset = -1, textSize = -1;      // section __TEXT,__text in the slice's file
};
MachO parse_macho(const std::string &llvmObjdumpOutput);

// What the script driver printed: everything but the samples, and the samples of each run by label.
struct Transcript {
    std::vector<std::string> lines;
    std::map<std::string, std::vector<unsigned long long>> runs;
    std::vector<std::string> runOrder;
};
Transcript parse_transcript(const std::string &out);
// Seconds (at 44.1 kHz) until each run of silence.script falls exactly silent, by label; -1: never.
std::map<std::string, double> silent_after(const Transcript &t);

std::string windows_path(const std::string &path); // as Wine's programs name it (drive Z:)
// Runs a Windows program under Wine (arguments already quoted); the Wine prefix is made on first use.
Result run_wine(const std::string &program, const std::string &arguments);
// Runs the Windows test host of a build under Wine on a script.
Result run_windows(const Build &b, const std::string &script);
std::string wine_missing(const std::string &target); // empty when Wine can run that Windows target

// Runs the Linux build of the same variant through the Linux script driver.
Result run_linux(const std::string &variant, const std::string &script);
// Runs a Linux ARM build ("aarch64", "armv7") through its own script driver under qemu-aarch64 or qemu-arm.
Result run_qemu(const Build &b, const std::string &script);

// Console lines with the build-time line blanked: it differs between any two builds.
std::vector<std::string> without_build_time(std::vector<std::string> lines);

std::string script_path(const std::string &name);

} // namespace cross
