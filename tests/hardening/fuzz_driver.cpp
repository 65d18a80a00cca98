// Plays fuzzer bytes through the host emulator: creation arguments of every atom type, any message
// with any values, chain builds with any connection flags, sample rate and vector size, vectors of
// arbitrary doubles (in place too), and perform calls with frame counts of 0 and below.
#include "fuzz_driver.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

#include "fuzz_input.h"
#include "host_emulator.h"
#include "record_check.h"

namespace hardening {

namespace {

using vibrel_emu::Atom;
using vibrel_emu::Host;
using vibrel_emu::Object;
using Perform = void (*)(void *, t_object *, double **, long, double **, long, long, long, void *);

constexpr int kMaxObjects = 4;
constexpr int kMaxSteps = 96;
constexpr long kMaxFramesPerInput = 1L << 16;      // keeps one input fast
constexpr std::size_t kAllocationLimit = 8u << 20; // bytes: delay lines up to about 1M slots
// Excitation below this magnitude must give finite output: the loop's gain never exceeds 1.
constexpr double kModerate = 1e100;
constexpr int kInlets = 3;

const char *const kSelectors[] = {"period", "gain",  "fbgain", "brightness", "clear", "info", "params",
                                  "assist", "dsp64", "int",    "float",      "list",  "bang", "signal"};
const char *const kWords[] = {"foo", "inf", "nan", "-", "0x10", "vibrel~", "1e", "20000.5.1", "+"};
const long long kLongs[] = {0,         -5,        100,       8191,      8192,      8193,
                            10000,     20000,     65536,     1LL << 19, 1LL << 20, (1LL << 31) - 1,
                            1LL << 31, 1LL << 40, LLONG_MAX, LLONG_MIN, -1,        1LL << 53};
const long kFrameCounts[] = {1, 2, 3, 7, 63, 64, 65, 100, 128, 256, 512, 1024, 4096, 8196, 8200};

template <typename T, std::size_t N> const T &pick(const T (&table)[N], std::uint8_t i) { return table[i % N]; }

long long any_long(FuzzInput &in) {
    const std::uint8_t kind = in.u8();
    if (kind < 128) return pick(kLongs, in.u8());
    if (kind < 192) return (long long)in.u64();
    return (std::int16_t)in.u16();
}

Atom any_atom(FuzzInput &in) {
    switch (in.u8() % 3) {
    case 0: return Atom::of(any_long(in));
    case 1: return Atom::of(in.number());
    default: return Atom::sym(pick(kWords, in.u8()));
    }
}

// Box text for an atom: a float keeps a point or exponent so that the host parses it as a float.
std::string box_word(const Atom &a) {
    if (a.type == Atom::Long) return std::to_string(a.l);
    if (a.type == Atom::Symbol) return a.s;
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", a.f);
    std::string s = text;
    if (std::isfinite(a.f) && s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

struct Live {
    Object *obj;
    const RecordOps *ops;
    bool dspDone = false;
    bool tainted = false;         // excitation since the last reset was not finite or not moderate
    std::vector<short> connected; // of the last chain build
};

struct Driver {
    Host host;
    FuzzInput in;
    std::vector<Live> live;
    long frames = 0;
    int step = 0;
    std::ostringstream fault;
    bool broken = false;

    Driver(const std::uint8_t *data, std::size_t size) : in(data, size) {
        host.set_allocation_limit(kAllocationLimit);
        fault.precision(17);
    }

    bool failed() const { return broken; }
    std::ostream &fail(const Live &l, const char *what) {
        broken = true;
        return fault << "step " << step << " (" << what << "), " << l.ops->className << ": ";
    }

    Live *target() { return live.empty() ? nullptr : &live[in.u8() % live.size()]; }

    void create() {
        if ((int)live.size() >= kMaxObjects) return;
        const RecordOps &ops = (in.u8() & 1) ? lite_ops() : full_ops();
        std::string text = ops.className;
        for (int n = in.u8() % 4; n > 0; n--)
            text += " " + box_word(any_atom(in));
        Object *o = host.create(text);
        if (o) live.push_back(Live{o, &ops, false, false, {}});
    }

    void destroy() {
        if (live.empty()) return;
        const std::size_t i = in.u8() % live.size();
        host.free(live[i].obj);
        live.erase(live.begin() + (long)i);
    }

    void message() {
        Live *l = target();
        if (!l) return;
        const std::string selector = pick(kSelectors, in.u8());
        std::vector<Atom> args;
        for (int n = in.u8() % 4; n > 0; n--)
            args.push_back(any_atom(in));
        const bool understood = host.send(l->obj, selector, args);
        if (understood && selector == "clear") {
            l->tainted = false;
            if (l->ops->writeIndex(host.record(l->obj)) != 0) fail(*l, "clear") << "writeIndex not 0 after clear";
        }
    }

    void dsp() {
        Live *l = target();
        if (!l) return;
        std::vector<short> flags(kInlets);
        for (short &f : flags) {
            const std::uint8_t v = in.u8();
            f = (v & 3) == 0 ? 0 : (v & 3) == 1 ? 1 : (v & 3) == 2 ? -1 : (short)in.u16();
        }
        const double rate = in.number();
        const long maxVector = (std::int16_t)in.u16();
        if (!host.dsp(l->obj, flags, rate, maxVector)) {
            fail(*l, "dsp") << "no perform routine added";
            return;
        }
        l->dspDone = true;
        l->tainted = false;
        l->connected = flags;
    }

    // Another live object, as it was before a vector of some object ran: its record, and its delay line
    // when that is small enough to copy at every step. Sanitizers cannot see a write that lands in
    // another object's memory, which is valid memory.
    struct Bystander {
        const Live *live;
        std::vector<unsigned char> record;
        std::vector<double> line;
    };
    static constexpr long kLargestCopiedLine = 1L << 17; // slots

    std::vector<Bystander> bystanders(const Live &running) {
        std::vector<Bystander> others;
        for (const Live &o : live) {
            if (&o == &running) continue;
            const auto *r = static_cast<const unsigned char *>(host.record(o.obj));
            Bystander b{&o, std::vector<unsigned char>(r, r + o.ops->recordSize), {}};
            const long L = o.ops->bufLen(r);
            if (L <= kLargestCopiedLine) b.line.assign(o.ops->buffer(r), o.ops->buffer(r) + L);
            others.push_back(std::move(b));
        }
        return others;
    }

    void check_untouched(const std::vector<Bystander> &others, const Live &running, const char *what) {
        for (const Bystander &b : others) {
            const auto *r = static_cast<const unsigned char *>(host.record(b.live->obj));
            const bool lineSame = b.line.empty() || std::memcmp(b.line.data(), b.live->ops->buffer(r),
                                                                b.line.size() * sizeof(double)) == 0;
            if (std::memcmp(b.record.data(), r, b.record.size()) != 0 || !lineSame) {
                fail(running, what) << "the vector changed another object (" << b.live->ops->className << ")";
                return;
            }
        }
    }

    long frame_count() {
        const std::uint8_t v = in.u8();
        return v < 160 ? pick(kFrameCounts, v) : (long)(in.u16() % 2048);
    }

    void fill(std::vector<double> &v) {
        switch (in.u8() % 5) {
        case 0: break; // zeros
        case 1: std::fill(v.begin(), v.end(), in.number()); break;
        case 2:
            for (double &s : v)
                s = in.number();
            break;
        case 3: {
            std::uint32_t s = in.u16() + 1u;
            for (double &x : v) {
                s = s * 1664525u + 1013904223u;
                x = (double)(s >> 8) / (double)(1u << 23) - 1.0; // [-1, 1)
            }
            break;
        }
        default: {
            const double a = in.number(), b = in.number();
            for (std::size_t i = 0; i < v.size(); i++)
                v[i] = a + (b - a) * (double)i / (double)v.size();
        }
        }
    }

    void run() {
        Live *l = target();
        if (!l) return;
        const long n = frame_count();
        if (frames + n > kMaxFramesPerInput) return;
        frames += n;
        std::vector<std::vector<double>> v(kInlets, std::vector<double>((std::size_t)n, 0.0));
        for (auto &s : v)
            fill(s);
        const int inPlace = (int)(in.u8() % (kInlets + 1)) - 1; // -1: separate output
        const bool excitationConnected = !l->connected.empty() && l->connected[0] != 0;
        if (excitationConnected) // unconnected, the routine reads zeros
            for (double s : v[0])
                if (!(std::fabs(s) < kModerate)) l->tainted = true;

        void *r = host.record(l->obj);
        const std::vector<unsigned char> before = l->ops->fixedImage(r);
        const std::vector<Bystander> others = bystanders(*l);
        std::vector<double> separate((std::size_t)n, 0.0);
        double *out = separate.data();
        if (inPlace < 0) {
            host.run(l->obj, {v[0].data(), v[1].data(), v[2].data()}, out, n);
        } else {
            host.run_in_place(l->obj, {v[0].data(), v[1].data(), v[2].data()}, inPlace, n);
            out = v[(std::size_t)inPlace].data();
        }
        if (l->ops->fixedImage(r) != before) fail(*l, "run") << "a perform routine changed a parameter or coefficient";
        if (host.fp_mode_changes() != 0) fail(*l, "run") << "a perform routine changed the caller's floating-point mode";
        check_untouched(others, *l, "run");
        if (!l->tainted)
            for (long i = 0; i < n; i++)
                if (!std::isfinite(out[i])) {
                    fail(*l, "run") << "output " << out[i] << " at frame " << i << " of " << n
                                    << " from moderate excitation";
                    break;
                }
    }

    // A frame count of 0 or below, straight to the routine the chain holds: it must touch nothing.
    void empty_vector() {
        Live *l = target();
        if (!l) return;
        auto routine = reinterpret_cast<Perform>(host.routine(l->obj));
        if (!routine) return;
        static const long kCounts[] = {0, -1, -4096, LONG_MIN};
        const long n = pick(kCounts, in.u8());
        void *r = host.record(l->obj);
        std::vector<unsigned char> before((std::size_t)l->ops->recordSize);
        std::memcpy(before.data(), r, before.size());
        double sentinel[kInlets] = {1.5, 2.5, 3.5};
        double *ins[kInlets] = {&sentinel[0], &sentinel[1], &sentinel[2]};
        double *outs[1] = {&sentinel[0]};
        const std::vector<Bystander> others = bystanders(*l);
        routine(r, nullptr, ins, kInlets, outs, 1, n, 0, nullptr);
        check_untouched(others, *l, "empty vector");
        if (std::memcmp(before.data(), r, before.size()) != 0 || sentinel[0] != 1.5)
            fail(*l, "empty vector") << "frame count " << n << " changed the record or a vector";
    }

    void assist() {
        Live *l = target();
        if (!l) return;
        const long msg = in.u8() % 4;
        const long index = (std::int8_t)in.u8();
        host.assist(l->obj, msg, index, in.u8() & 1 ? "" : "left as it was");
    }

    void check_all(const char *what) {
        for (const Live &l : live) {
            if (failed()) return;
            const std::string why = l.ops->check(host.record(l.obj), l.dspDone);
            if (!why.empty()) fail(l, what) << why;
        }
    }

    std::string play() {
        std::string error;
        if (!host.load(VIBREL_MODULE_FULL, &error) || !host.load(VIBREL_MODULE_LITE, &error)) return error;
        while (!in.empty() && step < kMaxSteps && !failed()) {
            static const char *const kOps[] = {"create", "free", "message", "dsp", "run", "empty vector", "assist"};
            const int op = in.u8() % 8;
            switch (op) {
            case 0: create(); break;
            case 1: destroy(); break;
            case 2: message(); break;
            case 3: dsp(); break;
            case 4:
            case 7: run(); break;
            case 5: empty_vector(); break;
            default: assist(); break;
            }
            check_all(kOps[op == 7 ? 4 : op]);
            step++;
        }
        host.take_console();
        return fault.str();
    }
};

} // namespace

std::string run_fuzz_input(const std::uint8_t *data, std::size_t size) { return Driver(data, size).play(); }

} // namespace hardening
