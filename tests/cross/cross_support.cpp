// Running the cross-build readers and Wine, and parsing their output.
#include "cross_support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

namespace cross {

std::string Build::dir() const { return std::string(VIBREL_CROSS_ROOT) + "/" + target; }

std::string Build::module() const {
    if (target == "win64") return dir() + "/externals/" + className() + ".mxe64";
    if (target == "win32") return dir() + "/externals/" + className() + ".mxe";
    if (target == "aarch64" || target == "armv7") return dir() + "/externals/" + className() + ".so";
    return bundle() + "/Contents/MacOS/" + className();
}

std::string Build::bundle() const { return dir() + "/externals/" + className() + ".mxo"; }

std::vector<Build> builds(const std::string &target) { return {{target, "full"}, {target, "lite"}}; }

std::vector<std::string> pd_externals(const std::string &target) {
    std::vector<std::string> files;
    static const std::regex named(R"(.*\.(linux|windows|darwin)-[a-z0-9]+-(32|64)\.(so|dll)$)");
    std::error_code error;
    for (const auto &e : std::filesystem::directory_iterator(Build{target, "full"}.dir() + "/pd/vibrel", error))
        if (std::regex_match(e.path().filename().string(), named)) files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string quote(const std::string &arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

Result run(const std::string &command) {
    Result r;
    char errPath[] = "/tmp/vibrel-cross-stderr-XXXXXX";
    const int errFd = mkstemp(errPath);
    if (errFd < 0) return r;
    close(errFd);
    FILE *p = popen(("{ " + command + "; } 2>" + quote(errPath)).c_str(), "r");
    if (!p) {
        unlink(errPath);
        return r;
    }
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = read_file(errPath);
    unlink(errPath);
    std::string clean;
    clean.reserve(r.out.size());
    for (char c : r.out)
        if (c != '\r') clean += c;
    r.out.swap(clean);
    return r;
}

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string missing_tool(const std::string &path, const std::string &what) {
    if (path.empty() || path.find("NOTFOUND") != std::string::npos || !exists(path))
        return what + " is not installed (" + (path.empty() ? "?" : path) + "); the cross build cannot be checked here";
    return {};
}

static std::string compiler_missing(const std::string &target) {
    if (target == "win64") return missing_tool(VIBREL_MINGW64_CXX, "g++-mingw-w64-x86-64");
    if (target == "win32") return missing_tool(VIBREL_MINGW32_CXX, "g++-mingw-w64-i686");
    if (target == "aarch64") {
        if (auto why = missing_tool(VIBREL_AARCH64_CXX, "g++-aarch64-linux-gnu"); !why.empty()) return why;
        return missing_tool(VIBREL_QEMU_AARCH64, "qemu-aarch64 (package qemu-user)");
    }
    if (target == "armv7") {
        if (auto why = missing_tool(VIBREL_ARMV7_CXX, "g++-arm-linux-gnueabihf"); !why.empty()) return why;
        return missing_tool(VIBREL_QEMU_ARM, "qemu-arm (package qemu-user)");
    }
    return missing_tool(VIBREL_MACOS_LINKER, "ld64.lld (package lld)");
}

std::string toolchain_missing(const std::string &target) {
    if (auto why = compiler_missing(target); !why.empty()) return why;
    // A plain build does not run .ci/cross.sh. Where VIBREL_REQUIRE_ALL is set (./dev test) the test runs
    // and fails on what is missing instead.
    const char *all = std::getenv("VIBREL_REQUIRE_ALL");
    const std::string module = Build{target, "full"}.module();
    if ((!all || !*all || std::string(all) == "0") && !exists(module))
        return "the " + target + " build is not made (" + module + "): .ci/cross.sh makes it";
    return {};
}

static std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) lines.push_back(l);
    return lines;
}

PeTables parse_pe(const std::string &out) {
    PeTables t;
    static const std::regex format(R"(file format (\S+))");
    static const std::regex dll(R"(^\s*DLL Name: (\S+))");
    static const std::regex import(R"(^\s+[0-9a-f]+\s+\d+\s+(\S+)$)");
    static const std::regex exportName(R"(^\s*\[\s*\d+\] (\S+)$)");
    std::string currentDll;
    bool inNames = false;
    std::smatch m;
    for (const std::string &l : lines_of(out)) {
        if (t.format.empty() && std::regex_search(l, m, format)) t.format = m[1];
        if (std::regex_search(l, m, dll)) {
            currentDll = m[1];
            t.imports[currentDll];
            continue;
        }
        if (l.empty() || l.find("Export Table") != std::string::npos) currentDll.clear();
        if (!currentDll.empty() && std::regex_match(l, m, import) && l.find("vma:") == std::string::npos)
            t.imports[currentDll].insert(m[1]);
        if (l.find("[Ordinal/Name Pointer] Table") != std::string::npos) {
            inNames = true;
            continue;
        }
        if (inNames) {
            if (std::regex_match(l, m, exportName))
                t.exports.push_back(m[1]);
            else
                inNames = false;
        }
    }
    return t;
}

MachO parse_macho(const std::string &out) {
    MachO o;
    enum { None, Dylibs, Exports, Bind, LazyBind } part = None;
    static const std::regex header(R"(^\s*MH_MAGIC_64\s+(\S+)\s+\S+\s+\S+\s+(\S+))");
    static const std::regex dylib(R"(^\t(\S+) \(compatibility version (\S+), current version ([^)]+)\))");
    static const std::regex exported(R"(^0x[0-9A-Fa-f]+\s+(\S+))");
    static const std::regex bind(R"(^__\S+\s+__\S+\s+0x[0-9A-Fa-f]+\s+pointer\s+\S+\s+(\S+)\s+(\S+))");
    static const std::regex lazy(R"(^__\S+\s+__\S+\s+0x[0-9A-Fa-f]+\s+(\S+)\s+(\S+))");
    static const std::regex version(R"(^\s*version (\S+))");
    static const std::regex platform(R"(^\s*platform (\S+))"), minos(R"(^\s*minos (\S+))");
    static const std::regex field(R"(^\s*(offset|size) (0x[0-9a-f]+|\d+)$)");
    bool inVersionMin = false, inText = false;
    std::string buildPlatform;
    std::smatch m;
    for (const std::string &l : lines_of(out)) {
        if (l.find(":") == l.size() - 1 && l.find("/") != std::string::npos) {
            part = Dylibs;
            continue;
        }
        if (l.rfind("Mach header", 0) == 0 || l.rfind("Load command", 0) == 0) part = None;
        if (l.rfind("Exports trie:", 0) == 0) { part = Exports; continue; }
        if (l.rfind("Bind table:", 0) == 0) { part = Bind; continue; }
        if (l.rfind("Lazy bind table:", 0) == 0) { part = LazyBind; continue; }
        if (std::regex_search(l, m, header)) {
            o.cpu = m[1];
            o.fileType = m[2];
        }
        if (l.find("cmd LC_VERSION_MIN_MACOSX") != std::string::npos) inVersionMin = true;
        if (inVersionMin && std::regex_search(l, m, version)) {
            o.minVersion = m[1];
            inVersionMin = false;
        }
        if (std::regex_search(l, m, platform)) buildPlatform = m[1];
        if (std::regex_search(l, m, minos)) o.buildVersion = buildPlatform + " " + m[1].str();
        if (l.find("sectname ") != std::string::npos) inText = l.find("sectname __text") != std::string::npos;
        if (inText && std::regex_match(l, m, field)) {
            (m[1] == "offset" ? o.textOffset : o.textSize) = std::stol(m[2], nullptr, 0);
        }
        if (part == Dylibs && std::regex_search(l, m, dylib)) {
            o.dylibs.push_back(m[1]);
            o.dylibVersions[m[1]] = "compatibility " + m[2].str() + ", current " + m[3].str();
        }
        if (part == Exports && std::regex_search(l, m, exported)) o.exports.push_back(m[1]);
        if (part == Bind && std::regex_search(l, m, bind)) o.binds[m[2]] = m[1];
        if (part == LazyBind && std::regex_search(l, m, lazy)) o.binds[m[2]] = m[1];
    }
    return o;
}

Transcript parse_transcript(const std::string &out) {
    Transcript t;
    std::vector<unsigned long long> *samples = nullptr;
    long left = 0;
    for (const std::string &l : lines_of(out)) {
        if (left > 0) {
            samples->push_back(std::stoull(l, nullptr, 16));
            left--;
            continue;
        }
        if (l.rfind("run ", 0) == 0) {
            std::istringstream in(l.substr(4));
            std::string label;
            in >> label >> left;
            samples = &t.runs[label];
            t.runOrder.push_back(label);
            continue;
        }
        t.lines.push_back(l);
    }
    return t;
}

std::map<std::string, double> silent_after(const Transcript &t) {
    std::map<std::string, double> seconds;
    for (const std::string &l : t.lines) {
        char label[64], frame[32];
        if (std::sscanf(l.c_str(), "silence %63s %31s", label, frame) == 2)
            seconds[label] = std::string(frame) == "never" ? -1.0 : std::atof(frame) / 44100.0;
    }
    return seconds;
}

std::string script_path(const std::string &name) { return std::string(VIBREL_CROSS_SCRIPTS) + "/" + name; }

// Wine sees the Linux file system as drive Z:.
std::string windows_path(const std::string &path) {
    std::string w = "Z:" + path;
    for (char &c : w)
        if (c == '/') c = '\\';
    return w;
}

std::string wine_missing(const std::string &target) {
    if (auto why = missing_tool(VIBREL_WINE, "Wine (packages wine, wine64, wine32:i386)"); !why.empty()) return why;
    // Debian's layout: the 64-bit and 32-bit loaders come in packages of their own.
    const std::string loader = target == "win64" ? "/usr/lib/wine/wine64" : "/usr/lib/wine/wine";
    if (exists("/usr/lib/wine") && !exists(loader))
        return loader + " is missing (package " + (target == "win64" ? "wine64" : "wine32:i386") +
               "); the " + target + " build cannot be run here";
    return {};
}

// A prefix made before wine32 was installed lacks the 32-bit side; .ci/cross.sh makes a fresh one.
static void ensure_prefix() {
    static bool ready = false;
    if (ready) return;
    if (!exists(std::string(VIBREL_WINEPREFIX) + "/system.reg"))
        run("WINEPREFIX=" + quote(VIBREL_WINEPREFIX) + " WINEDEBUG=-all " + quote(VIBREL_WINE) +
            " wineboot --init >/dev/null 2>&1");
    ready = true;
}

Result run_wine(const std::string &program, const std::string &arguments) {
    ensure_prefix();
    return run("WINEPREFIX=" + quote(VIBREL_WINEPREFIX) + " WINEDEBUG=-all " + quote(VIBREL_WINE) + " " +
               quote(program) + " " + arguments);
}

Result run_windows(const Build &b, const std::string &script) {
    return run_wine(b.dir() + "/testhost/vibrel_script_driver.exe",
                    quote(windows_path(b.module())) + " " + quote(b.className()) + " " + quote(windows_path(script)));
}

std::vector<std::string> without_build_time(std::vector<std::string> lines) {
    for (std::string &s : lines)
        if (s.find("this version compiled:") != std::string::npos) s = "(build time)";
    return lines;
}

Result run_qemu(const Build &b, const std::string &script) {
    const bool arm64 = b.target == "aarch64";
    return run(quote(arm64 ? VIBREL_QEMU_AARCH64 : VIBREL_QEMU_ARM) + " -L " +
               quote(arm64 ? VIBREL_AARCH64_SYSROOT : VIBREL_ARMV7_SYSROOT) + " " +
               quote(b.dir() + "/vibrel_script_driver") + " " + quote(b.module()) + " " + quote(b.className()) + " " +
               quote(script));
}

Result run_linux(const std::string &variant, const std::string &script) {
    const std::string module = variant == "full" ? VIBREL_LINUX_MODULE_FULL : VIBREL_LINUX_MODULE_LITE;
    return run(quote(VIBREL_SCRIPT_DRIVER) + " " + quote(module) + " " +
               quote(variant == "full" ? "vibrel~" : "vibrel-lite~") + " " + quote(script));
}

} // namespace cross
