// The emulator's own checks, against a plug-in with known faults: what the end-to-end tests of the
// real modules rely on to notice an early free, a leak, or a routine added the Windows x86 way.
#include <gtest/gtest.h>

#include <algorithm>

#include "ext_api.h"
#include "float_mode.h"
#include "host_emulator.h"

using namespace vibrel_emu;

namespace {

struct Faulty : ::testing::Test {
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(host.load(FAULTY_MODULE_PATH, &error)) << error;
    }
    double *memory(Object *o) { return *reinterpret_cast<double **>((char *)host.record(o) + sizeof(t_pxobject)); }
    Host host;
};

TEST_F(Faulty, WellBehavedObjectLeavesNothing) {
    Object *o = host.create("faulty~ good");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(host.live_allocations(), 2);
    host.free(o);
    EXPECT_EQ(host.live_allocations(), 0);
    EXPECT_EQ(host.frees_while_in_chain(), 0);
}

TEST_F(Faulty, FreeBeforeLeavingTheChainIsCounted) {
    Object *o = host.create("faulty~ early");
    ASSERT_TRUE(host.dsp(o, {1}, 44100.0, 64));
    host.free(o);
    EXPECT_EQ(host.frees_while_in_chain(), 1);
    EXPECT_EQ(host.live_allocations(), 0);
}

TEST_F(Faulty, LeakedBlockIsCounted) {
    Object *o = host.create("faulty~ leak");
    double *leaked = memory(o);
    host.free(o);
    EXPECT_EQ(host.live_allocations(), 1);
    sysmem_freeptr(leaked); // returned here, so that LeakSanitizer stays quiet about this deliberate one
    EXPECT_EQ(host.live_allocations(), 0);
}

// A routine that leaves the caller's floating-point mode changed is counted once per call, empty
// calls included; the emulator puts the mode back each time.
TEST_F(Faulty, ChangedFloatingPointModeIsCounted) {
    for (const char *box : {"faulty~", "faulty~ mode"}) {
        Object *o = host.create(box);
        ASSERT_TRUE(host.dsp(o, {1}, 44100.0, 4));
        const auto before = vibrel_fp::read_control();
        const double in[4] = {1.0, 2.0, 3.0, 4.0};
        double out[4] = {};
        host.run(o, {in}, out, 4);
        host.run(o, {in}, out, 0);
        EXPECT_EQ(vibrel_fp::read_control(), before) << box;
        EXPECT_EQ(host.fp_mode_changes(), std::string(box) == "faulty~" ? 0 : 2) << box;
        host.free(o);
    }
}

TEST_F(Faulty, BothWaysOfAddingARoutineRun) {
    for (const char *box : {"faulty~", "faulty~ variadic"}) {
        Object *o = host.create(box);
        ASSERT_TRUE(host.dsp(o, {1}, 44100.0, 4)) << box;
        const double in[4] = {1.0, -2.0, 0.5, 0.0};
        double out[4] = {};
        host.run(o, {in}, out, 4);
        EXPECT_EQ(out[1], -4.0) << box;
        host.dsp(o, {0}, 44100.0, 4); // unconnected: reads zeros whatever is passed
        host.run(o, {in}, out, 4);
        EXPECT_EQ(out[0], 0.0) << box;
        host.free(o);
    }
    EXPECT_EQ(host.live_allocations(), 0);
}

TEST_F(Faulty, TypedArgumentsConvertAndDefault) {
    Object *o = host.create("faulty~");
    ASSERT_TRUE(host.send(o, "pair 3 0.25"));
    EXPECT_EQ(memory(o)[0], 3.0);
    EXPECT_EQ(memory(o)[1], 0.25);
    ASSERT_TRUE(host.send(o, "pair 1.5")); // the second is optional: 0
    EXPECT_EQ(memory(o)[1], 0.0);
    EXPECT_FALSE(host.send(o, "pair"));
    EXPECT_EQ(host.take_console(), std::vector<std::string>{"faulty~: bad arguments for message \"pair\""});
    host.free(o);
}

TEST_F(Faulty, FreeingTwiceOrFreeingStrangersDoesNotCrash) {
    Object *o = host.create("faulty~");
    host.free(o);
    host.free(o);
    EXPECT_FALSE(host.send(o, "pair 1"));
    EXPECT_EQ(host.assist(o, 1, 0, "kept"), "kept");
    int stranger = 0;
    EXPECT_NE(object_free(&stranger), 0);
    sysmem_freeptr(&stranger);
    EXPECT_EQ(host.live_allocations(), 0);
}

TEST(EmulatorLoad, MissingModuleIsReported) {
    Host host;
    std::string error;
    EXPECT_FALSE(host.load("/nonexistent/module.so", &error));
    EXPECT_FALSE(error.empty());
}

TEST(Symbols, AreInterned) {
    const std::string text = "dsp_add64";
    EXPECT_EQ(gensym("dsp_add64"), gensym(text.c_str()));
    EXPECT_STREQ(gensym("dsp_add64")->s_name, "dsp_add64");
    EXPECT_NE(gensym("box"), gensym("Box"));
}

TEST(Atoms, ParsedAsThePatcherDoes) {
    const auto a = parse_atoms("vibrel~ 20000 -5 20000.5 1e3 foo -x nan 99999999999999999999");
    ASSERT_EQ(a.size(), 9u);
    EXPECT_EQ(a[0].type, Atom::Symbol);
    EXPECT_EQ(a[1].type, Atom::Long);
    EXPECT_EQ(a[1].l, 20000);
    EXPECT_EQ(a[2].l, -5);
    EXPECT_EQ(a[3].type, Atom::Float);
    EXPECT_EQ(a[3].f, 20000.5);
    EXPECT_EQ(a[4].f, 1000.0);
    EXPECT_EQ(a[5].type, Atom::Symbol);
    EXPECT_EQ(a[6].type, Atom::Symbol);
    EXPECT_EQ(a[7].type, Atom::Symbol);
    EXPECT_EQ(a[8].type, Atom::Float); // too long for an integer
}

} // namespace
