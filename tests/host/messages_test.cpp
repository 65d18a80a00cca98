// Messages by name through the host: parameter clamps, "clear", chain builds that reset the string but
// keep the tuning, and the host's answers to messages the class does not take.
#include <algorithm>
#include <cmath>

#include "host_fixture.h"

namespace {

constexpr double kMin = kFull ? 4.0 : 3.0; // smallest period in samples
constexpr double kBound = 0.99999;

enum class Field { LoopDelay, FbGain, Brightness };

struct ClampCase {
    const char *message;
    Field field;
    double expected;
};
void PrintTo(const ClampCase &c, std::ostream *os) { *os << '"' << c.message << '"'; }

class Clamp : public HostTest, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(Clamp, MessageSetsTheClampedValue) {
    const ClampCase &c = GetParam();
    Object *o = make();
    ASSERT_NE(o, nullptr);
    ASSERT_TRUE(host.send(o, c.message));
    const t_vibrel *x = rec(o);
    const double got = c.field == Field::LoopDelay ? x->loopDelay : c.field == Field::FbGain ? x->fbGain : x->brightness;
    EXPECT_EQ(got, c.expected);
    EXPECT_TRUE(host.console().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Messages, Clamp,
    ::testing::Values(ClampCase{"period 100", Field::LoopDelay, 99.0}, // an integer atom converts
                      ClampCase{"period 37.25", Field::LoopDelay, 36.25},
                      ClampCase{"period 8192", Field::LoopDelay, 8191.0},
                      ClampCase{"period 100000", Field::LoopDelay, 8191.0},
                      ClampCase{"period 3.5", Field::LoopDelay, kFull ? kMin - 1.0 : 2.5},
                      ClampCase{"period 1", Field::LoopDelay, kMin - 1.0},
                      ClampCase{"period -50", Field::LoopDelay, kMin - 1.0},
                      ClampCase{"gain 0.5", Field::FbGain, 0.5}, ClampCase{"gain 1", Field::FbGain, kBound},
                      ClampCase{"gain -2.5", Field::FbGain, -kBound}, ClampCase{"gain -0.3", Field::FbGain, -0.3},
                      ClampCase{"fbgain 0.25", Field::FbGain, 0.25}, ClampCase{"fbgain 7", Field::FbGain, kBound},
                      ClampCase{"fbgain -1", Field::FbGain, -kBound},
                      ClampCase{"brightness 0.5", Field::Brightness, 0.5},
                      ClampCase{"brightness 0", Field::Brightness, 0.0},
                      ClampCase{"brightness -0.1", Field::Brightness, 0.0},
                      ClampCase{"brightness 1", Field::Brightness, kBound},
                      ClampCase{"brightness 3.5", Field::Brightness, kBound}),
    [](const ::testing::TestParamInfo<ClampCase> &i) { return test_name(i.param.message); });

// The lag (in samples) at which an impulse response repeats best, searched in [lo, hi].
long ring_period(const std::vector<double> &y, long lo, long hi) {
    long best = lo;
    double bestSum = -1e300;
    for (long lag = lo; lag <= hi; lag++) {
        double sum = 0.0;
        for (std::size_t i = 0; i + (std::size_t)lag < y.size(); i++) sum += y[i] * y[i + (std::size_t)lag];
        if (sum > bestSum) bestSum = sum, best = lag;
    }
    return best;
}

std::vector<double> impulse_response(Host &host, Object *o, long n) {
    std::vector<double> in((std::size_t)n, 0.0), out((std::size_t)n, 0.0);
    in[0] = 1.0;
    host.run(o, {in.data()}, out.data(), n);
    return out;
}

TEST_F(HostTest, PeriodMessageTunesTheString) {
    Object *o = make();
    ASSERT_NE(o, nullptr);
    ASSERT_TRUE(host.send(o, "period 100"));
    ASSERT_TRUE(host.dsp(o, {1, 0, 0}, 44100.0, 64));
    EXPECT_EQ(ring_period(impulse_response(host, o, 2048), 60, 140), 100);
}

TEST_F(HostTest, ClearSilencesTheStringAndKeepsTheTuning) {
    Object *o = make();
    ASSERT_NE(o, nullptr);
    ASSERT_TRUE(host.send(o, "period 61.5"));
    ASSERT_TRUE(host.send(o, "gain 0.95"));
    ASSERT_TRUE(host.dsp(o, {1, 0, 0}, 48000.0, 64));
    impulse_response(host, o, 300);
    const t_vibrel before = *rec(o);
    ASSERT_NE(before.writeIndex, 0);

    ASSERT_TRUE(host.send(o, "clear"));
    const t_vibrel *x = rec(o);
    EXPECT_TRUE(std::all_of(x->buffer, x->buffer + x->bufLen, [](double v) { return v == 0.0; }));
    EXPECT_EQ(x->writeIndex, 0);
    EXPECT_EQ(x->dcX1, 0.0);
    EXPECT_EQ(x->dcY1, 0.0);
    EXPECT_EQ(x->lpfX1, 0.0);
    EXPECT_EQ(x->lpfX2, 0.0);
    EXPECT_EQ(std::memcmp(x->lagCoeff, before.lagCoeff, sizeof before.lagCoeff), 0);
    EXPECT_EQ(x->loopDelay, 60.5);
    EXPECT_EQ(x->fbGain, 0.95);
    EXPECT_EQ(x->lpfOuter, before.lpfOuter);
    EXPECT_EQ(x->dcA1, before.dcA1);

    std::vector<double> silence(64, 0.0), out(64, 1.0);
    host.run(o, {silence.data()}, out.data(), 64);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](double v) { return v == 0.0; }));
}

TEST_F(HostTest, ClearOnAFreshObjectChangesNothing) {
    Object *o = make();
    ASSERT_NE(o, nullptr);
    const RecordCopy before(rec(o));
    ASSERT_TRUE(host.send(o, "clear"));
    EXPECT_TRUE(before.same_as(rec(o)));
}

TEST_F(HostTest, ChainBuildResetsTheStringButKeepsTheTuning) {
    Object *o = make();
    ASSERT_NE(o, nullptr);
    ASSERT_TRUE(host.send(o, "period 100"));
    ASSERT_TRUE(host.send(o, "gain 0.5"));
    ASSERT_TRUE(host.send(o, "brightness 0.3"));
    ASSERT_TRUE(host.dsp(o, {1, 0, 0}, 44100.0, 64));
    const double dcA1At44k = rec(o)->dcA1;
    impulse_response(host, o, 500);
    const t_vibrel tuned = *rec(o);

    ASSERT_TRUE(host.dsp(o, {1, 0, 0}, 96000.0, 64));
    const t_vibrel *x = rec(o);
    EXPECT_TRUE(std::all_of(x->buffer, x->buffer + x->bufLen, [](double v) { return v == 0.0; }));
    EXPECT_EQ(x->writeIndex, 0);
    EXPECT_EQ(x->dcY1, 0.0);
    EXPECT_EQ(x->lpfX2, 0.0);
    EXPECT_EQ(x->loopDelay, 99.0);
    EXPECT_EQ(x->fbGain, 0.5);
    EXPECT_EQ(x->brightness, 0.3);
    EXPECT_EQ(std::memcmp(x->lagCoeff, tuned.lagCoeff, sizeof tuned.lagCoeff), 0);
    EXPECT_EQ(x->lpfCenter, tuned.lpfCenter);
    EXPECT_EQ(x->dcB1, -x->dcB0);
    EXPECT_GT(x->dcA1, dcA1At44k) << "a higher rate puts the 20 Hz corner closer to DC";
    EXPECT_EQ(ring_period(impulse_response(host, o, 2048), 60, 140), 100);
}

struct RejectCase {
    const char *message;
    const char *line; // after "<class>: "
};
void PrintTo(const RejectCase &c, std::ostream *os) { *os << '"' << c.message << '"'; }

class Reject : public HostTest, public ::testing::WithParamInterface<RejectCase> {};

TEST_P(Reject, GetsTheHostsErrorLineAndChangesNothing) {
    Object *o = make();
    ASSERT_NE(o, nullptr);
    const RecordCopy before(rec(o));
    EXPECT_FALSE(host.send(o, GetParam().message));
    EXPECT_EQ(host.take_console(), std::vector<std::string>{kClass + ": " + GetParam().line});
    EXPECT_TRUE(before.same_as(rec(o)));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, Reject,
    ::testing::Values(RejectCase{"foo", "doesn't understand \"foo\""},
                      RejectCase{"Period 100", "doesn't understand \"Period\""},
                      RejectCase{"period", "bad arguments for message \"period\""},
                      RejectCase{"gain", "bad arguments for message \"gain\""},
                      RejectCase{"fbgain loud", "bad arguments for message \"fbgain\""},
                      RejectCase{"brightness nan", "bad arguments for message \"brightness\""},
                      RejectCase{"dsp64", "doesn't understand \"dsp64\""},
                      RejectCase{"assist 1 0", "doesn't understand \"assist\""},
                      RejectCase{"5", "doesn't understand \"int\""},
                      RejectCase{"0.5", "doesn't understand \"float\""},
                      RejectCase{"signal", "doesn't understand \"signal\""}),
    [](const ::testing::TestParamInfo<RejectCase> &i) { return test_name(i.param.message); });

TEST_F(HostTest, NoSuchObject) {
    EXPECT_EQ(host.create("vibrel 100"), nullptr);
    EXPECT_EQ(host.take_console(), std::vector<std::string>{"vibrel: No such object"});
    EXPECT_EQ(host.live_allocations(), 0);
}

} // namespace
