// Plays a score through the host emulator, sample-exactly: message events split the signal vectors.
#include "renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>

#include "host_emulator.h"
#include "sound_file.h"

namespace vibrel_render {

namespace {

constexpr double kTailSeconds = 2.0; // rendered after the last event when the score has no end
constexpr int kProgressSteps = 200;  // progress reports per render, at most

// The host names a class after its module file: ".../vibrel~.so" holds "vibrel~".
std::string class_of_module(const std::string &path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

// How long an event keeps sounding or moving after its time, in seconds (excitation files aside).
double extent(const Event &e) {
    return (e.kind == Event::Noise || e.kind == Event::Ramp) ? e.seconds : 0.0;
}

void note(const RenderHooks &hooks, const std::string &line) {
    if (hooks.console) hooks.console(line);
}

} // namespace

long to_sample(double seconds, double rate) { return (long)std::llround(seconds * rate); }

long render_length(const Score &score, double rate) {
    if (score.hasEnd) return to_sample(score.end, rate);
    double last = 0.0;
    for (const Event &e : score.events) last = std::max(last, e.time + extent(e));
    return to_sample(last + kTailSeconds, rate);
}

std::vector<double> noise_burst(unsigned seed, long n, double amp) {
    // splitmix64: small, fast, and the same on every platform and standard library
    uint64_t state = 0x9E3779B97F4A7C15ULL * (seed + 1ULL);
    std::vector<double> out((size_t)std::max(n, 0L));
    for (double &v : out) {
        state += 0x9E3779B97F4A7C15ULL;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        const double unit = (double)(z >> 11) * 0x1.0p-53; // [0, 1)
        v = amp * (2.0 * unit - 1.0);
    }
    return out;
}

std::vector<double> lane_signal(const Score &score, Lane lane, long length, double rate) {
    std::vector<const Event *> events;
    for (const Event &e : score.events)
        if ((e.kind == Event::Ramp || e.kind == Event::Set) && e.lane == lane) events.push_back(&e);
    std::vector<double> out((size_t)std::max(length, 0L), 0.0);
    if (events.empty()) return out;

    const double initial = events[0]->kind == Event::Ramp ? events[0]->from : events[0]->to;
    const long first = std::min(to_sample(events[0]->time, rate), length);
    std::fill(out.begin(), out.begin() + first, initial);
    for (size_t k = 0; k < events.size(); k++) {
        const Event &e = *events[k];
        const long start = std::min(to_sample(e.time, rate), length);
        const long stop = k + 1 < events.size() ? std::min(to_sample(events[k + 1]->time, rate), length) : length;
        const long steps = e.kind == Event::Ramp ? to_sample(e.seconds, rate) : 0;
        for (long i = start; i < stop; i++) {
            const long t = i - start;
            out[(size_t)i] = t < steps ? e.from + (e.to - e.from) * ((double)t / (double)steps) : e.to;
        }
    }
    return out;
}

bool excitation_signal(const Score &score, long length, double rate, std::vector<double> &out, std::string *error,
                       const RenderHooks &hooks) {
    out.assign((size_t)std::max(length, 0L), 0.0);
    std::map<std::string, std::vector<double>> files;
    for (const Event &e : score.events) {
        const long start = to_sample(e.time, rate);
        std::vector<double> burst;
        switch (e.kind) {
        case Event::Impulse:
            burst.assign(1, e.amp);
            break;
        case Event::Noise:
            burst = noise_burst((unsigned)e.line, std::max(1L, to_sample(e.seconds, rate)), e.amp);
            break;
        case Event::File: {
            const std::string path = (!e.path.empty() && e.path[0] == '/') ? e.path : score.folder + e.path;
            auto it = files.find(path);
            if (it == files.end()) {
                std::vector<double> samples;
                double fileRate = 0.0;
                std::string why;
                if (!read_sound(path, samples, fileRate, &why)) {
                    if (error) *error = where(score, e.line) + ": " + why;
                    return false;
                }
                if (fileRate != rate)
                    note(hooks, where(score, e.line) + ": note: " + path + " is at " + std::to_string((long)fileRate) +
                                    " Hz; its samples play unchanged at the render rate");
                it = files.emplace(path, std::move(samples)).first;
            }
            burst = it->second;
            for (double &v : burst) v *= e.amp;
            break;
        }
        default:
            continue;
        }
        for (size_t i = 0; i < burst.size() && start + (long)i < length; i++) out[(size_t)start + i] += burst[i];
    }
    return true;
}

bool render_score(const Score &score, const RenderOptions &options, Rendered &out, std::string *error,
                  const RenderHooks &hooks) {
    out = Rendered{};
    const double rate = options.rate;
    const long length = render_length(score, rate);
    const long vector = std::max(1L, options.vector);
    const bool gainLane = score.uses(Lane::Gain), periodLane = score.uses(Lane::Period);

    std::vector<double> excitation;
    if (!excitation_signal(score, length, rate, excitation, error, hooks)) return false;
    const std::vector<double> gain = lane_signal(score, Lane::Gain, length, rate);
    const std::vector<double> period = lane_signal(score, Lane::Period, length, rate);

    vibrel_emu::Host host;
    auto flush_console = [&](const std::string &prefix) {
        for (const std::string &line : host.take_console()) note(hooks, prefix + line);
    };
    std::string why;
    if (!host.load(options.modulePath, &why)) {
        if (error) *error = why.empty() ? options.modulePath + ": cannot load" : why;
        return false;
    }
    flush_console("");
    const std::string cls = options.className.empty() ? class_of_module(options.modulePath) : options.className;
    out.className = cls;
    vibrel_emu::Object *obj = host.create(options.args.empty() ? cls : cls + " " + options.args);
    if (!obj) {
        flush_console("");
        if (error) *error = "no object made from the box text '" + cls + " " + options.args + "'";
        return false;
    }
    flush_console("");
    if (gainLane && !periodLane)
        note(hooks, score.source + ": note: the gain lane is connected but the period lane is not; the object then "
                                   "reads its period from the silent period inlet (the shortest period)");
    if (!host.dsp(obj, {1, (short)gainLane, (short)periodLane}, rate, vector)) {
        flush_console("");
        if (error) *error = "the object added no perform routine to the signal chain";
        host.free(obj);
        return false;
    }
    flush_console("");

    out.samples.assign((size_t)length, 0.0);
    const long progressStep = std::max(1L, length / kProgressSteps);
    long nextProgress = 0;
    auto run_to = [&](long pos, long stop) {
        while (pos < stop) {
            const long n = std::min(vector, stop - pos);
            const size_t at = (size_t)pos;
            host.run(obj,
                     {excitation.data() + at, gainLane ? gain.data() + at : nullptr,
                      periodLane ? period.data() + at : nullptr},
                     out.samples.data() + at, n);
            pos += n;
            if (hooks.progress && pos >= nextProgress) {
                hooks.progress((double)pos / (double)length);
                nextProgress = pos + progressStep;
            }
        }
        return pos;
    };

    long pos = 0;
    for (const Event &e : score.events) {
        if (e.kind != Event::Message) continue;
        const long at = to_sample(e.time, rate);
        if (at >= length && length > 0) {
            note(hooks, where(score, e.line) + ": note: at or after the end; not sent");
            continue;
        }
        pos = run_to(pos, at);
        const bool understood = host.send(obj, e.text);
        if (understood) {
            flush_console("");
        } else {
            out.refused++;
            const std::vector<std::string> lines = host.take_console();
            for (const std::string &line : lines) note(hooks, where(score, e.line) + ": " + line);
            if (lines.empty()) note(hooks, where(score, e.line) + ": the object did not take '" + e.text + "'");
        }
    }
    run_to(pos, length);
    if (hooks.progress) hooks.progress(1.0);
    host.free(obj);
    flush_console("");
    return true;
}

} // namespace vibrel_render
