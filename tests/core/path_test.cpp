// The perform routines' paths: each vectorised path against the scalar path over the cases of
// path_compare.h (the long set with VIBREL_PATHS_DENSE=1), and the choice of path. With
// VIBREL_TEST_PATH=<name> every test of this program runs on that path (tests/core/CMakeLists.txt
// runs the loop and signal-rate tests once per path that way).
#include <gtest/gtest.h>

#include <cstdlib>

#include "batch.h"
#include "path_compare.h"

namespace {

using namespace VIBREL_NS;

int path_named(const char *name) {
    for (int p = kPathScalar; p <= kPathWidest; p++)
        if (!std::strcmp(vibrel_pathName(p), name)) return p;
    return -1;
}

class PathFromEnvironment : public ::testing::Environment {
    void SetUp() override {
        const char *name = std::getenv("VIBREL_TEST_PATH");
        if (!name) return;
        const int want = path_named(name);
        ASSERT_GE(want, 0) << "VIBREL_TEST_PATH=" << name << " names no path";
        const int got = vibrel_choosePath(want);
        std::printf("perform routines on the %s path%s\n", vibrel_pathName(got),
                    got == want ? "" : " (the widest this processor has)");
    }
};
const auto *const kEnvironment = ::testing::AddGlobalTestEnvironment(new PathFromEnvironment);

TEST(Paths, EveryPathGivesTheScalarPathsBits) {
    std::string log;
    EXPECT_TRUE(paths::compare_paths(std::getenv("VIBREL_PATHS_DENSE") != nullptr, log)) << log;
    std::printf("%s", log.c_str());
}

TEST(Paths, AChosenPathIsLoweredToWhatTheProcessorHas) {
    const int before = vibrel_chosenPath();
    EXPECT_EQ(vibrel_choosePath(kPathWidest + 5), vibrel_widestPath());
    EXPECT_EQ(vibrel_choosePath(-3), (int)kPathScalar);
    EXPECT_EQ(vibrel_choosePath(kPathTwoLanes), (int)kPathTwoLanes); // every build has two lanes
    vibrel_defaultPath();                                            // a new object keeps the choice
    EXPECT_EQ(vibrel_chosenPath(), (int)kPathTwoLanes);
    vibrel_choosePath(before);
}

// The batched designs' whole samples of a delay: the truncation of each lane by rounding at 2^52,
// against the conversion to a long, up to the largest delay it serves and next to whole numbers.
TEST(Paths, LanesTruncateAsAConversionDoes) {
    std::vector<double> v = {0.0, 0x1p-1074, 0.5, 0x1.fffffffffffffp-1, 1.0, 1.5, 2.5, 46.75, 0x1p31 - 0.5,
                             0x1p31 + 0.5, 0x1p51 + 0.5, 0x1p52 - 1.5, 0x1p52 - 1.0, 0x1p52 - 0.5};
    std::uint64_t seed = 7;
    for (int i = 0; i < 1000; i++) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        v.push_back(std::ldexp((double)(seed >> 11) * 0x1p-53, i % 53)); // [0, 2^52)
    }
    const lanes::D2 one = lanes::splat<lanes::D2>(1.0);
    for (double x : v) {
        const double got = lanes::truncate_lanes(lanes::splat<lanes::D2>(x), one)[1];
        EXPECT_EQ(got, (double)(long long)x) << std::hexfloat << x;
    }
}

} // namespace
