// Pictures of a render drawn by gnuplot into PNG files: the waveform above a spectrogram, or the
// spectrogram alone as a square icon.
#pragma once

#include <string>
#include <vector>

namespace vibrel_render {

// Writes `png` (1200 x 800 pixels). The spectrogram's frequency axis is logarithmic from 20 Hz to
// Nyquist, its colours span 100 dB below the loudest bin. False with a reason when gnuplot fails.
bool plot_png(const std::vector<double> &samples, double rate, const std::string &title, const std::string &png,
              std::string *error);

// Writes `png` (500 x 500 pixels): the spectrogram alone, edge to edge, 20 Hz to 10 kHz (or Nyquist), the
// same colours, no axes or text. The same samples give the same file. False with a reason when gnuplot fails.
bool icon_png(const std::vector<double> &samples, double rate, const std::string &png, std::string *error);

} // namespace vibrel_render
