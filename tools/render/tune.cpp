// Tuning by model and measurement: the measured pitch of a near-lossless string through the emulator.
#include "tune.h"

#include <cmath>
#include <cstdio>
#include <algorithm>

#include "host_emulator.h"
#include "pitch.h"

namespace vibrel_render {

namespace {

constexpr double kLossless = 0.99999;        // the string's largest gain and brightness
constexpr double kMeasureSeconds = 1.0;      // impulse response length analysed
constexpr double kSkipSeconds = 0.05;        // attack left out of the analysis
constexpr double kToleranceCents = 0.02;     // refinement stops below this error
constexpr int kMaxRenders = 8;
constexpr double kSearchBelow = 0.8;         // pitch search range around rate / period
constexpr double kSearchAbove = 1.25;

std::string format_number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

} // namespace

struct PitchMeter::Impl {
    vibrel_emu::Host host;
    vibrel_emu::Object *obj = nullptr;
    std::string error;
    double rate = 44100.0;
    long vector = 64;
};

PitchMeter::PitchMeter(const RenderOptions &options) : impl_(new Impl) {
    Impl &m = *impl_;
    m.rate = options.rate;
    m.vector = std::max(1L, options.vector);
    std::string why;
    if (!m.host.load(options.modulePath, &why)) {
        m.error = why.empty() ? options.modulePath + ": cannot load" : why;
        return;
    }
    className_ = options.className;
    if (className_.empty()) {
        const size_t slash = options.modulePath.find_last_of('/');
        className_ = options.modulePath.substr(slash == std::string::npos ? 0 : slash + 1);
        const size_t dot = className_.find_last_of('.');
        if (dot != std::string::npos && dot > 0) className_.erase(dot);
    }
    m.obj = m.host.create(options.args.empty() ? className_ : className_ + " " + options.args);
    if (!m.obj) {
        m.error = "no object made from '" + className_ + "'";
        return;
    }
    m.host.take_console();
    m.host.send(m.obj, "params");
    for (const std::string &line : m.host.take_console()) {
        const size_t at = line.find("filter order, M = ");
        if (at != std::string::npos) order_ = std::atoi(line.c_str() + at + 18);
    }
    if (order_ <= 0) {
        m.error = "the object's \"params\" report names no filter order";
        return;
    }
    m.host.send(m.obj, "gain " + format_number(kLossless));
    m.host.send(m.obj, "brightness " + format_number(kLossless));
}

PitchMeter::~PitchMeter() {
    if (impl_->obj) impl_->host.free(impl_->obj);
    delete impl_;
}

bool PitchMeter::ok(std::string *error) const {
    if (!impl_->error.empty() && error) *error = impl_->error;
    return impl_->error.empty();
}

double PitchMeter::measure(double period) {
    Impl &m = *impl_;
    if (!m.obj) return 0.0;
    m.host.send(m.obj, "period " + format_number(period));
    if (!m.host.dsp(m.obj, {1, 0, 0}, m.rate, m.vector)) return 0.0; // a fresh chain: the string is silent
    const long n = (long)std::llround(kMeasureSeconds * m.rate);
    std::vector<double> in((size_t)n, 0.0), out((size_t)n, 0.0);
    in[0] = 1.0;
    for (long pos = 0; pos < n; pos += m.vector)
        m.host.run(m.obj, {in.data() + pos}, out.data() + pos, std::min(m.vector, n - pos));
    m.host.take_console();
    const size_t skip = (size_t)std::llround(kSkipSeconds * m.rate);
    // The pitch lies near rate / period (the loop's phase moves it by well under a semitone): searching
    // only there keeps a pulse-like impulse response from being taken for a subharmonic.
    vibrel_analysis::PitchOptions search;
    search.minHz = kSearchBelow * m.rate / period;
    search.maxHz = std::max(search.minHz * 2.0, std::min(m.rate * 0.5, kSearchAbove * m.rate / period));
    const vibrel_analysis::PitchEstimate p =
        vibrel_analysis::estimate_pitch(out.data() + skip, out.size() - skip, m.rate, search);
    return p.ok ? p.hz : 0.0;
}

bool tune(const RenderOptions &options, double hz, TuneReport &out, std::string *error) {
    out = TuneReport{};
    if (!(hz > 0.0 && hz < options.rate * 0.5)) {
        if (error) *error = "the frequency must lie between 0 and half the sample rate";
        return false;
    }
    PitchMeter meter(options);
    if (!meter.ok(error)) return false;
    out.className = meter.class_name();
    out.order = meter.order();
    out.hz = hz;
    auto cents_at = [&](double period) {
        const double f = meter.measure(period);
        return f > 0.0 ? vibrel_analysis::cents(f, hz) : NAN;
    };
    out.plainPeriod = options.rate / hz;
    out.plainCents = cents_at(out.plainPeriod);
    out.modelPeriod = vibrel_analysis::tuned_period(hz, options.rate, out.order);
    out.modelCents = cents_at(out.modelPeriod);
    out.refined = vibrel_analysis::refine_period(
        hz, out.modelPeriod, [&](double period) { return meter.measure(period); }, kToleranceCents, kMaxRenders);
    out.measuredHz = meter.measure(out.refined.period);
    if (!(out.measuredHz > 0.0)) {
        if (error) *error = "no pitch could be measured at " + format_number(hz) + " Hz";
        return false;
    }
    return true;
}

} // namespace vibrel_render
