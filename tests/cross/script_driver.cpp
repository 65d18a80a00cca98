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
//   silence <label> <frames> <block> <excitation> <gain> <period>
//                                   as run, but prints only "silence <label> <frame>": the first frame
//                                   from which every output sample is exactly 0, or "never"
//   empty <n>                       one perform call with a frame count of n (0 or below)
//   fpmode default | flush          the driver's own floating-point mode for the calls that follow:
//                                   the processor's default, or flush-to-zero already set
//   assist <msg> <index>            hover help: msg 1 an inlet, 2 an outlet; prints "assist <text>"
//   console                         print and forget the console lines
//   free                            delete the object
// Output: "console <line>", and for run "run <label> <frames>" followed by one 16-digit hex word per
// sample. Errors go to stderr with exit status 1; so does a perform call that returns with the
// driver's floating-point mode changed.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "float_mode.h"
#ifdef VIBREL_SCRIPT_HOST
#include VIBREL_SCRIPT_HOST // another host behind the same interface (tests/pd/standin/pd_host.h)
#else
#include "host_emulator.h"
#endif

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

// An input signal of n frames from its description, made a block at a time (a long run needs no
// whole copy of its inputs).
class Signal {
  public:
    Signal(const std::string &description, long n) : n_(n) {
        const std::vector<std::string> p = split(description, ':');
        if (p.empty()) fail("empty signal");
        kind_ = p[0];
        if (kind_ == "zero" || kind_ == "impulse") {
        } else if (kind_ == "const" && p.size() == 2) {
            a_ = number(p[1]);
        } else if (kind_ == "ramp" && p.size() == 3) {
            a_ = number(p[1]);
            b_ = number(p[2]);
        } else if ((kind_ == "noise" && p.size() == 2) || (kind_ == "burst" && p.size() == 3)) {
            noise_.s = (std::uint64_t)number(p[1]);
            burst_ = kind_ == "burst" ? (long)number(p[2]) : n;
        } else {
            fail("unknown signal: " + description);
        }
    }

    // The next len frames.
    const double *next(long len) {
        block_.assign((std::size_t)len, 0.0);
        for (long j = 0; j < len; j++, at_++) {
            double &v = block_[(std::size_t)j];
            if (kind_ == "impulse") {
                v = at_ == 0 ? 1.0 : 0.0;
            } else if (kind_ == "const") {
                v = a_;
            } else if (kind_ == "ramp") {
                v = a_ + (b_ - a_) * ((double)at_ / (double)(n_ > 1 ? n_ - 1 : 1));
            } else if (kind_ == "noise" || kind_ == "burst") {
                if (at_ < burst_) v = noise_.next();
            }
        }
        return block_.data();
    }

  private:
    std::string kind_;
    long n_, at_ = 0, burst_ = 0;
    double a_ = 0.0, b_ = 0.0;
    Noise noise_{0};
    std::vector<double> block_;
};

// Every perform call must hand the driver back its floating-point mode as it was.
void check_mode(const vibrel_emu::Host &host, const std::string &line) {
    if (host.fp_mode_changes() != 0) fail("a perform call changed the caller's floating-point mode: " + line);
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
    const vibrel_fp::ControlWord defaultMode = vibrel_fp::read_control();
    double emptyOutput = 0.0; // never written: an empty call touches no vector
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
        } else if (!obj && cmd == "send") {
            std::printf("send: no object\n"); // after a refused box, as the host would ignore it
        } else if (!obj) {
            fail("no object for: " + line);
        } else if (cmd == "send") {
            if (!host.send(obj, rest_of(w, 1))) std::printf("send failed\n");
        } else if (cmd == "dsp" && w.size() == 5) {
            const bool ok = host.dsp(obj, {(short)number(w[2]), (short)number(w[3]), (short)number(w[4])},
                                     number(w[1]), 4096);
            if (!ok) fail("no perform routine added: " + line);
        } else if ((cmd == "run" || cmd == "silence") && w.size() == 7) {
            const long n = (long)number(w[2]), block = (long)number(w[3]);
            if (n < 0 || block <= 0) fail("bad run: " + line);
            Signal in0(w[4], n), in1(w[5], n), in2(w[6], n);
            std::vector<double> out(cmd == "run" ? (std::size_t)n : (std::size_t)block, 0.0);
            long silentFrom = 0; // first frame of the all-zero tail so far
            for (long at = 0; at < n; at += block) {
                const long len = n - at < block ? n - at : block;
                double *y = cmd == "run" ? out.data() + at : out.data();
                host.run(obj, {in0.next(len), in1.next(len), in2.next(len)}, y, len);
                check_mode(host, line);
                for (long j = 0; j < len; j++)
                    if (y[j] != 0.0) silentFrom = at + j + 1;
            }
            if (cmd == "silence") {
                if (silentFrom < n)
                    std::printf("silence %s %ld\n", w[1].c_str(), silentFrom);
                else
                    std::printf("silence %s never\n", w[1].c_str());
                continue;
            }
            std::printf("run %s %ld\n", w[1].c_str(), n);
            for (double y : out) {
                std::uint64_t bits;
                std::memcpy(&bits, &y, sizeof bits);
                std::printf("%016" PRIx64 "\n", bits);
            }
        } else if (cmd == "empty" && w.size() == 2) {
            const long n = (long)number(w[1]);
            if (n > 0) fail("bad empty call: " + line);
            host.run(obj, {nullptr, nullptr, nullptr}, &emptyOutput, n);
            check_mode(host, line);
        } else if (cmd == "fpmode" && w.size() == 2 && (w[1] == "default" || w[1] == "flush")) {
            vibrel_fp::write_control(w[1] == "flush" ? defaultMode | vibrel_fp::kFlushToZero : defaultMode);
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
