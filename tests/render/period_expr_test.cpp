// The package's tuning abstraction, patchers/vibrel.period.maxpat: its one expression, read from the patcher
// file and evaluated as the host's expr evaluates it (in double and in 32-bit float), gives the loop-phase
// model's period, and that period sounds within a cent of the target, measured by rendering.
#include <gtest/gtest.h>

#include <cctype>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>

#include "pitch.h"
#include "tune.h"
#include "tuning.h"
#include "vibrel.h"

namespace {

// The host's expr language as far as the abstraction uses it: + - * / and unary minus with C precedence,
// parentheses, numbers, $fN / $iN inlets and one-argument functions. As in C, an operation on two integers
// (a literal without a point, or $iN) stays an integer; everything else is computed in T.
template <typename T> class Expr {
  public:
    Expr(const std::string &text, const T *inlets, int count) : s_(text), in_(inlets), count_(count) {}

    T value() {
        const Value v = sum();
        skip();
        if (at_ != s_.size()) fail("unexpected text");
        return v.x;
    }

  private:
    struct Value {
        T x;
        bool integer;
    };

    [[noreturn]] void fail(const std::string &why) const {
        throw std::runtime_error(why + " at " + std::to_string(at_) + " of '" + s_ + "'");
    }
    void skip() {
        while (at_ < s_.size() && std::isspace((unsigned char)s_[at_])) at_++;
    }
    bool take(char c) {
        skip();
        if (at_ < s_.size() && s_[at_] == c) return at_++, true;
        return false;
    }
    static Value apply(char op, Value a, Value b) {
        if (a.integer && b.integer) {
            const long long x = (long long)a.x, y = (long long)b.x;
            if (op == '/' && y == 0) throw std::runtime_error("integer division by zero");
            return {(T)(op == '+' ? x + y : op == '-' ? x - y : op == '*' ? x * y : x / y), true};
        }
        return {op == '+' ? a.x + b.x : op == '-' ? a.x - b.x : op == '*' ? a.x * b.x : a.x / b.x, false};
    }
    Value sum() {
        Value v = product();
        for (char op; (op = take('+') ? '+' : take('-') ? '-' : 0);) v = apply(op, v, product());
        return v;
    }
    Value product() {
        Value v = unary();
        for (char op; (op = take('*') ? '*' : take('/') ? '/' : 0);) v = apply(op, v, unary());
        return v;
    }
    Value unary() {
        if (take('-')) {
            const Value v = unary();
            return {-v.x, v.integer};
        }
        return primary();
    }
    Value primary() {
        skip();
        if (take('(')) {
            const Value v = sum();
            if (!take(')')) fail("')' expected");
            return v;
        }
        if (at_ < s_.size() && s_[at_] == '$') {
            const char type = at_ + 1 < s_.size() ? s_[at_ + 1] : 0;
            const int n = at_ + 2 < s_.size() ? s_[at_ + 2] - '0' : 0;
            if ((type != 'f' && type != 'i') || n < 1 || n > count_) fail("unknown inlet");
            at_ += 3;
            return type == 'f' ? Value{in_[n - 1], false} : Value{(T)(long long)in_[n - 1], true};
        }
        if (at_ < s_.size() && (std::isdigit((unsigned char)s_[at_]) || s_[at_] == '.')) {
            const char *begin = s_.c_str() + at_;
            char *end = nullptr;
            const double x = std::strtod(begin, &end);
            const std::string literal(begin, (size_t)(end - begin));
            at_ += literal.size();
            return {(T)x, literal.find_first_of(".eE") == std::string::npos};
        }
        const size_t start = at_;
        while (at_ < s_.size() && std::isalnum((unsigned char)s_[at_])) at_++;
        const std::string name = s_.substr(start, at_ - start);
        if (name.empty() || !take('(')) fail("number, inlet or function expected");
        const T x = sum().x;
        if (!take(')')) fail("')' expected");
        if (name == "atan") return {std::atan(x), false};
        if (name == "tan") return {std::tan(x), false};
        if (name == "sin") return {std::sin(x), false};
        if (name == "cos") return {std::cos(x), false};
        if (name == "sqrt") return {std::sqrt(x), false};
        fail("function '" + name + "' is not modelled");
    }

    std::string s_;
    const T *in_;
    int count_;
    size_t at_ = 0;
};

// The text after "expr " of the patcher's one expr box.
std::string expression_in(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string json = text.str();
    const std::regex box(R"re("text"\s*:\s*"expr ([^"\\]*)")re");
    auto found = std::sregex_iterator(json.begin(), json.end(), box);
    if (found == std::sregex_iterator() || std::next(found) != std::sregex_iterator()) return {};
    return (*found)[1].str();
}

template <typename T> T period_from(const std::string &expression, double hz, double rate) {
    const T inlets[] = {(T)hz, (T)rate};
    return Expr<T>(expression, inlets, 2).value();
}

double cents_between(double a, double b) { return 1200.0 * std::log2(a / b); }

} // namespace

TEST(PeriodAbstraction, ExpressionIsTheLoopPhaseTuningAndSoundsWithinACent) {
    const std::string expression = expression_in(VIBREL_PERIOD_PATCHER);
    ASSERT_FALSE(expression.empty()) << VIBREL_PERIOD_PATCHER << " holds no single expr box";
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        vibrel_render::RenderOptions o;
        o.modulePath = VIBREL_MODULE_PATH;
        o.rate = rate;
        vibrel_render::PitchMeter meter(o);
        std::string why;
        ASSERT_TRUE(meter.ok(&why)) << why;
        double worst[2] = {0.0, 0.0}; // |cents| heard, double and float periods
        for (double hz : {55.0, 110.0, 220.0, 440.0, 880.0, 1760.0, 3520.0, 4186.0}) {
            SCOPED_TRACE(std::to_string((int)hz) + " Hz at " + std::to_string((int)rate) + " Hz");
            const double exact = period_from<double>(expression, hz, rate);
            const double single = period_from<float>(expression, hz, rate); // a host computing in float
            const double model = vibrel_analysis::tuned_period(hz, rate, VIBREL_NS::kOrder);
            EXPECT_NEAR(cents_between(exact, model), 0.0, 0.01) << "period " << exact << ", model " << model;
            EXPECT_NEAR(cents_between(single, exact), 0.0, 0.01) << "float " << single << ", double " << exact;
            for (int k = 0; k < 2; k++) {
                const double period = k == 0 ? exact : single;
                const double heard = meter.measure(period);
                ASSERT_GT(heard, 0.0) << "no pitch at period " << period;
                const double off = vibrel_analysis::cents(heard, hz);
                EXPECT_LT(std::fabs(off), 1.0) << "period " << period << " sounds " << off << " cents off";
                worst[k] = std::max(worst[k], std::fabs(off));
            }
        }
        std::printf("%s at %.0f Hz, 55 to 4186 Hz: worst %.3f cents (double), %.3f cents (float)\n",
                    VIBREL_CLASS_NAME, rate, worst[0], worst[1]);
    }
}

TEST(PeriodAbstraction, EvaluatorFollowsTheHostsArithmetic) {
    const double in[] = {7.0, 2.0};
    auto eval = [&](const char *e) { return Expr<double>(e, in, 2).value(); };
    EXPECT_EQ(eval("1/2"), 0.0); // two integers divide as integers, as in C
    EXPECT_EQ(eval("1./2"), 0.5);
    EXPECT_EQ(eval("$i1/$i2"), 3.0);
    EXPECT_EQ(eval("$f1/$f2"), 3.5);
    EXPECT_EQ(eval("-$f2*3.+1.-(2.)"), -7.0);
    EXPECT_THROW(eval("pow(2.)"), std::runtime_error);
    EXPECT_THROW(eval("$f3"), std::runtime_error);
}
