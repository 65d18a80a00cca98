// A picture of a render through gnuplot: data go to binary files in a temporary folder, gnuplot draws
// them with a script written next to them, and the folder is removed afterwards.
#include "plot.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace vibrel_render {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kLowestHz = 20.0;     // bottom of the spectrogram
constexpr double kFloorDb = -100.0;    // colours span this far below the loudest bin
constexpr int kWaveColumns = 1200;     // min/max pairs drawn for the waveform
constexpr int kSpecColumns = 800;      // spectrogram frames, at most
constexpr int kSpecRows = 480;         // logarithmic frequency rows
constexpr int kIconPixels = 500;       // the icon is square
constexpr double kIconTopHz = 10000.0; // the icon's frequency axis ends here (or at Nyquist)

// In-place radix-2 FFT; the size is a power of two.
void fft(std::vector<std::complex<double>> &a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; i++) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * kPi / (double)len);
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < len / 2; k++) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

// Gnuplot single-quoted string: only the quote itself needs doubling.
std::string quoted(const std::string &s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
}

bool write_floats(const std::filesystem::path &path, const std::vector<float> &v) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(v.data()), (std::streamsize)(v.size() * sizeof(float)));
    return (bool)out;
}

struct Spectrogram {
    std::vector<float> db; // rows of kSpecRows x columns, columns fastest
    int columns = 0;
    double t0 = 0.0, dt = 0.0;        // seconds: centre of the first frame, frame spacing
    double logF0 = 0.0, dLogF = 0.0;  // log10(Hz): centre of the first row, row spacing
};

Spectrogram spectrogram(const std::vector<double> &x, double rate) {
    size_t window = 1;
    while ((double)window < rate * 0.08) window <<= 1; // about 80 ms: resolves 55 Hz harmonics
    const long n = (long)x.size();
    Spectrogram s;
    s.columns = (int)std::clamp<long>(n / 64, 1, kSpecColumns);
    const double hop = (double)n / s.columns;
    s.t0 = hop * 0.5 / rate;
    s.dt = hop / rate;
    const double nyquist = rate * 0.5;
    s.dLogF = std::log10(nyquist / kLowestHz) / kSpecRows;
    s.logF0 = std::log10(kLowestHz) + 0.5 * s.dLogF;

    std::vector<double> hann(window);
    for (size_t i = 0; i < window; i++) hann[i] = 0.5 - 0.5 * std::cos(2.0 * kPi * (double)i / (double)window);
    std::vector<double> power((size_t)s.columns * kSpecRows);
    std::vector<std::complex<double>> buf(window);
    std::vector<double> bins(window / 2 + 1);
    double loudest = 1e-30;
    for (int c = 0; c < s.columns; c++) {
        const long centre = (long)(hop * (c + 0.5));
        for (size_t i = 0; i < window; i++) {
            const long k = centre - (long)window / 2 + (long)i;
            buf[i] = (k >= 0 && k < n) ? x[(size_t)k] * hann[i] : 0.0;
        }
        fft(buf);
        for (size_t b = 0; b < bins.size(); b++) bins[b] = std::norm(buf[b]);
        // Each row shows the strongest bin inside it, or the interpolated value where rows are finer than bins.
        for (int r = 0; r < kSpecRows; r++) {
            const double lo = std::pow(10.0, s.logF0 + (r - 0.5) * s.dLogF) / rate * (double)window;
            const double hi = std::pow(10.0, s.logF0 + (r + 0.5) * s.dLogF) / rate * (double)window;
            const size_t b0 = (size_t)std::ceil(lo), b1 = std::min((size_t)std::floor(hi), bins.size() - 1);
            double p;
            if (b0 <= b1) {
                p = *std::max_element(bins.begin() + (long)b0, bins.begin() + (long)b1 + 1);
            } else {
                const double mid = 0.5 * (lo + hi);
                const size_t b = std::min((size_t)mid, bins.size() - 2);
                const double f = mid - (double)b;
                p = bins[b] * (1.0 - f) + bins[b + 1] * f;
            }
            power[(size_t)r * s.columns + c] = p;
            loudest = std::max(loudest, p);
        }
    }
    s.db.resize(power.size());
    for (size_t i = 0; i < power.size(); i++)
        s.db[i] = (float)std::max(kFloorDb, 10.0 * std::log10(power[i] / loudest + 1e-30));
    return s;
}

// Columns of (time, min, max) over the waveform.
std::vector<float> waveform(const std::vector<double> &x, double rate) {
    std::vector<float> out;
    const long n = (long)x.size();
    const long columns = std::min<long>(n, kWaveColumns);
    for (long c = 0; c < columns; c++) {
        const long a = n * c / columns, b = std::max(a + 1, n * (c + 1) / columns);
        const auto [lo, hi] = std::minmax_element(x.begin() + a, x.begin() + b);
        out.insert(out.end(), {(float)(0.5 * (double)(a + b - 1) / rate), (float)*lo, (float)*hi});
    }
    return out;
}

bool run_gnuplot(const std::filesystem::path &script, std::string *error) {
    const std::string s = script.string();
    char *argv[] = {const_cast<char *>("gnuplot"), const_cast<char *>(s.c_str()), nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "gnuplot", nullptr, nullptr, argv, environ) != 0) {
        if (error) *error = "cannot run gnuplot (Debian package gnuplot-nox)";
        return false;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (error) *error = "gnuplot failed";
        return false;
    }
    return true;
}

const char kPalette[] =
    "set palette defined (0 '#000004', 1 '#3b0f70', 2 '#8c2981', 3 '#de4968', 4 '#fe9f6d', 5 '#fcfdbf')\n";

// The spectrogram as gnuplot draws it from spec.bin, with the current margins and ranges.
void plot_spectrogram(std::ostream &gp, const std::filesystem::path &dir, const Spectrogram &spec) {
    gp << "plot " << quoted((dir / "spec.bin").string()) << " binary array=(" << spec.columns << "," << kSpecRows
       << ") format='%float' dx=" << spec.dt << " dy=" << spec.dLogF << " origin=(" << spec.t0 << ","
       << spec.logF0 << ") with image notitle\n";
}

// Runs `write` to put data and a gnuplot script (plot.gp) into a temporary folder, then gnuplot on it;
// the folder is removed afterwards.
bool with_gnuplot(const std::vector<double> &samples, std::string *error,
                  const std::function<bool(const std::filesystem::path &dir, std::ostream &gp)> &write) {
    namespace fs = std::filesystem;
    if (samples.empty()) {
        if (error) *error = "nothing to plot: the render is empty";
        return false;
    }
    std::string tmpl = (fs::temp_directory_path() / "vibrel-plot-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        if (error) *error = "cannot make a temporary folder";
        return false;
    }
    const fs::path dir = tmpl;
    std::ofstream gp(dir / "plot.gp");
    gp.precision(10);
    bool ok = write(dir, gp);
    gp.close();
    ok = ok && gp && run_gnuplot(dir / "plot.gp", error);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return ok;
}

} // namespace

bool plot_png(const std::vector<double> &samples, double rate, const std::string &title, const std::string &png,
              std::string *error) {
    return with_gnuplot(samples, error, [&](const std::filesystem::path &dir, std::ostream &gp) {
        const Spectrogram spec = spectrogram(samples, rate);
        const double seconds = (double)samples.size() / rate;
        gp << "set terminal pngcairo size 1200,800 font 'Sans,11' noenhanced\n"
           << "set output " << quoted(png) << "\n"
           << "set multiplot\n"
           << "set lmargin at screen 0.08\nset rmargin at screen 0.88\n"
           << "set xrange [0:" << seconds << "]\n"
           << "set grid xtics ytics lc rgb '#d0d0d0'\n"
           // waveform
           << "set tmargin at screen 0.93\nset bmargin at screen 0.64\n"
           << "set title " << quoted(title) << " font 'Sans,14'\n"
           << "set ylabel 'amplitude'\nset xlabel ''\nset format x ''\n"
           << "plot " << quoted((dir / "wave.bin").string())
           << " binary format='%float%float%float' using 1:2:3 with filledcurves lc rgb '#1f5fa8' notitle\n"
           // spectrogram
           << "set tmargin at screen 0.56\nset bmargin at screen 0.08\n"
           << "set title 'spectrogram (dB below the loudest bin)' font 'Sans,12'\n"
           << "set xlabel 'time (s)'\nset format x '%g'\nset ylabel 'frequency (Hz)'\n"
           << "set grid noxtics noytics\n"
           << "set yrange [" << std::log10(kLowestHz) << ":" << std::log10(rate * 0.5) << "]\n"
           << "set ytics ('20' log10(20), '50' log10(50), '100' 2, '200' log10(200), '500' log10(500), '1k' 3, "
              "'2k' log10(2000), '5k' log10(5000), '10k' 4, '20k' log10(20000))\n"
           << "set cbrange [" << kFloorDb << ":0]\nset cblabel 'dB'\n"
           << kPalette << "set colorbox user origin screen 0.9, screen 0.08 size screen 0.02, screen 0.48\n";
        plot_spectrogram(gp, dir, spec);
        gp << "unset multiplot\n";
        return write_floats(dir / "wave.bin", waveform(samples, rate)) && write_floats(dir / "spec.bin", spec.db);
    });
}

bool icon_png(const std::vector<double> &samples, double rate, const std::string &png, std::string *error) {
    return with_gnuplot(samples, error, [&](const std::filesystem::path &dir, std::ostream &gp) {
        const Spectrogram spec = spectrogram(samples, rate);
        gp << "set terminal pngcairo size " << kIconPixels << "," << kIconPixels << " noenhanced\n"
           << "set output " << quoted(png) << "\n"
           << "set lmargin at screen 0\nset rmargin at screen 1\nset tmargin at screen 1\nset bmargin at screen 0\n"
           << "unset border\nunset tics\nunset key\nunset colorbox\n"
           << "set xrange [0:" << (double)samples.size() / rate << "]\n"
           << "set yrange [" << std::log10(kLowestHz) << ":" << std::log10(std::min(kIconTopHz, rate * 0.5)) << "]\n"
           << "set cbrange [" << kFloorDb << ":0]\n"
           << kPalette;
        plot_spectrogram(gp, dir, spec);
        return write_floats(dir / "spec.bin", spec.db);
    });
}

} // namespace vibrel_render
