// The cosine against MPFR's correctly rounded one: in one lane, two and four (where the processor has
// AVX), over random arguments, the string's arguments and the neighbourhoods of the arguments the
// rounding test sends to the exact path; with the rounding test as built and with one that has lost its
// margin. VIBREL_COSINE_DENSE=1: 10^8 random arguments and wider neighbourhoods.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#pragma GCC diagnostic ignored "-Wpsabi"

#include "cosine.h"
#include "isa.h"
#include "reference.h"
#include "vibrel.h"

namespace {

using namespace VIBREL_NS;
using namespace VIBREL_NS::cosine_parts;

using test::exact_cos;

// The nearest double to v - (the doubles before), v given to 300 bits.
std::vector<double> parts(mpfr_t v, int count) {
    std::vector<double> out;
    mpfr_t rest;
    mpfr_init2(rest, 300);
    mpfr_set(rest, v, MPFR_RNDN);
    for (int i = 0; i < count; i++) {
        out.push_back(mpfr_get_d(rest, MPFR_RNDN));
        mpfr_sub_d(rest, rest, out.back(), MPFR_RNDN);
    }
    mpfr_clear(rest);
    return out;
}

__attribute__((target("avx"))) void four_lanes(const double *x, double *y, double test) {
    lanes::D4 v;
    __builtin_memcpy(&v, x, sizeof v);
    v = cosine_lanes(v, test);
    __builtin_memcpy(y, &v, sizeof v);
}

bool dense() { return std::getenv("VIBREL_COSINE_DENSE") != nullptr; }

// A million arguments per chunk; chunk 0 in every run, chunks 1 .. 99 too with VIBREL_COSINE_DENSE.
constexpr size_t kChunk = 1000000;
std::vector<double> random_arguments(int chunk) {
    if (chunk >= (dense() ? 100 : 1)) return {};
    std::mt19937_64 rng(21 + chunk);
    std::vector<double> x(kChunk);
    for (size_t i = 0; i < x.size(); i++) {
        const double u = (double)(rng() >> 11) * 0x1p-53;
        // Half spread over [0, pi], half over the binades down to 2^-40.
        x[i] = i % 2 ? u * kPi : std::ldexp(1.0 + u, -(int)(rng() % 41)) * (i % 4 == 0 ? 1.0 : 1.5);
        if (x[i] > kPi) x[i] = kPi;
    }
    return x;
}

// The angles the string designs with, as it computes them: kTwoPi / (loopDelay + 1) for whole and
// half-sample periods 3 .. 10000.
std::vector<double> period_arguments(int chunk) {
    std::vector<double> x;
    if (chunk > 0) return x;
    for (double p = 3.0; p <= 10000.0; p += 0.5)
        x.push_back(kTwoPi / ((p - 1.0) + 1.0));
    return x;
}

// Arguments the built rounding test sends to the exact path, among the first million random ones and
// the string's, and their neighbours (256 doubles either side; 4096 in the dense run).
std::vector<double> unsure_neighbourhoods(int chunk) {
    std::vector<double> x;
    if (chunk > 0) return x;
    std::vector<double> seeds = random_arguments(0);
    const std::vector<double> more = period_arguments(0);
    seeds.insert(seeds.end(), more.begin(), more.end());
    const int reach = dense() ? 4096 : 256;
    for (double s : seeds) {
        bool unsure;
        cosine_fast(s, unsure);
        if (!unsure) continue;
        double lo = s, hi = s;
        for (int i = 0; i < reach; i++) {
            lo = std::nextafter(lo, 0.0);
            hi = std::nextafter(hi, 4.0);
            x.push_back(lo);
            if (hi <= kPi) x.push_back(hi);
        }
        x.push_back(s);
    }
    return x;
}

struct Case {
    const char *name;
    std::vector<double> (*arguments)(int chunk); // empty after the last chunk
    double test;                                 // the rounding test's constant
    bool sound;                                  // whether every result must be correctly rounded
};

class Cosine : public ::testing::TestWithParam<Case> {};

TEST_P(Cosine, MatchesMpfrInEveryLane) {
    const Case &c = GetParam();
    const bool avx = vibrel_widestPath() >= kPathAvx;
    const unsigned long before = exact_calls();
    long differ = 0, lanesDiffer = 0;
    size_t count = 0;
    for (int chunk = 0;; chunk++) {
        std::vector<double> x = c.arguments(chunk);
        if (x.empty()) break;
        count += x.size();
        while (x.size() % 4) x.push_back(x.back()); // whole groups of four, the last argument again
        for (size_t i = 0; i < x.size(); i += 4) {
            double two[4], four[4];
            for (int h = 0; h < 4; h += 2) {
                lanes::D2 v = {x[i + h], x[i + h + 1]};
                v = cosine_lanes(v, c.test);
                two[h] = v[0];
                two[h + 1] = v[1];
            }
            if (avx) four_lanes(&x[i], four, c.test);
            for (int j = 0; j < 4; j++) {
                const double one = cosine(x[i + j], c.test);
                differ += one != exact_cos(x[i + j]);
                lanesDiffer += one != two[j] || (avx && one != four[j]);
            }
        }
    }
    const unsigned long exact = exact_calls() - before;
    const int paths = avx ? 3 : 2;
    std::printf("%s: %zu arguments, %ld differ from MPFR, %ld between lanes; exact path %lu of %zu calls (%d paths)\n",
                c.name, count, differ, lanesDiffer, exact, count * paths, paths);
    EXPECT_EQ(lanesDiffer, 0);
    if (c.sound) {
        EXPECT_EQ(differ, 0);
        EXPECT_GT(exact, 0u); // the rounding test is reached
    } else {
        EXPECT_GT(differ, 0); // a test without its margin lets wrong roundings through
    }
}

INSTANTIATE_TEST_SUITE_P(Arguments, Cosine,
                         ::testing::Values(Case{"random", random_arguments, kRoundingTest, true},
                                           Case{"periods", period_arguments, kRoundingTest, true},
                                           Case{"unsure", unsure_neighbourhoods, kRoundingTest, true},
                                           Case{"unsure_without_margin", unsure_neighbourhoods, 1.0, false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Cosine, TableHoldsTheNearestDoubles) {
    mpfr_t v;
    mpfr_init2(v, 300);
    mpfr_const_pi(v, MPFR_RNDN);
    mpfr_div_2ui(v, v, 1, MPFR_RNDN);
    EXPECT_EQ(parts(v, 3), std::vector<double>(kHalfPi, kHalfPi + 3));
    for (long k = 0; k < kCentres; k++) {
        if (k == kHalfPiCentre) continue;
        mpfr_set_d(v, (double)k / kSteps, MPFR_RNDN);
        mpfr_t s;
        mpfr_init2(s, 300);
        mpfr_sin_cos(s, v, v, MPFR_RNDN);
        EXPECT_EQ(parts(v, 2), (std::vector<double>{kCentre[k].cosHi, kCentre[k].cosLo})) << k;
        EXPECT_EQ(parts(s, 2), (std::vector<double>{kCentre[k].sinHi, kCentre[k].sinLo})) << k;
        mpfr_clear(s);
    }
    const Centre &h = kCentre[kHalfPiCentre];
    EXPECT_TRUE(h.cosHi == 0.0 && h.cosLo == 0.0 && h.sinHi == 1.0 && h.sinLo == 0.0);
    mpfr_clear(v);
}

TEST(Cosine, OutsideZeroToPi) {
    EXPECT_TRUE(std::isnan(cosine(NAN)));
    EXPECT_TRUE(std::isnan(cosine(INFINITY)));
    EXPECT_TRUE(std::isnan(cosine(-INFINITY)));
    for (double x : {-0.0, -1e-300, -0.7, -kPi})
        EXPECT_EQ(cosine(x), cosine(-x)) << x;
    for (double x : {3.5, 7.0, 100.0, 12345.678})
        EXPECT_NEAR(cosine(x), std::cos(x), 1e-12) << x;
    lanes::D2 v = {NAN, 4.0};
    v = cosine_lanes(v);
    EXPECT_TRUE(std::isnan(v[0]));
    EXPECT_EQ(v[1], cosine(4.0));
}

} // namespace
