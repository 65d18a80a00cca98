// The console reports "info" and "params" and the hover help, line for line as the user reads them.
#include <cmath>
#include <cstdio>
#include <regex>

#include "host_fixture.h"

namespace {

const std::string kDashes(51, '-');
const std::string kMinText = kFull ? "4.0" : "3.0";

TEST_F(HostTest, InfoBanner) {
    Object *o = make();
    ASSERT_NE(o, nullptr);
    ASSERT_TRUE(host.send(o, "info"));
    const std::vector<std::string> lines = host.take_console();
    ASSERT_EQ(lines.size(), kFull ? 7u : 8u);
    std::size_t i = 0;
    EXPECT_EQ(lines[i++], kDashes);
    EXPECT_EQ(lines[i++], "vibrel~ external ver 3.2");
    EXPECT_EQ(lines[i++], "Karplus-Strong string model");
    if (!kFull) {
        EXPECT_EQ(lines[i++], "LITE Version (minor sound differences: less computationally demanding)");
    }
    EXPECT_FALSE(lines[i++].empty()) << "author and year";
    EXPECT_FALSE(lines[i++].empty()) << "web address";
    EXPECT_TRUE(std::regex_match(lines[i++], std::regex("this version compiled: "
                                                        "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                                        "[ 123][0-9] [0-9]{4} at [0-2][0-9]:[0-5][0-9]:[0-6][0-9]")))
        << lines[i - 1];
    EXPECT_EQ(lines[i++], kDashes);
}

struct ParamsCase {
    const char *name;
    const char *args;
    std::vector<std::string> messages;
    std::string range, fundamental, relative, nyquist, period; // the varying parts of lines 3 to 7
};
void PrintTo(const ParamsCase &c, std::ostream *os) { *os << c.name; }

class Params : public HostTest, public ::testing::WithParamInterface<ParamsCase> {};

TEST_P(Params, ReportLines) {
    const ParamsCase &c = GetParam();
    Object *o = make(c.args);
    ASSERT_NE(o, nullptr);
    for (const std::string &m : c.messages) ASSERT_TRUE(host.send(o, m));
    host.take_console();
    ASSERT_TRUE(host.send(o, "params"));
    const std::vector<std::string> expected{
        kDashes,
        std::string("vibrel~ filter order, M = ") + (kFull ? "7" : "5"),
        "vibrel~ always ensure that: " + kMinText + " <= delay time <= " + c.range + " samples",
        "vibrel~ feedback gain at fundamental: " + c.fundamental,
        "vibrel~ relative high-frequency gain: " + c.relative,
        "vibrel~ feedback gain at Nyquist: " + c.nyquist,
        "vibrel~ control rate delay period: " + c.period + " samples",
        kDashes,
    };
    EXPECT_EQ(host.take_console(), expected);
}

const std::string kDefFundamental = "-0.087296 dB ( 0.990000 )";
const std::string kDefRelative = "-0.915150 dB ( 0.900000 )";
const std::string kDefNyquist = "-1.002446 dB ( 0.891000 )";

// The C library decides the sign it gives the NaN of a logarithm of a negative number, and prints it.
std::string nan_db() {
    volatile double negative = -0.5;
    char text[32];
    std::snprintf(text, sizeof text, "%f", 20.0 * std::log10(negative));
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Reports, Params,
    ::testing::Values(
        ParamsCase{"Defaults", "", {}, "8192.0", kDefFundamental, kDefRelative, kDefNyquist, "50.000000"},
        ParamsCase{"BrightnessZero", "", {"brightness 0"}, "8192.0", kDefFundamental, "-inf dB ( 0.000000 )",
                   "-inf dB ( 0.000000 )", "50.000000"},
        ParamsCase{"NegativeGain", "", {"gain -0.5"}, "8192.0", nan_db() + " dB ( -0.500000 )", kDefRelative,
                   nan_db() + " dB ( -0.450000 )", "50.000000"},
        ParamsCase{"Period100", "", {"period 100"}, "8192.0", kDefFundamental, kDefRelative, kDefNyquist,
                   "100.000000"},
        ParamsCase{"PeriodClamped", "", {"period 1"}, "8192.0", kDefFundamental, kDefRelative, kDefNyquist,
                   kFull ? "4.000000" : "3.000000"},
        ParamsCase{"LargestDelay20000", "20000", {"period 30000"}, "20000.0", kDefFundamental, kDefRelative,
                   kDefNyquist, "20000.000000"},
        ParamsCase{"ChainBuildKeepsThem", "", {"fbgain 0.5", "brightness 0.5", "period 61.25"}, "8192.0",
                   "-6.020600 dB ( 0.500000 )", "-6.020600 dB ( 0.500000 )", "-12.041200 dB ( 0.250000 )",
                   "61.250000"}),
    [](const ::testing::TestParamInfo<ParamsCase> &i) { return std::string(i.param.name); });

TEST_F(HostTest, ParamsReportIsUnchangedByAChainBuild) {
    Object *o = make();
    ASSERT_NE(o, nullptr);
    ASSERT_TRUE(host.send(o, "period 61.25"));
    ASSERT_TRUE(host.send(o, "params"));
    const std::vector<std::string> before = host.take_console();
    ASSERT_TRUE(host.dsp(o, {1, 1, 1}, 48000.0, 64));
    ASSERT_TRUE(host.send(o, "params"));
    EXPECT_EQ(host.take_console(), before);
}

struct AssistCase {
    const char *args;
    long msg, index;
    std::string text; // "" : the buffer stays as the host filled it
};
void PrintTo(const AssistCase &c, std::ostream *os) { *os << c.msg << ' ' << c.index << ' ' << c.args; }

class Assist : public HostTest, public ::testing::WithParamInterface<AssistCase> {};

TEST_P(Assist, HoverHelp) {
    const AssistCase &c = GetParam();
    Object *o = make(c.args);
    ASSERT_NE(o, nullptr);
    const std::string untouched = "host text";
    EXPECT_EQ(host.assist(o, c.msg, c.index, untouched), c.text.empty() ? untouched : c.text);
    EXPECT_TRUE(host.console().empty());
}

constexpr long kInlet = 1, kOutlet = 2;

INSTANTIATE_TEST_SUITE_P(
    Reports, Assist,
    ::testing::Values(AssistCase{"", kInlet, 0, "signal input"},
                      AssistCase{"", kInlet, 1, "gain multiplier (signal, min: -0.99999, max: 0.99999 )"},
                      AssistCase{"", kInlet, 2, "delay time in samples (signal, min: " + kMinText + ", max: 8192.0 )"},
                      AssistCase{"20000", kInlet, 2,
                                 "delay time in samples (signal, min: " + kMinText + ", max: 20000.0 )"},
                      AssistCase{"", kOutlet, 0, "signal output"}, AssistCase{"", 0, 0, "signal output"},
                      AssistCase{"", kInlet, 3, ""}, AssistCase{"", kInlet, -1, ""}, AssistCase{"", kOutlet, 1, ""},
                      AssistCase{"", kOutlet, -1, ""}),
    [](const ::testing::TestParamInfo<AssistCase> &i) {
        const std::string what = i.param.msg == kInlet ? "inlet" : "msg" + std::to_string(i.param.msg) + "_outlet";
        const long k = i.param.index;
        return what + (k < 0 ? "minus" : "") + std::to_string(k < 0 ? -k : k) + (*i.param.args ? "_max" : "") +
               i.param.args;
    });

} // namespace
