// The perform routine chosen for each connection pattern, identified by what it computes: the module's
// output must match, bit for bit, the routine of the string model that the pattern calls for.
#include <algorithm>
#include <set>

#include "host_fixture.h"

namespace {

constexpr long kFrames = 256;
using Routine = void (*)(t_vibrel *, t_object *, double **, long, double **, long, long, long, void *);
const Routine kRoutines[3] = {vibrel_dodsp1_64, vibrel_dodsp2_64, vibrel_dodsp3_64};

struct Pattern {
    std::vector<short> connected; // excitation, gain, period
    int routine;                  // 1, 2 or 3
};
void PrintTo(const Pattern &p, std::ostream *os) {
    *os << "connected";
    for (short c : p.connected) *os << ' ' << c;
}

std::string name_of(const Pattern &p) {
    std::string s = "in";
    for (short c : p.connected) s += c ? '1' : '0';
    return s;
}

// Signals for the three inlets: noise, a gain ramp inside the bounds, a period ramp in [20, 30].
struct Signals {
    std::vector<double> excitation = noise(kFrames, 1);
    std::vector<double> gain = ramp(0.9, -0.6);
    std::vector<double> period = ramp(20.0, 30.0);
    static std::vector<double> ramp(double from, double to) {
        std::vector<double> v(kFrames);
        for (long i = 0; i < kFrames; i++) v[(std::size_t)i] = from + (to - from) * (double)i / (double)kFrames;
        return v;
    }
    // What the inlets carry in the host: an unconnected inlet reads zeros.
    std::vector<std::vector<double>> as_host_presents(const std::vector<short> &connected) const {
        std::vector<std::vector<double>> in{excitation, gain, period};
        for (std::size_t i = 0; i < in.size(); i++)
            if (!connected[i]) in[i].assign(kFrames, 0.0);
        return in;
    }
};

// The string model's routine k (1..3) on a copy of the record, with the inlets as the host presents them.
std::vector<double> reference(const t_vibrel *x, int k, std::vector<std::vector<double>> in) {
    RecordCopy copy(x);
    std::vector<double> out(kFrames, 0.0);
    double *ins[3] = {in[0].data(), in[1].data(), in[2].data()};
    double *outs[1] = {out.data()};
    kRoutines[k - 1](&copy.rec, nullptr, ins, 3, outs, 1, kFrames, 0, nullptr);
    return out;
}

class RoutineChoice : public HostTest, public ::testing::WithParamInterface<Pattern> {
  protected:
    // An object whose string already rings (noise in the delay line), so that even an unconnected
    // excitation inlet tells the routines apart.
    Object *ringing(const std::vector<short> &connected) {
        Object *o = make();
        if (!o || !host.send(o, "period 37.25") || !host.dsp(o, connected, 44100.0, kFrames)) return nullptr;
        const std::vector<double> content = noise((std::size_t)rec(o)->bufLen, 2);
        std::copy(content.begin(), content.end(), rec(o)->buffer);
        return o;
    }
    Signals s;
};

TEST_P(RoutineChoice, ModuleRunsTheRoutineThePatternCallsFor) {
    const Pattern &p = GetParam();
    Object *o = ringing(p.connected);
    ASSERT_NE(o, nullptr);
    const RecordCopy start(rec(o));
    const auto in = s.as_host_presents(p.connected);

    std::vector<double> out(kFrames, 0.0);
    host.run(o, {s.excitation.data(), s.gain.data(), s.period.data()}, out.data(), kFrames);
    for (int k = 1; k <= 3; k++) {
        const bool same = same_bits(out, reference(&start.rec, k, in));
        EXPECT_EQ(same, k == p.routine) << "routine " << k;
    }
}

TEST_P(RoutineChoice, OutputMayShareMemoryWithAnyConnectedInlet) {
    const Pattern &p = GetParam();
    Object *o = ringing(p.connected);
    ASSERT_NE(o, nullptr);
    const RecordCopy start(rec(o));
    const std::vector<double> expected = reference(&start.rec, p.routine, s.as_host_presents(p.connected));
    double *line = rec(o)->buffer;
    for (int inlet = 0; inlet < 3; inlet++) {
        if (!p.connected[(std::size_t)inlet]) continue;
        *rec(o) = start.rec; // every run starts from the same ringing string
        rec(o)->buffer = line;
        std::copy(start.line.begin(), start.line.end(), line);
        std::vector<std::vector<double>> v{s.excitation, s.gain, s.period};
        host.run_in_place(o, {v[0].data(), v[1].data(), v[2].data()}, inlet, kFrames);
        EXPECT_TRUE(same_bits(v[(std::size_t)inlet], expected)) << "output in the vector of inlet " << inlet;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Connections, RoutineChoice,
    ::testing::Values(Pattern{{1, 0, 0}, 1}, Pattern{{0, 0, 0}, 1}, Pattern{{1, 0, 1}, 2}, Pattern{{0, 0, 1}, 2},
                      Pattern{{1, 1, 0}, 3}, Pattern{{0, 1, 0}, 3}, Pattern{{1, 1, 1}, 3}, Pattern{{0, 1, 1}, 3}),
    [](const ::testing::TestParamInfo<Pattern> &i) { return name_of(i.param); });

// The same signals cut into vectors of any size give the same samples, through every routine.
class VectorSize : public HostTest, public ::testing::WithParamInterface<Pattern> {};

TEST_P(VectorSize, OutputDoesNotDependOnIt) {
    constexpr long kTotal = 4096;
    const std::vector<double> excitation = noise(kTotal, 3);
    std::vector<double> gain(kTotal), period(kTotal);
    for (long i = 0; i < kTotal; i++) {
        gain[(std::size_t)i] = 0.995 - 0.3 * (double)i / kTotal;
        period[(std::size_t)i] = 40.0 + 25.0 * (double)i / kTotal;
    }
    std::vector<double> first;
    for (long block : {1L, 7L, 64L, 4096L}) {
        Object *o = make();
        ASSERT_NE(o, nullptr);
        ASSERT_TRUE(host.dsp(o, GetParam().connected, 44100.0, block));
        std::vector<double> out(kTotal, 0.0);
        for (long at = 0; at < kTotal; at += block) {
            const long n = std::min(block, kTotal - at);
            host.run(o, {&excitation[(std::size_t)at], &gain[(std::size_t)at], &period[(std::size_t)at]},
                     &out[(std::size_t)at], n);
        }
        if (first.empty())
            first = out;
        else
            EXPECT_TRUE(same_bits(out, first)) << "vectors of " << block;
        destroy(o);
    }
}

INSTANTIATE_TEST_SUITE_P(Connections, VectorSize,
                         ::testing::Values(Pattern{{1, 0, 0}, 1}, Pattern{{1, 0, 1}, 2}, Pattern{{1, 1, 1}, 3}),
                         [](const ::testing::TestParamInfo<Pattern> &i) { return name_of(i.param); });

// The three routines are three distinct functions, and a rebuild with another pattern switches.
TEST_F(HostTest, EachRebuildChoosesAgain) {
    Object *o = make();
    ASSERT_NE(o, nullptr);
    std::set<void *> seen;
    void *first = nullptr;
    for (const std::vector<short> &c : {std::vector<short>{1, 0, 0}, {1, 0, 1}, {1, 1, 1}, {0, 0, 0}}) {
        ASSERT_TRUE(host.dsp(o, c, 44100.0, 64));
        seen.insert(host.routine(o));
        if (!first) first = host.routine(o);
    }
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(host.routine(o), first);
}

} // namespace
