// vibrel-render: plays a score through the plug-in in the host emulator and writes a WAV file (and a
// picture of it); or, with --tune, finds the period that sounds a given frequency.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "pitch.h"
#include "plot.h"
#include "renderer.h"
#include "score.h"
#include "sound_file.h"
#include "tune.h"

using namespace vibrel_render;

namespace {

constexpr double kProgressAfterSeconds = 3.0; // shorter renders finish before a bar is worth drawing

const char kUsage[] =
    "usage: vibrel-render [options] SCORE       render a score to a WAV file\n"
    "       vibrel-render --tune HZ [options]   the period that sounds HZ, verified by rendering\n"
    "\n"
    "options:\n"
    "  -o, --output FILE   WAV file to write (default: the score's name with .wav, in the current folder)\n"
    "  --plot FILE         also draw the waveform and a spectrogram into a PNG file\n"
    "  --icon FILE         also draw the spectrogram alone into a 500 x 500 PNG file (the package's icon)\n"
    "  --module PATH       plug-in module to load (default: " VIBREL_DEFAULT_MODULE ")\n"
    "  --class NAME        class to create (default: the module's file name without extension)\n"
    "  --args TEXT         creation arguments, as typed after the class name in a box (e.g. \"20000\")\n"
    "  --rate HZ           sample rate (default 44100)\n"
    "  --vector N          largest signal vector in frames (default 64)\n"
    "  --format F          float (32-bit float, default) or pcm24\n"
    "  -h, --help          this text\n"
    "\n"
    "Score format: one event a line, '<seconds> <event>', '#' starts a comment; see tools/render/SCORES.md.\n"
    "  0.0 period 100              any message the object knows, sent at its exact sample\n"
    "  0.0 pluck impulse [amp]     excitations into the signal input, added together\n"
    "  0.0 pluck noise <s> [amp]\n"
    "  0.0 pluck file <path> [amp]\n"
    "  0.0 set period 100          signal lanes for the gain and period inlets; a lane in use is\n"
    "  0.0 ramp gain 0.9 0.999 2   connected when the chain is built\n"
    "  +0.5 ...                    time relative to the previous event\n"
    "  3.0 end                     length of the render (default: 2 s after the last event)\n";

struct Args {
    std::string score, output, plot, icon, format = "float";
    RenderOptions render;
    double tuneHz = 0.0;
};

bool number_arg(const char *text, double &v) {
    char *end = nullptr;
    v = std::strtod(text, &end);
    return *text && *end == '\0' && std::isfinite(v);
}

// False after printing the reason; exits for --help.
bool parse_args(int argc, char **argv, Args &a) {
    a.render.modulePath = VIBREL_DEFAULT_MODULE;
    for (int i = 1; i < argc; i++) {
        const std::string opt = argv[i];
        auto value = [&](const char *&out) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vibrel-render: %s needs a value\n", opt.c_str());
                return false;
            }
            out = argv[++i];
            return true;
        };
        const char *v = nullptr;
        double num = 0.0;
        if (opt == "-h" || opt == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (opt == "-o" || opt == "--output") {
            if (!value(v)) return false;
            a.output = v;
        } else if (opt == "--plot") {
            if (!value(v)) return false;
            a.plot = v;
        } else if (opt == "--icon") {
            if (!value(v)) return false;
            a.icon = v;
        } else if (opt == "--module") {
            if (!value(v)) return false;
            a.render.modulePath = v;
        } else if (opt == "--class") {
            if (!value(v)) return false;
            a.render.className = v;
        } else if (opt == "--args") {
            if (!value(v)) return false;
            a.render.args = v;
        } else if (opt == "--format") {
            if (!value(v)) return false;
            a.format = v;
            if (a.format != "float" && a.format != "pcm24") {
                std::fprintf(stderr, "vibrel-render: --format is float or pcm24, not '%s'\n", v);
                return false;
            }
        } else if (opt == "--rate" || opt == "--vector" || opt == "--tune") {
            if (!value(v)) return false;
            if (!number_arg(v, num) || num <= 0.0) {
                std::fprintf(stderr, "vibrel-render: %s needs a positive number, not '%s'\n", opt.c_str(), v);
                return false;
            }
            if (opt == "--rate") a.render.rate = num;
            if (opt == "--vector") a.render.vector = (long)num;
            if (opt == "--tune") a.tuneHz = num;
        } else if (!opt.empty() && opt[0] == '-') {
            std::fprintf(stderr, "vibrel-render: unknown option %s (see --help)\n", opt.c_str());
            return false;
        } else if (a.score.empty()) {
            a.score = opt;
        } else {
            std::fprintf(stderr, "vibrel-render: one score at a time ('%s' and '%s')\n", a.score.c_str(), opt.c_str());
            return false;
        }
    }
    if (a.score.empty() && a.tuneHz == 0.0) {
        std::fputs(kUsage, stderr);
        return false;
    }
    return true;
}

std::string default_output(const std::string &score) {
    const size_t slash = score.find_last_of('/');
    std::string name = slash == std::string::npos ? score : score.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name + ".wav";
}

// A bar on stderr that redraws itself in place.
void draw_progress(double fraction) {
    constexpr int kWidth = 40;
    static int shown = -1; // percent on screen; redraw only when it changes
    const int percent = (int)(fraction * 100.0);
    if (percent == shown) return;
    shown = percent;
    const int filled = (int)(fraction * kWidth);
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################", kWidth - filled, "",
                 percent);
    if (fraction >= 1.0) std::fputc('\n', stderr);
    std::fflush(stderr);
}

int run_tune(const Args &a) {
    TuneReport r;
    std::string error;
    if (!tune(a.render, a.tuneHz, r, &error)) {
        std::fprintf(stderr, "vibrel-render: %s\n", error.c_str());
        return 1;
    }
    const double rate = a.render.rate;
    std::printf("%s (M = %d) at %g Hz, target %g Hz\n", r.className.c_str(), r.order, rate, r.hz);
    std::printf("  rate / f          period %.6f  sounds %+.3f cents\n", r.plainPeriod, r.plainCents);
    std::printf("  loop-phase model  period %.6f  sounds %+.3f cents\n", r.modelPeriod, r.modelCents);
    std::printf("  measured          period %.6f  sounds %.6f Hz, %+.4f cents (%d renders)\n", r.refined.period,
                r.measuredHz, vibrel_analysis::cents(r.measuredHz, r.hz), r.refined.measurements + 3);
    std::printf("period %.6f\n", r.refined.period);
    return 0;
}

int run_render(const Args &a) {
    Score score;
    std::vector<std::string> errors;
    if (!load_score(a.score, score, errors)) {
        for (const std::string &e : errors) std::fprintf(stderr, "%s\n", e.c_str());
        std::fprintf(stderr, "vibrel-render: nothing rendered\n");
        return 1;
    }
    const long length = render_length(score, a.render.rate);
    RenderHooks hooks;
    hooks.console = [](const std::string &line) { std::printf("%s\n", line.c_str()); };
    if (isatty(STDERR_FILENO) && (double)length > kProgressAfterSeconds * a.render.rate)
        hooks.progress = [](double f) {
            std::fflush(stdout);
            draw_progress(f);
        };
    Rendered out;
    std::string error;
    if (!render_score(score, a.render, out, &error, hooks)) {
        std::fprintf(stderr, "vibrel-render: %s\nvibrel-render: nothing rendered\n", error.c_str());
        return 1;
    }
    const std::string wav = a.output.empty() ? default_output(a.score) : a.output;
    if (!write_wav(wav, out.samples, a.render.rate, a.format == "pcm24" ? SampleFormat::Pcm24 : SampleFormat::Float,
                   &error)) {
        std::fprintf(stderr, "vibrel-render: %s\n", error.c_str());
        return 1;
    }
    double peak = 0.0;
    for (double v : out.samples) peak = std::max(peak, std::fabs(v));
    std::printf("wrote %s: %.3f s at %g Hz, peak %.3f (%.1f dBFS)%s\n", wav.c_str(),
                (double)out.samples.size() / a.render.rate, a.render.rate, peak, 20.0 * std::log10(peak + 1e-300),
                peak > 1.0 && a.format == "pcm24" ? ", clipped" : "");
    if (!a.plot.empty()) {
        const size_t slash = a.score.find_last_of('/');
        const std::string title = (slash == std::string::npos ? a.score : a.score.substr(slash + 1)) + "  -  " +
                                  out.className + ", " + std::to_string((long)a.render.rate) + " Hz";
        if (!plot_png(out.samples, a.render.rate, title, a.plot, &error)) {
            std::fprintf(stderr, "vibrel-render: %s\n", error.c_str());
            return 1;
        }
        std::printf("wrote %s\n", a.plot.c_str());
    }
    if (!a.icon.empty()) {
        if (!icon_png(out.samples, a.render.rate, a.icon, &error)) {
            std::fprintf(stderr, "vibrel-render: %s\n", error.c_str());
            return 1;
        }
        std::printf("wrote %s\n", a.icon.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    Args a;
    if (!parse_args(argc, argv, a)) return 2;
    return a.tuneHz > 0.0 ? run_tune(a) : run_render(a);
}
