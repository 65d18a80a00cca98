// vibrel-render's scores: each event kind against the same events driven by hand through the emulator,
// malformed lines, and the example scores.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host_emulator.h"
#include "renderer.h"
#include "score.h"
#include "sound_file.h"
#include "vibrel.h"

using namespace vibrel_render;
namespace fs = std::filesystem;

namespace {

constexpr double kRate = 48000.0; // every event time below lands on a whole sample at this rate

// A folder of its own for files a test writes, removed afterwards.
struct TempDir {
    fs::path path;
    TempDir() {
        std::string t = (fs::temp_directory_path() / "vibrel-render-test-XXXXXX").string();
        path = mkdtemp(t.data());
    }
    ~TempDir() { fs::remove_all(path); }
};

RenderOptions options() {
    RenderOptions o;
    o.modulePath = VIBREL_MODULE_PATH;
    o.rate = kRate;
    o.vector = 64;
    return o;
}

Score parse_ok(const std::string &text, const std::string &folder = "") {
    Score s;
    std::vector<std::string> errors;
    EXPECT_TRUE(parse_score(text, "test.score", s, errors));
    for (const std::string &e : errors) ADD_FAILURE() << e;
    s.folder = folder;
    return s;
}

long at(double seconds) { return to_sample(seconds, kRate); }

// The same events sent by hand: messages at their sample, everything else precomputed into the inlets.
class ByHand {
  public:
    ByHand(std::vector<short> connected, long length) : length_(length), out_((size_t)length, 0.0) {
        for (auto &v : in_) v.assign((size_t)length, 0.0);
        std::string why;
        EXPECT_TRUE(host_.load(VIBREL_MODULE_PATH, &why)) << why;
        obj_ = host_.create(VIBREL_CLASS_NAME);
        EXPECT_NE(obj_, nullptr);
        EXPECT_TRUE(host_.dsp(obj_, connected, kRate, 64));
        connected_ = connected;
    }
    ~ByHand() { host_.free(obj_); }
    std::vector<double> &inlet(int i) { return in_[i]; }
    // Runs up to `sample` in vectors of 29 frames (a different split from the renderer's), then sends.
    void send_at(long sample, const std::string &message) {
        run_to(sample);
        host_.send(obj_, message);
    }
    const std::vector<double> &finish() {
        run_to(length_);
        return out_;
    }

  private:
    void run_to(long stop) {
        while (pos_ < stop) {
            const long n = std::min(29L, stop - pos_);
            std::vector<const double *> ins;
            for (int i = 0; i < 3; i++) ins.push_back(connected_[i] ? in_[i].data() + pos_ : nullptr);
            host_.run(obj_, ins, out_.data() + pos_, n);
            pos_ += n;
        }
    }
    vibrel_emu::Host host_;
    vibrel_emu::Object *obj_ = nullptr;
    std::vector<short> connected_;
    long length_, pos_ = 0;
    std::vector<double> in_[3], out_;
};

void expect_same(const std::vector<double> &a, const std::vector<double> &b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); i++)
        if (a[i] != b[i]) {
            FAIL() << "first difference at sample " << i << ": " << a[i] << " vs " << b[i];
        }
}

bool has_energy(const std::vector<double> &x, long from, long to) {
    for (long i = from; i < to; i++)
        if (x[(size_t)i] != 0.0) return true;
    return false;
}

} // namespace

// Messages and the three excitations, no lanes: the control-rate routine.
TEST(RenderScore, ExcitationsAndMessagesMatchHandDrivenRun) {
    TempDir dir;
    std::vector<double> file = {0.5, -0.25, 0.125, 0.75, -0.5, 0.0625}; // exact in 32-bit float
    ASSERT_TRUE(write_wav((dir.path / "pick.wav").string(), file, kRate, SampleFormat::Float, nullptr));
    const Score score = parse_ok("# every event kind but the lanes\n"
                                 "0.0 period 100\n"
                                 "0.0 pluck impulse 0.8\n"
                                 "0.1 brightness 0.4\n"
                                 "0.2 pluck noise 0.005 0.5\n"
                                 "+0.1 gain 0.995    # relative time: 0.3\n"
                                 "0.35 clear\n"
                                 "0.4 period 60.5\n"
                                 "0.4 pluck file pick.wav 2\n"
                                 "0.5 fbgain 0.98\n"
                                 "0.6 end\n",
                                 dir.path.string() + "/");
    Rendered r;
    std::string why;
    ASSERT_TRUE(render_score(score, options(), r, &why)) << why;
    EXPECT_EQ(r.refused, 0);

    ByHand h({1, 0, 0}, at(0.6));
    h.inlet(0)[0] += 0.8;
    const std::vector<double> burst = noise_burst(5, at(0.005), 0.5); // seeded by its score line
    for (size_t i = 0; i < burst.size(); i++) h.inlet(0)[(size_t)at(0.2) + i] += burst[i];
    for (size_t i = 0; i < file.size(); i++) h.inlet(0)[(size_t)at(0.4) + i] += 2.0 * file[i];
    h.send_at(0, "period 100");
    h.send_at(at(0.1), "brightness 0.4");
    h.send_at(at(0.3), "gain 0.995");
    h.send_at(at(0.35), "clear");
    h.send_at(at(0.4), "period 60.5");
    h.send_at(at(0.5), "fbgain 0.98");
    expect_same(r.samples, h.finish());
    EXPECT_FALSE(has_energy(r.samples, at(0.35), at(0.4))); // the clear landed on its sample
}

// Lanes: the period lane alone selects the period-signal routine, both lanes the gain-and-period one.
class RenderLanes : public ::testing::TestWithParam<bool> {};

TEST_P(RenderLanes, RampsAndSetsMatchHandDrivenRun) {
    const bool gainLane = GetParam();
    std::string text = "0.0 pluck noise 0.002\n"
                       "0.05 ramp period 200 50.25 0.1\n"
                       "0.2 set period 80\n"
                       "0.25 ramp period 80 120 0.5   # cut short by the end\n"
                       "0.3 pluck impulse\n"
                       "0.4 end\n";
    if (gainLane) text += "0.1 set gain 0.9\n0.15 ramp gain 0.5 0.99 0.02\n";
    const Score score = parse_ok(text);
    Rendered r;
    std::string why;
    ASSERT_TRUE(render_score(score, options(), r, &why)) << why;

    const long n = at(0.4);
    ByHand h({1, (short)gainLane, 1}, n);
    const std::vector<double> burst = noise_burst(1, at(0.002), 1.0);
    for (size_t i = 0; i < burst.size(); i++) h.inlet(0)[i] += burst[i];
    h.inlet(0)[(size_t)at(0.3)] += 1.0;
    std::vector<double> &period = h.inlet(2), &gain = h.inlet(1);
    for (long i = 0; i < n; i++) {
        if (i < at(0.05)) period[i] = 200.0; // a lane holds its first value until its first event
        else if (i < at(0.2)) {
            const long t = i - at(0.05), steps = at(0.1);
            period[i] = t < steps ? 200.0 + (50.25 - 200.0) * ((double)t / (double)steps) : 50.25;
        } else if (i < at(0.25)) period[i] = 80.0;
        else period[i] = 80.0 + (120.0 - 80.0) * ((double)(i - at(0.25)) / (double)at(0.5));
        if (!gainLane) continue;
        if (i < at(0.15)) gain[i] = 0.9;
        else {
            const long t = i - at(0.15), steps = at(0.02);
            gain[i] = t < steps ? 0.5 + (0.99 - 0.5) * ((double)t / (double)steps) : 0.99;
        }
    }
    expect_same(r.samples, h.finish());
}

INSTANTIATE_TEST_SUITE_P(GainLane, RenderLanes, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "PeriodAndGain" : "PeriodOnly"; });

TEST(RenderScore, UnknownMessageGetsHostLineWithScoreLocationAndRenderGoesOn) {
    const Score score = parse_ok("0 pluck impulse\n0.01 brightnes 0.5\n0.1 end\n");
    Rendered r;
    std::vector<std::string> lines;
    RenderHooks hooks;
    hooks.console = [&](const std::string &l) { lines.push_back(l); };
    ASSERT_TRUE(render_score(score, options(), r, nullptr, hooks));
    EXPECT_EQ(r.refused, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("test.score:2: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("brightnes"), std::string::npos) << lines[0];
    EXPECT_EQ(r.samples.size(), (size_t)at(0.1));
}

TEST(RenderScore, MissingExcitationFileRendersNothing) {
    const Score score = parse_ok("0 pluck file no-such-file.wav\n1 end\n");
    Rendered r;
    std::string why;
    EXPECT_FALSE(render_score(score, options(), r, &why));
    EXPECT_EQ(why.rfind("test.score:1: ", 0), 0u) << why;
    EXPECT_TRUE(r.samples.empty());
}

TEST(RenderScore, LengthWithoutEndCoversTheLastEventAndTwoSeconds) {
    EXPECT_EQ(render_length(parse_ok("0 pluck impulse\n1.5 ramp period 100 50 0.5\n"), kRate), at(4.0));
    EXPECT_EQ(render_length(parse_ok("0 pluck impulse\n0.5 end\n3 clear\n"), kRate), at(0.5));
}

// Each malformed line is reported with its line number, and the score is refused as a whole.
struct Malformed {
    const char *line;
    const char *reason; // part of the expected message
};

class MalformedLine : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedLine, IsReportedWithItsLineNumber) {
    const std::string text = std::string("# header\n0 period 100\n") + GetParam().line + "\n1 clear\n";
    Score s;
    std::vector<std::string> errors;
    EXPECT_FALSE(parse_score(text, "bad.score", s, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("bad.score:3: ", 0), 0u) << errors[0];
    EXPECT_NE(errors[0].find(GetParam().reason), std::string::npos) << errors[0];
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MalformedLine,
    ::testing::Values(Malformed{"x pluck impulse", "bad time"}, Malformed{"-1 pluck impulse", "bad time"},
                      Malformed{"+-1 clear", "bad time"}, Malformed{"nan clear", "bad time"},
                      Malformed{"0.5", "no event"}, Malformed{"0.5 42", "a number where"},
                      Malformed{"0 pluck", "needs a source"}, Malformed{"0 pluck sine", "unknown pluck source"},
                      Malformed{"0 pluck impulse loud", "amplitude is not a number"},
                      Malformed{"0 pluck noise", "usage: pluck noise"},
                      Malformed{"0 pluck noise 0", "above 0"}, Malformed{"0 pluck file", "usage: pluck file"},
                      Malformed{"0 ramp period 1 2", "usage: ramp"}, Malformed{"0 ramp tone 1 2 3", "unknown lane"},
                      Malformed{"0 ramp gain 1 2 -3", "must not be negative"},
                      Malformed{"0 set period", "usage: set"}, Malformed{"0 set period fast", "not a number"},
                      Malformed{"0 end now", "end takes no arguments"}),
    [](const auto &info) { return "line" + std::to_string(info.index); });

TEST(MalformedScore, SecondEndNamesBothLines) {
    Score s;
    std::vector<std::string> errors;
    EXPECT_FALSE(parse_score("1 end\n0 pluck impulse\n2 end\n", "two.score", s, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "two.score:3: a second end (the first is on line 1)");
}

TEST(RenderTool, MalformedScoreNamesTheLineAndWritesNothing) {
    TempDir dir;
    const fs::path score = dir.path / "broken.score", wav = dir.path / "broken.wav", log = dir.path / "log.txt";
    std::ofstream(score) << "0 period 100\n0 pluck impulse\n0.5 ramp period 100\n1 end\n";
    const std::string cmd = std::string("'") + VIBREL_RENDER_EXE + "' --module '" + VIBREL_MODULE_PATH + "' '" +
                            score.string() + "' -o '" + wav.string() + "' >'" + log.string() + "' 2>&1";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_FALSE(fs::exists(wav));
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("broken.score:3: "), std::string::npos) << text;
}

TEST(RenderTool, WritesWavAndPlot) {
    TempDir dir;
    const fs::path score = dir.path / "s.score", wav = dir.path / "s.wav", png = dir.path / "s.png";
    std::ofstream(score) << "0 pluck noise 0.01\n0.5 end\n";
    const std::string cmd = std::string("'") + VIBREL_RENDER_EXE + "' --module '" + VIBREL_MODULE_PATH +
                            "' --format pcm24 --rate 32000 '" + score.string() + "' -o '" + wav.string() +
                            "' --plot '" + png.string() + "' >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::vector<double> samples;
    double rate = 0.0;
    ASSERT_TRUE(read_sound(wav.string(), samples, rate, nullptr));
    EXPECT_EQ(rate, 32000.0);
    EXPECT_EQ(samples.size(), 16000u);
    EXPECT_TRUE(has_energy(samples, 0, 100));
    std::ifstream in(png, std::ios::binary);
    char magic[8] = {};
    in.read(magic, 8);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
}

// The shipped examples parse, and every message in them is one the object understands.
TEST(RenderExamples, ParseAndRenderWithoutRefusals) {
    int count = 0;
    for (const auto &entry : fs::directory_iterator(VIBREL_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".score") continue;
        count++;
        Score s;
        std::vector<std::string> errors;
        ASSERT_TRUE(load_score(entry.path().string(), s, errors)) << (errors.empty() ? "" : errors[0]);
        Rendered r;
        std::string why;
        ASSERT_TRUE(render_score(s, options(), r, &why)) << why;
        EXPECT_EQ(r.refused, 0) << entry.path();
        EXPECT_TRUE(has_energy(r.samples, 0, (long)r.samples.size())) << entry.path();
    }
    EXPECT_GE(count, 3);
}
