// Both variants built for Linux aarch64 and armv7 hard-float and run under qemu-aarch64 and qemu-arm:
// the golden script must give the console texts and, for every run (the cosine's included: it is the
// string's own), the very sample bits of the x86-64 Linux build. arm64 compilers
// fuse a*b+c unless told not to; the Apple Silicon slices are compiled from the same sources with the
// same exactness options. armv7 is ILP32 and computes in the VFP unit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "cross_support.h"

using namespace cross;

namespace {

class ArmLinux : public testing::TestWithParam<Build> {};

TEST_P(ArmLinux, RendersTheGoldenScriptBitForBitAsX86_64Does) {
    const Build &b = GetParam();
    if (auto why = toolchain_missing(b.target); !why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(exists(b.module())) << b.module() << " is missing: build the cross targets with .ci/cross.sh";
    const std::string script = script_path("golden.script");
    const Result arm = run_qemu(b, script);
    ASSERT_EQ(arm.status, 0) << arm.err << arm.out.substr(0, 2000);
    const Result lin = run_linux(b.variant, script);
    ASSERT_EQ(lin.status, 0) << lin.err << lin.out.substr(0, 2000);
    Transcript a = parse_transcript(arm.out), l = parse_transcript(lin.out);

    EXPECT_EQ(without_build_time(a.lines), without_build_time(l.lines));
    ASSERT_EQ(a.runOrder, l.runOrder);
    ASSERT_FALSE(l.runOrder.empty());
    std::string differing;
    int count = 0;
    for (const std::string &label : l.runOrder) {
        const auto &as = a.runs[label], &ls = l.runs[label];
        if (as == ls) continue;
        count++;
        const auto first = std::mismatch(as.begin(), as.end(), ls.begin(), ls.end());
        differing += " " + label + " (from sample " + std::to_string(first.first - as.begin()) + ")";
    }
    std::printf("%s: %d of %zu runs differ from x86-64\n", b.name().c_str(), count, l.runOrder.size());
    EXPECT_EQ(count, 0) << "differing runs:" << differing;
}

// Flush-to-zero on arm64 (FPCR.FZ) and armv7 (FPSCR.FZ): the ringing string falls exactly silent on the
// very sample the x86-64 build does, and the driver finds its control register unchanged after every call (empty calls,
// and a caller that had flush-to-zero set already, included; the driver fails otherwise).
TEST_P(ArmLinux, RingingStringFallsSilentWhereX86_64DoesAndLeavesTheCallersMode) {
    const Build &b = GetParam();
    if (auto why = toolchain_missing(b.target); !why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(exists(b.module())) << b.module() << " is missing: build the cross targets with .ci/cross.sh";
    const std::string script = script_path("silence.script");
    const Result arm = run_qemu(b, script), lin = run_linux(b.variant, script);
    ASSERT_EQ(arm.status, 0) << arm.err;
    ASSERT_EQ(lin.status, 0) << lin.err;
    const auto a = silent_after(parse_transcript(arm.out)), l = silent_after(parse_transcript(lin.out));
    ASSERT_EQ(a.size(), 5u) << arm.out;
    EXPECT_EQ(a, l);
    for (const auto &[label, seconds] : a) {
        EXPECT_GT(seconds, 1.0) << label << (seconds < 0 ? ": never exactly silent" : ": silent at once");
        std::printf("%s %s: exactly 0.0 from %.2f s\n", b.name().c_str(), label.c_str(), seconds);
    }
}

// armv7 is ILP32: the host's integer arrives as a 32-bit long, and the largest delay is the one whose
// line's byte count fits in 32 bits (2^29 - 1 slots, less the guard slots), as on Windows x86.
TEST(Armv7Linux, CountsTheDelayLineIn32Bits) {
    if (auto why = toolchain_missing("armv7"); !why.empty()) GTEST_SKIP() << why;
    for (const Build &b : builds("armv7")) {
        const Result arm = run_qemu(b, script_path("ilp32.script"));
        ASSERT_EQ(arm.status, 0) << arm.err;
        const bool full = b.variant == "full";
        for (const std::string &line : {std::string("<= delay time <= 20000.0 samples"),
                                        ": a largest delay of 536870909 samples is more than " +
                                            std::string(full ? "536870907" : "536870908") + "; no object made",
                                        ": no memory for a delay line of " +
                                            std::string(full ? "536870904" : "536870903") + " samples; no object made"})
            EXPECT_NE(arm.out.find(line + "\n"), std::string::npos) << line << " is not in\n" << arm.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Qemu, ArmLinux,
                         testing::Values(Build{"aarch64", "full"}, Build{"aarch64", "lite"}, Build{"armv7", "full"},
                                         Build{"armv7", "lite"}),
                         [](const testing::TestParamInfo<Build> &info) { return info.param.name(); });

} // namespace
