// Creation arguments, the fresh object, destruction order and the refusals of creation, end to end.
#include <algorithm>

#include "host_fixture.h"

namespace {

constexpr long kGuardSlots = kFull ? 4 : 3; // ceil(M / 2)

struct CreationCase {
    const char *args;
    double maxDelay;
};
void PrintTo(const CreationCase &c, std::ostream *os) { *os << '"' << c.args << '"'; }

class Creation : public HostTest, public ::testing::WithParamInterface<CreationCase> {};

TEST_P(Creation, SizesTheDelayLineAndStartsFromTheDefaults) {
    const CreationCase &c = GetParam();
    Object *o = make(c.args);
    ASSERT_NE(o, nullptr);
    const t_vibrel *x = rec(o);
    EXPECT_EQ(x->maxDelay, c.maxDelay);
    EXPECT_EQ(x->bufLen, (long)c.maxDelay + kGuardSlots);
    EXPECT_EQ(x->loopDelay, 49.0);
    EXPECT_EQ(x->fbGain, 0.99);
    EXPECT_EQ(x->brightness, 0.9);
    EXPECT_EQ(x->writeIndex, 0);
    EXPECT_TRUE(std::all_of(x->buffer, x->buffer + x->bufLen, [](double v) { return v == 0.0; }));
    EXPECT_EQ(host.signal_inlets(o), 3);
    EXPECT_EQ(host.outlets(o), 1);
    EXPECT_TRUE(host.console().empty()) << "creation posts nothing: " << host.console().front();
}

INSTANTIATE_TEST_SUITE_P(Arguments, Creation,
                         ::testing::Values(CreationCase{"", 8192.0}, CreationCase{"100", 8192.0},
                                           CreationCase{"0", 8192.0}, CreationCase{"-5", 8192.0},
                                           CreationCase{"8193", 8193.0}, CreationCase{"20000", 20000.0},
                                           CreationCase{"20000.5", 8192.0}, CreationCase{"long", 8192.0},
                                           CreationCase{"30000 5", 30000.0}, CreationCase{"foo 30000", 8192.0},
                                           CreationCase{"-9223372036854775808", 8192.0}),
                         [](const ::testing::TestParamInfo<CreationCase> &i) { return test_name(i.param.args); });

TEST_F(HostTest, FreeLeavesTheChainBeforeTheDelayLineGoes) {
    Object *o = make();
    ASSERT_NE(o, nullptr);
    ASSERT_TRUE(host.dsp(o, {1, 0, 0}, 44100.0, 64));
    const void *record = host.record(o);
    const void *line = rec(o)->buffer;
    destroy(o);

    const auto &ev = host.events();
    auto at = [&](Event what, const void *object, const void *memory) {
        return std::find_if(ev.begin(), ev.end(), [&](const EventRecord &e) {
            return e.what == what && e.object == object && (!memory || e.memory == memory);
        });
    };
    const auto freed = at(Event::ObjectFree, record, nullptr);
    const auto detached = at(Event::DspFree, record, nullptr);
    const auto lineFreed = at(Event::SysmemFree, record, line);
    const auto released = at(Event::ObjectRelease, record, nullptr);
    ASSERT_NE(detached, ev.end());
    ASSERT_NE(lineFreed, ev.end()) << "the delay line is returned by the free method";
    EXPECT_LT(freed, detached);
    EXPECT_LT(detached, lineFreed);
    EXPECT_LT(lineFreed, released);
    EXPECT_EQ(host.frees_while_in_chain(), 0);
    EXPECT_EQ(host.routine(o), nullptr);
    EXPECT_TRUE(host.console().empty());
}

TEST_F(HostTest, ObjectsAreIndependent) {
    Object *a = make("20000");
    Object *b = make();
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(host.send(a, "period 100"));
    EXPECT_EQ(rec(b)->loopDelay, 49.0);
    destroy(a);
    EXPECT_EQ(rec(b)->maxDelay, 8192.0);
    EXPECT_TRUE(host.send(b, "clear"));
}

// Creation that cannot succeed yields no object, says why once, and returns everything it took.
struct RefusalCase {
    const char *name;
    std::string args;
    FailNext fail;
    bool pluginLine; // whether the plug-in itself posts the reason
    std::string mentions;
};
void PrintTo(const RefusalCase &c, std::ostream *os) { *os << c.name; }

class Refusal : public HostTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, YieldsNoObjectAndLeaksNothing) {
    const RefusalCase &c = GetParam();
    host.fail_next(c.fail);
    EXPECT_EQ(make(c.args), nullptr);
    const std::vector<std::string> lines = host.take_console();
    std::vector<std::string> fromPlugin;
    for (const std::string &l : lines)
        if (l.rfind(kClass + ": ", 0) == 0) fromPlugin.push_back(l);
    if (c.pluginLine) {
        ASSERT_EQ(fromPlugin.size(), 1u) << ::testing::PrintToString(lines);
        EXPECT_NE(fromPlugin[0].find(c.mentions), std::string::npos) << fromPlugin[0];
    } else {
        EXPECT_TRUE(fromPlugin.empty()) << ::testing::PrintToString(lines);
    }
    if (c.fail == FailNext::ObjectAlloc) {
        EXPECT_TRUE(host.events().empty()) << "no inlet, outlet or delay line without a record";
    }
    EXPECT_EQ(host.live_allocations(), 0);
    EXPECT_EQ(host.frees_while_in_chain(), 0);

    // The refusal was once only: the next box is made normally.
    Object *o = make();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(rec(o)->maxDelay, 8192.0);
}

const std::string kTooLarge = std::to_string(kMaxDelayLimit + 1);
const std::string kLargest = std::to_string(kMaxDelayLimit); // countable, but no host has the memory

INSTANTIATE_TEST_SUITE_P(
    Creation, Refusal,
    ::testing::Values(RefusalCase{"TooLargeForTheLine", "1152921504606846976", FailNext::None, true,
                                  "1152921504606846976"},
                      RefusalCase{"OneAboveTheCountableLimit", kTooLarge, FailNext::None, true, kTooLarge},
                      RefusalCase{"LargestCountableWithoutMemory", kLargest, FailNext::None, true,
                                  std::to_string(kMaxDelayLimit + kGuardSlots)},
                      RefusalCase{"DelayLineAllocationFails", "", FailNext::SysmemAlloc, true,
                                  std::to_string(8192 + kGuardSlots)},
                      RefusalCase{"RecordAllocationFails", "20000", FailNext::ObjectAlloc, false, ""}),
    [](const ::testing::TestParamInfo<RefusalCase> &i) { return std::string(i.param.name); });

} // namespace
