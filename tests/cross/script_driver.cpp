// Runs a plug-in module through the host emulator from a small script and prints what the host sees:
// console lines and output samples as exact bit patterns. Built for Linux and, as the Windows test host,
// for both Windows targets, so that the cross tests can compare the builds sample by sample.
//
// usage: vibrel_script_driver <module> <class name> <script>
// Script lines (words separated by spaces; '#' starts a comment line):
//   new [args...]                   create an object of the class ("new 20000")
//   send <message>                  "send period 100.5"
//   dsp <rate> <c0> <c1> <c2>       build the chain: sample rate in Hz, connection flags of the 3 inlets
//   run <label> <frames> <block> <excitation> <gain> <period>
//                                   run frames in vectors of block frames; each input is a signal:
//                                   zero | impulse | const:<v> | ramp:<from>:<to> | noise:<seed>
//                                   | burst:<seed>:<frames> (noise, then zeros)
//   assist <msg> <index>            hover help: msg 1 an inlet, 2 an outlet; prints "assist <text>"
//   console                         print and forget the console lines
//   free                            delete the object
// Output: "console <line>", and for run "run <label> <frames>" followed by one 16-digit hex word per
// sample. Errors go to stderr with exit status 1.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host_emulator.h"

namespace {

[[noreturn]] void fail(const std::string &why) {
    std::fprintf(stderr, "vibrel_script_driver: %s\n", why.c_str());
    std::exit(1);
}

std::vector<std::string> split(const std::string &text, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, sep))
        if (!part.empty() || sep != ' ') parts.push_back(part);
    return parts;
}

double number(const std::string &word) {
    char *end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (word.empty() || *end) fail("not a number: " + word);
    return v;
}

// Uniform in [-1, 1) from a 64-bit linear congruential generator: integer steps and exact scalings
// only, so every build makes the same doubles.
struct Noise {
    std::uint64_t s;
    double next() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return (double)(s >> 11) * 0x1p-52 - 1.0;
    }
};

// A whole input signal of n frames from its description.
std::vector<double> signal(const std::string &description, long n) {
    std::vector<double> v((std::size_t)n, 0.0);
    const std::vector<std::string> p = split(description, ':');
    if (p.empty()) fail("empty signal");
    if (p[0] == "zero") {
    } else if (p[0] == "impulse") {
        if (n > 0) v[0] = 1.0;
    } else if (p[0] == "const" && p.size() == 2) {
        const double c = number(p[1]);
        for (double &x : v) x = c;
    } else if (p[0] == "ramp" && p.size() == 3) {
        const double a = number(p[1]), b = number(p[2]);
        for (long i = 0; i < n; i++) v[(std::size_t)i] = a + (b - a) * ((double)i / (double)(n > 1 ? n - 1 : 1));
    } else if ((p[0] == "noise" && p.size() == 2) || (p[0] == "burst" && p.size() == 3)) {
        Noise g{(std::uint64_t)number(p[1])};
        const long len = p[0] == "burst" ? (long)number(p[2]) : n;
        for (long i = 0; i < n && i < len; i++) v[(std::size_t)i] = g.next();
    } else {
        fail("unknown signal: " + description);
    }
    return v;
}

std::string rest_of(const std::vector<std::string> &w, std::size_t from) {
    std::string s;
    for (std::size_t i = from; i < w.size(); i++) s += (s.empty() ? "" : " ") + w[i];
    return s;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) fail("usage: vibrel_script_driver <module> <class name> <script>");
    const std::string className = argv[2];
    std::ifstream script(argv[3]);
    if (!script) fail(std::string("cannot read ") + argv[3]);

    vibrel_emu::Host host;
    std::string error;
    if (!host.load(argv[1], &error)) fail(error);

    vibrel_emu::Object *obj = nullptr;
    std::string line;
    while (std::getline(script, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> w = split(line, ' ');
        if (w.empty() || w[0][0] == '#') continue;
        const std::string &cmd = w[0];
        if (cmd == "new") {
            if (obj) host.free(obj);
            obj = host.create(rest_of(w, 1).empty() ? className : className + " " + rest_of(w, 1));
            std::printf("new %s\n", obj ? "ok" : "null");
        } else if (cmd == "console") {
            for (const std::string &l : host.take_console()) std::printf("console %s\n", l.c_str());
        } else if (!obj) {
            fail("no object for: " + line);
        } else if (cmd == "send") {
            if (!host.send(obj, rest_of(w, 1))) std::printf("send failed\n");
        } else if (cmd == "dsp" && w.size() == 5) {
            const bool ok = host.dsp(obj, {(short)number(w[2]), (short)number(w[3]), (short)number(w[4])},
                                     number(w[1]), 4096);
            if (!ok) fail("no perform routine added: " + line);
        } else if (cmd == "run" && w.size() == 7) {
            const long n = (long)number(w[2]), block = (long)number(w[3]);
            if (n < 0 || block <= 0) fail("bad run: " + line);
            const std::vector<double> in0 = signal(w[4], n), in1 = signal(w[5], n), in2 = signal(w[6], n);
            std::vector<double> out((std::size_t)n, 0.0);
            for (long at = 0; at < n; at += block) {
                const long len = n - at < block ? n - at : block;
                host.run(obj, {in0.data() + at, in1.data() + at, in2.data() + at}, out.data() + at, len);
            }
            std::printf("run %s %ld\n", w[1].c_str(), n);
            for (double y : out) {
                std::uint64_t bits;
                std::memcpy(&bits, &y, sizeof bits);
                std::printf("%016" PRIx64 "\n", bits);
            }
        } else if (cmd == "assist" && w.size() == 3) {
            std::printf("assist %s\n", host.assist(obj, (long)number(w[1]), (long)number(w[2])).c_str());
        } else if (cmd == "free") {
            host.free(obj);
            obj = nullptr;
        } else {
            fail("unknown command: " + line);
        }
    }
    std::fflush(stdout);
    return 0;
}
