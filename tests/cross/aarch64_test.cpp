// Both variants built for Linux aarch64 and run under qemu-aarch64: the golden script must give the
// console texts and, for every run (those that depend on the library cosine too), the very sample bits
// of the x86-64 Linux build. arm64 compilers fuse a*b+c unless told not to; the Apple Silicon slices
// are compiled from the same sources with the same exactness options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "cross_support.h"

using namespace cross;

namespace {

class Aarch64Linux : public testing::TestWithParam<std::string> {};

TEST_P(Aarch64Linux, RendersTheGoldenScriptBitForBitAsX86_64Does) {
    const Build b{"aarch64", GetParam()};
    if (auto why = toolchain_missing(b.target); !why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(exists(b.module())) << b.module() << " is missing: build the cross targets with .ci/cross.sh";
    const std::string script = script_path("golden.script");
    const Result arm = run_aarch64(b.variant, script);
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

INSTANTIATE_TEST_SUITE_P(Qemu, Aarch64Linux, testing::Values("full", "lite"),
                         [](const testing::TestParamInfo<std::string> &info) { return info.param; });

} // namespace
